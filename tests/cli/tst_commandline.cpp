#include "cli/CommandLine.h"

#include <QtTest>

#include <string>
#include <vector>

namespace {

QString describe(const CaseMode &mode)
{
    switch (mode.kind) {
    case CaseMode::Kind::Alternate:
        return mode.startUpper ? QStringLiteral("alternate upper") : QStringLiteral("alternate lower");
    case CaseMode::Kind::MaxRun:
        return QStringLiteral("max-run %1").arg(mode.maxRun);
    case CaseMode::Kind::Random:
        break;
    }
    return QStringLiteral("random");
}

} // namespace

// What the command line makes of its arguments: options, seeds, modes,
// files and usage errors, in one table.
class tst_CommandLine : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
};

void tst_CommandLine::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");
    QTest::addColumn<bool>("randomize");
    QTest::addColumn<bool>("clipboard");
    QTest::addColumn<bool>("seeded");
    QTest::addColumn<quint64>("seed");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("mode");

    const quint64 none = 0;
    const QStringList noFiles;
    auto ok = [&](const char *row, const QStringList &arguments, bool seeded, quint64 seed, const QStringList &files,
                  const char *mode = "random") {
        QTest::newRow(row) << arguments << QString() << true << false << seeded << seed << files
                           << QString::fromLatin1(mode);
    };
    ok("short", {"-r"}, false, none, noFiles);
    ok("files and standard input, in order", {"--randomize", "a", "-", "b"}, false, none, {"a", "-", "b"});
    ok("seed as the next argument", {"-r", "--seed", "5", "a"}, true, 5, {"a"});
    ok("seed joined, before the option", {"--seed=6", "-r"}, true, 6, noFiles);
    ok("largest seed", {"-r", "--seed=18446744073709551615"}, true, 18446744073709551615ULL, noFiles);
    ok("-1 counts from 2^64", {"-r", "--seed", "-1"}, true, 18446744073709551615ULL, noFiles);
    ok("smallest 64-bit integer", {"-r", "--seed=-9223372036854775808"}, true, 9223372036854775808ULL, noFiles);
    ok("after --, options are files", {"-r", "--", "-x", "--seed"}, false, none, {"-x", "--seed"});
    ok("alternate", {"-r", "--alternate", "a"}, false, none, {"a"}, "alternate lower");
    ok("alternate from upper", {"--alternate=upper", "-r"}, false, none, noFiles, "alternate upper");
    ok("alternate from lower, the seed taken", {"-r", "--alternate=lower", "--seed=3"}, true, 3, noFiles,
       "alternate lower");
    ok("max-run as the next argument", {"-r", "--max-run", "2", "a"}, false, none, {"a"}, "max-run 2");
    ok("max-run joined, the largest", {"--max-run=1000000", "-r", "--seed", "4"}, true, 4, noFiles,
       "max-run 1000000");
    ok("max-run, the last one taken", {"-r", "--max-run=1", "--max-run", "0007"}, false, none, noFiles, "max-run 7");
    QTest::newRow("clipboard") << QStringList{"-c"} << QString() << false << true << false << none << noFiles
                               << QStringLiteral("random");
    QTest::newRow("clipboard, seeded") << QStringList{"--seed=7", "--clipboard"} << QString() << false << true << true
                                       << quint64(7) << noFiles << QStringLiteral("random");
    QTest::newRow("clipboard, alternating") << QStringList{"-c", "--alternate"} << QString() << false << true << false
                                            << none << noFiles << QStringLiteral("alternate lower");

    for (const char *seed : {" 5", "5 ", "+5", "\t5", "\n5", "--1", "- 1", "1e3", "0x10", "18446744073709551616",
                             "99999999999999999999", "-9223372036854775809", ""}) {
        const QString text = QString::fromLatin1(seed);
        QTest::addRow("invalid seed '%s'", seed)
            << QStringList{"-r", "--seed", text} << QStringLiteral("invalid seed '%1': give a 64-bit integer").arg(text)
            << true << false << false << none << noFiles << QString();
    }
    for (const char *length : {"0", "1000001", "4294967297", "-1", "+2", " 2", "2 ", "1e3", "0x10", ""}) {
        const QString text = QString::fromLatin1(length);
        QTest::addRow("invalid run length '%s'", length)
            << QStringList{"-r", "--max-run", text}
            << QStringLiteral("invalid run length '%1': give an integer from 1 to 1000000").arg(text) << true << false
            << false << none << noFiles << QString();
    }
    auto error = [&](const char *row, const QStringList &arguments, const char *message) {
        QTest::newRow(row) << arguments << QString::fromLatin1(message) << arguments.contains("-r")
                           << arguments.contains("-c") << false << none << noFiles << QString();
    };
    error("seed without its value", {"-r", "--seed"}, "option '--seed' needs a value");
    error("unknown long option", {"-r", "--frobnicate"}, "unknown option '--frobnicate'");
    error("unknown short option", {"-x"}, "unknown option '-x'");
    error("nothing asked", {}, "nothing to do: give --randomize to filter text");
    error("only files", {"a"}, "nothing to do: give --randomize to filter text");
    error("max-run without its value", {"-r", "--max-run"}, "option '--max-run' needs a value");
    error("max-run joined, empty", {"-r", "--max-run="}, "invalid run length '': give an integer from 1 to 1000000");
    error("alternate from neither", {"-r", "--alternate=sideways"},
          "invalid value 'sideways' for '--alternate': give lower or upper");
    error("alternate with an empty value", {"-r", "--alternate="},
          "invalid value '' for '--alternate': give lower or upper");
    error("alternate, then max-run", {"-r", "--alternate", "--max-run", "2"},
          "options '--alternate' and '--max-run' cannot be used together");
    error("max-run, then alternate", {"-r", "--max-run=2", "--alternate=upper"},
          "options '--max-run' and '--alternate' cannot be used together");
    error("alternate without -r", {"--alternate", "a"}, "option '--alternate' needs --randomize or --clipboard");
    error("max-run without -r", {"--max-run=3"}, "option '--max-run' needs --randomize or --clipboard");
    error("clipboard and randomize", {"-c", "-r"}, "--clipboard and --randomize cannot be combined");
    error("clipboard and a file", {"-c", "a"}, "--clipboard takes no FILE: it reads the clipboard");
    error("clipboard and standard input", {"-", "-c"}, "--clipboard takes no FILE: it reads the clipboard");
}

void tst_CommandLine::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    QFETCH(bool, randomize);
    QFETCH(bool, clipboard);
    QFETCH(bool, seeded);
    QFETCH(quint64, seed);
    QFETCH(QStringList, files);
    QFETCH(QString, mode);
    std::vector<std::string> strings{"tessaly"};
    for (const QString &argument : arguments)
        strings.push_back(argument.toStdString());
    std::vector<char *> argv;
    for (std::string &string : strings)
        argv.push_back(string.data());
    argv.push_back(nullptr);

    const cli::Options options = cli::parse(int(strings.size()), argv.data());

    QCOMPARE(QString::fromStdString(options.error), error);
    QCOMPARE(options.randomize, randomize);
    QCOMPARE(options.clipboard, clipboard);
    QCOMPARE(options.seeded, seeded);
    QCOMPARE(quint64(options.seed), seed);
    if (error.isEmpty()) {
        QStringList parsed;
        for (const std::string &file : options.files)
            parsed << QString::fromStdString(file);
        QCOMPARE(parsed, files);
        QCOMPARE(describe(options.mode), mode);
    }
}

QTEST_APPLESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
