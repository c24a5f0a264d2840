#pragma once

#include "dialogs/DialogWithoutKeyButtons.h"

#include <array>
#include <functional>
#include <memory>

class QLabel;

namespace Ui {
class frmBrowse;
}

namespace browse {

// The image browser: one of the built-in pictures on "List Images", or a picture file
// with a preview and a size factor on "File Images". OK stores the choice of the tab
// that shows; Cancel stores nothing.
//
// The procedures live in one file per tab: frmBrowse.cpp (the dialog, "List Images",
// OK, Cancel and "Do Not Use File Image"), frmBrowseFiles.cpp (drive, folder and file
// lists and the preview), frmBrowseSize.cpp (the size factor).
class frmBrowse : public dialogs::DialogWithoutKeyButtons
{
    Q_OBJECT

public:
    // pictureChosen runs after OK has stored the choice: the settings dialog redraws its
    // picture line from the run's values.
    explicit frmBrowse(std::function<void()> pictureChosen, QWidget *parent = nullptr);
    ~frmBrowse() override;

    void Form_Load();
    void SSTab1_Click();
    void imgPhotos_Click(int Index);
    void lblPhotos_Click(int Index);
    void imgPhotos_DblClick(int Index);
    void lblPhotos_DblClick(int Index);
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdNoImage_Click();

    void Drives1_Change();
    void Dir1_Change();
    void flbFiles_Click();
    void flbFiles_DblClick();
    void ShowPreview(QString &Folder, QString &Name);
    void ClearPreview();

    void spnSize_Change();
    void ApplySizeFactor();
    void CheckScreenFit();

    // The control arrays of "List Images", by index 1 to 9 (element 0 unused).
    std::array<QLabel *, 10> imgPhotos{};
    std::array<QLabel *, 10> lblPhotos{};

    // The dialog's own values; flags are -1 true, 0 false.
    qint16 SelectedIndex = 0;
    QString PreviewFolder;
    QString PreviewName;
    qint16 Updating = 0;
    qint16 FitsScreen = -1;
    qint16 PictureWidth = 0;  // natural width in twips / 12
    qint16 PictureHeight = 0; // natural height in twips / 12
    qint16 SizeFactor = 0;

    // The drive, folder and file lists as the procedures use them.
    QString CurrentDrive() const;               // the drive list's text
    void SetCurrentDrive(const QString &drive); // raises Drives1_Change on a change
    QString CurrentFolder() const;              // the folder list's full path
    // Raises Dir1_Change on a change. PermissionDenied when this user may not list the
    // folder, which then shows empty; the caller tells the user.
    int SetCurrentFolder(const QString &folder);
    void PointFileListAt(const QString &folder);
    QString SelectedFileName() const; // empty when no file is selected

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ConnectListTab();
    void ConnectFileTab();
    void PlaceTabPagesLikeTheTabControl();
    void LoadListImagesTab();
    void MoveMark(int key);
    void DrawGridFocus();
    // The failure that stopped the loading, 0 when none; the caller reports it.
    int LoadFileImagesTab();
    void OpenFolder(const QString &folder); // says so when it cannot be listed
    // ShowPreview's work: the failure number that left the preview empty, 0 when none.
    int PreviewPicture(QString &Folder, const QString &Name);
    void MarkLabel(int index, bool marked);

    std::unique_ptr<Ui::frmBrowse> ui;
    std::function<void()> m_pictureChosen;
};

} // namespace browse
