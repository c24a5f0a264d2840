#include "PictureBytes.h"
#include "TestSupport.h"
#include "setup/SetupTestSupport.h"

#include "state/modGeneral.h"
#include "dialogs/browse/HorizontalUpDown.h"
#include "dialogs/browse/SizeFactor.h"
#include "dialogs/browse/frmBrowse.h"
#include "settings/SettingKeys.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtEndian>
#include <unistd.h>

using browse::frmBrowse;
using setuptest::Child;
using setuptest::Text;
namespace key = settings::key;

namespace {

bool WritePicture(const QString &path, QSize size, const char *format = "jpg")
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(40, 120, 200));
    return image.save(path, format);
}

bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// As a person does it: the item scrolled into sight, then the mouse.
void DoubleClick(QListWidget *list, QListWidgetItem *item)
{
    list->window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(list->window()));
    list->scrollToItem(item);
    const QPoint at = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

QStringList Files(const frmBrowse &dialog)
{
    QStringList names;
    const auto *files = Child<QListWidget>(dialog, "flbFiles");
    for (int i = 0; i < files->count(); ++i)
        names << files->item(i)->text();
    return names;
}

// What a person sees of the preview and the size factor.
QStringList Preview(const frmBrowse &dialog)
{
    return {Text(dialog, "txtCurImage"),
            Text(dialog, "lblPreview"),
            Child<QLabel>(dialog, "imgPreview")->isHidden() ? "hidden" : "shown",
            Child(dialog, "spnSize")->isEnabled() ? "size on" : "size off",
            Text(dialog, "lblSize"),
            QStringLiteral("factor %1").arg(dialog.SizeFactor)};
}

const QStringList EmptyPreview = {"No Image", "Preview",         "hidden",
                                  "size off", "Use Actual Size", "factor 0"};

QStringList Messages(const setuptest::MessageRecorder &recorder)
{
    QStringList texts;
    for (const platform::MessageBoxRequest &request : recorder.asked)
        texts << request.text;
    return texts;
}

const QString TooLarge = QStringLiteral("The Image Size you have selected will be larger than\r\n"
                                        "your Screen Size. It will be automatically sized to fit.");

} // namespace

class BrowseFilesTest : public QObject
{
    Q_OBJECT

    setuptest::MessageRecorder messages;
    std::unique_ptr<QTemporaryDir> pictures;

    QString In(const QString &name) const { return pictures->filePath(name); }

    // The File Images tab opened on a stored choice, as the settings dialog opens it.
    std::unique_ptr<frmBrowse> Open(const QString &folder, const QString &name,
                                    const QString &size = QStringLiteral("0"))
    {
        testing::Store(key::ImagePath, folder);
        testing::Store(key::ImageName, name);
        testing::Store(key::ImageSize, size);
        modGeneral::State.DefaultTab = 1;
        return std::make_unique<frmBrowse>([] {});
    }

private Q_SLOTS:
    void init();
    void cleanup();
    void storedPictureShowsFittedToFrame_data();
    void storedPictureShowsFittedToFrame();
    void loadingFailures_data();
    void loadingFailures();
    void storedFileOutsideListSelectsNothing();
    void folderChangeEmptiesPreview();
    void rootFolderGetsNoSecondSeparator();
    void listedNamesPreviewOnClick();
    void badPicturesLeaveEmptyPreview_data();
    void badPicturesLeaveEmptyPreview();
    void vanishedFolders();
    void unreadableFolder();
    void largeFolder();
    void sizeFactorSteps();
    void tooLargeFactorStepsBack_data();
    void tooLargeFactorStepsBack();
    void doubleClickChooses();
};

void BrowseFilesTest::init()
{
    setuptest::BeginDialogTest(messages);
    pictures = std::make_unique<QTemporaryDir>();
    browse::SetScreenSizeTwips(QSize(15360, 11520));
}

void BrowseFilesTest::cleanup()
{
    browse::SetScreenSizeTwips(std::nullopt);
    setuptest::EndDialogTest();
    pictures.reset();
}

void BrowseFilesTest::storedPictureShowsFittedToFrame_data()
{
    QTest::addColumn<QSize>("pixels");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("shown"); // pixels of the picture control
    QTest::newRow("fits") << QSize(200, 150) << "Preview - Actual Size 250 x 188"
                          << QSize(200, 150);
    QTest::newRow("just fits") << QSize(248, 252) << "Preview - Actual Size 310 x 315"
                               << QSize(248, 252);
    // 3735 twips: wider than the 3732 of the frame, though the frame is 249 pixels.
    QTest::newRow("just too wide")
        << QSize(249, 252) << "Preview - (Reduced) - Actual Size 311 x 315" << QSize(246, 253);
    QTest::newRow("wide") << QSize(400, 300) << "Preview - (Reduced) - Actual Size 500 x 375"
                          << QSize(249, 190);
    QTest::newRow("square") << QSize(300, 300) << "Preview - (Reduced) - Actual Size 375 x 375"
                            << QSize(249, 253);
    QTest::newRow("tall") << QSize(150, 400) << "Preview - (Reduced) - Actual Size 188 x 500"
                          << QSize(93, 253);
}

void BrowseFilesTest::storedPictureShowsFittedToFrame()
{
    QFETCH(QSize, pixels);
    QFETCH(QString, caption);
    QFETCH(QSize, shown);
    QVERIFY(WritePicture(In("a.bmp"), pixels, "bmp"));
    QVERIFY(WritePicture(In("pic.jpg"), pixels));
    testing::Store(key::ImageDrive, QStringLiteral("c"));
    const auto dialog = Open(pictures->path(), "pic.jpg");

    QCOMPARE(dialog->CurrentDrive(), QStringLiteral("/"));
    QCOMPARE(dialog->CurrentFolder(), pictures->path());
    QCOMPARE(Files(*dialog), QStringList({"a.bmp", "pic.jpg"}));
    QCOMPARE(dialog->SelectedFileName(), QStringLiteral("pic.jpg"));
    QCOMPARE(Preview(*dialog),
             QStringList({"pic.jpg", caption, "shown", "size on", "Use Actual Size", "factor 0"}));
    const auto *picture = Child<QLabel>(*dialog, "imgPreview");
    QCOMPARE(picture->size(), shown);
    QCOMPARE(picture->hasScaledContents(), shown != pixels);
    QCOMPARE(picture->pixmap().size(), shown);
    QVERIFY(messages.asked.isEmpty());
}

void BrowseFilesTest::loadingFailures_data()
{
    QTest::addColumn<QString>("folder"); // under the pictures folder
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QStringList>("said");
    QTest::addColumn<bool>("previewed");
    QTest::newRow("folder gone") << "gone"
                                 << "pic.jpg"
                                 << "3" << QStringList() << false;
    QTest::newRow("file gone") << ""
                               << "gone.jpg"
                               << "3" << QStringList{"Error Number: 53\r\nFile not found"} << false;
    QTest::newRow("not a picture")
        << ""
        << "empty.jpg"
        << "3" << QStringList{"Error Number: 481\r\nInvalid picture"} << false;
    QTest::newRow("size not a number")
        << ""
        << "pic.jpg"
        << "big" << QStringList{"Error Number: 13\r\nType mismatch"} << true;
    QTest::newRow("size beyond 16 bits")
        << ""
        << "pic.jpg"
        << "40000" << QStringList{"Error Number: 6\r\nOverflow"} << true;
    QTest::newRow("no file stored") << ""
                                    << ""
                                    << "3" << QStringList() << false;
}

// Every failure stops the loading with the preview's size factor at 0 and nothing
// selected; only a missing folder falls back to the root, and without a word.
void BrowseFilesTest::loadingFailures()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, size);
    QFETCH(QStringList, said);
    QFETCH(bool, previewed);
    QVERIFY(WritePicture(In("pic.jpg"), QSize(200, 150)));
    QVERIFY(WriteBytes(In("empty.jpg"), {}));
    const auto dialog = Open(In(folder), name, size);

    QCOMPARE(Messages(messages), said);
    for (const platform::MessageBoxRequest &request : messages.asked) {
        QCOMPARE(request.icon, platform::MsgIcon::None);
        QCOMPARE(request.buttons, platform::MsgButtons::Ok);
        QCOMPARE(request.title, platform::ApplicationTitle);
    }
    QCOMPARE(dialog->CurrentFolder(), folder == "gone" ? "/" : pictures->path());
    QCOMPARE(dialog->SelectedFileName(), QString());
    if (previewed)
        QCOMPARE(Preview(*dialog).mid(0, 4),
                 QStringList({name, "Preview - Actual Size 250 x 188", "shown", "size on"}));
    else
        QCOMPARE(Preview(*dialog), EmptyPreview);
    QCOMPARE(dialog->SizeFactor, 0);
}

// A picture the list does not offer (another extension, a hidden file) still shows, and
// no listed file is selected in its place.
void BrowseFilesTest::storedFileOutsideListSelectsNothing()
{
    for (const char *name : {"a.jpg", "b.jpg", "photo.jpeg", ".hidden.jpg"})
        QVERIFY(WritePicture(In(name), QSize(200, 150)));
    for (const char *stored : {"photo.jpeg", ".hidden.jpg"}) {
        const auto dialog = Open(pictures->path(), stored, "2");
        QCOMPARE(Files(*dialog), QStringList({"a.jpg", "b.jpg"}));
        QCOMPARE(dialog->SelectedFileName(), QString());
        QCOMPARE(Preview(*dialog).first(), QString::fromLatin1(stored));
        QCOMPARE(dialog->SizeFactor, 2);
    }
}

void BrowseFilesTest::folderChangeEmptiesPreview()
{
    QVERIFY(QDir(pictures->path()).mkpath("other/deeper"));
    QVERIFY(WritePicture(In("pic.jpg"), QSize(200, 150)));
    QVERIFY(WritePicture(In("other/b.gif.jpg"), QSize(20, 10)));
    QVERIFY(WritePicture(In("other/A.BMP"), QSize(20, 10), "bmp"));
    const auto dialog = Open(pictures->path(), "pic.jpg", "2");
    QCOMPARE(Preview(*dialog).last(), QStringLiteral("factor 2"));

    // Through the folder list, as a person opens a folder.
    auto *folders = Child<QListWidget>(*dialog, "Dir1");
    const QList<QListWidgetItem *> other = folders->findItems("other", Qt::MatchExactly);
    QCOMPARE(other.size(), 1);
    DoubleClick(folders, other.first());
    QCOMPARE(dialog->CurrentFolder(), In("other"));
    QCOMPARE(Preview(*dialog), EmptyPreview);
    QCOMPARE(Child(*dialog, "spnSize")->isEnabled(), false);
    QCOMPARE(Files(*dialog), QStringList({"A.BMP", "b.gif.jpg"}));
    QCOMPARE(dialog->SelectedFileName(), QString());
    // Ancestors down to the open folder, then its subfolder one level deeper.
    QCOMPARE(folders->item(0)->text(), QStringLiteral("/"));
    QCOMPARE(folders->currentItem()->text(), QStringLiteral("other"));
    QCOMPARE(folders->item(folders->count() - 1)->text(), QStringLiteral("deeper"));

    dialog->flbFiles_Click();
    Child<QListWidget>(*dialog, "flbFiles")->setCurrentRow(0);
    QCOMPARE(Preview(*dialog).first(), QStringLiteral("A.BMP"));
    dialog->Drives1_Change();
    QCOMPARE(Preview(*dialog), EmptyPreview);
}

void BrowseFilesTest::rootFolderGetsNoSecondSeparator()
{
    QVERIFY(WritePicture(In("pic.jpg"), QSize(200, 150)));
    const auto dialog = Open(pictures->path(), "");
    QString root = QStringLiteral("/");
    QString fromRoot = pictures->path().mid(1) + "/pic.jpg";
    dialog->ShowPreview(root, fromRoot);
    QCOMPARE(root, QStringLiteral("/"));
    QString folder = pictures->path();
    QString name = QStringLiteral("pic.jpg");
    dialog->ShowPreview(folder, name);
    QCOMPARE(folder, pictures->path() + '/');
    QCOMPARE(Preview(*dialog).first(), name);
    QVERIFY(messages.asked.isEmpty());
}

void BrowseFilesTest::listedNamesPreviewOnClick()
{
    const QStringList listed = {"My Photo.JPG", "it's \"quoted\".bmp", "Ünïcödé 日本.jpg",
                                "jpeg inside.gif", "x.WMF"};
    for (const QString &name : listed.mid(0, 4))
        QVERIFY(WritePicture(In(name), QSize(30, 20), name.endsWith(".bmp") ? "bmp" : "jpg"));
    QVERIFY(WriteBytes(In("x.WMF"), QByteArray("\xD7\xCD\xC6\x9A", 4)));
    QVERIFY(WritePicture(In("shot.png"), QSize(30, 20), "png"));
    QVERIFY(WriteBytes(In("notes.txt"), "text"));
    const auto dialog = Open(pictures->path(), "");
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QStringList shown = Files(*dialog);
    QStringList expected = listed;
    shown.sort();
    expected.sort();
    QCOMPARE(shown, expected); // *.JPG and *.WMF too, no PNG or text

    auto *files = Child<QListWidget>(*dialog, "flbFiles");
    for (const QString &name : listed.mid(0, 4)) {
        QListWidgetItem *item = files->findItems(name, Qt::MatchExactly).value(0);
        QVERIFY(item);
        files->scrollToItem(item);
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                          files->visualItemRect(item).center());
        QCOMPARE(Preview(*dialog).mid(0, 2),
                 QStringList({name, "Preview - Actual Size 38 x 25"})); // 37.5 to even
    }
    QVERIFY(messages.asked.isEmpty());
}

void BrowseFilesTest::badPicturesLeaveEmptyPreview_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QImage(300, 200, QImage::Format_RGB32).save(&buffer, "jpg");
    }
    QTest::newRow("zero bytes") << QByteArray();
    QTest::newRow("truncated") << jpeg.left(jpeg.size() / 2);
    QTest::newRow("text") << QByteArray("not a picture\n");
    QTest::newRow("20000 x 20000") << testing::BmpHeader(20000, 20000, false);
}

void BrowseFilesTest::badPicturesLeaveEmptyPreview()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(WritePicture(In("good.jpg"), QSize(200, 150)));
    QVERIFY(WriteBytes(In("bad.jpg"), bytes));
    const auto dialog = Open(pictures->path(), "good.jpg", "2");
    QElapsedTimer clock;
    clock.start();
    Child<QListWidget>(*dialog, "flbFiles")->setCurrentRow(Files(*dialog).indexOf("bad.jpg"));
    QVERIFY(clock.elapsed() < 2000);
    QCOMPARE(Messages(messages), QStringList{"Error Number: 481\r\nInvalid picture"});
    QCOMPARE(Preview(*dialog), EmptyPreview);
}

void BrowseFilesTest::vanishedFolders()
{
    QVERIFY(QDir(pictures->path()).mkpath("sub/inner"));
    QVERIFY(WritePicture(In("sub/pic.jpg"), QSize(20, 10)));
    const auto dialog = Open(In("sub"), "");
    auto *folders = Child<QListWidget>(*dialog, "Dir1");
    QListWidgetItem *inner = folders->findItems("inner", Qt::MatchExactly).value(0);
    QVERIFY(inner);
    QVERIFY(QDir(In("sub")).removeRecursively());

    // The list still offers the file and the subfolder of the folder that has gone.
    Child<QListWidget>(*dialog, "flbFiles")->setCurrentRow(0);
    QCOMPARE(Messages(messages), QStringList{"Error Number: 76\r\nPath not found"});
    QCOMPARE(Preview(*dialog), EmptyPreview);
    DoubleClick(folders, inner);
    QCOMPARE(dialog->CurrentFolder(), pictures->path());
    QCOMPARE(Files(*dialog), QStringList());
}

void BrowseFilesTest::unreadableFolder()
{
    if (geteuid() == 0)
        QSKIP("Permissions do not keep root out of a folder");
    QVERIFY(QDir(pictures->path()).mkpath("locked/inner"));
    QVERIFY(WritePicture(In("locked/pic.jpg"), QSize(20, 10)));
    QVERIFY(QFile::setPermissions(In("locked"), {}));
    const auto dialog = Open(In("locked"), "pic.jpg");
    QFile::setPermissions(In("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(dialog->CurrentFolder(), In("locked"));
    QCOMPARE(Files(*dialog), QStringList());
    QCOMPARE(Preview(*dialog), EmptyPreview);
}

void BrowseFilesTest::largeFolder()
{
    for (int i = 0; i < 5000; ++i)
        QVERIFY(WriteBytes(In(QStringLiteral("p%1.jpg").arg(i, 4, 10, QLatin1Char('0'))), {}));
    QVERIFY(WritePicture(In("zz.jpg"), QSize(20, 10)));
    QElapsedTimer clock;
    clock.start();
    const auto dialog = Open(pictures->path(), "zz.jpg");
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(Files(*dialog).size(), 5001);
    QCOMPARE(dialog->SelectedFileName(), QStringLiteral("zz.jpg"));
}

// The size factor steps by the arrows, skipping 1 and -1; an enlargement beyond the
// screen is said once and stepped back.
void BrowseFilesTest::sizeFactorSteps()
{
    QVERIFY(WritePicture(In("pic.jpg"), QSize(200, 150))); // 250 x 188 units
    const auto dialog = Open(pictures->path(), "pic.jpg", "5");
    auto *size = Child<browse::HorizontalUpDown>(*dialog, "spnSize");
    const auto click = [&](QToolButton *arrow) {
        QTest::mouseClick(arrow, Qt::LeftButton);
        return QStringLiteral("%1 %2 %3")
            .arg(dialog->SizeFactor)
            .arg(size->value())
            .arg(Text(*dialog, "lblSize"));
    };
    QCOMPARE(Text(*dialog, "lblSize"), QStringLiteral("Increase 5 times"));
    QCOMPARE(click(size->rightArrow()), QStringLiteral("5 5 Increase 5 times"));
    QCOMPARE(Messages(messages), QStringList{TooLarge});
    QCOMPARE(messages.asked.first().icon, platform::MsgIcon::Information);
    QCOMPARE(click(size->leftArrow()), QStringLiteral("4 4 Increase 4 times"));
    QCOMPARE(click(size->leftArrow()), QStringLiteral("3 3 Increase 3 times"));
    QCOMPARE(click(size->leftArrow()), QStringLiteral("2 2 Increase 2 times"));
    QCOMPARE(click(size->leftArrow()), QStringLiteral("0 0 Use Actual Size"));
    QCOMPARE(click(size->leftArrow()), QStringLiteral("-2 -2 Decrease 2 times"));
    QCOMPARE(click(size->rightArrow()), QStringLiteral("0 0 Use Actual Size"));
    QCOMPARE(messages.asked.size(), 1);
}

void BrowseFilesTest::tooLargeFactorStepsBack_data()
{
    QTest::addColumn<QSize>("pixels");
    QTest::addColumn<QSize>("screen"); // twips
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("said"); // messages
    QTest::addColumn<QString>("caption");
    QTest::newRow("x2 more than half the screen")
        << QSize(200, 150) << QSize(5000, 5000) << "2" << 1 << "Use Actual Size";
    QTest::newRow("/2 too large, /3 fits")
        << QSize(1920, 1440) << QSize(12000, 9000) << "-2" << 1 << "Decrease 3 times";
    // Nine factors from -2 to -10 are each too large; there the stepping ends.
    QTest::newRow("too large at /10")
        << QSize(200, 150) << QSize(100, 100) << "-2" << 9 << "Decrease 10 times";
    QTest::newRow("natural size never tested")
        << QSize(200, 150) << QSize(100, 100) << "1" << 0 << "Use Actual Size";
}

void BrowseFilesTest::tooLargeFactorStepsBack()
{
    QFETCH(QSize, pixels);
    QFETCH(QSize, screen);
    QFETCH(QString, stored);
    QFETCH(int, said);
    QFETCH(QString, caption);
    QVERIFY(WritePicture(In("pic.jpg"), pixels));
    browse::SetScreenSizeTwips(screen);
    const auto dialog = Open(pictures->path(), "pic.jpg", stored);
    QCOMPARE(messages.asked.size(), said);
    QCOMPARE(Text(*dialog, "lblSize"), caption);
    QCOMPARE(Child<browse::HorizontalUpDown>(*dialog, "spnSize")->value(), dialog->SizeFactor);
    QVERIFY(dialog->SizeFactor >= browse::SmallestFactor);
}

void BrowseFilesTest::doubleClickChooses()
{
    QVERIFY(WritePicture(In("one.jpg"), QSize(20, 10)));
    QVERIFY(WritePicture(In("two.jpg"), QSize(20, 10)));
    const auto dialog = Open(pictures->path(), "one.jpg", "3");
    auto *files = Child<QListWidget>(*dialog, "flbFiles");
    DoubleClick(files, files->item(1));
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(setuptest::Stored(key::ImageName), QStringLiteral("two.jpg"));
    QCOMPARE(setuptest::Stored(key::ImagePath), pictures->path());
    QCOMPARE(setuptest::Stored(key::ImageDrive), QStringLiteral("/"));
    QCOMPARE(setuptest::Stored(key::ImageSize), QStringLiteral("0"));
}

LUMIDEX_REGISTER_TEST(BrowseFilesTest)
#include "tst_browse_files.moc"
