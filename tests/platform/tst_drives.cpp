#include "TestSupport.h"
#include "core/Failure.h"

#include "platform/Drives.h"

#include <QFileInfo>
#include <QTest>

using namespace platform;
using namespace core;

class DrivesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rootsFromMountTable();
    void rootsOfThisSystem();
    void rootOfFolder_data();
    void rootOfFolder();
    void folderOfStoredDrive_data();
    void folderOfStoredDrive();
};

void DrivesTest::rootsFromMountTable()
{
    const QByteArray table = "overlay / overlay rw,relatime 0 0\n"
                             "proc /proc proc rw 0 0\n"
                             "/dev/sdb1 /media/ann/USB\\040Stick vfat rw 0 0\n"
                             "/dev/sdc1 /run/media/bob/Photos\\134Old ext4 rw 0 0\n"
                             "/dev/sdd1 /mnt/data ext4 rw 0 0\n"
                             "/dev/sdd1 /mnt/data ext4 rw 0 0\n" // mounted twice
                             "/dev/sde1 /mnt ext4 rw 0 0\n"
                             "/dev/sdf1 /home ext4 rw 0 0\n"
                             "/dev/sdg1 /mediafiles ext4 rw 0 0\n"
                             "tmpfs /run tmpfs rw 0 0\n"
                             "\n"
                             "garbage\n";
    QCOMPARE(DriveRootsIn(table), QStringList({"/", "/media/ann/USB Stick", "/mnt", "/mnt/data",
                                               "/run/media/bob/Photos\\Old"}));
    QCOMPARE(DriveRootsIn(QByteArray()), QStringList{"/"});
}

void DrivesTest::rootsOfThisSystem()
{
    const QStringList roots = DriveRoots();
    QVERIFY(!roots.isEmpty());
    QCOMPARE(roots.first(), QStringLiteral("/"));
    QCOMPARE(roots.size(), QSet<QString>(roots.begin(), roots.end()).size());
    for (const QString &root : roots)
        QVERIFY2(QFileInfo(root).isDir(), qPrintable(root));
}

void DrivesTest::rootOfFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("root");
    QTest::newRow("root itself") << "/"
                                 << "/";
    QTest::newRow("on root") << "/home/ann/Pictures"
                             << "/";
    QTest::newRow("volume itself") << "/media/ann/USB Stick"
                                   << "/media/ann/USB Stick";
    QTest::newRow("in a volume") << "/media/ann/USB Stick/Trips"
                                 << "/media/ann/USB Stick";
    QTest::newRow("same start, other folder") << "/media/ann/USB Sticker"
                                              << "/";
    QTest::newRow("nested volumes") << "/mnt/data/x"
                                    << "/mnt/data";
    QTest::newRow("outer volume") << "/mnt/other"
                                  << "/mnt";
}

void DrivesTest::rootOfFolder()
{
    QFETCH(QString, folder);
    QFETCH(QString, root);
    const QStringList roots = {"/", "/media/ann/USB Stick", "/mnt", "/mnt/data"};
    QCOMPARE(RootOf(folder, roots), root);
}

void DrivesTest::folderOfStoredDrive_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("folder");
    // The Windows forms the store's defaults and older settings hold.
    for (const char *windows : {"c", "c:", "c:\\", "D:\\", " c ", ""})
        QTest::addRow("\"%s\"", windows) << QString::fromLatin1(windows) << "/";
    QTest::newRow("volume") << "/media/ann/USB Stick"
                            << "/media/ann/USB Stick";
    QTest::newRow("trailing slash") << "/mnt/data/"
                                    << "/mnt/data";
}

void DrivesTest::folderOfStoredDrive()
{
    QFETCH(QString, stored);
    QFETCH(QString, folder);
    QCOMPARE(DriveFolder(stored), folder);
}

LUMIDEX_REGISTER_TEST(DrivesTest)
#include "tst_drives.moc"
