#include "inputmethod/CaseKeys.h"
#include "inputmethod/Settings.h"

#include <QtTest>

#include <string>

using inputmethod::CaseKeys;
using inputmethod::Key;
using inputmethod::Settings;

Q_DECLARE_METATYPE(Key)

namespace {

CaseMode modeOf(const QString &word)
{
    CaseMode mode;
    if (!CaseMode::fromWord(word.toStdString(), mode))
        qFatal("not a mode: %s", qPrintable(word));
    return mode;
}

// The text typed a key per code point: what each key commits, or the key's
// own character where it passes. (One string for every commit, as a caller
// may keep.)
QString typed(CaseKeys &keys, const QString &text)
{
    QString out;
    std::string commit;
    for (const char32_t c : text.toUcs4()) {
        Key key;
        key.character = c;
        out += keys.press(key, commit) ? QString::fromStdString(commit) : QString::fromUcs4(&c, 1);
    }
    return out;
}

// What "tessaly -r" writes for the text: the filter over the whole of it.
QString filtered(const CaseRules &rules, std::uint64_t seed, const CaseMode &mode, const QString &text)
{
    CaseFilter filter(rules, seed, mode);
    const QByteArray bytes = text.toUtf8();
    std::string out;
    filter.feed(bytes.constData(), std::size_t(bytes.size()), out);
    filter.finish(out);
    return QString::fromStdString(out);
}

QByteArray contentsOf(const QString &path)
{
    if (QFileInfo(path).isDir())
        return "(folder)";
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

} // namespace

class tst_CaseKeys : public QObject {
    Q_OBJECT

private slots:
    void takesOnlyWhatTypesText_data();
    void takesOnlyWhatTypesText();
    void typesWhatTheFilterWrites_data();
    void typesWhatTheFilterWrites();
    void onlyCharacter_data();
    void onlyCharacter();
    void menuOffersEachModeOnce_data();
    void menuOffersEachModeOnce();
    void settingsFile_data();
    void settingsFile();
    void settingsPlace_data();
    void settingsPlace();
};

void tst_CaseKeys::takesOnlyWhatTypesText_data()
{
    QTest::addColumn<Key>("key");
    QTest::addColumn<bool>("handled");

    const auto key = [](char32_t c) {
        Key k;
        k.character = c;
        return k;
    };
    Key k = key('a');
    QTest::newRow("a letter") << k << true;
    QTest::newRow("a letter past ASCII") << key(U'é') << true;
    QTest::newRow("a letter past the BMP") << key(U'𐐨') << true;
    k.control = true;
    QTest::newRow("Ctrl+A") << k << false;
    k = key('a');
    k.alt = true;
    QTest::newRow("Alt+A") << k << false;
    k = key('a');
    k.super = true;
    QTest::newRow("Super+A") << k << false;
    k = key('a');
    k.release = true;
    QTest::newRow("a release") << k << false;
    k = key('a');
    k.secret = true;
    QTest::newRow("into a password or PIN field") << k << false;
    QTest::newRow("a digit") << key('7') << true;
    QTest::newRow("a space") << key(' ') << true;
    QTest::newRow("a sign") << key(U'€') << true;
    QTest::newRow("no character (an arrow, F1)") << key(0) << false;
    QTest::newRow("Tab") << key('\t') << false;
    QTest::newRow("BackSpace") << key('\b') << false;
    QTest::newRow("Delete") << key(0x7F) << false;
    QTest::newRow("a C1 control") << key(0x85) << false;
    QTest::newRow("a surrogate") << key(0xD835) << false;
    QTest::newRow("past Unicode") << key(0x110000) << false;
}

void tst_CaseKeys::takesOnlyWhatTypesText()
{
    QFETCH(Key, key);
    QFETCH(bool, handled);

    // GIVEN the engine's keys
    const CaseRules rules;
    CaseKeys keys(rules, 3, CaseMode::random());

    // WHEN the key comes
    std::string commit;
    const bool took = keys.press(key, commit);

    // THEN only a character typed as text is the engine's, committed as
    // that character in one case or the other (the one it has without case)
    QCOMPARE(took, handled);
    if (took) {
        const char32_t c = key.character;
        const QString letter = QString::fromUcs4(&c, 1);
        const QString got = QString::fromStdString(commit);
        QVERIFY2(got == letter.toUpper() || got == letter.toLower(), qPrintable(got));
    }
}

void tst_CaseKeys::typesWhatTheFilterWrites_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("before"); // typed in random case, before the mode is chosen
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // when known by heart
    QTest::addColumn<bool>("likeTheFilter"); // false: keys the filter would take as text

    QTest::newRow("random") << "C"
                            << "random"
                            << ""
                            << "hello world, how are you?"
                            << "" << true;
    QTest::newRow("random, past ASCII") << "C"
                                        << "random"
                                        << ""
                                        << QString::fromUtf8(
                                               "Ça\u00A0va? Ærøskøbing ǅ 𐐨𐐨 Σίσυφος \uE000 ｆｕｌｌ ẞ ⓐ 7")
                                        << "" << true;
    QTest::newRow("alternate, editing keys take no turn") << "C"
                                                          << "alternate"
                                                          << ""
                                                          << "ab\bc\x7f"
                                                             "d\te"
                                                          << "aB\bc\x7f"
                                                             "D\te"
                                                          << false;
    QTest::newRow("alternate") << "C"
                               << "alternate"
                               << ""
                               << "alternating case"
                               << "aLtErNaTiNg cAsE" << true;
    QTest::newRow("alternate, upper first") << "C"
                                            << "alternate=upper"
                                            << ""
                                            << "alternating case"
                                            << "AlTeRnAtInG CaSe" << true;
    QTest::newRow("alternate, chosen after typing") << "C"
                                                    << "alternate"
                                                    << "some text first "
                                                    << "alternating case"
                                                    << "aLtErNaTiNg cAsE" << true;
    QTest::newRow("no more than 2 alike") << "C"
                                          << "max-run=2"
                                          << ""
                                          << "the quick brown fox jumps over the lazy dog, twice over the lazy dog"
                                          << "" << true;
    QTest::newRow("no more than 1 alike") << "C"
                                          << "max-run=1"
                                          << ""
                                          << "one to one, 1 2 3 go"
                                          << "" << true;
    QTest::newRow("Turkish i") << "tr_TR.UTF-8"
                               << "random"
                               << ""
                               << "iiiiiiii IIIIIIII istanbul"
                               << "" << true;
}

void tst_CaseKeys::typesWhatTheFilterWrites()
{
    QFETCH(QString, locale);
    QFETCH(QString, mode);
    QFETCH(QString, before);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(bool, likeTheFilter);

    // GIVEN the engine's keys with a seed, and a mode chosen (maybe after
    // some typing)
    const CaseRules rules(locale.toStdString());
    const std::uint64_t seed = 20260601;
    CaseKeys keys(rules, 99, CaseMode::random());
    typed(keys, before);
    keys.setMode(modeOf(mode), seed);

    // WHEN the text is typed, a key per character
    const QString got = typed(keys, text);

    // THEN it is what the filter writes for the same text with that seed,
    // the mode going on from one key to the next
    if (likeTheFilter)
        QCOMPARE(got, filtered(rules, seed, modeOf(mode), text));
    if (!expected.isEmpty())
        QCOMPARE(got, expected);
    QVERIFY(got != text);
    QCOMPARE(got.size(), text.size());
    // (Qt lowers an İ to i and a dot above, not as the Turkish rule does.)
    if (!locale.startsWith("tr"))
        QCOMPARE(got.toLower(), text.toLower());
    if (modeOf(mode).kind == CaseMode::Kind::MaxRun) {
        int run = 0;
        bool upper = false;
        for (const QChar c : got) {
            if (!c.isLetter())
                continue;
            run = c.isUpper() == upper ? run + 1 : 1;
            upper = c.isUpper();
            QVERIFY2(run <= int(modeOf(mode).maxRun), qPrintable(got));
        }
    }
    if (locale.startsWith("tr")) {
        QVERIFY2(got.contains(QChar(0x130)), qPrintable(got)); // İ
        QVERIFY2(got.contains(QChar(0x131)), qPrintable(got)); // ı
    }
}

void tst_CaseKeys::onlyCharacter_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<uint>("expected");
    QTest::newRow("ASCII") << QByteArray("E") << 0x45u;
    QTest::newRow("two bytes") << QByteArray("\xC3\x89") << 0xC9u;
    QTest::newRow("three bytes") << QByteArray("\xE1\xBA\x9E") << 0x1E9Eu;
    QTest::newRow("four bytes") << QByteArray("\xF0\x90\x90\x80") << 0x10400u;
    QTest::newRow("two characters") << QByteArray("SS") << 0u;
    QTest::newRow("a letter and a mark") << QByteArray("e\xCC\x81") << 0u;
    QTest::newRow("none") << QByteArray() << 0u;
    QTest::newRow("a lone lead byte") << QByteArray("\xC3") << 0u;
    QTest::newRow("a stray byte") << QByteArray("\x89") << 0u;
    QTest::newRow("a surrogate") << QByteArray("\xED\xA0\x80") << 0u;
}

// A drawn letter is handed back to a framework that composes keys (dead
// acute, then the letter) as that one character: anything else is not.
void tst_CaseKeys::onlyCharacter()
{
    QFETCH(QByteArray, text);
    QFETCH(uint, expected);
    QCOMPARE(uint(inputmethod::onlyCharacter(text.toStdString())), expected);
}

void tst_CaseKeys::menuOffersEachModeOnce_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QStringList>("offered");

    const QStringList usual{"random", "alternate", "alternate=upper", "max-run=2", "max-run=3"};
    QTest::newRow("random") << "random" << usual;
    QTest::newRow("alternate, upper first") << "alternate=upper" << usual;
    QTest::newRow("a run of 3") << "max-run=3" << usual;
    QTest::newRow("a run of 7, from the file") << "max-run=7" << usual + QStringList{"max-run=7"};
}

void tst_CaseKeys::menuOffersEachModeOnce()
{
    QFETCH(QString, current);
    QFETCH(QStringList, offered);

    // WHEN the menu is made for the current mode
    const std::vector<inputmethod::ModeChoice> choices = inputmethod::modeChoices(modeOf(current));

    // THEN it offers each mode once, the current one among them, under
    // labels that tell them apart and name a run's length
    QStringList words, labels;
    for (const inputmethod::ModeChoice &choice : choices) {
        words << QString::fromStdString(choice.mode.word());
        labels << QString::fromStdString(choice.label);
        if (choice.mode.kind == CaseMode::Kind::MaxRun)
            QVERIFY2(labels.last().contains(QString::number(choice.mode.maxRun)), qPrintable(labels.last()));
        if (choice.mode.kind == CaseMode::Kind::Alternate)
            QVERIFY2(labels.last().contains(choice.mode.startUpper ? "upper case first" : "lower case first"),
                     qPrintable(labels.last()));
    }
    QCOMPARE(words, offered);
    labels.removeDuplicates();
    QCOMPARE(labels.size(), words.size());
}

void tst_CaseKeys::settingsFile_data()
{
    // "(none)": no file, nor its folder; "(folder)": a folder in its place;
    // "(file above)": a file where its folder would be
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("said"); // what the log says of it, if anything

    QTest::newRow("none") << QByteArray("(none)") << "random"
                          << "";
    QTest::newRow("alternate") << QByteArray("mode=alternate\n") << "alternate"
                               << "";
    QTest::newRow("a run, with a comment and blanks")
        << QByteArray("# chosen in the menu\n\n  mode = max-run=3 \r\n   \n") << "max-run=3"
        << "";
    QTest::newRow("without the last line break") << QByteArray("mode=alternate=upper") << "alternate=upper"
                                                 << "";
    QTest::newRow("no such mode") << QByteArray("mode=sideways\n") << "random"
                                  << "line 1: no mode is called \"sideways\"";
    QTest::newRow("a run too long") << QByteArray("\nmode=max-run=1000001\n") << "random"
                                    << "line 2: no mode is called \"max-run=1000001\"";
    QTest::newRow("two modes") << QByteArray("mode=alternate\nmode=max-run=2\n") << "random"
                               << "line 2: a second mode";
    QTest::newRow("something else") << QByteArray("mode=alternate\ncolour=blue\n") << "random"
                                    << "line 2: not \"mode=...\"";
    QTest::newRow("a word alone") << QByteArray("mode\n") << "random"
                                  << "line 1: not \"mode=...\"";
    QTest::newRow("empty") << QByteArray("") << "random"
                           << "no mode in it";
    QTest::newRow("too long") << QByteArray("mode=alternate\n") + QByteArray(5000, '#') << "random"
                              << "longer than a settings file";
    QTest::newRow("unreadable") << QByteArray("(folder)") << "random"
                                << "Is a directory";
    QTest::newRow("a file above it") << QByteArray("(file above)") << "random"
                                     << "Not a directory";
}

void tst_CaseKeys::settingsFile()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, mode);
    QFETCH(QString, said);

    // GIVEN the settings file, or none
    QTemporaryDir home;
    const QString folder = home.path() + "/config/tessaly";
    const QString path = folder + "/input-method.conf";
    if (contents == "(file above)") {
        QFile above(home.path() + "/config");
        QVERIFY(above.open(QIODevice::WriteOnly));
    } else if (contents != "(none)") {
        QVERIFY(QDir().mkpath(folder));
    }
    if (contents == "(folder)") {
        QVERIFY(QDir().mkpath(path));
    } else if (!contents.startsWith("(")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
    QStringList log;
    const Settings::Log logged = [&log](const std::string &line) { log << QString::fromStdString(line); };

    // WHEN the engine reads it
    {
        Settings settings(path.toStdString(), logged);

        // THEN a mode it names holds; anything else is the defaults, said
        // once, naming the file and what is wrong, and the file is left as
        // it was
        QCOMPARE(QString::fromStdString(settings.mode().word()), mode);
        QCOMPARE(log.size(), said.isEmpty() ? 0 : 1);
        if (!said.isEmpty())
            QVERIFY2(log[0].startsWith(path + ": " + said), qPrintable(log[0]));
    }
    QCOMPARE(contentsOf(path), contents.startsWith("(") && contents != "(folder)" ? QByteArray("(none)") : contents);

    // WHEN the user chooses a mode
    Settings settings(path.toStdString(), logged);
    log.clear();
    const bool kept = settings.choose(CaseMode::alternate(true));

    // THEN it holds, and the file says it, nothing left beside it; where
    // the file cannot be written, that is said once
    QCOMPARE(QString::fromStdString(settings.mode().word()), QStringLiteral("alternate=upper"));
    const bool writable = !contents.startsWith("(") || contents == "(none)";
    QCOMPARE(kept, writable);
    QCOMPARE(log.size(), kept ? 0 : 1);
    if (!kept)
        QVERIFY2(log[0].startsWith(
                     path + (contents == "(folder)" ? ": cannot put it in place" : ": cannot make its folder")),
                 qPrintable(log[0]));
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot),
             kept ? QStringList{"input-method.conf"} : QStringList());
    if (kept) {
        QCOMPARE(contentsOf(path), QByteArray("mode=alternate=upper\n"));
        QCOMPARE(QString::fromStdString(Settings(path.toStdString(), logged).mode().word()),
                 QStringLiteral("alternate=upper"));
    }
    // The folders made for it are the user's alone, as the XDG rules ask.
    if (contents == "(none)") {
        for (const QString &made : {folder, home.path() + "/config"})
            QCOMPARE(int(QFileInfo(made).permissions() & 0x7077), 0x7000); // rwx------
    }
}

void tst_CaseKeys::settingsPlace_data()
{
    QTest::addColumn<QByteArray>("configHome");
    QTest::addColumn<QString>("path");

    QTest::newRow("XDG_CONFIG_HOME") << QByteArray("/srv/config") << "/srv/config/tessaly/input-method.conf";
    QTest::newRow("unset") << QByteArray() << "/home/someone/.config/tessaly/input-method.conf";
    QTest::newRow("relative: ignored") << QByteArray("config") << "/home/someone/.config/tessaly/input-method.conf";
}

void tst_CaseKeys::settingsPlace()
{
    QFETCH(QByteArray, configHome);
    QFETCH(QString, path);

    // GIVEN the user's home and configuration folders
    const QByteArray savedHome = qgetenv("HOME");
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", "/home/someone");
    if (configHome.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", configHome);

    // WHEN the settings are looked for
    const QString got = QString::fromStdString(Settings::defaultPath());
    qputenv("HOME", savedHome);
    if (savedConfig.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", savedConfig);

    // THEN they are in the configuration folder the XDG rules name
    QCOMPARE(got, path);
}

QTEST_GUILESS_MAIN(tst_CaseKeys)
#include "tst_casekeys.moc"
