#include "controls.h"

#include <QKeyEvent>

OptionButton::OptionButton(const QString &caption, QWidget *parent) : QRadioButton(caption, parent)
{
    connect(this, &QAbstractButton::toggled, this, [this](bool selected) {
        if (selected)
            emit Click();
    });
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_clickedWhileSelected) {
            m_clickedWhileSelected = false;
            emit Click();
        }
    });
}

void OptionButton::nextCheckState()
{
    // A click on the selected button changes nothing, so no toggled() follows.
    m_clickedWhileSelected = isChecked();
    QRadioButton::nextCheckState();
}

CommandButton::CommandButton(const QString &caption, QWidget *parent) : QPushButton(caption, parent)
{
    setAutoDefault(false);
}

void CommandButton::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}
