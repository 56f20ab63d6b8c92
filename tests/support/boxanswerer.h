#pragma once
// Answers the program's modal boxes and file dialogs from inside their own event
// loops, the way an operator would: a box opened with exec() blocks the call that
// opened it (a click, a tick), so the answer has to come from a timer that runs
// in the box's loop.
//
// Queue one answer per box or dialog the test expects, in the order they will
// appear, then act. Every modal QMessageBox or QFileDialog that appears is
// recorded. A modal window that finds no queued answer of its kind, or that is
// still open kStillOpenMs after its answer, fails the running test function,
// naming its class and title, and is dismissed: a wrong path fails the test
// instead of hanging it. Where a plain answer does not reach (a file dialog
// accepted as the operator finds it, one that hands back a folder), `then`
// queues a step of the test's own for the next modal widget of any kind.
//
// A file name is put into the dialog's name field, never given to
// selectFile(): that leaves the field as it is once the field has the focus,
// which depends on whether the dialog's activation came before the answer.
//
//     BoxAnswerer answerer;
//     answerer.clickButton(QStringLiteral("确定"));
//     QTest::mouseClick(form.Command6, Qt::LeftButton);
//     QCOMPARE(answerer.boxes().size(), 1);
#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>

struct SeenBox
{
    QString title;
    QString text;
    QStringList buttons; // captions, '&' mnemonics kept
    QString clicked;     // caption of the button pressed; empty when dismissed
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString defaultButton;
    QWidget *parent = nullptr;
    Qt::WindowModality modality = Qt::NonModal;
    bool textClipped = false; // some ink of the text falls outside its label
};

struct SeenFileDialog
{
    QString title;
    QStringList nameFilters;
    QString defaultSuffix;
    QString directory;
    QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
    QString chosen;       // the file answered; empty when cancelled
    QStringList captions; // of its visible labels and buttons
};

// Something modal the test did not queue an answer for.
struct SeenUnexpected
{
    QString className;
    QString title;
    QString text;
};

// The file dialog's name field and its accept button, as the operator sees them.
inline QLineEdit *fileNameField(QFileDialog *dialog)
{
    return dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
}

// Puts `text` into the name field as the only choice: what was selected in the
// list before goes, so the dialog hands back the typed name and nothing else.
inline void typeName(QFileDialog *dialog, const QString &text)
{
    if (auto *list = dialog->findChild<QListView *>(QStringLiteral("listView")))
        list->selectionModel()->clear();
    fileNameField(dialog)->setText(text);
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
    typeName(dialog, text);
    pressOpen(dialog);
}

class BoxAnswerer
{
public:
    using Step = std::function<void(QWidget *)>;
    // How long a modal window may stay open after its answer.
    static constexpr int kStillOpenMs = 5000;

    // `pollMs`: how often the modal stack is looked at while boxes may be open.
    explicit BoxAnswerer(int pollMs = 5)
    {
        m_poll.setInterval(pollMs);
        QObject::connect(&m_poll, &QTimer::timeout, [this] { poll(); });
        m_poll.start();
    }

    // The next message box: press the button with this caption ('&' ignored).
    void clickButton(const QString &caption) { m_answers.push_back({Kind::Box, caption, {}, {}}); }
    // The next file dialog: choose this file (as if typed and accepted).
    void chooseFile(const QString &path) { m_answers.push_back({Kind::FileDialog, {}, path, {}}); }
    // The next file dialog: cancel it.
    void cancelFileDialog() { m_answers.push_back({Kind::FileDialog, {}, {}, {}}); }
    // The next modal widget, whatever it is: `step` answers it.
    void then(Step step) { m_answers.push_back({Kind::Step, {}, {}, std::move(step)}); }

    // Called with every box right after it is recorded and before it is answered.
    std::function<void(const SeenBox &)> onBox;

    const QList<SeenBox> &boxes() const { return m_boxes; }
    const QList<SeenFileDialog> &fileDialogs() const { return m_dialogs; }
    const QList<SeenUnexpected> &unexpected() const { return m_unexpected; }
    int pendingAnswers() const { return int(m_answers.size()); }

    // Lets events run until every queued answer has been given.
    bool waitUntilAnswered(int timeoutMs = 10000)
    {
        return QTest::qWaitFor([this] { return m_answers.empty(); }, timeoutMs);
    }

    static QString withoutMnemonic(QString caption) { return caption.remove(QLatin1Char('&')); }

private:
    enum class Kind { Box, FileDialog, Step };
    struct Answer
    {
        Kind kind;
        QString button;
        QString file;
        Step step;
    };

    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        if (modal == m_handled) {
            if (m_handledFor.elapsed() > kStillOpenMs)
                fail(modal, QStringLiteral("still open %1 ms after its answer").arg(kStillOpenMs));
            return;
        }
        m_handled = modal;
        m_handledFor.start();
        if (nextIs(Kind::Step)) {
            const Step step = std::move(m_answers.front().step);
            m_answers.pop_front();
            step(modal);
        } else if (auto *box = qobject_cast<QMessageBox *>(modal))
            answer(box);
        else if (auto *dialog = qobject_cast<QFileDialog *>(modal))
            answer(dialog);
        else
            fail(modal, QStringLiteral("no answer queued for it"));
    }

    bool nextIs(Kind kind) const { return !m_answers.empty() && m_answers.front().kind == kind; }

    void answer(QMessageBox *box)
    {
        SeenBox seen;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.parent = box->parentWidget();
        seen.modality = box->windowModality();
        if (const QPushButton *def = box->defaultButton())
            seen.defaultButton = def->text();
        if (const auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))) {
            // A label clips its text to itself: a line of text is drawn from
            // its top, and the ink below the baseline must fit beneath.
            const QFontMetrics metrics(label->font());
            if (metrics.horizontalAdvance(label->text()) <= label->contentsRect().width())
                seen.textClipped =
                    label->contentsRect().height() <
                    metrics.ascent() + metrics.tightBoundingRect(label->text()).bottom() + 1;
        }
        const QList<QAbstractButton *> buttons = box->buttons();
        for (QAbstractButton *b : buttons)
            seen.buttons << b->text();
        if (!nextIs(Kind::Box)) {
            m_boxes.push_back(seen);
            if (onBox)
                onBox(seen);
            fail(box, QStringLiteral("no answer queued for it"), seen.text);
            return;
        }
        const Answer wanted = m_answers.front();
        m_answers.pop_front();
        QAbstractButton *target = nullptr;
        for (QAbstractButton *b : buttons)
            if (withoutMnemonic(b->text()) == withoutMnemonic(wanted.button))
                target = b;
        if (target)
            seen.clicked = target->text();
        m_boxes.push_back(seen);
        if (onBox)
            onBox(seen);
        if (!target) {
            fail(box, QStringLiteral("has no button ") + wanted.button, seen.text);
            return;
        }
        QTest::mouseClick(target, Qt::LeftButton);
    }

    void answer(QFileDialog *dialog)
    {
        SeenFileDialog seen;
        seen.title = dialog->windowTitle();
        seen.nameFilters = dialog->nameFilters();
        seen.defaultSuffix = dialog->defaultSuffix();
        seen.directory = dialog->directory().absolutePath();
        seen.fileMode = dialog->fileMode();
        seen.acceptMode = dialog->acceptMode();
        for (const QLabel *label : dialog->findChildren<QLabel *>())
            if (label->isVisible() && !label->text().isEmpty())
                seen.captions << label->text();
        for (const QAbstractButton *button : dialog->findChildren<QPushButton *>())
            if (button->isVisible() && !button->text().isEmpty())
                seen.captions << button->text();
        if (!nextIs(Kind::FileDialog)) {
            m_dialogs.push_back(seen);
            fail(dialog, QStringLiteral("no answer queued for it"));
            return;
        }
        const Answer wanted = m_answers.front();
        m_answers.pop_front();
        seen.chosen = wanted.file;
        m_dialogs.push_back(seen);
        if (wanted.file.isEmpty()) {
            dialog->reject();
            return;
        }
        // As if typed into the name field and accepted, so the dialog checks
        // the name as it does for the operator.
        typeName(dialog, wanted.file);
        static_cast<QDialog *>(dialog)->accept();
    }

    // Records `modal` as unexpected, fails the running test function (if any:
    // the answerer also reads boxes for programs that are not tests) and
    // closes the window so the call that opened it returns.
    void fail(QWidget *modal, const QString &why, const QString &text = {})
    {
        const QString className = QString::fromLatin1(modal->metaObject()->className());
        m_unexpected.push_back({className, modal->windowTitle(), text});
        if (QTest::currentTestFunction()) {
            const QString message =
                QStringLiteral("modal %1 \"%2\" %3").arg(className, modal->windowTitle(), why);
            QTest::qFail(qPrintable(message), __FILE__, __LINE__);
        }
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        if (modal->isVisible())
            modal->close();
        if (modal->isVisible())
            modal->hide();
    }

    QTimer m_poll;
    std::deque<Answer> m_answers;
    QPointer<QWidget> m_handled;
    QElapsedTimer m_handledFor;
    QList<SeenBox> m_boxes;
    QList<SeenFileDialog> m_dialogs;
    QList<SeenUnexpected> m_unexpected;
};
