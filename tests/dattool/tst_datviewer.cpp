// The viewer of zk61ar-dat driven offscreen: its keys print through a recording
// printer and save a PNG, a failing printer gets its box, the plot keeps its
// aspect. How zk61ar-dat view starts it: tst_viewerstart.
#include "boxanswerer.h"
#include "datfiles.h"
#include "dattool/datviewer.h"
#include "recordingprinter.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QWheelEvent>

class TestDatViewer : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup() { m_viewer.reset(); }
    void ctrlPPrints_data();
    void ctrlPPrints();
    void ctrlSSavesPng();
    void resizeKeepsAspect();
    void gridMillivolts_data();
    void gridMillivolts();
    void mouseReadsAndSetsCursors();
    void zoomKeepsPointUnderMouse();

private:
    QTemporaryDir m_dir;
    std::shared_ptr<RecordingPrinter> m_printer;
    std::unique_ptr<DatViewer> m_viewer;
};

void TestDatViewer::init()
{
    QVERIFY(m_dir.isValid());
    // Point 1 at the top of ±5V, the rest at its middle.
    QVERIFY(writeCodes(m_dir.filePath("vx-2261437.dat"), 0, {{1, 2047}}));
    m_printer = std::make_shared<RecordingPrinter>();
    const QString path = m_dir.filePath("vx-2261437.dat");
    m_viewer = std::make_unique<DatViewer>(path, samplefile::read(path), 1, m_printer);
    m_viewer->show();
    QVERIFY(QTest::qWaitForWindowActive(m_viewer.get()));
    const QString info = m_viewer->findChild<QLabel *>("infoLabel")->text();
    QVERIFY2(info.contains("vx-2261437.dat") && info.contains("±5V") &&
                 info.contains("最大  2047") && info.contains("平均 0.2498779296875"),
             qPrintable(info));
}

void TestDatViewer::ctrlPPrints_data()
{
    QTest::addColumn<int>("failAt");
    QTest::newRow("printed") << -1;
    QTest::newRow("printer gives up") << 3;
}

void TestDatViewer::ctrlPPrints()
{
    QFETCH(int, failAt);
    m_printer->failAt = failAt;
    m_printer->failure = "打印机 pdf 无法开始打印。";
    BoxAnswerer answerer;
    if (failAt >= 0)
        answerer.clickButton(QStringLiteral("确定"));
    QTest::keyClick(m_viewer.get(), Qt::Key_P, Qt::ControlModifier);
    QVERIFY2(answerer.waitUntilAnswered(), "the box for the failed print");
    if (failAt >= 0) {
        QCOMPARE(answerer.boxes().size(), 1);
        QCOMPARE(answerer.boxes()[0].text, QStringLiteral("打印机 pdf 无法开始打印。"));
        QCOMPARE(m_printer->calls.size(), failAt + 1);
        return;
    }
    QVERIFY(answerer.boxes().isEmpty());
    // What the window shows: grid, trace, 22 ticks and 24 labels, in the margins.
    QCOMPARE(m_printer->calls.size(), 114 + 8192 + 22 + 24 + 1);
    QCOMPARE(m_printer->calls[0], QStringLiteral("line 990 450 9190 450"));
    // The sweep's first two segments: up from (1, 5000), then down to the middle.
    QCOMPARE(m_printer->calls[114], QStringLiteral("line 991 5450 992 451.221"));
    QCOMPARE(m_printer->calls[115], QStringLiteral("line 992 451.221 993 2950"));
    QCOMPARE(m_printer->calls[114 + 8192 + 22], QStringLiteral("text 810 450 5000"));
    QCOMPARE(m_printer->calls.last(), QStringLiteral("endDoc"));
}

void TestDatViewer::ctrlSSavesPng()
{
    const QString target = m_dir.filePath("plot.png");
    BoxAnswerer answerer;
    answerer.chooseFile(target);
    QTest::keyClick(m_viewer.get(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY2(answerer.waitUntilAnswered(), "the save dialog");
    QVERIFY(answerer.unexpected().isEmpty());
    const QImage picture(target);
    // The plot, 547 x 334, in margins of 66, 30, 40 and 50 pixels.
    QCOMPARE(picture.size(), QSize(653, 414));
    QCOMPARE(QColor(picture.pixel(66 + 133, 30 + 166)), QColor(0, 255, 0)); // codes 0 at y 2500
}

void TestDatViewer::resizeKeepsAspect()
{
    auto *plot = m_viewer->findChild<PlotView *>("plotView");
    for (const QSize size : {QSize(1200, 500), QSize(600, 900)}) {
        m_viewer->resize(size);
        QTRY_COMPARE_WITH_TIMEOUT(m_viewer->size(), size, 5000);
        const QRectF r = plot->plotRect();
        QVERIFY(QRectF(plot->rect()).contains(r));
        // With the axes' margins: 9790 x 6200 twips fill one way.
        const double perTwip = r.width() / 8200;
        QVERIFY2(qAbs(9790 * perTwip - plot->width()) < 1 ||
                     qAbs(6200 * perTwip - plot->height()) < 1,
                 "fills one way");
        QVERIFY2(qAbs(r.width() * 5000 - r.height() * 8200) < 1, "keeps 8200 : 5000");
    }
}

void TestDatViewer::gridMillivolts_data()
{
    QTest::addColumn<int>("range");
    QTest::addColumn<QStringList>("labels"); // top to bottom, then the unit
    QTest::newRow("0-5V") << 0 << QStringList{"5000", "4500", "4000", "3500", "3000", "2500",
                                              "2000", "1500", "1000", "500",  "0",    "mV"};
    QTest::newRow("±5V") << 1 << QStringList{"5000",  "4000",  "3000",  "2000",  "1000",  "0",
                                             "-1000", "-2000", "-3000", "-4000", "-5000", "mV"};
    QTest::newRow("0-10V") << 2 << QStringList{"10000", "9000", "8000", "7000", "6000", "5000",
                                               "4000",  "3000", "2000", "1000", "0",    "mV"};
    QTest::newRow("±10V") << 3 << QStringList{"10000", "8000",  "6000",  "4000",  "2000",   "0",
                                              "-2000", "-4000", "-6000", "-8000", "-10000", "mV"};
}

void TestDatViewer::gridMillivolts()
{
    QFETCH(int, range);
    QFETCH(QStringList, labels);
    const std::vector<AxisLabel> all = axisLabels(range, PlotSpan(), 0);
    QStringList left, bottom;
    for (std::size_t i = 0; i < all.size(); ++i) {
        (i < 12 ? left : bottom) << all[i].text;
        if (i < 11)
            QCOMPARE(all[i].anchor.y(), 500.0 * double(i)); // at its grid line
    }
    QCOMPARE(left, labels);
    QCOMPARE(bottom.join(' '), QStringLiteral("0 820 1640 2460 3280 4100 4920 5740 6560 7380 "
                                              "8200 点"));
    // 1000 samples a second, zoomed in to 10 points a division.
    QStringList seconds;
    for (const AxisLabel &label : axisLabels(range, {4000, 10}, 1000))
        seconds << label.text;
    QCOMPARE(seconds.mid(12).join(' '),
             QStringLiteral("4.00 4.01 4.02 4.03 4.04 4.05 4.06 4.07 4.08 4.09 4.10 s"));
}

// The middle of point `point` on the plot, in the widget.
static QPoint at(const PlotView *plot, int point)
{
    const QRectF r = plot->plotRect();
    const PlotSpan &span = plot->view().span;
    return QPointF(r.left() + span.plotX(point + 0.5) * r.width() / 8200, r.center().y()).toPoint();
}

static void turnWheel(PlotView *plot, QPoint mouse, int steps)
{
    QWheelEvent wheel(mouse, plot->mapToGlobal(mouse), {}, {0, 120 * steps}, Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &wheel);
}

void TestDatViewer::mouseReadsAndSetsCursors()
{
    auto *plot = m_viewer->findChild<PlotView *>("plotView");
    const auto readout = [&] { return m_viewer->findChild<QLabel *>("readoutLabel")->text(); };
    // In at the left edge to 5 points a division (164 twips, some 10 pixels, a point)
    // and on to the start.
    const QPoint edge = plot->plotRect().topLeft().toPoint() + QPoint(1, 100);
    QTest::mouseMove(plot, edge);
    turnWheel(plot, edge, 7);
    for (int press = 0; press < 4; ++press)
        QTest::keyClick(m_viewer.get(), Qt::Key_Left);
    QCOMPARE(plot->view().span, (PlotSpan{0, 5}));
    QTest::mouseMove(plot, at(plot, 1));
    QTRY_COMPARE_WITH_TIMEOUT(readout(), QStringLiteral("点 1  码值 2047  4997.55859375 mV"), 5000);
    QTest::mouseMove(plot, at(plot, 40));
    QTRY_COMPARE_WITH_TIMEOUT(readout(), QStringLiteral("点 40  码值 0  0 mV"), 5000);
    QTest::mouseClick(plot, Qt::LeftButton, {}, at(plot, 1));
    QTest::mouseClick(plot, Qt::LeftButton, {}, at(plot, 40));
    QCOMPARE(m_viewer->findChild<QLabel *>("cursorLabel")->text(),
             QStringLiteral("A：点 1  码值 2047  4997.55859375 mV    B：点 40  码值 0  0 mV    "
                            "B−A：39 点  -4997.55859375 mV"));
    const QString info = m_viewer->findChild<QLabel *>("infoLabel")->text();
    QVERIFY2(info.contains("光标之间（点 1..40）：最小 0 mV  最大 4997.55859375 mV  峰峰值 "
                           "4997.55859375 mV  平均 124.939 mV"),
             qPrintable(info));
    // Shift+click moves B; a plain click then starts again at A.
    QTest::mouseClick(plot, Qt::LeftButton, Qt::ShiftModifier, at(plot, 2));
    QCOMPARE(plot->view().cursorA, 1);
    QCOMPARE(plot->view().cursorB, 2);
    QTest::mouseClick(plot, Qt::LeftButton, {}, at(plot, 3));
    QCOMPARE(plot->view().cursorA, 3);
    QCOMPARE(plot->view().cursorB, 0);
}

void TestDatViewer::zoomKeepsPointUnderMouse()
{
    auto *plot = m_viewer->findChild<PlotView *>("plotView");
    const QPoint mouse = at(plot, 3000);
    QTest::mouseMove(plot, mouse);
    const int under = plot->pointAt(mouse);
    QVERIFY(qAbs(under - 3000) < 20);
    for (int turn = 0; turn < 4; ++turn) {
        turnWheel(plot, mouse, 1);
        QCOMPARE(plot->pointAt(mouse), under);
    }
    QCOMPARE(plot->view().span.perDivision, 50);
    QTest::keyClick(m_viewer.get(), Qt::Key_Right);
    QCOMPARE(plot->pointAt(mouse), under + 50);
    QTest::keyClick(m_viewer.get(), Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(plot->view().span.perDivision, 100);
    QTest::keyClick(m_viewer.get(), Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(plot->view().span, PlotSpan());
}

QTEST_MAIN(TestDatViewer)
#include "tst_datviewer.moc"
