#pragma once

// What the settings dialog's tests share: reading the store back and reaching controls.

#include "TestSupport.h"
#include "app/Main.h"
#include "core/Dates.h"
#include "platform/MessageBox.h"
#include "platform/Store.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <QtTest>

namespace setuptest {

inline QString Stored(const QString &key, const QString &section = platform::SettingsSection)
{
    // A default no key ever holds tells "missing" apart from every stored text.
    return platform::GetSetting(section, key, QStringLiteral("<missing>"));
}

inline QByteArray StoreFileBytes()
{
    QFile file(platform::StoreFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

template <typename Control = QWidget> Control *Child(const QWidget &dialog, const char *name)
{
    Control *control = dialog.findChild<Control *>(QString::fromLatin1(name));
    if (!control)
        qFatal("The dialog has no control %s", name);
    return control;
}

inline QString Text(const QWidget &dialog, const char *name)
{
    if (auto *box = dialog.findChild<QLineEdit *>(QString::fromLatin1(name)))
        return box->text();
    return Child<QLabel>(dialog, name)->text();
}

// Answers every message box with one answer and keeps what was asked.
struct MessageRecorder
{
    QList<platform::MessageBoxRequest> asked;
    platform::MsgAnswer answer = platform::MsgAnswer::Ok;

    void Install()
    {
        platform::SetMessageBoxResponder([this](const platform::MessageBoxRequest &request) {
            asked.append(request);
            return answer;
        });
    }
};

// Every dialog test starts from an empty store and the values of a fresh run, on a fixed
// day, with message boxes answered by the recorder.
inline void BeginDialogTest(MessageRecorder &messages)
{
    testing::ClearStore();
    startup::ResetState();
    core::SetToday(QDate(2026, 12, 6));
    messages = {};
    messages.Install();
}

inline void EndDialogTest()
{
    platform::SetMessageBoxResponder({});
    core::SetToday(QDate());
}

} // namespace setuptest
