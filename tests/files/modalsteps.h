#pragma once
// Scripted steps for the program's modal widgets, one step per widget in the
// order they appear. For what BoxAnswerer's plain answers do not reach: a file
// dialog accepted as the operator finds it, or one that hands back a folder.
// Never run beside a BoxAnswerer: both would answer the same widget.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>

class ModalSteps
{
public:
    using Step = std::function<void(QWidget *)>;

    ModalSteps()
    {
        m_poll.setInterval(2);
        QObject::connect(&m_poll, &QTimer::timeout, [this] { poll(); });
        m_poll.start();
    }

    void then(Step step) { m_steps.push_back(std::move(step)); }
    int remaining() const { return int(m_steps.size()); }
    // Titles of modal widgets that found no step; each was dismissed.
    QStringList unexpected;

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == m_handled || !modal->isVisible())
            return;
        m_handled = modal;
        if (m_steps.empty()) {
            unexpected << modal->windowTitle();
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
            return;
        }
        const Step step = std::move(m_steps.front());
        m_steps.pop_front();
        step(modal);
    }

    QTimer m_poll;
    std::deque<Step> m_steps;
    QPointer<QWidget> m_handled;
};

// The file dialog's name field and its accept button, as the operator sees them.
inline QLineEdit *fileNameField(QFileDialog *dialog)
{
    return dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
}

inline void pressOpen(QFileDialog *dialog)
{
    auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    QPushButton *open = buttons ? buttons->button(QDialogButtonBox::Open) : nullptr;
    if (open && open->isEnabled())
        QTest::mouseClick(open, Qt::LeftButton);
    else
        dialog->reject();
}

// Puts `text` into the name field and presses Open. Set rather than typed: a
// completion popup opened by typing would take the click meant for Open.
inline void typeAndOpen(QFileDialog *dialog, const QString &text)
{
    fileNameField(dialog)->setText(text);
    pressOpen(dialog);
}

// A message box's title, text and icon, then its 确定 button.
struct SeenError
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

inline ModalSteps::Step acknowledge(SeenError &seen)
{
    return [&seen](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box) {
            seen.title = QStringLiteral("not a message box: ") + modal->windowTitle();
            qobject_cast<QDialog *>(modal)->reject();
            return;
        }
        seen = {box->windowTitle(), box->text(), box->icon()};
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    };
}
