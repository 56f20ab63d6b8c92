#include "window/form1.h"

#include "boxes/fonts.h"
#include "boxes/msgbox.h"
#include "device/drivererror.h"
#include "plot/twips.h"
#include "window/controls.h"
#include "window/plotarea.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include <cstdio>

namespace {
// Client area of the window's design, in twips.
constexpr int kClientWidth = 9960;
constexpr int kClientHeight = 6420;
constexpr int kTimerIntervalMs = 1;
// How long the ticks wait for the window's first frame after Form_Load: a
// window that is not on screen by then (started minimised, on another desktop)
// ticks all the same.
constexpr int kFirstFrameWaitMs = 250;
const QColor kWindowColour{192, 192, 192};

// Creates a control of the design under its design name, which it also carries
// as its object name.
template <typename Control, typename... Args>
Control *place(QWidget *container, const char *name, int left, int top, int width, int height,
               Args &&...args)
{
    auto *control = new Control(std::forward<Args>(args)..., container);
    control->setObjectName(QLatin1String(name));
    control->setGeometry(twips::rect(left, top, width, height));
    return control;
}

// The installed program has zk61ar-demo beside it, which runs it on the
// emulated device: the way to try it without the device and its driver.
QString withDemoHint(const QString &message)
{
    const QString demo = QStringLiteral("zk61ar-demo");
    if (!QFileInfo(QCoreApplication::applicationDirPath() + QLatin1Char('/') + demo).isExecutable())
        return message;
    return message + QStringLiteral("\n没有设备时，可用 %1 在模拟设备上运行本程序。").arg(demo);
}

} // namespace

Form1::Form1(Platform platform, QWidget *parent) : QWidget(parent), m_platform(std::move(platform))
{
    setWindowTitle(QStringLiteral("Form1"));
    setFixedSize(twips::toPixels(kClientWidth), twips::toPixels(kClientHeight));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kWindowColour);
    setPalette(colours);
    setAutoFillBackground(true);

    createControls();
    applyTabOrder();
    connectHandlers();

    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer2.setObjectName(QStringLiteral("Timer2"));
    // Both timers run from creation.
    for (QTimer *timer : {&Timer1, &Timer2}) {
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(kTimerIntervalMs);
        timer->start();
    }
}

Form1::~Form1()
{
    m_ended = true;
    Timer1.stop();
    Timer2.stop();
}

void Form1::createControls()
{
    Picture1 = place<PlotArea>(this, "Picture1", 1440, 120, 8200, 5055);

    Frame2 = place<QGroupBox>(this, "Frame2", 240, 360, 855, 3375, QStringLiteral("通道"));
    Option1 = place<OptionButton>(Frame2, "Option1", 240, 360, 255, 255, QStringLiteral("Option1"));
    Option2 = place<OptionButton>(Frame2, "Option2", 240, 720, 255, 255, QStringLiteral("Option2"));
    Option5 =
        place<OptionButton>(Frame2, "Option5", 240, 1080, 255, 255, QStringLiteral("Option5"));
    Option6 =
        place<OptionButton>(Frame2, "Option6", 240, 1440, 255, 255, QStringLiteral("Option6"));
    Option7 =
        place<OptionButton>(Frame2, "Option7", 240, 1800, 255, 255, QStringLiteral("Option7"));
    Option8 =
        place<OptionButton>(Frame2, "Option8", 240, 2160, 255, 255, QStringLiteral("Option8"));
    Option9 =
        place<OptionButton>(Frame2, "Option9", 240, 2520, 255, 255, QStringLiteral("Option9"));
    Option10 =
        place<OptionButton>(Frame2, "Option10", 240, 2880, 255, 255, QStringLiteral("Option10"));
    Label1 = place<QLabel>(Frame2, "Label1", 600, 360, 135, 255, QStringLiteral("0"));
    Label2 = place<QLabel>(Frame2, "Label2", 600, 720, 135, 255, QStringLiteral("1"));
    Label3 = place<QLabel>(Frame2, "Label3", 600, 1080, 135, 255, QStringLiteral("2"));
    Label4 = place<QLabel>(Frame2, "Label4", 600, 1440, 135, 255, QStringLiteral("3"));
    Label5 = place<QLabel>(Frame2, "Label5", 600, 1800, 135, 255, QStringLiteral("4"));
    Label6 = place<QLabel>(Frame2, "Label6", 600, 2160, 135, 255, QStringLiteral("5"));
    Label7 = place<QLabel>(Frame2, "Label7", 600, 2520, 135, 255, QStringLiteral("6"));
    Label8 = place<QLabel>(Frame2, "Label8", 600, 2880, 135, 255, QStringLiteral("7"));

    Frame3 = place<QGroupBox>(this, "Frame3", 120, 3960, 1215, 2055, QStringLiteral("量程"));
    Option11 = place<OptionButton>(Frame3, "Option11", 120, 240, 855, 375, QStringLiteral("0-5V"));
    Option12 = place<OptionButton>(Frame3, "Option12", 120, 720, 855, 255, QStringLiteral("±5V"));
    Option13 =
        place<OptionButton>(Frame3, "Option13", 120, 1080, 855, 375, QStringLiteral("0-10V"));
    Option14 = place<OptionButton>(Frame3, "Option14", 120, 1440, 855, 495, QStringLiteral("±10V"));

    Text1 = place<QLineEdit>(this, "Text1", 1560, 5400, 1095, 495, QStringLiteral("     "));
    Text1->setFont(songTi(15));
    Label9 = place<QLabel>(this, "Label9", 2880, 5520, 495, 375, QStringLiteral("mV"));
    Label9->setFont(songTi(14.25));

    Frame1 = place<QGroupBox>(this, "Frame1", 3480, 5280, 1935, 855, QStringLiteral("显示"));
    Option4 = place<OptionButton>(Frame1, "Option4", 240, 240, 735, 375, QStringLiteral("Option4"));
    Option3 =
        place<OptionButton>(Frame1, "Option3", 1080, 240, 735, 375, QStringLiteral("Option3"));

    Command3 =
        place<CommandButton>(this, "Command3", 5640, 5640, 735, 375, QStringLiteral("Command3"));
    Command4 =
        place<CommandButton>(this, "Command4", 6360, 5640, 735, 375, QStringLiteral("Command4"));
    Command5 =
        place<CommandButton>(this, "Command5", 7080, 5640, 735, 375, QStringLiteral("Command5"));
    Command6 =
        place<CommandButton>(this, "Command6", 8160, 5640, 735, 375, QStringLiteral("Command6"));
    Command1 =
        place<CommandButton>(this, "Command1", 8880, 5640, 735, 375, QStringLiteral("Command1"));

    for (QLabel *label : {Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8, Label9})
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (QStyle *classic = classicFrameStyle())
        for (QGroupBox *frame : {Frame1, Frame2, Frame3})
            frame->setStyle(classic);
}

void Form1::applyTabOrder()
{
    // The design's focus order; frames and labels never take the focus.
    QWidget *const order[] = {Command1, Picture1, Command3, Command4, Command5, Command6, Option3,
                              Option4,  Option1,  Option2,  Option5,  Option6,  Option7,  Option8,
                              Option9,  Option10, Option11, Option12, Option13, Option14, Text1};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void Form1::dispatch(void (Form1::*handler)())
{
    if (m_ended)
        return;
    try {
        (this->*handler)();
    } catch (const DriverError &error) {
        failAndEnd(withDemoHint(QString::fromStdString(error.message())));
    } catch (const std::exception &error) {
        failAndEnd(QString::fromUtf8(error.what()));
    }
}

void Form1::connectHandlers()
{
    // Ticks wait for Form_Load to return and for the window's first frame.
    connect(&Timer1, &QTimer::timeout, this, [this] {
        if (ticksRun())
            dispatch(&Form1::Timer1_Timer);
    });
    connect(&Timer2, &QTimer::timeout, this, [this] {
        if (ticksRun())
            dispatch(&Form1::Timer2_Timer);
    });
    connect(Option3, &OptionButton::Click, this, [this] { dispatch(&Form1::Option3_Click); });
    connect(Option4, &OptionButton::Click, this, [this] { dispatch(&Form1::Option4_Click); });
    connect(Command1, &QPushButton::clicked, this, [this] { dispatch(&Form1::Command1_Click); });
    connect(Command3, &QPushButton::clicked, this, [this] { dispatch(&Form1::Command3_Click); });
    connect(Command4, &QPushButton::clicked, this, [this] { dispatch(&Form1::Command4_Click); });
    connect(Command5, &QPushButton::clicked, this, [this] { dispatch(&Form1::Command5_Click); });
    connect(Command6, &QPushButton::clicked, this, [this] { dispatch(&Form1::Command6_Click); });
}

void Form1::letTicksRun()
{
    m_loaded = true;
    QTimer::singleShot(kFirstFrameWaitMs, this, [this] { m_framed = true; });
}

// The first frame shows what Form_Load drew and comes before the first tick.
// Ticks that came first would spend the time the window system takes to put
// the window on screen converting and sweeping, on the processors it needs:
// the sweep never waits.
void Form1::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    m_framed = true;
}

std::array<OptionButton *, 8> Form1::channelOptions() const
{
    return {Option1, Option2, Option5, Option6, Option7, Option8, Option9, Option10};
}

std::array<OptionButton *, 4> Form1::rangeOptions() const
{
    return {Option11, Option12, Option13, Option14};
}

void Form1::endProgram(int exitCode)
{
    m_ended = true;
    Timer1.stop();
    Timer2.stop();
    hide();
    m_platform.endProgram(exitCode);
}

void Form1::failAndEnd(const QString &message)
{
    if (m_ended)
        return;
    // Stopped first: the 1 ms timers would tick on inside the box and raise the
    // same failure again.
    m_ended = true;
    Timer1.stop();
    Timer2.stop();
    // On standard error as well: started from a terminal or a script, the
    // reason stays where it can be read after the box.
    for (const QString &line : message.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        std::fprintf(stderr, "zk61ar: %s\n", line.toUtf8().constData());
    std::fflush(stderr);
    showFatalError(this, message);
    endProgram(1);
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Closing from the frame ends the program with no driver call; a sweep that
    // is yielding sees the end and stops drawing on the closed window.
    event->accept();
    if (!m_ended) {
        endProgram(0);
        return;
    }
    // Ended already: what stays open is the box that tells why, the last thing
    // before the end. It is answered, so the program ends (a stop signal closes
    // the window so).
    for (QMessageBox *box : findChildren<QMessageBox *>(Qt::FindDirectChildrenOnly))
        box->close();
}
