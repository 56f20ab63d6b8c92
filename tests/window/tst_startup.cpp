// The window right after start-up: caption, captions, selections, geometry,
// what starts by itself, fonts, the grid in the plot area, the focus order, and that neither
// start-up nor anything before the window's first frame reaches the driver library (the
// recording stand-in counts).
#include "recordeddriver.h"
#include "windowfixture.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

QString spaces(int count)
{
    return QString(count, QLatin1Char(' '));
}

bool isCjkFamily(const QString &family)
{
    return QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese);
}

// A frame's title, or the text of any other control.
QString captionOf(const QWidget *control)
{
    if (const auto *frame = qobject_cast<const QGroupBox *>(control))
        return frame->title();
    return control->property("text").toString();
}

// Where a window stood, and whether it had been placed, when it was first shown.
struct FirstShow : QObject
{
    std::optional<QPoint> at;
    bool moved = false;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const auto *window = static_cast<QWidget *>(watched);
        if (event->type() == QEvent::Show && !at) {
            at = window->pos();
            moved = window->testAttribute(Qt::WA_Moved);
        }
        return false;
    }
};

// How many driver calls there had been when a window's first frame was painted.
struct FirstPaint : QObject
{
    explicit FirstPaint(const RecordedDriver &driver) : driver(driver) {}
    const RecordedDriver &driver;
    std::optional<int> callsBefore;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !callsBefore)
            callsBefore = driver.count();
        return false;
    }
};

// The Song face the install script provides, which stands in for 宋体.
const QString kSongFace = QStringLiteral("AR PL UMing CN");

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void noDriverCallBeforeTheFirstFrame_data();
    void noDriverCallBeforeTheFirstFrame();
    void caption();
    void captions_data();
    void captions();
    void buttonsLeftToRight();
    void channelLabelsBesideButtons();
    void selections();
    void geometry();
    void oneGridDrawn();
    void grownPlotAreaKeepsItsDrawing();
    void readingAndSweepStartByThemselves();
    void readoutFonts();
    void chineseCaptionsHaveGlyphs();
    void focusOrder();
    void keyOnFocusPressesExit_data();
    void keyOnFocusPressesExit();

private:
    RecordedDriver m_driver;
};

void TestStartup::init()
{
    m_driver.reset();
    m_driver.setCode(0x123);
}

void TestStartup::noDriverCallBeforeTheFirstFrame_data()
{
    QTest::addColumn<bool>("onScreen");
    QTest::newRow("on screen") << true;
    // No frame ever painted (as when the window is never exposed): the ticks
    // wait a while for it, then run all the same.
    QTest::newRow("never painted") << false;
}

void TestStartup::noDriverCallBeforeTheFirstFrame()
{
    QFETCH(bool, onScreen);
    WindowUnderTest w;
    w.form->setUpdatesEnabled(onScreen);
    FirstPaint firstPaint(m_driver);
    w.form->installEventFilter(&firstPaint);
    w.started();
    QCOMPARE(m_driver.count(), 0);

    // The first live tick is the first call, so the counts were not blind.
    QTRY_VERIFY(m_driver.count() > 0);
    QCOMPARE(QString::fromStdString(m_driver.trace().front()), QStringLiteral("OpenQB7"));
    QCOMPARE(firstPaint.callsBefore.has_value(), onScreen);
    if (onScreen)
        QCOMPARE(*firstPaint.callsBefore, 0);
}

void TestStartup::caption()
{
    WindowUnderTest w;
    Form1 &form = w.started();

    // One space, ZK61AR, six spaces, the product, sixteen spaces, the maker, one space.
    const QString expected = spaces(1) + QStringLiteral("ZK61AR") + spaces(6) +
                             QStringLiteral("USB微型数据采集器") + spaces(16) +
                             QStringLiteral("Orvanta") + spaces(1);
    QCOMPARE(form.windowTitle(), expected);
}

void TestStartup::captions_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("caption");

    QTest::newRow("Frame1") << "Frame1" << QStringLiteral("显示方式");
    QTest::newRow("Frame2") << "Frame2" << QStringLiteral("通道");
    QTest::newRow("Frame3") << "Frame3" << QStringLiteral("量程");
    QTest::newRow("Option3") << "Option3" << QStringLiteral("静止");
    QTest::newRow("Option4") << "Option4" << QStringLiteral("扫描");
    QTest::newRow("Option11") << "Option11" << QStringLiteral("0-5V");
    QTest::newRow("Option12") << "Option12" << QStringLiteral("±5V");
    QTest::newRow("Option13") << "Option13" << QStringLiteral("0-10V");
    QTest::newRow("Option14") << "Option14" << QStringLiteral("±10V");
    QTest::newRow("Label9") << "Label9" << QStringLiteral("mV");
    QTest::newRow("Text1 before the first tick") << "Text1" << spaces(5);
}

void TestStartup::captions()
{
    QFETCH(QString, control);
    QFETCH(QString, caption);

    WindowUnderTest w;
    Form1 &form = w.started();
    const QWidget *shown = form.findChild<QWidget *>(control);
    QVERIFY2(shown, qPrintable(control));
    QCOMPARE(captionOf(shown), caption);

    if (auto *frame = form.findChild<QGroupBox *>(control)) {
        // A classic frame: its top line runs through the caption's line, not
        // below it. Looked for at the right, beyond the caption.
        const QImage look = frame->grab().toImage();
        const int x = look.width() - 4;
        int line = 0;
        while (line < look.height() && look.pixel(x, line) == look.pixel(x, 0))
            ++line;
        QVERIFY2(line < QFontMetrics(frame->font()).height(),
                 qPrintable(QStringLiteral("frame line at row %1").arg(line)));
    }
}

void TestStartup::buttonsLeftToRight()
{
    WindowUnderTest w;
    Form1 &form = w.started();

    QList<QPushButton *> buttons = form.findChildren<QPushButton *>();
    std::sort(buttons.begin(), buttons.end(),
              [](const QPushButton *a, const QPushButton *b) { return a->x() < b->x(); });
    QStringList captions;
    for (const QPushButton *b : buttons) {
        captions << b->text();
        QCOMPARE(b->y(), form.Command1->y());
    }
    QCOMPARE(captions,
             (QStringList{QStringLiteral("存盘"), QStringLiteral("取盘"), QStringLiteral("打印"),
                          QStringLiteral("关于"), QStringLiteral("退出")}));
    QCOMPARE(buttons.constLast(), form.Command1);
}

void TestStartup::channelLabelsBesideButtons()
{
    WindowUnderTest w;
    Form1 &form = w.started();

    const auto channels = form.channelOptions();
    for (int ch = 0; ch < 8; ++ch) {
        const QLabel *label = form.findChild<QLabel *>(QStringLiteral("Label%1").arg(ch + 1));
        QVERIFY(label);
        QCOMPARE(label->text(), QString::number(ch));
        QCOMPARE(label->parentWidget(), form.Frame2);
        QCOMPARE(channels[ch]->parentWidget(), form.Frame2);
        QCOMPARE(label->y(), channels[ch]->y());
        QVERIFY(label->x() >= channels[ch]->geometry().right());
    }
}

void TestStartup::selections()
{
    WindowUnderTest w;
    Form1 &form = w.started();

    const QList<OptionButton *> options = form.findChildren<OptionButton *>();
    QCOMPARE(options.size(), 14);
    QCOMPARE(std::count_if(options.cbegin(), options.cend(),
                           [](const OptionButton *option) { return option->isChecked(); }),
             3);
    QVERIFY(form.Option1->isChecked());
    QVERIFY(form.Option11->isChecked());
    QVERIFY(form.Option4->isChecked());
}

void TestStartup::geometry()
{
    WindowUnderTest w;
    FirstShow firstShow;
    w.form->installEventFilter(&firstShow);
    Form1 &form = w.started();

    // 15 twips to a pixel: Left 1440, Top 100, Width 8280, Height 5090.
    const auto px = [](double twipsValue) { return qRound(twipsValue / 15.0); };
    QCOMPARE(form.Picture1->geometry(), QRect(px(1440), px(100), px(8280), px(5090)));

    // Asked for 0,0 before it was first shown (where the frame then lands is
    // the window manager's: tests/desktop/desktop.sh checks it under one).
    QCOMPARE(firstShow.at, std::optional<QPoint>(QPoint(0, 0)));
    QVERIFY(firstShow.moved);
    QVERIFY(form.isVisible());
    QCOMPARE(form.size(), QSize(664, 428));
    QCOMPARE(form.minimumSize(), QSize(664, 428));
    QCOMPARE(form.maximumSize(), QSize(664, 428));
}

void TestStartup::oneGridDrawn()
{
    WindowUnderTest w;
    Form1 &form = w.started();
    PlotArea *plot = form.Picture1;

    const QColor grid(0, 200, 200);
    const QColor black(0, 0, 0);
    for (const QLineF &line : screenGridLines())
        for (const QPointF p : {line.p1(), line.center(), line.p2()})
            QVERIFY2(colourAt(plot, p) == grid,
                     qPrintable(QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y())));
    // The middle of every division, away from the centre ticks, is background.
    for (int column = 0; column < 10; ++column)
        for (int row = 0; row < 10; ++row) {
            const QPointF p(410 + 820 * column, 250 + 500 * row);
            QVERIFY2(colourAt(plot, p) == black,
                     qPrintable(QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y())));
        }
    // The last pixels of the drawing surface, beyond the drawn region.
    const QSize surface = plot->picture().size();
    QCOMPARE(PlotArea::pixelAt(QPointF(8219, 5024)),
             QPoint(surface.width() - 1, surface.height() - 1));
    QCOMPARE(colourAt(plot, QPointF(8219, 2600)), black);
    QCOMPARE(colourAt(plot, QPointF(2600, 5024)), black);

    // Drawn twice without a clear in between, it is still the one grid.
    QCOMPARE(plot->picture(), freshGrid(*plot));
}

// Grown after drawing, as when start-up sizes it, the plot area keeps what is
// drawn, on a picture of its new size.
void TestStartup::grownPlotAreaKeepsItsDrawing()
{
    WindowUnderTest w;
    PlotArea *plot = w.started().Picture1;
    const QImage drawn = plot->picture().copy();
    plot->resize(plot->size() + QSize(30, 20));
    const QImage &grown = plot->picture();
    QCOMPARE(grown.size(), drawn.size() + QSize(30, 20));
    QCOMPARE(grown.copy(QRect(QPoint(0, 0), drawn.size())), drawn);
    QCOMPARE(grown.pixelColor(grown.width() - 1, grown.height() - 1), QColor(0, 0, 0));
}

void TestStartup::readingAndSweepStartByThemselves()
{
    WindowUnderTest w;
    Form1 &form = w.started();
    // A sweep runs inside a tick, so it is seen from a timer that fires in its yields.
    bool sawSweep = false;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] { sawSweep = sawSweep || form.isSweeping(); });
    look.start(0);
    QTRY_VERIFY_WITH_TIMEOUT(m_driver.countOf("QB7In") >= 2, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(sawSweep, 10000);
}

void TestStartup::readoutFonts()
{
    WindowUnderTest w;
    Form1 &form = w.started();

    QCOMPARE(form.Text1->font().pointSizeF(), 15.0);
    QCOMPARE(form.Label9->font().pointSizeF(), 14.25);
    for (const QWidget *control :
         {static_cast<QWidget *>(form.Text1), static_cast<QWidget *>(form.Label9)}) {
        QCOMPARE(control->font().weight(), QFont::Normal);
        const QString family = QFontInfo(control->font()).family();
        QVERIFY2(isCjkFamily(family), qPrintable(family));
        QVERIFY(QFontMetrics(control->font()).inFont(QChar(0x901A))); // 通
    }
}

void TestStartup::chineseCaptionsHaveGlyphs()
{
    QVERIFY2(QFontDatabase::families().contains(kSongFace), "scripts/install-deps.sh installs it");
    WindowUnderTest w;
    Form1 &form = w.started();
    // Every control draws in 宋体, here the Song face, not in a fallback.
    for (const QWidget *control : form.findChildren<QWidget *>())
        QVERIFY2(QFontInfo(control->font()).family() == kSongFace,
                 qPrintable(control->metaObject()->className() + QStringLiteral(": ") +
                            QFontInfo(control->font()).family()));

    for (const char *name : {"Frame1", "Frame2", "Frame3", "Option3", "Option4", "Command1",
                             "Command3", "Command4", "Command5", "Command6", "Option12"}) {
        const QWidget *control = form.findChild<QWidget *>(QLatin1String(name));
        QVERIFY2(control, name);
        const QString caption = captionOf(control);
        const QString family = QFontInfo(control->font()).family();
        QVERIFY2(isCjkFamily(family), qPrintable(caption + QStringLiteral(": ") + family));
        const QFontMetrics metrics(control->font());
        for (const char32_t ch : caption.toUcs4())
            QVERIFY2(metrics.inFontUcs4(ch),
                     qPrintable(caption + QStringLiteral(": U+") + QString::number(ch, 16)));
    }
}

void TestStartup::focusOrder()
{
    WindowUnderTest w;
    Form1 &form = w.started();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));

    const QStringList designOrder = {
        "Command1", "Picture1", "Command3", "Command4", "Command5", "Command6", "Option3",
        "Option4",  "Option1",  "Option2",  "Option5",  "Option6",  "Option7",  "Option8",
        "Option9",  "Option10", "Option11", "Option12", "Option13", "Option14", "Text1"};
    const auto nameOf = [](const QWidget *widget) {
        return widget ? widget->objectName() : QStringLiteral("none");
    };

    // The focus chain holds every control that takes the focus, in the design's order.
    QStringList chain;
    const QWidget *widget = form.Command1;
    do {
        if (widget->focusPolicy() != Qt::NoFocus && designOrder.contains(nameOf(widget)))
            chain << nameOf(widget);
        widget = widget->nextInFocusChain();
    } while (widget != form.Command1);
    QCOMPARE(chain, designOrder);

    // Focus starts on Command1; Tab walks that order and wraps round, each group
    // of option buttons being one stop, on its selected button (arrow keys move
    // within a group): Scan, though Still comes first in the order.
    const QStringList expectedStops = {"Command1", "Picture1", "Command3", "Command4",
                                       "Command5", "Command6", "Option4",  "Option1",
                                       "Option11", "Text1",    "Command1"};
    // Each stop shows that it has the focus, from start-up on: its look with
    // the focus differs from its look without in clearly visible pixels. The
    // timers are held, so nothing else changes the looks.
    form.Timer1.stop();
    form.Timer2.stop();
    QTRY_VERIFY(!form.isSweeping());
    QHash<QString, QImage> unfocused;
    for (const QString &name : expectedStops)
        if (name != "Command1")
            unfocused[name] = form.findChild<QWidget *>(name)->grab().toImage();
    QImage startupLook = form.Command1->grab().toImage();
    const auto marked = [](const QImage &with, const QImage &without) {
        int clear = 0;
        for (int y = 0; y < with.height(); ++y)
            for (int x = 0; x < with.width(); ++x) {
                const QColor a = with.pixelColor(x, y), b = without.pixelColor(x, y);
                clear += std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                                   std::abs(a.blue() - b.blue())}) >= 128;
            }
        return clear >= 16;
    };
    QStringList stops = {nameOf(QApplication::focusWidget())};
    QStringList unmarked;
    while (stops.size() < expectedStops.size()) {
        QTest::keyClick(form.windowHandle(), Qt::Key_Tab);
        QWidget *focused = QApplication::focusWidget();
        stops << nameOf(focused);
        if (stops.size() == 2 && !marked(startupLook, form.Command1->grab().toImage()))
            unmarked << "Command1 at start-up";
        if (focused && unfocused.contains(nameOf(focused)) &&
            !marked(focused->grab().toImage(), unfocused[nameOf(focused)]))
            unmarked << nameOf(focused);
    }
    QCOMPARE(stops, expectedStops);
    QCOMPARE(unmarked, QStringList());
}

void TestStartup::keyOnFocusPressesExit_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");

    QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier);
    // As X11 delivers it: the keypad's Enter carries the keypad modifier.
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
    QTest::newRow("Space") << int(Qt::Key_Space) << int(Qt::NoModifier);
}

void TestStartup::keyOnFocusPressesExit()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);

    WindowUnderTest w;
    Form1 &form = w.started();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(QApplication::focusWidget(), form.Command1);

    // Live ticks may run between press and release; each is a whole conversion
    // that opens and closes the device, so Exit's own CloseQB7 is the one extra.
    QTest::keyClick(form.windowHandle(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));

    QCOMPARE(*w.exitCodes, QList<int>{0});
    QVERIFY(form.hasEnded());
    QCOMPARE(m_driver.countOf("CloseQB7"), m_driver.countOf("OpenQB7") + 1);
    QCOMPARE(QString::fromStdString(m_driver.trace().back()), QStringLiteral("CloseQB7"));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
