#pragma once
#include <QPushButton>
#include <QRadioButton>

// The mark of the keyboard focus that every control of the window shows,
// whatever moved the focus there: a dotted rectangle, as classic controls draw
// it. The style's own marks show only after a key moved the focus (none on
// Command1 at start-up), and on an option button only as a faint ring.
void drawFocusMark(QPainter &painter, const QRect &around, const QColor &colour);

// The style for the window's frames: a classic group box, its caption drawn on
// the frame line (the application's style may draw it above the line, as
// Fusion does, pressing the options against the frame's top). Owned by the
// application; null where no classic style is built in.
QStyle *classicFrameStyle();

// An option button whose Click runs whenever it becomes selected, by the
// operator or from code, and again when the operator clicks it while selected.
// Tab into its group lands on the selected button of the group.
class OptionButton : public QRadioButton
{
    Q_OBJECT
public:
    explicit OptionButton(const QString &caption, QWidget *parent);

signals:
    void Click();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void takeGroupsTabStop();

    bool m_selectedAtPress = false;
};

// A command button that Enter presses as well as Space, wherever it stands.
class CommandButton : public QPushButton
{
    Q_OBJECT
public:
    explicit CommandButton(const QString &caption, QWidget *parent);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};
