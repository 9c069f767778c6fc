#include "clipboard/ClipboardJob.h"
#include "clipboard/Device.h"

#include <QtTest>

#include <string>
#include <vector>

using namespace clipboard;

Q_DECLARE_METATYPE(Reading::Kind)

namespace {

// A desktop that gives what it is told and writes down what it was asked.
class RecordingDevice final : public Device {
public:
    Reading given;
    bool takes = true;
    std::vector<std::string> *steps = nullptr;
    std::size_t limitAsked = 0;
    std::string set_;
    Clock::duration readFor{}, setFor{}, servedFor{};

    Reading read(std::size_t limit, Clock::time_point deadline) override
    {
        readFor = deadline - Clock::now();
        steps->push_back("read");
        limitAsked = limit;
        return given;
    }
    bool set(std::string text, Clock::time_point deadline, std::string &error) override
    {
        setFor = deadline - Clock::now();
        steps->push_back("set");
        set_ = std::move(text);
        if (!takes)
            error = "the desktop did not take the new text";
        return takes;
    }
    Served serve(Clock::time_point deadline) override
    {
        steps->push_back("serve");
        servedFor = deadline - Clock::now();
        return Served::Taken;
    }
};

} // namespace

class tst_ClipboardJob : public QObject {
    Q_OBJECT

private slots:
    void saysSetOnlyOnceTheDesktopHoldsTheText_data();
    void saysSetOnlyOnceTheDesktopHoldsTheText();
};

void tst_ClipboardJob::saysSetOnlyOnceTheDesktopHoldsTheText_data()
{
    QTest::addColumn<Reading::Kind>("kind");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("readError");
    QTest::addColumn<bool>("desktopTakes");
    QTest::addColumn<QString>("complaint");
    QTest::addColumn<QStringList>("steps");

    const QStringList readOnly{"read"};
    const QStringList refused{"read", "set"};
    const QStringList whole{"read", "set", "said set", "serve"};
    QTest::newRow("nothing") << Reading::Kind::NoText << QByteArray() << QString() << true
                             << "the clipboard holds no text" << readOnly;
    QTest::newRow("an empty text") << Reading::Kind::Text << QByteArray() << QString() << true
                                   << "the clipboard holds no text" << readOnly;
    QTest::newRow("too much") << Reading::Kind::TooLarge << QByteArray() << QString() << true
                              << "the clipboard holds more than 64 MiB of text" << readOnly;
    QTest::newRow("a silent owner") << Reading::Kind::Failed << QByteArray() << "the owner did not answer" << true
                                    << "the owner did not answer" << readOnly;
    QTest::newRow("the desktop refuses") << Reading::Kind::Text << QByteArray("Some text") << QString() << false
                                         << "the desktop did not take the new text" << refused;
    QTest::newRow("taken, bytes that are not UTF-8 kept")
        << Reading::Kind::Text << QByteArray("caf\xe9 \xff W\xc3\xb6rld \xc3(") << QString() << true << QString()
        << whole;
}

void tst_ClipboardJob::saysSetOnlyOnceTheDesktopHoldsTheText()
{
    QFETCH(Reading::Kind, kind);
    QFETCH(QByteArray, text);
    QFETCH(QString, readError);
    QFETCH(bool, desktopTakes);
    QFETCH(QString, complaint);
    QFETCH(QStringList, steps);

    // GIVEN a desktop whose clipboard holds this
    std::vector<std::string> done;
    RecordingDevice device;
    device.steps = &done;
    device.given.kind = kind;
    device.given.text = text.toStdString();
    device.given.error = readError.toStdString();
    device.takes = desktopTakes;
    QStringList complaints;
    Job job;
    job.seed = 42;
    job.serveForMs = 90 * 1000;
    job.set = [&done] { done.push_back("said set"); };
    job.complain = [&complaints](const std::string &line) { complaints << QString::fromStdString(line); };

    // WHEN the job runs
    const int status = run(device, job);

    // THEN it says set only after the desktop took the text, and serves
    // only then; anything else is one complaint and status 1
    QStringList happened;
    for (const std::string &step : done)
        happened << QString::fromStdString(step);
    QCOMPARE(happened, steps);
    QCOMPARE(device.limitAsked, Job::kMostText);
    // An owner and a desktop are given seconds, not none.
    QVERIFY(device.readFor > std::chrono::seconds(1));
    QVERIFY(device.setFor > std::chrono::seconds(1) || happened.size() < 2);
    QCOMPARE(status, complaint.isEmpty() ? 0 : 1);
    QCOMPARE(complaints, complaint.isEmpty() ? QStringList() : QStringList{complaint});
    if (!complaint.isEmpty())
        return;
    QVERIFY(device.servedFor > std::chrono::seconds(80) && device.servedFor <= std::chrono::seconds(90));
    // The letters in drawn cases; a stray byte, a cut sequence and every
    // character without case where they were.
    const QByteArray got = QByteArray::fromStdString(device.set_);
    QCOMPARE(got.size(), text.size());
    QVERIFY(got != text);
    QCOMPARE(got.toLower(), text.toLower());
    for (const int kept : {3, 4, 5, 6, 8, 13, 14, 15})
        QCOMPARE(got[kept], text[kept]);
    QVERIFY(got[9] == '\xb6' || got[9] == '\x96'); // ö or Ö
}

QTEST_GUILESS_MAIN(tst_ClipboardJob)
#include "tst_clipboardjob.moc"
