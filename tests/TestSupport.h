#pragma once

// Each test folder builds one executable from several test classes. A class registers
// itself with LUMIDEX_REGISTER_TEST(ClassName) in its own file; TestMain.cpp runs them all.

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace testing {

using TestFactory = std::function<std::unique_ptr<QObject>()>;

std::vector<TestFactory> &RegisteredTests();

template <typename Test> struct TestRegistration
{
    TestRegistration()
    {
        RegisteredTests().push_back([] { return std::make_unique<Test>(); });
    }
};

// The folder (XDG_CONFIG_HOME, XDG_RUNTIME_DIR) this test process and its children use
// instead of the user's own.
QString IsolatedHome();

// Removes every stored setting, so a test starts from an empty store.
void ClearStore();

// Stores a text under a key of the section "Settings", as the program's writers do.
void Store(const QString &key, const QString &text);

} // namespace testing

#define LUMIDEX_REGISTER_TEST(Class) static testing::TestRegistration<Class> registration_##Class;
