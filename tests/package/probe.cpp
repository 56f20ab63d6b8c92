// Preloaded into the installed program by the package test (LD_PRELOAD) to read
// from outside what the operator sees: the window once it is shown, the readout
// each time it changes, and every message box, which it answers with OK. One
// JSON object a line on stdout. It reads the program's widgets and presses OK;
// it changes nothing else, and the program under it is the installed one.
#include "boxanswerer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>

#include <cstdio>

namespace {

void report(const QJsonObject &line)
{
    std::printf("%s\n", QJsonDocument(line).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

class Probe : public QObject
{
public:
    explicit Probe(QObject *parent) : QObject(parent)
    {
        m_answerer.onBox = [](const SeenBox &box) {
            report({{"box", box.title}, {"text", box.text}});
        };
        for (int i = 0; i < 5; ++i)
            m_answerer.clickButton(QStringLiteral("确定"));
        connect(&m_poll, &QTimer::timeout, this, &Probe::look);
        m_poll.start(20);
    }

private:
    void look()
    {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (!top->inherits("Form1") || !top->isVisible())
                continue;
            if (!m_windowSeen) {
                m_windowSeen = true;
                report({{"window", top->windowTitle()}});
            }
            // The readout Text1 is the window's one text box.
            const auto boxes = top->findChildren<QLineEdit *>();
            if (boxes.size() == 1 && boxes.first()->text() != m_readout) {
                m_readout = boxes.first()->text();
                report({{"readout", m_readout}});
            }
        }
    }

    BoxAnswerer m_answerer;
    QTimer m_poll;
    bool m_windowSeen = false;
    QString m_readout;
};

// Runs inside the QApplication's constructor; the probe starts with its loop.
void startProbe()
{
    QTimer::singleShot(0, qApp, [] { new Probe(qApp); });
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(startProbe)
