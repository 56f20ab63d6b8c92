#include "boxes/msgbox.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>

namespace {
const QString kProgramTitle = QStringLiteral("zk61ar");
// A message box wraps its text once it is wider than this, or than half the
// screen (QMessageBox's own measure).
constexpr int kBoxWrapWidth = 500;
// Where a line may end, best first: after the full-width marks that end a
// clause of the program's own messages, after the ASCII ones of the system's
// (a space follows them), between words. Never between two Chinese
// characters, which the box's own wrapping does ("没有/那个文件或目录").
const QStringList kLineBreaks[] = {
    {QStringLiteral("："), QStringLiteral("；"), QStringLiteral("，"), QStringLiteral("。")},
    {QStringLiteral(": "), QStringLiteral("; "), QStringLiteral(", ")},
    {QStringLiteral(" ")},
};

// `text` cut after each occurrence of one of `separators`.
QStringList piecesAfter(const QString &text, const QStringList &separators)
{
    QStringList pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        for (const QString &separator : separators)
            if (text.mid(i, separator.size()) == separator) {
                pieces << text.mid(start, i + separator.size() - start);
                start = i + separator.size();
                break;
            }
    if (start < text.size())
        pieces << text.mid(start);
    return pieces;
}

// The lines of one paragraph, each at most `width` wide where the break marks
// allow it; a piece with no mark in it stays whole.
QStringList fitted(const QString &paragraph, const QFontMetrics &metrics, int width, int level = 0)
{
    if (metrics.horizontalAdvance(paragraph) <= width || level == int(std::size(kLineBreaks)))
        return {paragraph};
    QStringList lines;
    QString line;
    const auto endLine = [&] {
        lines << fitted(line.trimmed(), metrics, width, level + 1);
        line.clear();
    };
    for (const QString &piece : piecesAfter(paragraph, kLineBreaks[level])) {
        if (!line.isEmpty() && metrics.horizontalAdvance((line + piece).trimmed()) > width)
            endLine();
        line += piece;
    }
    endLine();
    return lines;
}

// The box's text broken into lines that fit without the box's own wrapping.
QString brokenToFit(QMessageBox &box, const QString &text)
{
    const QScreen *screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
    const int boxWidth = qMin(screen->availableGeometry().width() / 2, kBoxWrapWidth);
    // What the icon, the margins and the buttons take beside the text.
    box.layout()->activate();
    const int width = boxWidth - box.layout()->totalMinimumSize().width();
    const auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    const QFontMetrics metrics = label ? label->fontMetrics() : box.fontMetrics();
    QStringList lines;
    for (const QString &paragraph : text.split(QLatin1Char('\n')))
        lines << fitted(paragraph, metrics, width);
    return lines.join(QLatin1Char('\n'));
}

// Window managers draw a title in a bold face, often larger than the window's,
// between the frame's icon and its buttons; a box leaves room for its title in
// a bold face this much larger than its own, and for four such buttons.
constexpr double kTitleFontScale = 1.25;
constexpr int kTitleBarButtonsPx = 4 * 24;

// A box is at least as wide as its title needs in the window manager's title
// bar; a short text would otherwise leave the title cut off there.
void fitTitle(QMessageBox &box)
{
    QFont titleFont = box.font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * kTitleFontScale);
    const int width =
        QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + kTitleBarButtonsPx;
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

// The text's label is one line box high per line and clips its text to that,
// and a Song face draws the underscore below its descent: the label is made
// taller by the ink below, so "vx-2260105_1.dat" shows its underscore.
void showWholeText(QMessageBox &box)
{
    auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    if (!label)
        return;
    const QFontMetrics metrics(label->font());
    const int inkBelow = metrics.tightBoundingRect(label->text()).bottom() + 1 - metrics.descent();
    if (inkBelow > 0)
        label->setMinimumHeight(label->sizeHint().height() + inkBelow);
}

void captionButtons(QMessageBox &box)
{
    const std::pair<QMessageBox::StandardButton, QString> captions[] = {
        {QMessageBox::Ok, QStringLiteral("确定")},
        {QMessageBox::Cancel, QStringLiteral("取消")},
        {QMessageBox::Yes, QStringLiteral("是(&Y)")},
        {QMessageBox::No, QStringLiteral("否(&N)")},
    };
    for (const auto &[button, caption] : captions)
        if (QAbstractButton *b = box.button(button))
            b->setText(caption);
}

QMessageBox::StandardButton exec(QMessageBox &box)
{
    captionButtons(box);
    fitTitle(box);
    showWholeText(box);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
} // namespace

QMessageBox::StandardButton MsgBox(QWidget *parent, const QString &prompt, MsgButtons buttons,
                                   const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, title, prompt, QMessageBox::NoButton, parent);
    switch (buttons) {
    case MsgButtons::OkOnly:
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case MsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    }
    return exec(box);
}

void showFatalError(QWidget *parent, const QString &message)
{
    QMessageBox box(QMessageBox::Critical, kProgramTitle, QString(), QMessageBox::Ok, parent);
    box.setText(brokenToFit(box, message + QStringLiteral("\n\n程序将结束。")));
    exec(box);
}

void showError(QWidget *parent, const QString &title, const QString &message)
{
    QMessageBox box(QMessageBox::Warning, title, message, QMessageBox::Ok, parent);
    exec(box);
}

void showError(QWidget *parent, const QString &title, const Failure &failure)
{
    showError(parent, title, QString::fromStdString(failure.message()));
}
