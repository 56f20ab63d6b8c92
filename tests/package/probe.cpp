// Preloaded into the installed program by the package test (LD_PRELOAD) to read
// from outside what the operator sees: the window once it is shown, the readout
// each time it changes, and every message box, which it answers with OK. One
// JSON object a line on stdout. It reads the program's widgets and presses OK;
// it changes nothing else, and the program under it is the installed one.
#include "boxlines.h"

#include <QLineEdit>

namespace {

class Probe : public QObject
{
public:
    explicit Probe(QObject *parent) : QObject(parent)
    {
        printAndAcknowledge(m_answerer, [](const SeenBox &box) {
            return QJsonObject{{"box", box.title}, {"text", box.text}};
        });
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
                printLine({{"window", top->windowTitle()}});
            }
            const auto *readout = top->findChild<QLineEdit *>(QStringLiteral("Text1"));
            if (readout && readout->text() != m_readout) {
                m_readout = readout->text();
                printLine({{"readout", m_readout}});
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
