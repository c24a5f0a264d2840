#pragma once

#include <QCheckBox>

namespace setup {

// A check box whose caption wraps onto more lines when it is wider than the box, as
// "Include Number of Days" must in its narrow place on the settings dialog.
class WrappingCheckBox : public QCheckBox
{
    Q_OBJECT

public:
    using QCheckBox::QCheckBox;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &position) const override;
};

} // namespace setup
