#pragma once

#include <QPushButton>

namespace browse {

// A button whose caption wraps onto more lines when it is wider than the button, as
// "Do Not Use File Image" must in its narrow place on the image browser.
class WrappingPushButton : public QPushButton
{
    Q_OBJECT

public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace browse
