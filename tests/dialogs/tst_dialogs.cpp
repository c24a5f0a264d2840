#include "PictureBytes.h"
#include "WindowTestSupport.h"

#include "Version.h"
#include "dialogs/about/frmAbout.h"
#include "dialogs/browse/SizeFactor.h"
#include "dialogs/browse/frmBrowse.h"
#include "dialogs/calendar/frmCalendar.h"
#include "dialogs/setup/frmSetup.h"
#include "platform/Documents.h"
#include "platform/Store.h"
#include "settings/SettingKeys.h"
#include "state/modGeneral.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QComboBox>
#include <QDesktopServices>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <pwd.h>
#include <unistd.h>

using testing::Child;
using testing::List;
using testing::StoreAll;

// Dialogs are worked as by a person: steps on controls found by name, then what the
// controls show and what the store holds, each as "name=text".
namespace {

// The control a step names: "name", or "name index" for a member of a control array.
QWidget *Named(const QWidget &window, const QString &step)
{
    const QStringList parts = step.section(u'=', 0, 0).split(u' ');
    return Child(window, qPrintable(parts[0]), parts.value(1, QStringLiteral("-1")).toInt());
}

// Runs the step as user nobody: file modes do not bind root.
void AsNobody(const std::function<void()> &step)
{
    const passwd *nobody = ::getpwnam("nobody");
    const bool root = ::geteuid() == 0;
    if (root && (!nobody || ::setegid(nobody->pw_gid) != 0 || ::seteuid(nobody->pw_uid) != 0))
        qFatal("cannot act as nobody");
    step();
    if (root && (::seteuid(0) != 0 || ::setegid(0) != 0))
        qFatal("cannot act as root again");
}

// Clicks the control; "=text" types into a box, moves a slider or clicks a list item;
// ":Tab Return" gives it the focus and types those keys wherever the focus then is.
// "button>step>step" takes the further steps in the window the button opens;
// "nobody:step" takes the step as user nobody.
void Do(const QWidget &window, const QString &step)
{
    if (step.startsWith(u"nobody:"))
        return AsNobody([&] { Do(window, step.mid(7)); });
    if (step.contains(u':')) {
        Named(window, step.section(u':', 0, 0))->setFocus();
        for (const QString &key : step.section(u':', 1).split(u' '))
            QTest::keyClick(QApplication::focusWidget(), QKeySequence(key)[0].key());
        return;
    }
    if (step.contains(u'>')) {
        testing::OnNextModal([steps = step.split(u'>')](QWidget &modal) {
            for (const QString &next : steps.mid(1))
                Do(modal, next);
        });
        return Do(window, step.section(u'>', 0, 0));
    }
    QWidget *control = Named(window, step);
    const QString text = step.section(u'=', 1);
    if (auto *box = qobject_cast<QLineEdit *>(control)) {
        box->clear();
        QTest::keyClicks(box, text);
    } else if (auto *slider = qobject_cast<QSlider *>(control)) {
        slider->setValue(text.toInt());
    } else if (auto *list = qobject_cast<QListWidget *>(control)) {
        const QListWidgetItem *item = list->findItems(text, Qt::MatchExactly).value(0);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          item ? list->visualItemRect(item).center() : QPoint(-1, -1));
    } else {
        QTest::mouseClick(control, Qt::LeftButton);
    }
}

// What the window shows: a control's text, value or state, the window itself
// (by its own name) open or closed, and "marked": the names marked on "List Images".
QString Seen(const QWidget &window, const QString &name)
{
    if (name == window.objectName())
        return window.isVisible() ? QStringLiteral("open") : QStringLiteral("closed");
    if (name == u"marked") {
        QStringList marks; // blue and bold; only one of them shows as a fault
        for (int index = 1; index <= 9; ++index) {
            const QLabel *label = Child<QLabel>(window, "lblPhotos", index);
            const bool blue = label->palette().color(QPalette::WindowText) == QColor(Qt::blue);
            if (blue || label->font().bold())
                marks << QString::number(index) + (blue && label->font().bold() ? "" : "?");
        }
        return marks.join(u' ');
    }
    QWidget *control = Named(window, name);
    const auto *button = qobject_cast<QAbstractButton *>(control);
    for (const char *property : {"text", "value", "selectedDate", "folderPath"})
        if (!button && control->property(property).isValid())
            return control->property(property).toString();
    if (!control->isEnabled())
        return QStringLiteral("disabled");
    if (button && button->isCheckable())
        return button->isChecked() ? QStringLiteral("checked") : QStringLiteral("unchecked");
    return QStringLiteral("enabled");
}

// Each "name=text" with what the window shows now, or the store's section holds now
// ("<missing>" when nothing), to compare with the expected.
QStringList Now(const QStringList &expected, const QWidget *window,
                const QString &section = QStringLiteral("Settings"))
{
    QStringList now;
    for (const QString &pair : expected) {
        const QString name = pair.section(u'=', 0, 0);
        now << name + u'=' + (window ? Seen(*window, name) : testing::Stored(name, section));
    }
    return now;
}

} // namespace

// The settings dialog and the dialogs it opens, on 6 December 2026 in the C locale.
class TstDialogs : public QObject
{
    Q_OBJECT

    testing::MessageRecorder m_messages;
    std::unique_ptr<QTemporaryDir> m_folder; // the image browser's pictures
    QList<QUrl> m_opened;

public Q_SLOTS:
    void openFile(const QUrl &url) { m_opened << url; } // in place of the desktop's viewer

private Q_SLOTS:
    void init()
    {
        testing::ResetRun(QDate(2026, 12, 6));
        QLocale::setDefault(QLocale::c());
        m_messages.Install();
        m_opened.clear();
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openFile");
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(testing::TwoColours().save(m_folder->filePath("small.jpg")));
        QVERIFY(testing::TwoColours().scaled(400, 300).save(m_folder->filePath("Big.BMP")));
        QVERIFY(testing::WriteFile(m_folder->filePath("broken.Gif"), "not a picture"));
        // Open to all, but for a picture and a folder nobody but their owner may read.
        QVERIFY(QFile::copy(m_folder->filePath("small.jpg"), m_folder->filePath("locked.jpg")));
        QVERIFY(QDir(m_folder->path()).mkdir("locked"));
        QVERIFY(QFile::setPermissions(m_folder->path(), QFile::ReadOwner | QFile::WriteOwner |
                                                            QFile::ExeOwner | QFile::ExeOther) &&
                QFile::setPermissions(m_folder->filePath("locked.jpg"), {}) &&
                QFile::setPermissions(m_folder->filePath("locked"), QFile::ExeOther));
    }
    void cleanup()
    {
        setup::CommonDialog::SetResponder({});
        browse::SetScreenSizeTwips(std::nullopt);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QLocale::setDefault(QLocale::system());
        m_folder.reset();
        testing::ResetRun();
    }

    // A row a case: the dialog | the case | the settings stored | the steps | what the dialog
    // then shows | says ("<big>": the picture is larger than the screen) | stores, where none
    // means the store must not change | the side of the square screen in twips (small.jpg is
    // 600 x 456). Font and colour dialogs are confirmed.
    void dialogSteps_data()
    {
        testing::AddRows(R"(
frmSetup | defaults, unreadable ones too | Position=x; Direction=7; Speed=1e9; ImageUsed=-1;
    Restore=0 | - | lblSampleText=Enter Title Text; txtDate=1/1/2005; optPosition 0=checked;
    optDirection 0=checked; sldSpeed=5; chkDays=unchecked; chkImage=unchecked;
    lblCurImage=Image:; txtCurImage=No Image; cmdImage=disabled; cmdRestoreSettings=disabled;
    lblSampleDate=Completion phrase upon reaching target date.
frmSetup | stored | Title=Ünïcode; Date=2/8/2028; Position=1; Direction=1; Speed=9;
    IncludeDays=1; ImageUsed=1; ImageTag=Beach; Restore=True | - | lblSampleText=Ünïcode;
    optPosition 1=checked; optDirection 1=checked; optDirection 2=disabled;
    optDirection 3=disabled; sldSpeed=9; lblCurImage=List Image:; txtCurImage=Beach;
    cmdRestoreSettings=enabled; lblSampleDate= 1 year  2 months  2 days!   (429 days!)
frmSetup | file picture | ImageUsed=1; ImageName=my beach.JPG; ImageTag=Beach | -
    | lblCurImage=File Image:; txtCurImage=my beach.JPG; cmdImage=enabled
frmSetup | picture unticked | ImageUsed=1; ImageTag=Beach | chkImage
    | lblCurImage=Image:; txtCurImage=No Image; cmdImage=disabled
frmSetup | picture browsed | ImageUsed=1 | cmdImage>imgPhotos 3>cmdOK
    | lblCurImage=List Image:; txtCurImage=Candles | - | ImageIndex=3
frmSetup | typing | Date=2/8/2028 | txtTitle=Wedding; chkDays; txtDate=2029-03-04x
    | lblSampleText=Wedding; lblSampleDate= 1 year  2 months  2 days!   (429 days!);
    txtDateLong=Sunday, 4 March 2029
frmSetup | target typed | Date=2/8/2028 | txtTarget=Married! | lblSampleDate=Married!
frmSetup | OK, Random taking Downward and Upward away | Background=255
    | txtTitle=  Ready, "go"  ; txtDate=14 Feb 2031; txtTarget=; optDirection 3; optPosition 1;
    chkDays; chkImage; sldSpeed=10; CmdOK
    | frmSetup=closed; optDirection 0=checked; optDirection 3=disabled | -
    | Title=  Ready, "go"  ; Date=14 Feb 2031; Target=; Position=1; Direction=0; IncludeDays=1;
    ImageUsed=1; Speed=10; Background=255; ImageTag=<missing>
frmSetup | OK without a date | - | txtDate=soon; CmdOK; txtDate=2/30/2031; CmdOK
    | frmSetup=open | Not a proper date. Please try again.; Not a proper date. Please try again.
frmSetup | Cancel | Speed=3 | txtTitle=Typed; sldSpeed=8; cmdCancel | frmSetup=closed
frmSetup | OK, store not writable | - | txtTitle=Typed; nobody:CmdOK
    | frmSetup=open; txtTitle=Typed | <not saved>
frmSetup | Enter on a button only | - | txtTitle:Return; cmdCancel:Return | frmSetup=closed
frmSetup | unreadable: no dialog | TextFontSize0=1e99x; TextFontUnderline1=yes; Background=blue
    | cmdFormat 0; cmdFormat 1; cmdBackground
frmSetup | calendar OK: stored at once | - | txtTitle=Typed; cmdCalendar>cmdNextMonth>cmdOK
    | txtDate=2/1/2005; lblSampleText=Enter Title Text | - | Date=2/1/2005; Title=<missing>
List Images | marks the run's picture | ImageIndex=4 | - | marked=4
List Images | a click moves the mark | ImageIndex=4 | imgPhotos 3; lblPhotos 9; cmdOK
    | marked=9 | - | ImageIndex=9; ImageTag=Wedding Cake; DefaultTab=0
List Images | outside the list | - | cmdOK | marked=1 | - | ImageIndex=1; ImageTag=Logo
File Images | Enter on a button only | - | flbFiles:Return; cmdCancel:Return | frmBrowse=closed
File Images | fits | - | flbFiles=small.jpg
    | lblPreview=Preview - Actual Size 50 x 38; txtCurImage=small.jpg; spnSize=enabled
File Images | big | - | flbFiles=Big.BMP | lblPreview=Preview - (Reduced) - Actual Size 500 x 375
File Images | broken: back to the stored | ImageName=small.jpg; ImageSize=3
    | flbFiles=broken.Gif; cmdOK | txtCurImage=small.jpg; lblSize=Increase 3 times
    | Error Number: 481\r\nInvalid picture | ImageName=small.jpg; ImageSize=3
File Images | broken, none stored | - | flbFiles=broken.Gif | lblPreview=Preview;
    txtCurImage=No Image; spnSize=disabled | Error Number: 481\r\nInvalid picture
File Images | unreadable picture | - | nobody:flbFiles=locked.jpg | txtCurImage=No Image
    | Error Number: 70\r\nPermission denied
File Images | Enter opens a folder | - | Dir1=locked; Dir1:Return | flbFiles=<folder>/locked
File Images | unreadable folder | - | Dir1=locked; nobody:Dir1:Return
    | Dir1=<folder>/locked | Error Number: 70\r\nPermission denied
List Images | Tab, arrows to the edges, Enter | ImageIndex=5
    | SSTab1:Tab Up Up Right Down Down Down Return | marked=9; frmBrowse=closed | -
    | ImageIndex=9; ImageTag=Wedding Cake
File Images | stored file gone | ImageName=gone.jpg | -
    | lblPreview=Preview; txtCurImage=No Image | Error Number: 53\r\nFile not found
File Images | OK, stored file | ImageName=small.jpg; ImageSize=3 | cmdOK | lblSize=Increase 3 times
    | - | ImageName=small.jpg; ImagePath=<folder>; ImageSize=3; DefaultTab=1
File Images | OK on another file | ImageName=small.jpg; ImageSize=3 | flbFiles=Big.BMP; cmdOK
    | - | - | ImageName=Big.BMP; ImageSize=0
File Images | Do Not Use File Image | ImageName=small.jpg | cmdNoImage | - | -
    | ImageName=; ImagePath=/; ImageSize=0; DefaultTab=1
File Images | Cancel | ImageName=small.jpg | flbFiles=Big.BMP; cmdCancel | frmBrowse=closed
File Images | OK, store not writable | ImageName=small.jpg | flbFiles=Big.BMP; nobody:cmdOK
    | frmBrowse=open | <not saved>
File Images | up from 0 skips 1 | ImageName=small.jpg | rightArrow; cmdOK
    | lblSize=Increase 2 times | - | ImageSize=2
File Images | down from 0 skips -1 | ImageName=small.jpg | leftArrow; cmdOK
    | lblSize=Decrease 2 times | - | ImageSize=-2
File Images | down from 2 skips 1 | ImageName=small.jpg; ImageSize=2 | leftArrow; cmdOK
    | lblSize=Use Actual Size | - | ImageSize=0
File Images | x6 too wide | ImageName=small.jpg; ImageSize=5 | rightArrow; cmdOK
    | lblSize=Increase 5 times | <big> | ImageSize=5 | 3000
File Images | back from x2 skips 1 | ImageName=small.jpg; ImageSize=2 | cmdOK
    | lblSize=Use Actual Size | <big> | ImageSize=0 | 1000
File Images | stops at /10 | ImageName=small.jpg; ImageSize=-2 | cmdOK | lblSize=Decrease 10 times
    | <big>; <big>; <big>; <big>; <big>; <big>; <big>; <big>; <big> | ImageSize=-10 | 10
frmCalendar | no date: today | - | - | Calendar=2026-12-06
frmCalendar | 31 Jan + month | Date=2005-01-31 | cmdNextMonth | Calendar=2005-02-28
frmCalendar | 31 Jan + month, leap | Date=2024-01-31 | cmdNextMonth | Calendar=2024-02-29
frmCalendar | 31 Mar - month | Date=2005-03-31 | cmdPrevMonth | Calendar=2005-02-28
frmCalendar | 29 Feb + year | Date=2024-02-29 | cmdNextYear | Calendar=2025-02-28
frmCalendar | past the last year | Date=9999-06-15 | cmdNextYear | Calendar=9999-12-31
frmCalendar | Cancel | Date=1/1/2005 | cmdNextMonth; cmdCancel | frmCalendar=closed
frmCalendar | OK, store not writable | Date=1/1/2005 | cmdNextMonth; nobody:cmdOK
    | frmCalendar=open; Calendar=2005-02-01 | <not saved>
frmCalendar | Enter on a button only | Date=1/1/2005 | Calendar:Return; cmdNextMonth:Return
    | Calendar=2005-02-01; frmCalendar=open
)");
    }
    void dialogSteps()
    {
        QFETCH(QStringList, row);
        const QString dialog = row[0];
        const QStringList seen = List(row, 4).replaceInStrings("<folder>", m_folder->path());
        const QStringList written = List(row, 6).replaceInStrings("<folder>", m_folder->path());
        browse::SetScreenSizeTwips(QSize(1, 1) * row.value(7, QStringLiteral("15360")).toInt());
        setup::CommonDialog::SetResponder([](auto &, auto) { return true; });
        if (dialog == "File Images")
            testing::Store(QStringLiteral("ImagePath"), m_folder->path());
        StoreAll(List(row, 2));
        const QByteArray before = testing::StoreBytes();
        // Start-up puts these in the run's values, where the image browser reads them.
        modGeneral::State.ImageIndex = qint16(testing::Stored("ImageIndex").toInt());
        modGeneral::State.DefaultTab = dialog == "File Images" ? 1 : 0;
        QLineEdit date(testing::Stored("Date")); // the settings dialog's date box
        const std::unique_ptr<QDialog> window(
            dialog == "frmSetup"      ? static_cast<QDialog *>(new setup::frmSetup)
            : dialog == "frmCalendar" ? static_cast<QDialog *>(new calendar::frmCalendar(date))
                                      : new browse::frmBrowse(nullptr));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        for (const QString &step : List(row, 3))
            Do(*window, step);
        QCOMPARE(Now(seen, window.get()), seen);
        // Nobody may not even look into the test's folder of settings.
        const QString notSaved = "The settings could not be saved in " +
                                 platform::StoreFilePath() + ":\r\nPermission denied";
        const QString big = "The Image Size you have selected will be larger than\r\nyour "
                            "Screen Size. It will be automatically sized to fit.";
        QCOMPARE(
            m_messages.Texts(),
            List(row, 5).replaceInStrings("<not saved>", notSaved).replaceInStrings("<big>", big));
        if (written.isEmpty())
            QCOMPARE(testing::StoreBytes(), before);
        else
            QCOMPARE(Now(written, nullptr), written);
    }

    // Save, Restore and Defaults ask first, and No changes nothing. Yes copies every setting
    // to [Previous] and back, a missing one as its default; Defaults leaves [Previous] alone.
    void setupSnapshots()
    {
        QStringList saved;
        for (const settings::SettingKey &key : settings::SnapshotKeys())
            if (key.name != u"TextFontSize1")
                saved << key.name + '=' + key.name + " saved";
        StoreAll(saved + QStringList{"Restore=True"});
        setup::frmSetup dialog;
        const QByteArray before = testing::StoreBytes();
        m_messages.asked.clear();
        m_messages.answer = platform::MsgAnswer::No;
        for (const char *button : {"cmdSaveSettings", "cmdRestoreSettings", "cmdDefaults"})
            Do(dialog, button);
        QCOMPARE(m_messages.asked.size(), 3);
        QCOMPARE(m_messages.asked[0].buttons, platform::MsgButtons::YesNo);
        QCOMPARE(testing::StoreBytes(), before);

        m_messages.answer = platform::MsgAnswer::Yes;
        Do(dialog, "cmdSaveSettings");
        StoreAll({"Title=changed", "TextFontSize1=20", "DefaultTab=changed"});
        Do(dialog, "cmdRestoreSettings");
        saved << "TextFontSize1=14";
        QCOMPARE(Now(saved, nullptr), saved);
        Do(dialog, "cmdDefaults");
        const QStringList defaults{"Title=Enter Title Text", "TextFontName0=Arial",
                                   "TextFontColor1=65535", "ImagePath=c:\\", "Restore=False"};
        QCOMPARE(Now(defaults, nullptr), defaults);
        QCOMPARE(Now(saved, nullptr, QStringLiteral("Previous")), saved);
        QCOMPARE(Seen(dialog, "txtTitle"), QStringLiteral("Enter Title Text"));
    }

    // Through the real dialogs: what they confirm is stored on its own keys at once.
    void setupFontsAndColours_data()
    {
        testing::AddRows(R"(
cmdFormat 1 | confirmed | TextFontName1=DejaVu Sans; TextFontSize1=20; TextFontBold1=False;
    TextFontItalic1=True; TextFontUnderline1=True; TextFontColor1=65280; TextFontName0=<missing>
cmdFormat 0 | cancelled | TextFontName0=<missing>; TextFontSize0=<missing>
cmdBackground | confirmed | Background=65280; TextFontColor0=<missing>
)");
    }
    void setupFontsAndColours()
    {
        QFETCH(QStringList, row);
        const QStringList written = List(row, 2);
        setup::frmSetup dialog;
        dialog.show();
        testing::OnNextModal([confirm = row[1] == u"confirmed"](QWidget &modal) {
            if (auto *colours = qobject_cast<QColorDialog *>(&modal)) {
                colours->setCurrentColor(Qt::green);
            } else {
                QFont font(QStringLiteral("DejaVu Sans"), 20, QFont::Normal, true);
                font.setUnderline(true);
                Child<QFontDialog>(modal, "fontPanel")->setCurrentFont(font);
                Child<QComboBox>(modal, "cboColour")->setCurrentText(QStringLiteral("Lime"));
            }
            static_cast<QDialog &>(modal).done(confirm ? QDialog::Accepted : QDialog::Rejected);
        });
        Do(dialog, row[0]);
        QCOMPARE(Now(written, nullptr), written);
    }

    // A window manager writes the caption bold, with buttons beside it: each box is wide
    // enough for both, however short its text.
    void messageBoxShowsItsCaption()
    {
        platform::SetMessageBoxResponder({});
        int width = 0;
        testing::OnNextModal([&width](QWidget &box) {
            width = box.width();
            static_cast<QDialog &>(box).done(0);
        });
        platform::MsgBox(QStringLiteral("No."));
        QFont bold = QApplication::font();
        bold.setBold(true);
        const QFontMetrics metrics(bold);
        const int buttons = 3 * metrics.height();
        QVERIFY(width >= metrics.horizontalAdvance(platform::ApplicationTitle) + buttons);
    }

    // The About box's version and read-me: named when missing, opened when there (Enter on
    // the button too, the box staying open), and found one level up from bin/ or two from
    // libexec/xscreensaver/.
    void aboutBox()
    {
        about::frmAbout box;
        box.show();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        QCOMPARE(Seen(box, "lblVersion"), QStringLiteral("Version " LUMIDEX_VERSION));
        const QDir root(m_folder->path());
        const QString readMe = root.filePath(QStringLiteral("share/doc/lumidex/ReadMe.txt"));
        QVERIFY(root.mkpath("bin") && root.mkpath("libexec/xscreensaver"));
        QCOMPARE(platform::ReadMeBeside(root.filePath("bin")), readMe);
        box.setReadMePath(readMe);
        Do(box, "cmdViewReadMe");
        QVERIFY(root.mkpath(QFileInfo(readMe).path()) && QFile(readMe).open(QIODevice::WriteOnly));
        QCOMPARE(platform::ReadMeBeside(root.filePath("libexec/xscreensaver")), readMe);
        Do(box, "cmdViewReadMe:Return");
        QVERIFY(box.isVisible());
        QCOMPARE(m_messages.Texts(),
                 QStringList{"The read-me file could not be opened:\n" + readMe});
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(readMe)});
    }
};

LUMIDEX_REGISTER_TEST(TstDialogs)
#include "tst_dialogs.moc"
