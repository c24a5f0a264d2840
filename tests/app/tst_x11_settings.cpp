#include "TestSupport.h"
#include "X11Tools.h"

#include "platform/Store.h"

#include <QProcess>
#include <QTest>

namespace {

using namespace testing;

void ReplaceTextWith(const QString &window, const QString &text)
{
    XDoTool({"key", "--window", window, "ctrl+a", "BackSpace"});
    XDoTool({"type", "--window", window, "--delay", "20", text});
}

// Where the boxes and OK sit in the dialog's form.
constexpr QPoint TitleBox(8 + 72 + 20, 12 + 24 + 9);
constexpr QPoint DateBox(8 + 72 + 20, 12 + 80 + 9);
constexpr QPoint OkButton(316 + 30, 436 + 12);

} // namespace

// The settings dialog as a person uses it: typed into on a real X server, then read by
// the countdown program.
class TstX11Settings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typedSettingsReachTheCountdown()
    {
        testing::ClearStore();
        QProcess dialog;
        dialog.start(QStringLiteral(LUMIDEX_BINARY), {"/c"});
        const QString window =
            XDoTool({"search", "--sync", "--name", "^Lumidex ScreenSaver Settings  - v 2\\.2$"});
        QVERIFY2(!window.isEmpty(), "the settings dialog did not appear");
        XDoTool({"windowfocus", "--sync", window});

        ClickAt(window, TitleBox);
        ReplaceTextWith(window, QStringLiteral("Moon landing"));
        ClickAt(window, DateBox);
        ReplaceTextWith(window, QStringLiteral("2030-06-15"));
        ClickAt(window, OkButton);

        QVERIFY(dialog.waitForFinished(10000));
        QCOMPARE(dialog.exitCode(), 0);
        QCOMPARE(platform::GetSetting(platform::SettingsSection, "Title", {}),
                 QStringLiteral("Moon landing"));
        QCOMPARE(platform::GetSetting(platform::SettingsSection, "Date", {}),
                 QStringLiteral("2030-06-15"));

        QProcess countdown;
        countdown.start(QStringLiteral(COUNTDOWN_BINARY), {"--today", "2026-12-06"});
        QVERIFY(countdown.waitForFinished(10000));
        QCOMPARE(QString::fromUtf8(countdown.readAllStandardOutput()),
                 QStringLiteral("Moon landing\n 3 years  6 months  9 days!\n"));
    }
};

LUMIDEX_REGISTER_TEST(TstX11Settings)
#include "tst_x11_settings.moc"
