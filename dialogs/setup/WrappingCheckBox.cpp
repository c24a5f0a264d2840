#include "dialogs/setup/WrappingCheckBox.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace setup {

void WrappingCheckBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    QStyleOptionButton indicatorOption = option;
    indicatorOption.rect = indicator;
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, indicatorOption);

    const int spacing = style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this);
    QRect caption = rect();
    caption.setLeft(indicator.right() + 1 + spacing);
    painter.drawItemText(caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, palette(),
                         isEnabled(), text(), QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = caption;
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

// The whole box answers a click, caption lines included.
bool WrappingCheckBox::hitButton(const QPoint &position) const
{
    return rect().contains(position);
}

} // namespace setup
