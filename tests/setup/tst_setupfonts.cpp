#include "SetupTestSupport.h"
#include "TestSupport.h"

#include "app/Main.h"
#include "state/modGeneral.h"
#include "dialogs/setup/frmSetup.h"
#include "core/Dates.h"

#include <QPushButton>
#include <QTest>

using namespace setuptest;
using setup::CommonDialog;
using setup::frmSetup;

namespace {

QColor TextColour(const QWidget *label)
{
    return label->palette().color(QPalette::WindowText);
}

QColor BackColour(const QWidget *label)
{
    return label->palette().color(QPalette::Window);
}

} // namespace

// The font and colour buttons: what their dialogs start from, what they store, and the
// samples that show it.
class TstSetupFonts : public QObject
{
    Q_OBJECT

    // What the last dialog started from, and how to answer it.
    struct Seen
    {
        int shown = 0;
        CommonDialog::Kind kind = CommonDialog::Kind::Color;
        CommonDialog start;
    } m_seen;
    std::function<bool(CommonDialog &)> m_answer;
    MessageRecorder m_messages;

private Q_SLOTS:
    void init()
    {
        BeginDialogTest(m_messages);
        m_seen = {};
        m_answer = [](CommonDialog &) { return false; };
        CommonDialog::SetResponder([this](CommonDialog &dialog, CommonDialog::Kind kind) {
            ++m_seen.shown;
            m_seen.kind = kind;
            m_seen.start = dialog;
            return m_answer(dialog);
        });
    }

    void cleanup()
    {
        CommonDialog::SetResponder({});
        EndDialogTest();
    }

    void fontDialogsStartFromTheDefaults()
    {
        frmSetup dialog;
        dialog.cmdFormat_Click(0);
        QCOMPARE(m_seen.kind, CommonDialog::Kind::Font);
        QCOMPARE(m_seen.start.Flags, 259);
        QCOMPARE(m_seen.start.FontName, QStringLiteral("Arial"));
        QCOMPARE(m_seen.start.FontSize, 14.0f);
        QCOMPARE(m_seen.start.Color, 255);
        QVERIFY(m_seen.start.FontBold);
        QVERIFY(!m_seen.start.FontItalic && !m_seen.start.FontStrikethru &&
                !m_seen.start.FontUnderline);

        dialog.cmdFormat_Click(1);
        QCOMPARE(m_seen.start.Color, 65535);
        QCOMPARE(m_seen.start.FontName, QStringLiteral("Arial"));

        dialog.cmdBackground_Click();
        QCOMPARE(m_seen.kind, CommonDialog::Kind::Color);
        QCOMPARE(m_seen.start.Flags, 1);
        QCOMPARE(m_seen.start.Color, 0);
        QVERIFY(StoreFileBytes().isEmpty());
    }

    void fontDialogStartsFromTheStoredLine()
    {
        testing::Store("TextFontName1", QStringLiteral("DejaVu Serif"));
        testing::Store("TextFontSize1", QStringLiteral("10.5"));
        testing::Store("TextFontColor1", QStringLiteral("1193046"));
        testing::Store("TextFontBold1", QStringLiteral("0"));
        testing::Store("TextFontUnderline1", QStringLiteral("-1"));
        testing::Store("TextFontColor", QStringLiteral("99")); // never a key of its own
        frmSetup dialog;
        QTest::mouseClick(dialog.cmdFormat[1], Qt::LeftButton);
        QCOMPARE(m_seen.shown, 1);
        QCOMPARE(m_seen.start.FontName, QStringLiteral("DejaVu Serif"));
        QCOMPARE(m_seen.start.FontSize, 10.5f);
        QCOMPARE(m_seen.start.Color, 1193046);
        QVERIFY(!m_seen.start.FontBold);
        QVERIFY(m_seen.start.FontUnderline);
    }

    void chosenFontIsStoredAndShownAtOnce()
    {
        m_answer = [](CommonDialog &chosen) {
            chosen.FontSize = 20;
            chosen.FontItalic = true;
            chosen.Color = 65280;
            return true;
        };
        frmSetup dialog;
        const int sampleSize = Child(dialog, "lblSampleDate")->font().pointSize();
        QTest::mouseClick(dialog.cmdFormat[1], Qt::LeftButton);
        QCOMPARE(Stored("TextFontName1"), QStringLiteral("Arial"));
        QCOMPARE(Stored("TextFontSize1"), QStringLiteral("20"));
        QCOMPARE(Stored("TextFontColor1"), QStringLiteral("65280"));
        QCOMPARE(Stored("TextFontBold1"), QStringLiteral("True"));
        QCOMPARE(Stored("TextFontItalic1"), QStringLiteral("True"));
        QCOMPARE(Stored("TextFontStrikethru1"), QStringLiteral("False"));
        QCOMPARE(Stored("TextFontUnderline1"), QStringLiteral("False"));
        QCOMPARE(Stored("TextFontSize0"), QStringLiteral("<missing>"));

        const QWidget *sample = Child(dialog, "lblSampleDate");
        QVERIFY(sample->font().italic());
        QCOMPARE(TextColour(sample), QColor(0, 255, 0));
        QCOMPARE(sample->font().pointSize(), sampleSize);
        QCOMPARE(TextColour(Child(dialog, "lblSampleText")), QColor(255, 0, 0));
    }

    void fractionalSizeIsStoredAsTyped()
    {
        m_answer = [](CommonDialog &chosen) {
            chosen.FontSize = 10.5f;
            chosen.FontName = QStringLiteral("Liberation Serif");
            chosen.FontStrikethru = true;
            return true;
        };
        frmSetup dialog;
        dialog.cmdFormat_Click(0);
        QCOMPARE(Stored("TextFontSize0"), QStringLiteral("10.5"));
        QCOMPARE(Stored("TextFontName0"), QStringLiteral("Liberation Serif"));
        QVERIFY(Child(dialog, "lblSampleText")->font().strikeOut());
        QCOMPARE(Child(dialog, "lblSampleText")->font().family(),
                 QStringLiteral("Liberation Serif"));
    }

    // Stored at once: Cancel in the settings dialog afterwards does not take it back.
    void backgroundIsStoredAndStaysAfterCancel()
    {
        m_answer = [](CommonDialog &chosen) {
            chosen.Color = 0x800000; // navy
            return true;
        };
        frmSetup dialog;
        QTest::mouseClick(Child<QPushButton>(dialog, "cmdBackground"), Qt::LeftButton);
        QCOMPARE(Stored("Background"), QStringLiteral("8388608"));
        QCOMPARE(BackColour(Child(dialog, "lblSampleText")), QColor(0, 0, 128));
        QCOMPARE(BackColour(Child(dialog, "lblSampleDate")), QColor(0, 0, 128));
        dialog.cmdCancel_Click();
        QCOMPARE(Stored("Background"), QStringLiteral("8388608"));
    }

    // A cancelled dialog changes neither the store nor the samples, even when it
    // played with the values before cancelling.
    void cancelledDialogsChangeNothing()
    {
        testing::Store("TextFontSize0", QStringLiteral(" 14 "));
        m_answer = [](CommonDialog &dialog) {
            dialog.Color = 0xFFFFFF;
            return false;
        };
        frmSetup dialog;
        const QByteArray before = StoreFileBytes();
        dialog.cmdFormat_Click(0);
        dialog.cmdBackground_Click();
        QCOMPARE(m_seen.shown, 2);
        QCOMPARE(StoreFileBytes(), before);
        QCOMPARE(TextColour(Child(dialog, "lblSampleText")), QColor(255, 0, 0));
        QCOMPARE(BackColour(Child(dialog, "lblSampleText")), QColor(0, 0, 0));
    }

    // A stored value that cannot be read ends the procedure before its dialog.
    void unreadableValuesShowNoDialog_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("button"); // -1: the background colour
        QTest::newRow("size") << "TextFontSize0"
                              << "big" << 0;
        QTest::newRow("colour") << "TextFontColor1"
                                << "yellow" << 1;
        QTest::newRow("underline") << "TextFontUnderline1"
                                   << "yes" << 1;
        QTest::newRow("background") << "Background"
                                    << "1e99" << -1;
    }

    void unreadableValuesShowNoDialog()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(int, button);
        testing::Store(key, stored);
        m_answer = [](CommonDialog &) { return true; };
        frmSetup dialog;
        const QByteArray before = StoreFileBytes();
        if (button < 0)
            dialog.cmdBackground_Click();
        else
            dialog.cmdFormat_Click(button);
        QCOMPARE(m_seen.shown, 0);
        QCOMPARE(StoreFileBytes(), before);
    }
};

LUMIDEX_REGISTER_TEST(TstSetupFonts)
#include "tst_setupfonts.moc"
