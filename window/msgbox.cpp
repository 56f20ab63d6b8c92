#include "window/msgbox.h"

#include <QPushButton>

namespace {
const QString kProgramTitle = QStringLiteral("zk61ar");

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
    QMessageBox box(QMessageBox::Critical, kProgramTitle,
                    message + QStringLiteral("\n\n程序将结束。"), QMessageBox::Ok, parent);
    exec(box);
}

void showError(QWidget *parent, const QString &title, const QString &message)
{
    QMessageBox box(QMessageBox::Warning, title, message, QMessageBox::Ok, parent);
    exec(box);
}
