#include "platform/MessageBox.h"

#include "platform/SaverWindowCalls.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QSet>
#include <QTimer>
#include <cstdio>
#include <optional>

namespace platform {

namespace {

MessageBoxResponder &Responder()
{
    static MessageBoxResponder responder;
    return responder;
}

QMessageBox::StandardButton ToStandardButton(MsgAnswer answer)
{
    switch (answer) {
    case MsgAnswer::Ok:
        return QMessageBox::Ok;
    case MsgAnswer::Cancel:
        return QMessageBox::Cancel;
    case MsgAnswer::Yes:
        return QMessageBox::Yes;
    case MsgAnswer::No:
        return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

QMessageBox::StandardButtons ToStandardButtons(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok:
        return QMessageBox::Ok;
    case MsgButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon ToQtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::None:
        return QMessageBox::NoIcon;
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

// The answer a box gives when it is closed without a button (Esc, the window's close
// button): Cancel or No where the box offers them, else OK.
MsgAnswer EscapeAnswer(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok:
        return MsgAnswer::Ok;
    case MsgButtons::YesNo:
        return MsgAnswer::No;
    case MsgButtons::OkCancel:
    case MsgButtons::YesNoCancel:
        return MsgAnswer::Cancel;
    }
    return MsgAnswer::Ok;
}

// A window manager writes the caption in a bold face beside its title-bar buttons and
// cuts what does not fit: a box sized to a short text ("Error Number: 481") would lose
// half of its caption. QMessageBox sizes itself from its layout when shown, so the room
// is a spacer there.
void MakeRoomForCaption(QMessageBox &box)
{
    QFont bold = box.font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    // An icon and up to three buttons, each about two lines of text square.
    const int titleBar = metrics.horizontalAdvance(box.windowTitle()) + 8 * metrics.height();
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(titleBar, 0), grid->rowCount(), 0, 1, grid->columnCount());
}

MsgAnswer ShowQtMessageBox(const MessageBoxRequest &request, QWidget *over)
{
    QMessageBox box(ToQtIcon(request.icon), request.title, request.text,
                    ToStandardButtons(request.buttons), over ? over : QApplication::activeWindow());
    box.setDefaultButton(ToStandardButton(request.defaultButton));
    MakeRoomForCaption(box);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MsgAnswer::Ok;
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    default:
        return EscapeAnswer(request.buttons);
    }
}

MessageRoute route = MessageRoute::Boxes;
std::optional<MessageBoxRequest> heldMessage;
bool boxUsed = false; // by this run's one box, held or shown
QString boxText;      // each saver window reports the same failure: the box says it once

MsgAnswer Ask(const MessageBoxRequest &request, QWidget *over = nullptr)
{
    if (Responder())
        return Responder()(request);
    return ShowQtMessageBox(request, over);
}

} // namespace

MsgAnswer MsgBox(MessageBoxRequest request)
{
    if (request.title.isEmpty())
        request.title = ApplicationTitle;
    switch (route) {
    case MessageRoute::Boxes:
        return Ask(request);
    case MessageRoute::OneBoxThenLines:
        if (!boxUsed) {
            boxUsed = true;
            boxText = request.text;
            heldMessage = request;
            return request.defaultButton;
        }
        if (request.text == boxText)
            return request.defaultButton;
        break;
    case MessageRoute::Lines:
        break;
    }
    WriteMessageLine(request.text);
    return request.defaultButton;
}

void SetMessageBoxResponder(MessageBoxResponder responder)
{
    Responder() = std::move(responder);
}

void RouteMessages(MessageRoute newRoute)
{
    route = newRoute;
    heldMessage.reset();
    boxUsed = false;
    boxText.clear();
}

void ShowHeldMessageOver(QWidget *window)
{
    if (!heldMessage || !window)
        return;
    QTimer::singleShot(0, window, [window] {
        if (!heldMessage)
            return;
        const MessageBoxRequest request = std::move(*heldMessage);
        heldMessage.reset();
        // The saver hides the cursor over its windows, once for each; the box needs it.
        int raised = 0;
        for (; CursorDisplayCount() < 0; ++raised)
            ShowCursor(true);
        Ask(request, window);
        for (; raised > 0; --raised)
            ShowCursor(false);
        // Without a window manager the keyboard would stay with the closed box.
        window->activateWindow();
    });
}

void WriteMessageLine(const QString &text)
{
    static QSet<QString> written;
    const QString line = text.simplified();
    if (written.contains(line))
        return;
    written.insert(line);
    std::fprintf(stderr, "lumidex: %s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace platform
