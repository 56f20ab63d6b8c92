#pragma once
#include <QByteArray>
#include <QKeySequence>
#include <QList>
#include <QPointF>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class PrinterPort;
class QAction;
class QMainWindow;
class QMouseEvent;
class QWheelEvent;
class QMenu;
class QPrinter;
class QWidget;

// What the viewers of sample files and of recordings share: the keys of
// their view menu, Print through Qt's print dialog with a word in the status
// bar, Save as a PNG or PDF, and how a click sets the cursors.
namespace viewerparts {

// A press that moves less than this is a click, not a drag.
inline constexpr int kDragPixels = 4;

// The left button and the wheel on a plot: a press that moves kDragPixels or
// more is a drag, one that does not a click; the wheel in whole steps.
class Gestures
{
public:
    // Whether the press starts a click or a drag (the left button).
    bool pressed(const QMouseEvent *event);
    // While dragging: pixels moved along x since the press; nothing otherwise.
    std::optional<double> dragged(const QMouseEvent *event);
    // Whether a release of the left button ends a click.
    bool clicked(const QMouseEvent *event);
    // Whole steps of the wheel, turns too small for one kept for the next.
    int wheelSteps(const QWheelEvent *event);

private:
    std::optional<QPointF> m_pressedAt;
    bool m_dragging = false;
    int m_wheelAngle = 0;
};

// What the view menu's keys do, a step being a point or a scan.
class Navigation
{
public:
    virtual ~Navigation() = default;
    // Around the mouse when it is over the plot, around the middle otherwise.
    virtual void zoom(int steps) = 0;
    virtual void pan(int divisions) = 0;
    virtual void showWhole() = 0;
    virtual void moveReadout(int steps) = 0;
    virtual void moveReadoutDivisions(int divisions) = 0;
    virtual void moveReadoutToFirst() = 0;
    virtual void moveReadoutToLast() = 0;
    // Cursor A (0) or B (1) at the readout, if there is one.
    virtual void setCursorAtReadout(int cursor) = 0;
    virtual void clearCursors() = 0;
};

// A key sequence in Qt's portable text ("Ctrl+P").
QKeySequence keys(const char *text);

// An action in `menu` with its object name and keys.
QAction *addAction(QMenu *menu, const char *objectName, const QString &text,
                   const QList<QKeySequence> &keys, std::function<void()> slot);

// The words of a view menu: what a step is ("点") and what the whole is
// ("整个文件(&W)").
struct Words
{
    QString step;
    QString whole;
};
// The menu "查看(&V)" of `window`: zoom (Ctrl++, Ctrl+-, Ctrl+0), pan (←, →),
// the readout (Shift and Ctrl with the arrows, Home, End) and the cursors (A,
// B, Esc).
QMenu *addViewMenu(QMainWindow *window, Navigation &navigation, const Words &words);

// Prints through Qt's print dialog onto `printer`, the dialog's answer kept
// in `chosen` for the next time; without a printer into a PDF named after
// `path` in the current folder. Says in the window's status bar where it
// went, or a box why it did not.
void printThroughDialog(QMainWindow *window, const QString &path,
                        std::unique_ptr<QPrinter> &chosen, PrinterPort &printer,
                        const std::function<void(PrinterPort &)> &print);

// Asks for a PNG or PDF file (named after `path` to begin with) and writes
// `bytes` of it there whole; a box says why it could not.
void savePicture(QWidget *parent, const QString &path,
                 const std::function<QByteArray(bool asPdf)> &bytes);

// A click at `at` sets cursor A, the next click B, one after both A again;
// with Shift, B.
template <typename Position>
void clickCursors(Position &a, Position &b, Position at, bool shift, Position none)
{
    if (shift)
        b = at;
    else if (a == none || b != none) {
        a = at;
        b = none;
    } else
        b = at;
}

} // namespace viewerparts
