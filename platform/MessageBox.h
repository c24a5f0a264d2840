#pragma once

#include "core/Failure.h"

#include <QString>
#include <functional>

// Message boxes. Tests install a responder that answers instead of a person.
namespace platform {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgAnswer { Ok, Cancel, Yes, No };

struct MessageBoxRequest
{
    QString text;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    QString title; // empty: the application title
    MsgAnswer defaultButton = MsgAnswer::Ok;
};

inline const QString ApplicationTitle = QStringLiteral("Lumidex ScreenSaver");

using MessageBoxResponder = std::function<MsgAnswer(const MessageBoxRequest &)>;

// Shows the box (or asks the responder) and returns the button chosen; the short form
// makes the first button the default.
// The request's empty title is replaced by the application title.
MsgAnswer MsgBox(MessageBoxRequest request);
inline MsgAnswer MsgBox(const QString &text, MsgButtons buttons = MsgButtons::Ok,
                        MsgIcon icon = MsgIcon::None, const QString &title = QString())
{
    const bool asksYesNo = buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel;
    return MsgBox(
        MessageBoxRequest{text, buttons, icon, title, asksYesNo ? MsgAnswer::Yes : MsgAnswer::Ok});
}

// Tells the user of a failure that ended a routine: "Error Number: N" and its description.
inline void ReportFailure(const core::Failure &failure)
{
    MsgBox(core::FailureMessage(failure));
}

// Installs a responder; an empty one gives back the real message box.
void SetMessageBoxResponder(MessageBoxResponder responder);

} // namespace platform
