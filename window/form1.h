#pragma once
#include "device/adc.h"
#include "device/qb7driver.h"
#include "files/samplebuffer.h"
#include "window/commondialog.h"
#include "window/platform.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

class CommandButton;
class OptionButton;
class PlotArea;
class QGroupBox;
class QLabel;
class QLineEdit;

// The program's one window. Its controls, shared values and handlers keep the
// names of the window's design; everything runs on this window's thread. Other
// handlers run inside the sweep, which yields to the event loop after every
// point, and inside every modal box and dialog, each of which runs a nested
// event loop of its own.
class Form1 : public QWidget
{
    Q_OBJECT
public:
    explicit Form1(Platform platform = Platform::system(), QWidget *parent = nullptr);
    ~Form1() override;

    // Handlers.
    void Form_Load();
    void Timer1_Timer();
    void Timer2_Timer();
    void Option3_Click();
    void Option4_Click();
    void Command1_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Drawgrid1();

    // True once the program has ended: no handler runs after that.
    bool hasEnded() const { return m_ended; }
    // True while a sweep is drawing (between its tick and its last pass).
    bool isSweeping() const;

    // Controls.
    PlotArea *Picture1 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QGroupBox *Frame3 = nullptr;
    OptionButton *Option1 = nullptr, *Option2 = nullptr, *Option5 = nullptr, *Option6 = nullptr,
                 *Option7 = nullptr, *Option8 = nullptr, *Option9 = nullptr, *Option10 = nullptr;
    OptionButton *Option11 = nullptr, *Option12 = nullptr, *Option13 = nullptr, *Option14 = nullptr;
    OptionButton *Option3 = nullptr, *Option4 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr,
           *Label5 = nullptr, *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr,
           *Label9 = nullptr;
    QLineEdit *Text1 = nullptr;
    CommandButton *Command1 = nullptr, *Command3 = nullptr, *Command4 = nullptr,
                  *Command5 = nullptr, *Command6 = nullptr;
    QTimer Timer1;
    QTimer Timer2;
    CommonDialog CommonDialog1;

    // The channel buttons in channel order 0..7, the range buttons in code order 0..3.
    std::array<OptionButton *, 8> channelOptions() const;
    std::array<OptionButton *, 4> rangeOptions() const;

    // Shared values.
    std::int16_t adValue = 0;
    int channel = 0;
    int range = 0;
    SampleBuffer sampleBuf;
    QString replayKind; // never assigned: loaded samples are not drawn

protected:
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void createControls();
    void applyTabOrder();
    void connectHandlers();
    // Called as Form_Load returns: the ticks run from the window's first frame.
    void letTicksRun();
    bool ticksRun() const { return m_loaded && m_framed; }
    // Runs a handler unless the program has ended; a failure it raises is
    // reported and ends the program.
    void dispatch(void (Form1::*handler)());
    void readSelections();
    void yieldToEvents();
    void endProgram(int exitCode);
    void failAndEnd(const QString &message);

    Platform m_platform;
    Qb7Driver m_driver;
    Adc m_adc{m_driver};
    bool m_loaded = false;
    // The window's first frame is painted, or the wait for it is over.
    bool m_framed = false;
    // The code and range that Text1 shows; none before the first reading.
    std::optional<std::pair<std::int16_t, int>> m_shownReading;
    bool m_ended = false;
    // No sweep starts while Save asks its question, so the file holds the
    // trace the operator saw when clicking.
    bool m_sweepHeld = false;
};
