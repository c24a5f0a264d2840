#pragma once

// What every test program shares. A program is built from the test classes of one folder:
// each registers itself with LUMIDEX_REGISTER_TEST(Class), and TestMain.cpp runs them all.
// A program may also have a helper: itself started again with "--helper", for what needs
// another process (another writer of the store).

#include <QProcess>
#include <QStringList>
#include <functional>
#include <memory>

namespace testing {

using TestFactory = std::function<std::unique_ptr<QObject>()>;
QList<TestFactory> &RegisteredTests();
std::function<int(const QStringList &arguments)> &Helper();

// Starts this program as its helper, with these arguments and this program's environment.
void StartHelper(QProcess &process, const QStringList &arguments);
// Runs it to its end: what it printed, or "<failed ...>".
QByteArray RunHelper(const QStringList &arguments);

// This program's environment with the "NAME=value" assignments, for programs it starts.
QProcessEnvironment Environment(const QStringList &assignments);

// The first process that process `pid`'s main thread started, or 0 while there is none.
qint64 ChildProcess(qint64 pid);
// Whether the process has ended: gone, or a zombie waiting to be reaped.
bool ProcessEnded(qint64 pid);

// A table written as text: a row a line, the cells separated by " | "; "\n", "\r" and
// "\t" in a cell stand for a line break, a carriage return and a tab.
QList<QStringList> Table(const char *text);

// A data function's rows from such a table: one column, "row", holding the cells, each
// row named by its first two cells; an indented line goes on with the row above.
void AddRows(const QString &text);
// A cell of a row as a list: its items are separated by "; ", and "-" or no cell is none.
QStringList List(const QStringList &row, int cell);

// The store's folder, and the store file as bytes (or another file, such as its copy);
// writing them replaces the file (and makes its folder).
QString StoreFolder();
QStringList StoreFolderEntries(); // hidden ones and FIFOs too
QByteArray StoreBytes(const QString &path = QString());
void WriteStoreBytes(const QByteArray &bytes);
void ClearStore(); // removes the store's folder
// Stores under a key of "Settings" as the program's writers do; StoreAll each "KEY=text".
void Store(const QString &key, const QString &text);
void StoreAll(const QStringList &pairs);
// The stored text, or "<missing>".
QString Stored(const QString &key, const QString &section = QStringLiteral("Settings"));

} // namespace testing

#define LUMIDEX_REGISTER_TEST(Class)                                                               \
    [[maybe_unused]] static const bool registered_##Class = (                                      \
        testing::RegisteredTests() << [] { return std::make_unique<Class>(); }, true);
