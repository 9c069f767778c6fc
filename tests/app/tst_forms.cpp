#include "platform/forms/FormData.h"
#include "support/FormMessages.h"

#include <QtTest>

using platform::FontSpec;
using platform::FormData;
using platform::PropertyBag;

namespace {

QVariant i16(short value) { return QVariant::fromValue(value); }

FontSpec regular(const QString &name)
{
    return FontSpec{name, 8.25, false, false, false, false};
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

// The form data compiled into the program.
class tst_Forms : public QObject {
    Q_OBJECT

private slots:
    void mainWindowHoldsItsButtonsAndBar();
    void mainWindowButtons_data();
    void mainWindowButtons();
    void aboutWindowCloseButton();
};

void tst_Forms::mainWindowHoldsItsButtonsAndBar()
{
    testing::FormMessages messages;

    const FormData form = FormData::load(QStringLiteral(":/forms/frmmain.json"));

    QVERIFY2(messages.lines.isEmpty(), qPrintable(messages.lines.join(QLatin1Char('\n'))));
    QCOMPARE(form.formName(), QStringLiteral("frmmain"));
    QCOMPARE(sorted(form.controlNames()), sorted({QStringLiteral("XpBs1"), QStringLiteral("XpBs2"), QStringLiteral("pb")}));
    // Every property of the bar is at its default, so none is stored.
    QVERIFY(form.bagFor(QStringLiteral("pb"), QStringLiteral("vorlenta.Xp_ProgressBar")).isEmpty());
    QVERIFY(messages.lines.isEmpty());
}

void tst_Forms::mainWindowButtons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");

    QTest::newRow("XpBs1") << "XpBs1" << "&About";
    QTest::newRow("XpBs2") << "XpBs2" << "Randomize Case";
}

void tst_Forms::mainWindowButtons()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    testing::FormMessages messages;
    const FormData form = FormData::load(QStringLiteral(":/forms/frmmain.json"));

    PropertyBag bag = form.bagFor(name, QStringLiteral("vorlenta.XpBs"));

    const QStringList keys{QStringLiteral("caption"), QStringLiteral("font"), QStringLiteral("mousepointer")};
    QCOMPARE(sorted(bag.keys()), keys);
    QCOMPARE(bag.ReadProperty(QStringLiteral("Caption"), name).toString(), caption);
    QCOMPARE(bag.ReadProperty(QStringLiteral("Font"), QVariant::fromValue(regular(QStringLiteral("Arial"))))
                 .value<FontSpec>(),
             regular(QStringLiteral("Verdana")));
    QCOMPARE(bag.ReadProperty(QStringLiteral("MousePointer"), i16(0)), i16(99));
    QVERIFY2(messages.lines.isEmpty(), qPrintable(messages.lines.join(QLatin1Char('\n'))));
}

void tst_Forms::aboutWindowCloseButton()
{
    testing::FormMessages messages;
    const FormData form = FormData::load(QStringLiteral(":/forms/frmabt.json"));

    PropertyBag bag = form.bagFor(QStringLiteral("XpBs2"), QStringLiteral("vorlenta.XpBs"));

    QCOMPARE(form.formName(), QStringLiteral("frmabt"));
    const QStringList keys{QStringLiteral("backcolor"), QStringLiteral("buttonstyle"), QStringLiteral("caption"),
                           QStringLiteral("font"), QStringLiteral("mousepointer")};
    QCOMPARE(sorted(bag.keys()), keys);
    QCOMPARE(bag.ReadProperty(QStringLiteral("Caption"), QStringLiteral("XpBs2")).toString(), QStringLiteral("&Close"));
    QCOMPARE(bag.ReadProperty(QStringLiteral("ButtonStyle"), i16(2)), i16(3));
    QCOMPARE(bag.ReadProperty(QStringLiteral("BackColor"), QVariant::fromValue(quint32(0x8000000F))),
             QVariant::fromValue(quint32(0xFFFFFF)));
    QCOMPARE(bag.ReadProperty(QStringLiteral("Font"), QVariant::fromValue(regular(QStringLiteral("Verdana"))))
                 .value<FontSpec>(),
             regular(QStringLiteral("MS Sans Serif")));
    QCOMPARE(bag.ReadProperty(QStringLiteral("MousePointer"), i16(0)), i16(99));
    form.reportUnreadKeys();
    QVERIFY2(messages.lines.isEmpty(), qPrintable(messages.lines.join(QLatin1Char('\n'))));
}

QTEST_MAIN(tst_Forms)
#include "tst_forms.moc"
