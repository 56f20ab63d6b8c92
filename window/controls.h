#pragma once
#include <QPushButton>
#include <QRadioButton>

// An option button whose Click runs whenever it becomes selected, by the
// operator or from code, and again when the operator clicks it while selected.
class OptionButton : public QRadioButton
{
    Q_OBJECT
public:
    explicit OptionButton(const QString &caption, QWidget *parent);

signals:
    void Click();

private:
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
};
