#include "TestSupport.h"

#include "platform/Store.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace testing {

std::vector<TestFactory> &RegisteredTests()
{
    static std::vector<TestFactory> tests;
    return tests;
}

QString IsolatedHome()
{
    static QTemporaryDir home;
    return home.path();
}

void ClearStore()
{
    QFile::remove(platform::StoreFilePath());
}

void Store(const QString &key, const QString &text)
{
    platform::SaveSetting(platform::SettingsSection, key, text);
}

// Settings and the instance lock go to a folder of this process's own, set before Qt
// reads either, and inherited by every process a test starts.
static void IsolateFromUser()
{
    const QString config = IsolatedHome() + "/config";
    const QString runtime = IsolatedHome() + "/runtime";
    QDir().mkpath(config);
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
}

} // namespace testing

int main(int argc, char **argv)
{
    testing::IsolateFromUser();
    QApplication app(argc, argv);
    int failures = 0;
    for (const auto &makeTest : testing::RegisteredTests()) {
        const std::unique_ptr<QObject> test = makeTest();
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
