#include "TestSupport.h"

#include "Version.h"
#include "dialogs/about/frmAbout.h"
#include "platform/Documents.h"
#include "platform/MessageBox.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using about::frmAbout;

// The About box, with the desktop's opener and the message boxes answered by the test.
class TstAbout : public QObject
{
    Q_OBJECT

    QList<QUrl> m_opened;
    QList<platform::MessageBoxRequest> m_messages;

    static QPushButton *Button(frmAbout &dialog, const char *name)
    {
        return dialog.findChild<QPushButton *>(QLatin1String(name));
    }
    static QLabel *Label(frmAbout &dialog, const char *name)
    {
        return dialog.findChild<QLabel *>(QLatin1String(name));
    }

public Q_SLOTS:
    // Stands in for the desktop's program for local files.
    void openFile(const QUrl &url) { m_opened << url; }

private Q_SLOTS:
    void init()
    {
        m_opened.clear();
        m_messages.clear();
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openFile");
        platform::SetMessageBoxResponder([this](const platform::MessageBoxRequest &request) {
            m_messages << request;
            return platform::MsgAnswer::Ok;
        });
    }
    void cleanup()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        platform::SetMessageBoxResponder({});
    }

    void texts()
    {
        frmAbout dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("About Lumidex ScreenSaver"));
        QCOMPARE(Label(dialog, "lblTitle")->text(), QStringLiteral("Lumidex ScreenSaver"));
        QCOMPARE(Label(dialog, "lblVersion")->text(), QStringLiteral("Version " LUMIDEX_VERSION));
        QCOMPARE(Label(dialog, "lblDescription")->text(),
                 QStringLiteral("Use this screen saver to count down to a specific date. The date "
                                "is calculated by subtracting the Current Date from the Future "
                                "Date. The Target Text will be displayed when the Future Date is "
                                "reached."));
        QVERIFY(Label(dialog, "lblAddress")->text().contains(QStringLiteral("vantrel")));
        // Another build's version numbers.
        QCOMPARE(about::VersionLine(3, 1, 7), QStringLiteral("Version 3.1.7"));
        QCOMPARE(about::VersionLine(10, 0, 12), QStringLiteral("Version 10.0.12"));
    }

    // A fixed box centred on the screen, the 200 x 100 logo stretched into its place.
    void window()
    {
        frmAbout dialog;
        QCOMPARE(dialog.size(), QSize(497, 437));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QVERIFY(!(dialog.windowFlags() & Qt::WindowMinMaxButtonsHint));
        const QPoint offCentre =
            dialog.frameGeometry().center() - dialog.screen()->geometry().center();
        QVERIFY(offCentre.manhattanLength() <= 1);

        const QLabel *image = Label(dialog, "Image2");
        QCOMPARE(image->size(), QSize(148, 68));
        QVERIFY(image->hasScaledContents());
        const QImage logo = image->pixmap().toImage();
        QCOMPARE(logo.size(), QSize(200, 100));
        QImage blank(logo.size(), logo.format());
        blank.fill(logo.pixel(0, 0));
        QVERIFY(logo != blank);
    }

    // Nothing is cut off in the dialog's own font.
    void textsFit()
    {
        frmAbout dialog;
        for (const char *name : {"lblTitle", "lblVersion", "lblAddress"}) {
            const QLabel *label = Label(dialog, name);
            const QFontMetrics metrics(label->font());
            QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width(), name);
            QVERIFY2(metrics.height() <= label->height(), name);
        }
        const QLabel *description = Label(dialog, "lblDescription");
        QVERIFY(description->wordWrap());
        const QRect needed = QFontMetrics(description->font())
                                 .boundingRect(QRect(0, 0, description->width(), 1000),
                                               Qt::TextWordWrap, description->text());
        QVERIFY(needed.height() <= description->height());
    }

    // OK is the default and the cancel button, whichever button has the focus; Enter on
    // "View Read Me" must not open the read-me.
    void keysClose_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("focus");
        for (const char *focus : {"cmdOK", "cmdViewReadMe"}) {
            const QString name = QLatin1String(focus);
            QTest::newRow(qPrintable("Escape on " + name)) << int(Qt::Key_Escape) << name;
            QTest::newRow(qPrintable("Return on " + name)) << int(Qt::Key_Return) << name;
            QTest::newRow(qPrintable("Enter on " + name)) << int(Qt::Key_Enter) << name;
        }
    }
    void keysClose()
    {
        QFETCH(int, key);
        QFETCH(QString, focus);
        frmAbout dialog;
        dialog.setReadMePath(QStringLiteral(LUMIDEX_BUILT_READ_ME));
        dialog.open();
        QPushButton *focused = dialog.findChild<QPushButton *>(focus);
        focused->setFocus();
        QTest::keyClick(focused, Qt::Key(key));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(m_opened.isEmpty());
        QVERIFY(m_messages.isEmpty());
    }

    // The read-me opens, or the user is told why not; the box stays open either way.
    void viewReadMe_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("opener");
        QTest::addColumn<bool>("opened");
        const QString built = QStringLiteral(LUMIDEX_BUILT_READ_ME);
        QTest::newRow("opened") << built << true << true;
        QTest::newRow("missing") << built + QStringLiteral(".gone/Read Me.txt") << true << false;
        QTest::newRow("no opener") << built << false << false;
    }
    void viewReadMe()
    {
        QFETCH(QString, path);
        QFETCH(bool, opener);
        QFETCH(bool, opened);
        if (!opener) {
            if (QGuiApplication::platformName() != QLatin1String("offscreen"))
                QSKIP("only the offscreen platform is known to have no opener");
            QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression(QStringLiteral("does not support")));
        }
        frmAbout dialog;
        dialog.setReadMePath(path);
        dialog.open();
        QTest::mouseClick(Button(dialog, "cmdViewReadMe"), Qt::LeftButton);
        QVERIFY(dialog.isVisible());
        if (opened) {
            QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(path)});
            QVERIFY(QFileInfo(m_opened[0].toLocalFile()).isFile());
            QVERIFY(m_messages.isEmpty());
            return;
        }
        QVERIFY(m_opened.isEmpty());
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_messages[0].text.contains(path));
        QCOMPARE(m_messages[0].icon, platform::MsgIcon::Exclamation);
    }

    // The program finds the copy the build made, and an installed program its installed one.
    void readMeLocation()
    {
        QCOMPARE(frmAbout().readMePath(), platform::InstalledReadMe());
        const QString built = platform::ReadMeBeside(QStringLiteral(LUMIDEX_PROGRAM_DIR));
        QCOMPARE(built, QDir::cleanPath(QStringLiteral(LUMIDEX_BUILT_READ_ME)));
        QVERIFY(QFileInfo(built).isFile());
        QCOMPARE(platform::ReadMeBeside(QStringLiteral("/nowhere/usr/bin")),
                 QStringLiteral("/nowhere/usr/share/doc/lumidex/ReadMe.txt"));
    }

    // An installation: the program in libexec/xscreensaver/, bin/ beside it.
    void readMeInstalled()
    {
        QTemporaryDir prefix;
        QVERIFY(prefix.isValid());
        const QString root = prefix.path();
        const QString hacks = root + QStringLiteral("/libexec/xscreensaver");
        const QString bin = root + QStringLiteral("/bin");
        const QString readMe = root + QStringLiteral("/share/doc/lumidex/ReadMe.txt");
        QVERIFY(QDir().mkpath(hacks));
        QVERIFY(QDir().mkpath(bin));
        // Not installed yet: the usual place is named.
        QCOMPARE(platform::ReadMeBeside(hacks),
                 root + QStringLiteral("/libexec/share/doc/lumidex/ReadMe.txt"));
        QVERIFY(QDir().mkpath(QFileInfo(readMe).path()));
        QFile file(readMe);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QCOMPARE(platform::ReadMeBeside(hacks), readMe);
        QCOMPARE(platform::ReadMeBeside(bin), readMe);
        // A read-me beside libexec/ itself comes first.
        const QString nearer = root + QStringLiteral("/libexec/share/doc/lumidex/ReadMe.txt");
        QVERIFY(QDir().mkpath(QFileInfo(nearer).path()));
        QFile other(nearer);
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.close();
        QCOMPARE(platform::ReadMeBeside(hacks), nearer);
    }

    // Only files are handed on, under their own names however unusual.
    void openWithDefaultViewer()
    {
        QTemporaryDir folder;
        QVERIFY(!platform::OpenWithDefaultViewer(folder.path()));
        const QString path =
            folder.path() + QStringLiteral("/Lumidex Screensaver/L\u00e9ame #1.txt");
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(platform::OpenWithDefaultViewer(path));
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(m_opened[0].toLocalFile(), path);
    }
};

LUMIDEX_REGISTER_TEST(TstAbout)
#include "tst_about.moc"
