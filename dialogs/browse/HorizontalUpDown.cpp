#include "dialogs/browse/HorizontalUpDown.h"

#include <QKeyEvent>
#include <QToolButton>

namespace browse {

HorizontalUpDown::HorizontalUpDown(QWidget *parent)
    : QWidget(parent), m_left(new QToolButton(this)), m_right(new QToolButton(this))
{
    m_left->setObjectName(QStringLiteral("leftArrow"));
    m_right->setObjectName(QStringLiteral("rightArrow"));
    m_left->setArrowType(Qt::LeftArrow);
    m_right->setArrowType(Qt::RightArrow);
    for (QToolButton *arrow : {m_left, m_right}) {
        // Focus stays on the control itself, which takes the arrow keys.
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    }
    setFocusPolicy(Qt::StrongFocus);
    connect(m_left, &QToolButton::clicked, this, [this] { setValue(m_value - 1); });
    connect(m_right, &QToolButton::clicked, this, [this] { setValue(m_value + 1); });
}

void HorizontalUpDown::setValue(int value)
{
    value = qBound(m_minimum, value, m_maximum);
    if (value == m_value)
        return;
    m_value = value;
    Q_EMIT valueChanged(m_value);
}

void HorizontalUpDown::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = qMax(minimum, maximum);
    setValue(m_value);
}

// The two arrows share the width, as the halves of one control.
void HorizontalUpDown::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int half = width() / 2;
    m_left->setGeometry(0, 0, half, height());
    m_right->setGeometry(half, 0, width() - half, height());
}

void HorizontalUpDown::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        setValue(m_value - 1);
        break;
    case Qt::Key_Right:
        setValue(m_value + 1);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace browse
