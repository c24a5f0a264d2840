#include "TestSupport.h"

#include "app/Main.h"
#include "state/modGeneral.h"
#include "assets/BuiltInPictures.h"
#include "dialogs/browse/frmBrowse.h"
#include "platform/MessageBox.h"
#include "platform/Store.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

using browse::frmBrowse;

namespace {

QString Stored(const QString &key)
{
    // A default no key ever holds tells "missing" apart from every stored text.
    return platform::GetSetting(platform::SettingsSection, key, QStringLiteral("<missing>"));
}

bool StoreIsEmpty()
{
    QFile file(platform::StoreFilePath());
    return !file.exists() || file.size() == 0;
}

// An element of a control array, found as a person's tools would: by name and index.
QLabel *Element(const frmBrowse &dialog, const char *array, int index)
{
    for (QLabel *label : dialog.findChildren<QLabel *>(QString::fromLatin1(array)))
        if (label->property("Index").toInt() == index)
            return label;
    qFatal("The dialog has no %s(%d)", array, index);
    return nullptr;
}

QTabWidget *Tabs(const frmBrowse &dialog)
{
    return dialog.findChild<QTabWidget *>(QStringLiteral("SSTab1"));
}

QPushButton *Button(const frmBrowse &dialog, const char *name)
{
    return dialog.findChild<QPushButton *>(QString::fromLatin1(name));
}

// The indexes of the marked labels (blue and bold). A label that is only half marked
// is listed with a question mark, so a test sees it too.
QStringList Marks(const frmBrowse &dialog)
{
    QStringList marks;
    for (int index = 1; index <= assets::BuiltInPictureCount; ++index) {
        const QLabel *label = Element(dialog, "lblPhotos", index);
        const QColor colour = label->palette().color(QPalette::WindowText);
        const bool bold = label->font().bold();
        if (colour == QColor(0, 0, 255) && bold)
            marks << QString::number(index);
        else if (colour != QColor(0, 0, 0) || bold)
            marks << QString::number(index) + '?';
    }
    return marks;
}

bool ListTabIsEmpty(const frmBrowse &dialog)
{
    for (int index = 1; index <= assets::BuiltInPictureCount; ++index) {
        if (!Element(dialog, "lblPhotos", index)->text().isEmpty() ||
            !Element(dialog, "imgPhotos", index)->pixmap().isNull())
            return false;
    }
    return true;
}

} // namespace

// The dialog itself and its "List Images" tab: loading, marking, OK, Cancel and the keys
// that must not close it.
class TstBrowseList : public QObject
{
    Q_OBJECT

    int m_chosen = 0; // runs of the settings dialog's refresh
    QStringList m_messages;

    std::unique_ptr<frmBrowse> Open()
    {
        auto dialog = std::make_unique<frmBrowse>([this] { ++m_chosen; });
        dialog->show();
        if (!QTest::qWaitForWindowExposed(dialog.get()))
            qFatal("The browser did not show");
        return dialog;
    }

    static void Click(QWidget *control, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(control, button, {}, control->rect().center());
    }

private Q_SLOTS:
    void init()
    {
        testing::ClearStore();
        startup::ResetState();
        m_chosen = 0;
        m_messages.clear();
        platform::SetMessageBoxResponder([this](const platform::MessageBoxRequest &request) {
            m_messages << request.text;
            return platform::MsgAnswer::Ok;
        });
    }

    void cleanup()
    {
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join('\n')));
        platform::SetMessageBoxResponder({});
    }

    void defaultsOpenOnTheListWithTheLogoMarked()
    {
        const auto dialog = Open();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Browse for Images"));
        QCOMPARE(Tabs(*dialog)->currentIndex(), 0);
        QCOMPARE(Tabs(*dialog)->tabText(0), QStringLiteral("List Images"));
        QCOMPARE(Tabs(*dialog)->tabText(1), QStringLiteral("File Images"));
        for (int index = 1; index <= assets::BuiltInPictureCount; ++index) {
            const QPixmap shown = Element(*dialog, "imgPhotos", index)->pixmap();
            QVERIFY2(!shown.isNull(), qPrintable(QString::number(index)));
            QCOMPARE(shown.size(), assets::BuiltInPicture(index).size());
            QCOMPARE(Element(*dialog, "lblPhotos", index)->text(),
                     assets::BuiltInPictureTag(index));
        }
        QCOMPARE(Element(*dialog, "lblPhotos", 1)->text(), QStringLiteral("Logo"));
        QCOMPARE(Marks(*dialog), QStringList{"1"});
        QCOMPARE(dialog->SelectedIndex, 1);

        const auto *message = dialog->findChild<QLabel *>(QStringLiteral("lblMessage"));
        QCOMPARE(message->text(),
                 QStringLiteral("File Images take precedence over List Images. To use List "
                                "Images you must make sure there is no File Image is selected. "
                                "Click 'Do Not Use File Image' button on the File Images Tab."));
        const auto *checkMark = dialog->findChild<QLabel *>(QStringLiteral("imgCheckMark"));
        QVERIFY(checkMark->isVisible());
        QVERIFY(!checkMark->pixmap().isNull());
        QVERIFY(StoreIsEmpty());
    }

    // The mark must show on screen, not only in the label's settings.
    void theMarkIsDrawnBlue()
    {
        const auto dialog = Open();
        const auto BluePixels = [](QLabel *label) {
            const QImage drawn = label->grab().toImage();
            int blue = 0;
            for (int y = 0; y < drawn.height(); ++y)
                for (int x = 0; x < drawn.width(); ++x) {
                    const QColor pixel = drawn.pixelColor(x, y);
                    blue += pixel.blue() > 200 && pixel.red() < 80 && pixel.green() < 80;
                }
            return blue;
        };
        QVERIFY(BluePixels(Element(*dialog, "lblPhotos", 1)) > 10);
        QCOMPARE(BluePixels(Element(*dialog, "lblPhotos", 2)), 0);
        Click(Element(*dialog, "imgPhotos", 2));
        QCOMPARE(BluePixels(Element(*dialog, "lblPhotos", 1)), 0);
        QVERIFY(BluePixels(Element(*dialog, "lblPhotos", 2)) > 10);
    }

    // The grid is laid out from the tab control's corner: no picture or name may be cut
    // off by the page below the tab captions.
    void theWholeGridFitsOnItsPage()
    {
        const auto dialog = Open();
        const QWidget *page = dialog->findChild<QWidget *>(QStringLiteral("tabListImages"));
        for (const char *array : {"imgPhotos", "lblPhotos"}) {
            for (int index = 1; index <= assets::BuiltInPictureCount; ++index) {
                const QLabel *control = Element(*dialog, array, index);
                QCOMPARE(control->parentWidget(), page);
                QVERIFY2(page->rect().contains(control->geometry()),
                         qPrintable(QStringLiteral("%1(%2)").arg(array).arg(index)));
            }
        }
    }

    void clicksMoveTheOnlyMark()
    {
        modGeneral::State.ImageIndex = 4;
        const auto dialog = Open();
        QCOMPARE(Marks(*dialog), QStringList{"4"});
        Click(Element(*dialog, "imgPhotos", 3));
        QCOMPARE(Marks(*dialog), QStringList{"3"});
        Click(Element(*dialog, "lblPhotos", 9));
        QCOMPARE(Marks(*dialog), QStringList{"9"});
        QCOMPARE(dialog->SelectedIndex, 9);
        Click(Element(*dialog, "lblPhotos", 9)); // again: stays marked
        QCOMPARE(Marks(*dialog), QStringList{"9"});
        Click(Element(*dialog, "imgPhotos", 1), Qt::RightButton);
        QCOMPARE(Marks(*dialog), QStringList{"9"});

        // Nothing is stored or chosen before OK.
        QVERIFY(dialog->isVisible());
        QCOMPARE(modGeneral::State.ImageIndex, 4);
        QCOMPARE(m_chosen, 0);
        QVERIFY(StoreIsEmpty());
    }

    // Only a store edited by hand could hold such an index; the run's value may anyway.
    void anIndexOutsideTheListMarksTheFirstPicture_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("0") << 0;
        QTest::newRow("10") << 10;
        QTest::newRow("-1") << -1;
    }

    void anIndexOutsideTheListMarksTheFirstPicture()
    {
        QFETCH(int, index);
        modGeneral::State.ImageIndex = static_cast<qint16>(index);
        const auto dialog = Open();
        QCOMPARE(Marks(*dialog), QStringList{"1"});
        Click(Button(*dialog, "cmdOK"));
        QCOMPARE(Stored("ImageIndex"), QStringLiteral("1"));
        QCOMPARE(Stored("ImageTag"), assets::BuiltInPictureTag(1));
    }

    void openingOnFileImagesLeavesTheListEmptyUntilShown()
    {
        modGeneral::State.DefaultTab = 1;
        modGeneral::State.ImageIndex = 6;
        const auto dialog = Open();
        QCOMPARE(Tabs(*dialog)->currentIndex(), 1);
        QVERIFY(ListTabIsEmpty(*dialog));
        QCOMPARE(Marks(*dialog), QStringList());

        Tabs(*dialog)->setCurrentIndex(0);
        QCOMPARE(modGeneral::State.DefaultTab, 0);
        QVERIFY(!ListTabIsEmpty(*dialog));
        QCOMPARE(Marks(*dialog), QStringList{"6"});
    }

    void returningToTheListForgetsAnUnconfirmedMark()
    {
        modGeneral::State.ImageIndex = 5;
        const auto dialog = Open();
        Click(Element(*dialog, "imgPhotos", 3));
        Tabs(*dialog)->setCurrentIndex(1);
        QCOMPARE(modGeneral::State.DefaultTab, 1);
        QCOMPARE(Marks(*dialog), QStringList{"3"}); // the hidden tab is not reloaded
        Tabs(*dialog)->setCurrentIndex(0);
        QCOMPARE(modGeneral::State.DefaultTab, 0);
        QCOMPARE(Marks(*dialog), QStringList{"5"});
        QCOMPARE(dialog->SelectedIndex, 5);
        QVERIFY(StoreIsEmpty());
    }

    void okStoresThePictureAndLeavesTheFilePicture_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("storedIndex");
        QTest::newRow("first") << 1 << "1";
        QTest::newRow("last") << 9 << "9";
    }

    void okStoresThePictureAndLeavesTheFilePicture()
    {
        QFETCH(int, index);
        QFETCH(QString, storedIndex);
        testing::Store("ImageName", QStringLiteral("holiday.jpg"));
        testing::Store("ImagePath", QStringLiteral("/home/pictures"));
        modGeneral::State.ImageName = QStringLiteral("holiday.jpg");
        modGeneral::State.ImageIndex = index == 1 ? 2 : 1;

        // The settings dialog's refresh must see the choice already made.
        QStringList seenByRefresh;
        frmBrowse dialog([&] {
            seenByRefresh << modGeneral::State.ImageTag << Stored("ImageIndex") << Stored("DefaultTab");
        });
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        Click(Element(dialog, "imgPhotos", index));
        Click(Button(dialog, "cmdOK"));

        const QString tag = assets::BuiltInPictureTag(index);
        QCOMPARE(seenByRefresh, (QStringList{tag, storedIndex, "0"}));
        QCOMPARE(Stored("ImageIndex"), storedIndex);
        QCOMPARE(Stored("ImageTag"), tag);
        QCOMPARE(Stored("DefaultTab"), QStringLiteral("0"));
        QCOMPARE(modGeneral::State.ImageIndex, index);
        QCOMPARE(modGeneral::State.ImageTag, tag);
        // The file picture stays chosen, and so stays in use.
        QCOMPARE(Stored("ImageName"), QStringLiteral("holiday.jpg"));
        QCOMPARE(Stored("ImagePath"), QStringLiteral("/home/pictures"));
        QCOMPARE(modGeneral::State.ImageName, QStringLiteral("holiday.jpg"));
        for (const char *key : {"ImageSize", "ImageDrive", "ImageUsed"})
            QCOMPARE(Stored(key), QStringLiteral("<missing>"));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
    }

    void doubleClickMarksAndConfirms_data()
    {
        QTest::addColumn<QString>("array");
        QTest::newRow("picture") << "imgPhotos";
        QTest::newRow("label") << "lblPhotos";
    }

    void doubleClickMarksAndConfirms()
    {
        QFETCH(QString, array);
        const auto dialog = Open();
        QLabel *control = Element(*dialog, qPrintable(array), 7);
        QTest::mouseDClick(control, Qt::LeftButton, {}, control->rect().center());
        QCOMPARE(m_chosen, 1);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(!dialog->isVisible());
        QCOMPARE(Stored("ImageIndex"), QStringLiteral("7"));
        QCOMPARE(Stored("ImageTag"), assets::BuiltInPictureTag(7));
        QCOMPARE(modGeneral::State.ImageIndex, 7);
    }

    void doNotUseFileImageGoesBackToTheBuiltInPicture()
    {
        QTemporaryDir folder;
        QVERIFY(assets::BuiltInPicture(3).save(folder.filePath("candles.jpg")));
        testing::Store("ImagePath", folder.path());
        testing::Store("ImageName", QStringLiteral("candles.jpg"));
        testing::Store("ImageSize", QStringLiteral("2"));
        modGeneral::State.ImageName = QStringLiteral("candles.jpg");
        modGeneral::State.DefaultTab = 1;
        const auto dialog = Open();
        QCOMPARE(dialog->SizeFactor, 2);

        Click(Button(*dialog, "cmdNoImage"));
        QCOMPARE(m_chosen, 1);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(Stored("ImageName"), QString());
        QCOMPARE(modGeneral::State.ImageName, QString());
        QCOMPARE(Stored("ImageSize"), QStringLiteral("0"));
        QCOMPARE(modGeneral::State.ImageSize, 0);
        QCOMPARE(Stored("ImagePath"), QStringLiteral("/")); // the root folder
        QCOMPARE(Stored("ImageDrive"), dialog->CurrentDrive());
        QVERIFY(!dialog->CurrentDrive().isEmpty());
        QCOMPARE(Stored("DefaultTab"), QStringLiteral("1"));
        // The built-in choice is left as it was.
        QCOMPARE(Stored("ImageIndex"), QStringLiteral("<missing>"));
        QCOMPARE(Stored("ImageTag"), QStringLiteral("<missing>"));
    }

    void cancelAfterSwitchingTabsStoresNothing()
    {
        {
            const auto dialog = Open();
            Click(Element(*dialog, "imgPhotos", 2));
            Tabs(*dialog)->setCurrentIndex(1);
            Click(Button(*dialog, "cmdCancel"));
            QCOMPARE(dialog->result(), int(QDialog::Rejected));
            QVERIFY(!dialog->isVisible());
        }
        QVERIFY(StoreIsEmpty());
        QCOMPARE(m_chosen, 0);
        QCOMPARE(modGeneral::State.ImageIndex, 1);
        QCOMPARE(modGeneral::State.DefaultTab, 1);

        // A later opening in the same run starts on the tab last shown.
        const auto again = Open();
        QCOMPARE(Tabs(*again)->currentIndex(), 1);
        QVERIFY(ListTabIsEmpty(*again));
    }

    void closingTheWindowIsCancel()
    {
        const auto dialog = Open();
        Click(Element(*dialog, "imgPhotos", 8));
        QVERIFY(dialog->close());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(m_chosen, 0);
        QVERIFY(StoreIsEmpty());
    }

    void enterAndEscapeCloseNothing()
    {
        const auto dialog = Open();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        Click(Element(*dialog, "imgPhotos", 5));
        for (QWidget *target : {static_cast<QWidget *>(dialog.get()),
                                static_cast<QWidget *>(Tabs(*dialog)->tabBar())}) {
            target->setFocus();
            for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                QTest::keyClick(target, key);
        }
        QVERIFY(dialog->isVisible());
        QCOMPARE(m_chosen, 0);
        QVERIFY(StoreIsEmpty());
        QCOMPARE(Marks(*dialog), QStringList{"5"});
    }
};

LUMIDEX_REGISTER_TEST(TstBrowseList)
#include "tst_browse_list.moc"
