#include "window/controls.h"

#include <QKeyEvent>

OptionButton::OptionButton(const QString &caption, QWidget *parent) : QRadioButton(caption, parent)
{
    connect(this, &QAbstractButton::toggled, this, [this](bool selected) {
        if (selected)
            emit Click();
    });
    // A click on the selected button changes nothing, so no toggled() follows;
    // whether it was selected is taken when the press starts, for the mouse, the
    // keyboard and click() alike.
    connect(this, &QAbstractButton::pressed, this, [this] { m_selectedAtPress = isChecked(); });
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_selectedAtPress) {
            m_selectedAtPress = false;
            emit Click();
        }
    });
}

CommandButton::CommandButton(const QString &caption, QWidget *parent) : QPushButton(caption, parent)
{
    setAutoDefault(false);
}

void CommandButton::keyPressEvent(QKeyEvent *event)
{
    // The keypad's Enter comes with the keypad modifier; Return never does.
    const bool enter = (event->key() == Qt::Key_Return && event->modifiers() == Qt::NoModifier) ||
                       (event->key() == Qt::Key_Enter &&
                        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier);
    if (enter) {
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}
