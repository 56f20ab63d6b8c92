#include "window/controls.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QStylePainter>

void drawFocusMark(QPainter &painter, const QRect &around, const QColor &colour)
{
    painter.save();
    QPen dotted(colour, 0, Qt::CustomDashLine);
    dotted.setDashPattern({1, 1});
    painter.setPen(dotted);
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawRect(around.adjusted(0, 0, -1, -1));
    painter.restore();
}

OptionButton::OptionButton(const QString &caption, QWidget *parent) : QRadioButton(caption, parent)
{
    connect(this, &QAbstractButton::toggled, this, [this](bool selected) {
        if (!selected)
            return;
        takeGroupsTabStop();
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

QStyle *classicFrameStyle()
{
    static QStyle *const style = [] {
        QStyle *classic = QStyleFactory::create(QStringLiteral("Windows"));
        if (classic)
            classic->setParent(qApp);
        return classic;
    }();
    return style;
}

void OptionButton::takeGroupsTabStop()
{
    // The buttons of a frame are one group: only the selected one is a Tab stop.
    const auto group = parentWidget()->findChildren<OptionButton *>(Qt::FindDirectChildrenOnly);
    for (OptionButton *button : group)
        button->setFocusPolicy(button == this ? Qt::StrongFocus : Qt::ClickFocus);
}

void OptionButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    // The style's faint ring gives way to the window's own mark. A channel
    // button is only as wide as its indicator, so the mark goes round the
    // whole button, not round a caption that does not show.
    option.state &= ~QStyle::State_HasFocus;
    painter.drawControl(QStyle::CE_RadioButton, option);
    if (hasFocus())
        drawFocusMark(painter, rect(), palette().color(QPalette::WindowText));
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

void CommandButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    if (hasFocus())
        option.state |= QStyle::State_KeyboardFocusChange;
    painter.drawControl(QStyle::CE_PushButton, option);
    if (hasFocus())
        drawFocusMark(painter, rect().adjusted(4, 4, -4, -4),
                      palette().color(QPalette::ButtonText));
}
