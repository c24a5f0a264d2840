// "File Images": the drive, folder and file lists and the preview of the chosen file.

#include "dialogs/browse/SizeFactor.h"
#include "dialogs/browse/frmBrowse.h"
#include "ui_frmBrowse.h"

#include "core/Conversions.h"
#include "core/Twips.h"
#include "dialogs/EnterKey.h"
#include "platform/Drives.h"
#include "platform/MessageBox.h"
#include "platform/Pictures.h"
#include "settings/PictureSize.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

namespace browse {

namespace {

const QString FilePattern = QStringLiteral("*.jpg;*.bmp;*.wmf;*.gif");
// The open folder of the folder list and the folder the file list shows.
const char *const FolderProperty = "folderPath";
// A folder list entry's full path, and its depth below "/".
constexpr int PathRole = Qt::UserRole;
constexpr int LevelRole = Qt::UserRole + 1;
// A drive list entry's current folder: choosing the drive again opens it.
constexpr int DriveFolderRole = Qt::UserRole;

// Shifts each folder list entry right by its depth, so the list reads as a tree.
class IndentingDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static constexpr int IndentPixels = 10;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem indented(option);
        indented.rect.setLeft(option.rect.left() + Indent(index));
        QStyledItemDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(Indent(index), 0);
    }

private:
    static int Indent(const QModelIndex &index)
    {
        return index.data(LevelRole).toInt() * IndentPixels;
    }
};

// A stored or typed folder as an absolute, clean Linux path; a folder relative to
// nothing lies under "/".
QString AbsoluteFolder(const QString &folder)
{
    QString path = QDir::cleanPath(platform::LinuxFolder(folder));
    if (!path.startsWith(u'/'))
        path.prepend(u'/');
    return path;
}

QString ChildPath(const QString &folder, const QString &name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

// A folder that has gone (or was never there) opens its nearest existing ancestor.
QString ExistingFolder(QString path)
{
    while (path != u'/' && !QFileInfo(path).isDir())
        path = QFileInfo(path).path();
    return path;
}

void AddFolderEntry(QListWidget *list, const QString &text, const QString &path, int level,
                    const QIcon &icon)
{
    auto *entry = new QListWidgetItem(icon, text, list);
    entry->setData(PathRole, path);
    entry->setData(LevelRole, level);
}

// The open folder's ancestors from "/", the folder itself, then its subfolders.
void ListFolders(QListWidget *list, const QString &folder)
{
    const QSignalBlocker quiet(list);
    list->clear();
    const QIcon open = list->style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = list->style()->standardIcon(QStyle::SP_DirClosedIcon);
    AddFolderEntry(list, QStringLiteral("/"), QStringLiteral("/"), 0, open);
    QString path = QStringLiteral("/");
    const QStringList names = folder.split(u'/', Qt::SkipEmptyParts);
    for (const QString &name : names) {
        path = ChildPath(path, name);
        AddFolderEntry(list, name, path, list->count(), open);
    }
    list->setCurrentRow(list->count() - 1);
    const QStringList subfolders = QDir(folder).entryList(
        QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString &name : subfolders)
        AddFolderEntry(list, name, ChildPath(folder, name), int(names.size()) + 1, closed);
}

// The roots mounted now; a drive still there keeps its current folder and its selection.
void ListDrives(QComboBox *drives)
{
    const QSignalBlocker quiet(drives);
    QHash<QString, QVariant> currentFolders;
    for (int i = 0; i < drives->count(); ++i)
        currentFolders.insert(drives->itemText(i), drives->itemData(i, DriveFolderRole));
    const QString current = drives->currentText();
    drives->clear();
    for (const QString &root : platform::DriveRoots())
        drives->addItem(root, currentFolders.value(root));
    drives->setCurrentIndex(current.isEmpty() ? -1 : drives->findText(current));
}

QStringList DriveTexts(const QComboBox *drives)
{
    QStringList roots;
    for (int i = 0; i < drives->count(); ++i)
        roots.append(drives->itemText(i));
    return roots;
}

int PixelsOf(int twips)
{
    return qMax(1, core::ToPixels(twips));
}

void ReportFailure(int number)
{
    platform::ReportFailure(core::MakeFailure(number));
}

} // namespace

void frmBrowse::ConnectFileTab()
{
    ui->Dir1->setItemDelegate(new IndentingDelegate(ui->Dir1));
    ListDrives(ui->Drives1);
    ui->spnSize->setRange(settings::SmallestSizeFactor, settings::LargestSizeFactor);
    ui->spnSize->setEnabled(false);
    connect(ui->Drives1, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            Drives1_Change();
    });
    connect(ui->Dir1, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *entry) { OpenFolder(entry->data(PathRole).toString()); });
    dialogs::OnEnter(*ui->Dir1, [this] {
        if (const QListWidgetItem *entry = ui->Dir1->currentItem())
            OpenFolder(entry->data(PathRole).toString());
    });
    connect(ui->flbFiles, &QListWidget::itemSelectionChanged, this, [this] { flbFiles_Click(); });
    connect(ui->flbFiles, &QListWidget::itemDoubleClicked, this, [this] { flbFiles_DblClick(); });
    connect(ui->spnSize, &HorizontalUpDown::valueChanged, this, [this] { spnSize_Change(); });
}

QString frmBrowse::CurrentDrive() const
{
    return ui->Drives1->currentText();
}

void frmBrowse::SetCurrentDrive(const QString &drive)
{
    if (ui->Drives1->count() == 0)
        ListDrives(ui->Drives1);
    const QString root = platform::RootOf(platform::DriveFolder(drive), DriveTexts(ui->Drives1));
    ui->Drives1->setCurrentIndex(ui->Drives1->findText(root));
}

QString frmBrowse::CurrentFolder() const
{
    return ui->Dir1->property(FolderProperty).toString();
}

int frmBrowse::SetCurrentFolder(const QString &folder)
{
    const QString path = ExistingFolder(AbsoluteFolder(folder));
    const bool changed = path != CurrentFolder();
    ui->Dir1->setProperty(FolderProperty, path);
    // Listed again even when unchanged: a double click on a folder that has gone since
    // then shows the list as it now is.
    ListFolders(ui->Dir1, path);
    if (changed)
        Dir1_Change();
    return platform::ListingDenied(path) ? core::PermissionDenied : 0;
}

void frmBrowse::OpenFolder(const QString &folder)
{
    if (const int failure = SetCurrentFolder(folder))
        ReportFailure(failure);
}

// Lists the folder's picture files afresh, none selected.
void frmBrowse::PointFileListAt(const QString &folder)
{
    QListWidget *files = ui->flbFiles;
    const QSignalBlocker quiet(files);
    files->clear();
    files->setProperty(FolderProperty, folder);
    // Name filters match regardless of case: *.jpg also lists PHOTO.JPG.
    QDir dir(AbsoluteFolder(folder), QString(), QDir::Name | QDir::IgnoreCase | QDir::LocaleAware,
             QDir::Files);
    dir.setNameFilters(FilePattern.split(u';'));
    // QDir::Files keeps a link to a device or a FIFO: only regular files are pictures.
    for (const QFileInfo &entry : dir.entryInfoList()) {
        if (entry.isFile())
            files->addItem(entry.fileName());
    }
}

QString frmBrowse::SelectedFileName() const
{
    const QList<QListWidgetItem *> selected = ui->flbFiles->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void frmBrowse::Drives1_Change()
{
    const int drive = ui->Drives1->currentIndex();
    const QString folder = ui->Drives1->itemData(drive, DriveFolderRole).toString();
    const int failure = SetCurrentFolder(folder.isEmpty() ? ui->Drives1->itemText(drive) : folder);
    ClearPreview();
    if (failure)
        ReportFailure(failure);
}

void frmBrowse::Dir1_Change()
{
    const QString folder = CurrentFolder();
    // The drive remembers the folder: choosing it again later reopens this one. Following
    // the folder is no change of drive by the user, whose handling would only open this
    // folder again (and tell a second time that it cannot be listed).
    const int drive = ui->Drives1->findText(platform::RootOf(folder, DriveTexts(ui->Drives1)));
    ui->Drives1->setItemData(drive, folder, DriveFolderRole);
    {
        const QSignalBlocker quiet(ui->Drives1);
        SetCurrentDrive(folder);
    }
    PointFileListAt(folder);
    ClearPreview();
}

void frmBrowse::flbFiles_Click()
{
    if (Updating)
        return;
    // The file list already shows the open folder: its selection stays.
    PreviewFolder = CurrentFolder();
    PreviewName = SelectedFileName();
    ShowPreview(PreviewFolder, PreviewName);
}

void frmBrowse::flbFiles_DblClick()
{
    const QString chosen = SelectedFileName();
    flbFiles_Click();
    // A file that could not be shown has given way to the stored choice: nothing to confirm.
    if (SelectedFileName() == chosen)
        cmdOK_Click();
}

// A file clicked in the list has no failure handling of its own. One that cannot be shown
// says why, and the tab goes back to the stored choice: OK then stores that choice again,
// never the file that failed nor an empty name.
void frmBrowse::ShowPreview(QString &Folder, QString &Name)
{
    const int failure = PreviewPicture(Folder, Name);
    if (!failure)
        return;
    ReportFailure(failure);
    LoadFileImagesTab(); // quietly: one message for one click
}

int frmBrowse::PreviewPicture(QString &Folder, const QString &Name)
{
    if (!Folder.endsWith(u'/') && !Folder.endsWith(u'\\'))
        Folder += u'/';
    ClearPreview();
    if (Name.isEmpty())
        return 0; // no file: the empty preview is all there is to show
    const core::Converted<QImage> loaded =
        platform::LoadPicture(platform::PicturePath(Folder, Name));
    if (!loaded.ok())
        return loaded.failure.number;
    const QImage &image = *loaded.value;
    const QSize natural = image.size() * core::TwipsPerPixel;
    const core::Converted<qint16> width = settings::ToUnits(natural.width());
    const core::Converted<qint16> height = settings::ToUnits(natural.height());
    if (!width.ok() || !height.ok())
        return core::Overflow;

    ui->txtCurImage->setText(Name);
    PictureWidth = *width.value;
    PictureHeight = *height.value;
    const PreviewFit fit = FitPreview(natural);
    QLabel *picture = ui->imgPreview;
    if (fit.reduced) {
        // Scaled once here, not at every paint, and the large picture is let go.
        const QSize shown(PixelsOf(fit.twips.width()), PixelsOf(fit.twips.height()));
        picture->setPixmap(QPixmap::fromImage(
            image.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
        picture->setScaledContents(true);
        picture->resize(shown);
    } else {
        picture->setPixmap(QPixmap::fromImage(image));
        picture->setScaledContents(false);
        picture->resize(image.size());
    }
    ui->lblPreview->setText(PreviewCaption(PictureWidth, PictureHeight, fit.reduced));
    picture->show();
    picture->update();
    ui->spnSize->setEnabled(true);
    return 0;
}

void frmBrowse::ClearPreview()
{
    QLabel *picture = ui->imgPreview;
    picture->hide();
    picture->resize(ui->fraPreview->size());
    picture->setScaledContents(false);
    picture->clear();
    ui->lblPreview->setText(QStringLiteral("Preview"));
    ui->txtCurImage->setText(QStringLiteral("No Image"));
    SizeFactor = 0;
    ui->spnSize->setValue(0);
    // Also when the up-down already stood at 0 and so reported no change.
    ui->lblSize->setText(SizeCaption(SizeFactor));
    ui->spnSize->setEnabled(false);
}

int frmBrowse::LoadFileImagesTab()
{
    namespace key = settings::key;
    const int failure = [this]() -> int {
        ListDrives(ui->Drives1); // volumes come and go between loadings
        SetCurrentDrive(settings::ReadText(key::ImageDrive));
        const QString folder = AbsoluteFolder(settings::ReadText(key::ImagePath));
        if (!QFileInfo(folder).isDir())
            return core::PathNotFound;
        if (const int number = SetCurrentFolder(folder))
            return number;
        PreviewName = settings::ReadText(key::ImageName);
        ui->fraPreview->setFrameShape(QFrame::NoFrame);
        ui->txtCurImage->setText(PreviewName);
        PreviewFolder = CurrentFolder();
        PointFileListAt(PreviewFolder);
        if (PreviewName.isEmpty()) {
            ClearPreview(); // no file stored: the empty preview, whose size factor is 0
            return 0;
        }
        if (const int number = PreviewPicture(PreviewFolder, PreviewName))
            return number;

        const core::Converted<qint16> size = core::ToWhole16(settings::ReadText(key::ImageSize));
        if (!size.ok())
            return size.failure.number;
        SizeFactor = *size.value;
        ui->spnSize->setValue(SizeFactor);
        ui->lblSize->setText(SizeCaption(SizeFactor)); // also when the value did not change

        // Only the stored file is selected; when the list does not hold it, none is.
        Updating = -1;
        const QListWidget *files = ui->flbFiles;
        for (int i = 0; i < files->count(); ++i) {
            if (files->item(i)->text() == PreviewName) {
                ui->flbFiles->setCurrentRow(i);
                ui->flbFiles->scrollToItem(files->item(i));
                break;
            }
        }
        Updating = 0;
        return 0;
    }();
    if (failure == 0)
        return 0;

    ui->flbFiles->clearSelection();
    if (failure == core::PathNotFound) {
        SetCurrentFolder(QStringLiteral("c:\\"));
        PointFileListAt(CurrentFolder());
        ClearPreview();
        return 0;
    }
    return failure;
}

} // namespace browse
