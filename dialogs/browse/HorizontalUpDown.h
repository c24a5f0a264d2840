#pragma once

#include <QWidget>

class QToolButton;

namespace browse {

// An up-down control lying on its side: the right arrow raises the value by one, the
// left arrow lowers it, within a range. The Left and Right keys step it too.
class HorizontalUpDown : public QWidget
{
    Q_OBJECT

public:
    explicit HorizontalUpDown(QWidget *parent = nullptr);

    int value() const { return m_value; }
    // Clamped to the range; valueChanged follows only a real change.
    void setValue(int value);
    void setRange(int minimum, int maximum);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }

    QToolButton *leftArrow() const { return m_left; }
    QToolButton *rightArrow() const { return m_right; }

Q_SIGNALS:
    void valueChanged(int value);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QToolButton *m_left;
    QToolButton *m_right;
    int m_value = 0;
    int m_minimum = -10;
    int m_maximum = 10;
};

} // namespace browse
