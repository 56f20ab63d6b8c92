// The sweep on the real window against the recording driver stand-in, whose
// reads give a code the test sets. Sweeps are started by calling Timer2_Timer
// (Timer2 stopped unless a case wants its ticks); what happens "inside the
// yield" is done from timers that fire during the sweep's yields.
#include "recordeddriver.h"
#include "windowfixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPaintEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <functional>
#include <memory>

namespace {

constexpr std::int16_t kMarker = -12345; // no reading is ever this
constexpr int kLast = SampleBuffer::kLastPoint;
const QColor kTrace{0, 255, 0};
const QColor kGrid{0, 200, 200};
constexpr int kGridLines = 63;

// The lines drawn on the plot area since its last clear, in plot units.
struct DrawnLines : PlotListener
{
    QList<std::pair<QLineF, QColor>> lines;
    void cleared() override { lines.clear(); }
    void lineDrawn(QPointF from, QPointF to, const QColor &c) override
    {
        lines.append({{from, to}, c});
    }
};

// Rows of the picture's column at plot x that show the trace.
QList<int> traceRows(Form1 &form, double x)
{
    const QImage &picture = form.Picture1->picture();
    const int column = PlotArea::pixelAt(QPointF(x, 0)).x();
    QList<int> rows;
    for (int y = 0; y < picture.height(); ++y)
        if (picture.pixelColor(column, y) == kTrace)
            rows << y;
    return rows;
}

int row(double plotY)
{
    return PlotArea::pixelAt(QPointF(0, plotY)).y();
}

// Runs `action` once, inside the first yield of the sweep after `when` holds.
void inYieldOnceWhen(Form1 &form, std::function<bool()> when, std::function<void()> action)
{
    auto *poll = new QTimer(&form);
    poll->setInterval(0);
    QObject::connect(poll, &QTimer::timeout, poll, [=] {
        if (!when())
            return;
        poll->stop();
        poll->deleteLater();
        action();
    });
    poll->start();
}

void inFirstYield(Form1 &form, std::function<void()> action)
{
    const auto atOnce = [] { return true; };
    inYieldOnceWhen(form, atOnce, std::move(action));
}

// The regions of the plot area that were repainted on screen.
class PaintSpy : public QObject
{
public:
    explicit PaintSpy(QWidget *watched) { watched->installEventFilter(this); }
    QRegion painted;
    std::function<void()> onPaint;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent *>(event)->region();
            if (onPaint)
                onPaint();
        }
        return false;
    }
};

} // namespace

class TestSweep : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void stillSweepStoresZerosFromFirstSegment_data();
    void stillSweepStoresZerosFromFirstSegment();
    void scanSweepSettlesToReading_data();
    void scanSweepSettlesToReading();
    void rangeChangedDuringPass_data();
    void rangeChangedDuringPass();
    void tickDuringSweepIsDroppedWhileAboutIsOpen();
    void endDuringSweepStopsAtOnce_data();
    void endDuringSweepStopsAtOnce();
    void drawnSegmentsReachTheScreen();
    void screenShowsWholeShortSweeps_data();
    void screenShowsWholeShortSweeps();

private:
    void fillMarkers();
    bool untouchedOutsideSweep() const;
    void checkTrace(int passes, const std::function<double(int)> &endY);

    RecordedDriver m_driver;
    std::unique_ptr<WindowUnderTest> m_window;
    Form1 *m_form = nullptr;
    DrawnLines m_drawn;
};

void TestSweep::init()
{
    m_driver.reset();
    m_driver.setFilling(1);
    m_driver.setCode(0);
    m_window = std::make_unique<WindowUnderTest>();
    m_form = &m_window->started();
    m_form->Timer2.stop();
    m_form->Picture1->setListener(&m_drawn);
}

void TestSweep::cleanup()
{
    m_window.reset();
}

void TestSweep::fillMarkers()
{
    for (int r = 0; r <= SampleBuffer::kLastIndex; ++r)
        m_form->sampleBuf(r) = kMarker;
}

bool TestSweep::untouchedOutsideSweep() const
{
    for (int r = 0; r <= SampleBuffer::kLastIndex; r = r == 0 ? kLast + 1 : r + 1)
        if (m_form->sampleBuf(r) != kMarker)
            return false;
    return true;
}

// After the sweep's clear and grid, `passes` passes of trace segments from (i, where
// the one before ended; 5000 first) to (i + 1, `endY`(i) in the last pass).
void TestSweep::checkTrace(int passes, const std::function<double(int)> &endY)
{
    QCOMPARE(m_drawn.lines.size(), kGridLines + passes * kLast);
    double fromY = 5000;
    for (int k = 0; k < passes * kLast; ++k) {
        const int i = k % kLast + 1;
        const auto &[line, colour] = m_drawn.lines[kGridLines + k];
        QCOMPARE(colour, kTrace);
        QCOMPARE(line, QLineF(i, fromY, i + 1, k / kLast < passes - 1 ? line.y2() : endY(i)));
        fromY = line.y2();
    }
}

void TestSweep::stillSweepStoresZerosFromFirstSegment_data()
{
    QTest::addColumn<int>("range");
    QTest::addColumn<double>("firstEndY");

    QTest::newRow("0-5V") << 0 << 5000.0;
    QTest::newRow("±5V") << 1 << 2500.0;
    QTest::newRow("0-10V") << 2 << 5000.0;
    QTest::newRow("±10V") << 3 << 2500.0;
}

void TestSweep::stillSweepStoresZerosFromFirstSegment()
{
    QFETCH(int, range);
    QFETCH(double, firstEndY);
    Form1 &form = *m_form;
    click(form.rangeOptions()[range]);
    click(form.Option3); // Still: no live reading
    m_driver.setCode(1000);
    form.adValue = 555; // an earlier reading; the sweep starts from 0
    fillMarkers();

    form.Timer2_Timer();

    for (int i = 1; i <= kLast; ++i)
        QCOMPARE(form.sampleBuf(i), std::int16_t(0));
    QVERIFY(untouchedOutsideSweep());
    QCOMPARE(form.adValue, std::int16_t(0));
    // The first segment joins (1, 5000) to (2, 5000 - y of code 0); the flat
    // trace after it stays on that height.
    QCOMPARE(colourAt(form.Picture1, {1, 5000}), kTrace);
    QCOMPARE(colourAt(form.Picture1, {2, firstEndY}), kTrace);
    QCOMPARE(colourAt(form.Picture1, {1.5, 3750}), firstEndY == 2500 ? kTrace : kGrid);
    QCOMPARE(traceRows(form, 4500), QList<int>{row(firstEndY)});
    checkTrace(1, [firstEndY](int) { return firstEndY; });
}

void TestSweep::scanSweepSettlesToReading_data()
{
    QTest::addColumn<int>("range");
    QTest::addColumn<int>("code12");
    QTest::addColumn<int>("stored");
    QTest::addColumn<double>("plotY");

    QTest::newRow("0-5V 3000") << 0 << 3000 << 3000 << 1337.890625;
    QTest::newRow("±5V -512") << 1 << 0xE00 << -512 << 3125.0;
    QTest::newRow("0-10V 1024") << 2 << 1024 << 1024 << 3750.0;
    QTest::newRow("±10V 1000") << 3 << 1000 << 1000 << 1279.296875;
    QTest::newRow("±10V -2048 on the bottom") << 3 << 0x800 << -2048 << 5000.0;
    // The top codes land just below the top edge, on the first row.
    QTest::newRow("0-5V 4095 at the top") << 0 << 4095 << 4095 << 1.220703125;
    QTest::newRow("0-10V 4095 at the top") << 2 << 4095 << 4095 << 1.220703125;
    QTest::newRow("±5V 2047 at the top") << 1 << 2047 << 2047 << 1.220703125;
    QTest::newRow("±10V 2047 at the top") << 3 << 2047 << 2047 << 1.220703125;
}

void TestSweep::scanSweepSettlesToReading()
{
    QFETCH(int, range);
    QFETCH(int, code12);
    QFETCH(int, stored);
    QFETCH(double, plotY);
    Form1 &form = *m_form;
    click(form.rangeOptions()[range]);
    m_driver.setCode(code12);
    form.adValue = 777;
    fillMarkers();

    form.Timer2_Timer();

    // 0 until the first live tick inside a yield, the reading from then on.
    QCOMPARE(form.sampleBuf(1), std::int16_t(0));
    QCOMPARE(form.sampleBuf(kLast), std::int16_t(stored));
    int firstReading = 0;
    for (int i = 1; i <= kLast && !firstReading; ++i)
        if (form.sampleBuf(i) != 0)
            firstReading = i;
    QVERIFY(firstReading > 1);
    for (int i = firstReading; i <= kLast; ++i)
        QCOMPARE(form.sampleBuf(i), std::int16_t(stored));
    QVERIFY(untouchedOutsideSweep());
    QCOMPARE(traceRows(form, 8100), QList<int>{row(plotY)});
    QCOMPARE(traceRows(form, 4500), QList<int>{row(plotY)});
    const double zeroY = range % 2 ? 2500 : 5000; // code 0 of a bipolar range in the middle
    checkTrace(1, [&form, plotY, zeroY](int i) { return form.sampleBuf(i) ? plotY : zeroY; });
}

void TestSweep::rangeChangedDuringPass_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("during");
    QTest::addColumn<bool>("secondPass");

    QTest::newRow("raised 0 to 2") << 0 << 2 << true;
    QTest::newRow("lowered 2 to 0") << 2 << 0 << false;
}

void TestSweep::rangeChangedDuringPass()
{
    QFETCH(int, before);
    QFETCH(int, during);
    QFETCH(bool, secondPass);
    Form1 &form = *m_form;
    constexpr int kFirst = 1024, kSecond = 3072;
    click(form.rangeOptions()[before]);
    m_driver.setCode(kFirst);
    fillMarkers();
    // The operator picks the other range during the pass; the live ticks
    // carry it into `range`.
    inFirstYield(form, [&form, during] { click(form.rangeOptions()[during]); });
    // Once the pass has drawn its last point, the input moves.
    const auto passDrawn = [&form] { return form.sampleBuf(kLast) != kMarker; };
    inYieldOnceWhen(form, passDrawn, [this] { m_driver.setCode(kSecond); });

    form.Timer2_Timer();

    QCOMPARE(form.range, during);
    QVERIFY(untouchedOutsideSweep());
    // A second pass starts again at entry 1, with the reading it finds (no
    // reset to 0), and the input's new level by its end.
    QCOMPARE(form.sampleBuf(1), std::int16_t(secondPass ? kFirst : 0));
    QCOMPARE(form.sampleBuf(kLast), std::int16_t(secondPass ? kSecond : kFirst));
    // No clear between the passes: the first pass's trace stays beneath.
    QList<int> expected{row(5000 - 5000.0 * kFirst / 4096)};
    if (secondPass)
        expected.prepend(row(5000 - 5000.0 * kSecond / 4096));
    QCOMPARE(traceRows(form, 8100), expected);
    // The second pass goes on from the first pass's last height.
    checkTrace(secondPass ? 2 : 1,
               [&form](int i) { return 5000 - 5000.0 * form.sampleBuf(i) / 4096; });
}

void TestSweep::tickDuringSweepIsDroppedWhileAboutIsOpen()
{
    Form1 &form = *m_form;
    click(form.Option3); // Still: only the sweep and this test touch adValue
    fillMarkers();
    form.Timer2.start();
    QSignalSpy ticks(&form.Timer2, &QTimer::timeout);

    int ticksWhileOpen = -1;
    bool sweepingWhileOpen = false;
    std::int16_t adValueWhileOpen = 0;
    int boxesOpened = 0;
    QTimer answer;
    int ticksAtOpen = -1;
    QElapsedTimer openFor;
    connect(&answer, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        if (ticksAtOpen < 0) {
            ++boxesOpened;
            ticksAtOpen = int(ticks.count());
            openFor.start();
        }
        // Left open for a good many Timer2 ticks (a bound keeps a dead timer
        // from hanging the test; the count below then fails it).
        if (ticks.count() - ticksAtOpen < 50 && openFor.elapsed() < 10000)
            return;
        ticksWhileOpen = int(ticks.count()) - ticksAtOpen;
        sweepingWhileOpen = form.isSweeping();
        adValueWhileOpen = form.adValue;
        answer.stop();
        click(box->buttons().constFirst());
    });
    answer.start(2);
    inFirstYield(form, [&form] {
        form.adValue = 123; // a nested sweep would reset it to 0
        click(form.Command6);
    });

    form.Timer2_Timer();
    form.Timer2.stop();

    QCOMPARE(boxesOpened, 1);
    QVERIFY2(ticksWhileOpen >= 50, qPrintable(QString::number(ticksWhileOpen)));
    QVERIFY(sweepingWhileOpen);
    QCOMPARE(adValueWhileOpen, std::int16_t(123));
    // One sweep, resumed after the box: the first point before it, the rest after.
    QCOMPARE(form.sampleBuf(1), std::int16_t(0));
    for (int i = 2; i <= kLast; ++i)
        QCOMPARE(form.sampleBuf(i), std::int16_t(123));
    QVERIFY(untouchedOutsideSweep());
    QVERIFY(!form.isSweeping());
}

void TestSweep::endDuringSweepStopsAtOnce_data()
{
    QTest::addColumn<bool>("byExitButton");

    QTest::newRow("Exit button") << true;
    QTest::newRow("window frame") << false;
}

void TestSweep::endDuringSweepStopsAtOnce()
{
    QFETCH(bool, byExitButton);
    Form1 &form = *m_form;
    m_driver.setCode(1000);
    fillMarkers();
    SampleBuffer atEnd;
    int callsAtEnd = -1;
    const auto midSweep = [&form] { return form.sampleBuf(4000) != kMarker; };
    inYieldOnceWhen(form, midSweep, [&] {
        if (byExitButton)
            click(form.Command1);
        else
            form.windowHandle()->close(); // as the frame's close button does
        atEnd = form.sampleBuf;
        callsAtEnd = m_driver.count();
    });

    form.Timer2_Timer();

    QVERIFY(form.hasEnded());
    QCOMPARE(*m_window->exitCodes, QList<int>{0});
    QVERIFY(!form.isVisible());
    QVERIFY(form.sampleBuf == atEnd);
    QCOMPARE(form.sampleBuf(kLast), kMarker); // the sweep did not run on
    QCOMPARE(m_driver.count(), callsAtEnd);
    if (byExitButton)
        QCOMPARE(QString::fromStdString(m_driver.trace().back()), QStringLiteral("CloseQB7"));
    QCOMPARE(m_driver.countOf("CloseQB7"), m_driver.countOf("OpenQB7") + (byExitButton ? 1 : 0));
    // Nothing runs on after the end, whatever the timers had pending.
    QTest::qWait(50);
    QCOMPARE(m_driver.count(), callsAtEnd);
    QVERIFY(form.sampleBuf == atEnd);
}

void TestSweep::drawnSegmentsReachTheScreen()
{
    Form1 &form = *m_form;
    PlotArea *plot = form.Picture1;
    PaintSpy spy(plot);
    QTRY_VERIFY(!spy.painted.isEmpty()); // the grid of start-up
    // Once start-up is on screen, nothing is repainted while nothing is drawn.
    for (int quiet = 0; quiet < 20 && !spy.painted.isEmpty(); ++quiet) {
        spy.painted = QRegion();
        QTest::qWait(100);
    }
    QVERIFY(spy.painted.isEmpty());

    // Segments both ways, as a trace rises and falls, each on its own update.
    const QLineF segments[] = {{{8000, 100}, {7900, 4900}}, {{5000, 4900}, {5100, 100}}};
    const QPoint inside = plot->contentsRect().topLeft();
    for (const QLineF &segment : segments) {
        spy.painted = QRegion();
        plot->line(segment.p1(), segment.p2(), kTrace);
        const QRect drawn = QRect(PlotArea::pixelAt(segment.p1()), PlotArea::pixelAt(segment.p2()))
                                .normalized()
                                .translated(inside);
        QTRY_VERIFY(QRegion(drawn).subtracted(spy.painted).isEmpty());
    }
    // Only around what changed, not the whole plot area.
    QVERIFY(!spy.painted.contains(PlotArea::pixelAt({100, 100}) + inside));
}

void TestSweep::screenShowsWholeShortSweeps_data()
{
    // Points of the sweep at which a frame of the screen passes, or (negative)
    // Still is clicked; screen updates showing part of a sweep, a whole one.
    QTest::addColumn<QList<int>>("events");
    QTest::addColumn<int>("sweeps");
    QTest::addColumn<QList<int>>("shown");

    QTest::newRow("short: shown when whole") << QList<int>{1, 6000} << 1 << QList<int>{0, 1};
    QTest::newRow("two in one frame: one shown") << QList<int>{1} << 2 << QList<int>{0, 1};
    QTest::newRow("long: shown as it grows") << QList<int>{1, 3000, 6000} << 1 << QList<int>{1, 0};
    QTest::newRow("Still: at the next frame")
        << QList<int>{1, -2000, 3000} << 1 << QList<int>{1, 0};
}

void TestSweep::screenShowsWholeShortSweeps()
{
    QFETCH(QList<int>, events);
    QFETCH(int, sweeps);
    QFETCH(QList<int>, shown);
    Form1 &form = *m_form;
    PlotArea *plot = form.Picture1;
    plot->frameTimer().stop(); // the frames pass when the test says
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    plot->frameTick();
    form.repaint(); // nothing of start-up left to paint
    fillMarkers();
    QList<int> seen{0, 0};
    PaintSpy spy(plot);
    spy.onPaint = [&] { ++seen[form.sampleBuf(kLast) == kMarker ? 0 : 1]; };
    for (int point : events)
        inYieldOnceWhen(
            form, [&form, point] { return form.sampleBuf(qAbs(point)) != kMarker; },
            [&form, point] { point > 0 ? form.Picture1->frameTick() : click(form.Option3); });

    for (int sweep = 0; sweep < sweeps; ++sweep)
        form.Timer2_Timer();
    QCOMPARE(seen, shown);
}

QTEST_MAIN(TestSweep)
#include "tst_sweep.moc"
