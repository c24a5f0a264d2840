#include "dialogs/browse/frmBrowse.h"

#include "ui_frmBrowse.h"

#include "assets/BuiltInPictures.h"
#include "dialogs/EnterKey.h"
#include "dialogs/SavedOrTold.h"
#include "platform/MessageBox.h"
#include "platform/Store.h"
#include "settings/Settings.h"
#include "state/modGeneral.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStyleOptionTabWidgetFrame>

namespace browse {

using modGeneral::State;

namespace {

const QString PrecedenceMessage =
    QStringLiteral("File Images take precedence over List Images. "
                   "To use List Images you must make sure there is no File Image is selected. "
                   "Click 'Do Not Use File Image' button on the File Images Tab.");

// The tab numbers DefaultTab holds.
constexpr qint16 ListImagesTab = 0;
constexpr qint16 FileImagesTab = 1;
constexpr int GridColumns = 3;

bool IsPictureIndex(int index)
{
    return index >= 1 && index <= assets::BuiltInPictureCount;
}

// The index of a control in one of the arrays, or 0 when it is not there.
int IndexIn(const std::array<QLabel *, 10> &controls, const QObject *control)
{
    for (int index = 1; index <= assets::BuiltInPictureCount; ++index)
        if (controls[static_cast<std::size_t>(index)] == control)
            return index;
    return 0;
}

// Where the tab control puts its pages. It lays them out only once it is shown, so this
// asks its style the way the tab control itself will.
QPoint PageCorner(const QTabWidget &tabs)
{
    struct Access : QTabWidget
    {
        using QTabWidget::initStyleOption;
    };
    QStyleOptionTabWidgetFrame option;
    (tabs.*&Access::initStyleOption)(&option);
    return tabs.style()->subElementRect(QStyle::SE_TabWidgetTabContents, &option, &tabs).topLeft();
}

} // namespace

frmBrowse::frmBrowse(std::function<void()> pictureChosen, QWidget *parent)
    : DialogWithoutKeyButtons(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint |
                                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                          Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::frmBrowse>()), m_pictureChosen(std::move(pictureChosen))
{
    ui->setupUi(this);
    imgPhotos = {nullptr,        ui->imgPhotos1, ui->imgPhotos2, ui->imgPhotos3, ui->imgPhotos4,
                 ui->imgPhotos5, ui->imgPhotos6, ui->imgPhotos7, ui->imgPhotos8, ui->imgPhotos9};
    lblPhotos = {nullptr,        ui->lblPhotos1, ui->lblPhotos2, ui->lblPhotos3, ui->lblPhotos4,
                 ui->lblPhotos5, ui->lblPhotos6, ui->lblPhotos7, ui->lblPhotos8, ui->lblPhotos9};
    PlaceTabPagesLikeTheTabControl();
    ConnectListTab();
    ConnectFileTab();
    dialogs::EnterPressesFocusedButtons(*this);
    Form_Load();
}

frmBrowse::~frmBrowse() = default;

// The pages' controls are laid out from the tab control's own corner, tab captions
// included: moved onto the page below the captions, they keep their place on screen.
void frmBrowse::PlaceTabPagesLikeTheTabControl()
{
    const QPoint pageCorner = PageCorner(*ui->SSTab1);
    for (QWidget *page : {ui->tabListImages, ui->tabFileImages}) {
        for (QWidget *control : page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            control->move(control->pos() - pageCorner);
    }
}

// The form names the controls of the arrays one by one; the procedures know them as
// arrays, and tests find them by the array's name and their index.
void frmBrowse::ConnectListTab()
{
    for (int index = 1; index <= assets::BuiltInPictureCount; ++index) {
        for (auto *controls : {&imgPhotos, &lblPhotos}) {
            QLabel *control = (*controls)[static_cast<std::size_t>(index)];
            control->setObjectName(controls == &imgPhotos ? QStringLiteral("imgPhotos")
                                                          : QStringLiteral("lblPhotos"));
            control->setProperty("Index", index);
            control->installEventFilter(this);
        }
    }
    // The grid is one control to the keyboard: Tab reaches it, the arrow keys move the
    // mark, Enter confirms as a double click does.
    ui->tabListImages->setFocusPolicy(Qt::StrongFocus);
    ui->tabListImages->installEventFilter(this);
    dialogs::OnEnter(*ui->tabListImages, [this] { imgPhotos_DblClick(SelectedIndex); });
    connect(ui->SSTab1, &QTabWidget::currentChanged, this, [this] { SSTab1_Click(); });
    connect(ui->cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(ui->cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(ui->cmdNoImage, &QPushButton::clicked, this, [this] { cmdNoImage_Click(); });
}

// Labels have no click signals: their mouse presses arrive here, as do the grid's keys
// and paints.
bool frmBrowse::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->tabListImages) {
        const int key = event->type() == QEvent::KeyPress ? static_cast<QKeyEvent *>(event)->key()
                                                          : Qt::Key_unknown;
        if (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up ||
            key == Qt::Key_Down) {
            MoveMark(key);
            return true;
        }
        if (event->type() == QEvent::Paint)
            DrawGridFocus();
        else if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
            ui->tabListImages->update();
        return QDialog::eventFilter(watched, event);
    }
    const bool press = event->type() == QEvent::MouseButtonPress;
    const bool doubleClick = event->type() == QEvent::MouseButtonDblClick;
    if ((!press && !doubleClick) || static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
        return QDialog::eventFilter(watched, event);

    if (const int index = IndexIn(imgPhotos, watched)) {
        doubleClick ? imgPhotos_DblClick(index) : imgPhotos_Click(index);
        return true;
    }
    if (const int index = IndexIn(lblPhotos, watched)) {
        doubleClick ? lblPhotos_DblClick(index) : lblPhotos_Click(index);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmBrowse::Form_Load()
{
    const platform::StoreReading reading;
    ui->imgCheckMark->setPixmap(QPixmap::fromImage(assets::CheckMark()));
    ui->imgCheckMark->show();
    ui->lblMessage->setText(PrecedenceMessage);

    const qint16 tab = State.DefaultTab;
    if (tab == ListImagesTab || tab == FileImagesTab) {
        // Showing the tab from here is not the user's tab change: the tab loads once below.
        const QSignalBlocker quiet(ui->SSTab1);
        ui->SSTab1->setCurrentIndex(tab);
    }
    if (tab == ListImagesTab) {
        LoadListImagesTab();
    } else if (tab == FileImagesTab) {
        if (const int failure = LoadFileImagesTab())
            platform::ReportFailure(core::MakeFailure(failure));
    }
}

void frmBrowse::LoadListImagesTab()
{
    // The store never yields an index outside the list; the run's value might.
    SelectedIndex = IsPictureIndex(State.ImageIndex) ? State.ImageIndex : 1;
    for (int index = 1; index <= assets::BuiltInPictureCount; ++index) {
        const auto element = static_cast<std::size_t>(index);
        imgPhotos[element]->setPixmap(QPixmap::fromImage(assets::BuiltInPicture(index)));
        lblPhotos[element]->setText(assets::BuiltInPictureTag(index));
        MarkLabel(index, index == SelectedIndex);
    }
}

// Left and right in reading order, up and down by a row; at the grid's edge they stop.
void frmBrowse::MoveMark(int key)
{
    const int step = key == Qt::Key_Left    ? -1
                     : key == Qt::Key_Right ? 1
                     : key == Qt::Key_Up    ? -GridColumns
                                            : GridColumns;
    imgPhotos_Click(SelectedIndex + step);
    ui->tabListImages->update();
}

// Around the marked picture and its name, while the grid has the keyboard.
void frmBrowse::DrawGridFocus()
{
    QWidget *grid = ui->tabListImages;
    if (!grid->hasFocus() || !IsPictureIndex(SelectedIndex))
        return;
    const auto element = static_cast<std::size_t>(SelectedIndex);
    QStyleOptionFocusRect option;
    option.initFrom(grid);
    option.rect = imgPhotos[element]->geometry().united(lblPhotos[element]->geometry());
    option.rect.adjust(-3, -3, 3, 3);
    QPainter painter(grid);
    grid->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, grid);
}

void frmBrowse::MarkLabel(int index, bool marked)
{
    if (!IsPictureIndex(index))
        return;
    QLabel *label = lblPhotos[static_cast<std::size_t>(index)];
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, marked ? QColor(0, 0, 255) : QColor(0, 0, 0));
    label->setPalette(palette);
    QFont font = label->font();
    font.setBold(marked);
    label->setFont(font);
}

void frmBrowse::SSTab1_Click()
{
    State.DefaultTab = static_cast<qint16>(ui->SSTab1->currentIndex());
    Form_Load();
}

void frmBrowse::imgPhotos_Click(int Index)
{
    if (!IsPictureIndex(Index))
        return;
    MarkLabel(SelectedIndex, false);
    SelectedIndex = static_cast<qint16>(Index);
    MarkLabel(Index, true);
}

void frmBrowse::lblPhotos_Click(int Index)
{
    imgPhotos_Click(Index);
}

void frmBrowse::imgPhotos_DblClick(int Index)
{
    imgPhotos_Click(Index);
    cmdOK_Click();
}

void frmBrowse::lblPhotos_DblClick(int Index)
{
    imgPhotos_DblClick(Index);
}

// Stores the choice of the tab that shows; the other source's stored values stay.
void frmBrowse::cmdOK_Click()
{
    namespace key = settings::key;
    settings::KeyTexts texts;
    if (State.DefaultTab == ListImagesTab) {
        texts = {{key::ImageIndex, QString::number(SelectedIndex)},
                 {key::ImageTag, assets::BuiltInPictureTag(SelectedIndex)}};
    } else if (State.DefaultTab == FileImagesTab) {
        texts = {{key::ImageSize, QString::number(SizeFactor)},
                 {key::ImageDrive, CurrentDrive()},
                 {key::ImagePath, CurrentFolder()},
                 {key::ImageName, SelectedFileName()}};
    }
    texts.append({key::DefaultTab, QString::number(State.DefaultTab)});
    if (!dialogs::SavedOrTold(settings::WriteTexts(texts)))
        return;
    if (State.DefaultTab == ListImagesTab) {
        State.ImageIndex = SelectedIndex;
        State.ImageTag = assets::BuiltInPictureTag(State.ImageIndex);
    } else if (State.DefaultTab == FileImagesTab) {
        State.ImageSize = SizeFactor;
        State.ImageName = SelectedFileName();
    }
    if (m_pictureChosen)
        m_pictureChosen();
    accept();
}

void frmBrowse::cmdCancel_Click()
{
    reject();
}

// The root folder holds no chosen file: OK then stores an empty file name, and the
// built-in picture is used from then on.
void frmBrowse::cmdNoImage_Click()
{
    SetCurrentFolder(QStringLiteral("c:\\"));
    PointFileListAt(CurrentFolder());
    ClearPreview();
    cmdOK_Click();
}

} // namespace browse
