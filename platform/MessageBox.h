#pragma once

#include "core/Failure.h"

#include <QString>
#include <functional>

class QWidget;

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

// How a run's messages reach the user. Each message that does not come as a box is one
// line on standard error; the request's default button answers it.
enum class MessageRoute {
    Boxes, // every message in a box at once: the dialogs
    // A saver run: the first message waits for ShowHeldMessageOver, so that its box
    // stands over the covered screen rather than the desktop; the others become lines.
    OneBoxThenLines,
    Lines, // a host's run: nobody sits in front of it to answer a box
};
void RouteMessages(MessageRoute route);

// Shows the message held for the run, if any, from the event loop, over `window`.
void ShowHeldMessageOver(QWidget *window);

// "lumidex: " and the text on one line of standard error. The same text is written once.
void WriteMessageLine(const QString &text);

} // namespace platform
