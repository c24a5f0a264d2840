#pragma once

#include <QKeyEvent>
#include <QPushButton>
#include <functional>

// What Enter does in the dialogs. On a focused button it presses that button, as Space
// does, in every dialog; anywhere else each dialog has its own rule (most press nothing).
namespace dialogs {

// Enter or Return, the keypad's Enter included, with no Shift, Ctrl or Alt.
inline bool IsEnter(const QEvent &event)
{
    if (event.type() != QEvent::KeyPress)
        return false;
    const auto &key = static_cast<const QKeyEvent &>(event);
    return (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) &&
           (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// Runs `action` when Enter is pressed while `control` has the focus. The key goes no
// further: the dialog's own rule for Enter does not see it.
inline void OnEnter(QWidget &control, std::function<void()> action)
{
    struct EnterFilter : QObject
    {
        using QObject::QObject;
        std::function<void()> action;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (!IsEnter(*event))
                return false;
            action();
            return true;
        }
    };
    auto *filter = new EnterFilter(&control);
    filter->action = std::move(action);
    control.installEventFilter(filter);
}

// Call once the dialog's buttons exist.
inline void EnterPressesFocusedButtons(QWidget &dialog)
{
    for (QPushButton *button : dialog.findChildren<QPushButton *>())
        OnEnter(*button, [button] { button->click(); });
}

} // namespace dialogs
