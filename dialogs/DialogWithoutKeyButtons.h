#pragma once

#include <QDialog>
#include <QKeyEvent>

namespace dialogs {

// A dialog with neither a default nor a cancel button: Enter and Escape do nothing,
// where QDialog would press the default button or close. Enter on a focused button still
// presses it (EnterKey.h).
class DialogWithoutKeyButtons : public QDialog
{
public:
    using QDialog::QDialog;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
        }
    }
};

} // namespace dialogs
