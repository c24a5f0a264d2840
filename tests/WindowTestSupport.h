#pragma once

// What the tests of windows share: message boxes answered by the test, the run's state
// put back, controls found by their object names, and modal windows handled as they open.

#include "TestSupport.h"
#include "app/Main.h"
#include "core/Dates.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace testing {

// Answers every message box with one answer and keeps what was asked.
struct MessageRecorder
{
    QList<platform::MessageBoxRequest> asked;
    platform::MsgAnswer answer = platform::MsgAnswer::Ok;

    void Install()
    {
        asked.clear();
        platform::SetMessageBoxResponder([this](const platform::MessageBoxRequest &request) {
            asked.append(request);
            return answer;
        });
    }

    QStringList Texts() const
    {
        QStringList texts;
        for (const platform::MessageBoxRequest &request : asked)
            texts << request.text;
        return texts;
    }
};

// A fresh run: no windows, every shared value as at start, an empty store, the clock on
// the given day (an invalid one gives the real clock) and message boxes real.
inline void ResetRun(QDate today = QDate())
{
    startup::ResetState();
    ClearStore();
    core::SetToday(today);
    platform::SetMessageBoxResponder({});
}

// The control of that object name; of a control array, the member of that index.
template <typename Control = QWidget>
Control *Child(const QObject &window, const char *name, int index = -1)
{
    for (Control *control : window.findChildren<Control *>(QString::fromLatin1(name))) {
        if (index < 0 || control->property("Index").toInt() == index)
            return control;
    }
    qFatal("no control %s(%d)", name, index);
}

// Runs `handle` once on the modal window that the next step opens, as soon as it shows.
inline void OnNextModal(std::function<void(QWidget &)> handle)
{
    auto *poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, handle] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        handle(*modal);
    });
    poll->start();
}

} // namespace testing
