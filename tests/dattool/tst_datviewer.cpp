// The viewer of zk61ar-dat driven offscreen: its keys print through Qt's print
// dialog onto a recording printer and save a PNG, a failing printer gets its
// box, the plot keeps its aspect, the trace stands where its axis, readout and
// cursors say, the keys move the readout and set the cursors, and the time axis
// reads in round steps. How zk61ar-dat view starts it: tst_viewerstart.
#include "boxanswerer.h"
#include "datfiles.h"
#include "dattool/datviewer.h"
#include "plot/timeaxis.h"
#include "recordingprinter.h"
#include "boxes/translations.h"

#include <QAction>
#include <QApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QPrintDialog>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <cmath>

Q_DECLARE_METATYPE(PlotSpan)

class TestDatViewer : public QObject
{
    Q_OBJECT
private slots:
    // As zk61ar-dat's view does before its window.
    void initTestCase() { installChineseTranslations(); }
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
    void vertexAtItsPoint_data();
    void vertexAtItsPoint();
    void keysMoveReadoutAndSetCursors();
    void timeLabelsRoundAndApart_data();
    void timeLabelsRoundAndApart();

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
                 info.contains("最大 2047") && info.contains("平均 0.2498779296875"),
             qPrintable(info));
}

void TestDatViewer::ctrlPPrints_data()
{
    QTest::addColumn<bool>("print"); // the print dialog's answer
    QTest::addColumn<int>("failAt");
    QTest::newRow("printed") << true << -1;
    QTest::newRow("printer gives up") << true << 3;
    QTest::newRow("cancelled") << false << -1;
}

// "line x1 y1 x2 y2" as numbers.
static QList<double> lineOf(const QString &call)
{
    QList<double> numbers;
    for (const QString &word : call.split(' ').mid(1))
        numbers << word.toDouble();
    return numbers;
}

void TestDatViewer::ctrlPPrints()
{
    QFETCH(bool, print);
    QFETCH(int, failAt);
    m_printer->failAt = failAt;
    m_printer->failure = "打印机 pdf 无法开始打印。";
    BoxAnswerer answerer;
    QString title;
    QStringList buttons;
    answerer.then([&](QWidget *modal) {
        auto *dialog = qobject_cast<QPrintDialog *>(modal);
        QVERIFY2(dialog, modal->metaObject()->className());
        title = dialog->windowTitle();
        for (const QPushButton *button : dialog->findChildren<QPushButton *>())
            if (button->isVisible())
                buttons << button->text();
        auto *box = dialog->findChild<QDialogButtonBox *>();
        QTest::mouseClick(box->button(print ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel),
                          Qt::LeftButton);
    });
    if (failAt >= 0)
        answerer.clickButton(QStringLiteral("确定"));
    QTest::keyClick(m_viewer.get(), Qt::Key_P, Qt::ControlModifier);
    QVERIFY2(answerer.waitUntilAnswered(), "the print dialog and the box for a failed print");
    // Qt's own dialog, in the window's language.
    QCOMPARE(title, QStringLiteral("打印"));
    QVERIFY2(buttons.contains(QStringLiteral("打印(&P)")), qPrintable(buttons.join('|')));
    const QString said = m_viewer->statusBar()->currentMessage();
    if (!print) {
        QVERIFY(m_printer->calls.isEmpty());
        QVERIFY(said.isEmpty());
        return;
    }
    QVERIFY2(m_printer->calls[0].startsWith("printer ") &&
                 m_printer->calls[0].endsWith(" copies 1"),
             qPrintable(m_printer->calls[0]));
    if (failAt >= 0) {
        QCOMPARE(answerer.boxes().size(), 1);
        QCOMPARE(answerer.boxes()[0].text, QStringLiteral("打印机 pdf 无法开始打印。"));
        QCOMPARE(m_printer->calls.size(), failAt + 1);
        QCOMPARE(said, QStringLiteral("没有打印"));
        return;
    }
    QVERIFY(answerer.boxes().isEmpty());
    QVERIFY2(said.startsWith("已送往打印机 ") || said.startsWith("已打印到 PDF 文件 "),
             qPrintable(said));
    const QStringList &calls = m_printer->calls;
    // In the page's colours, the trace heavier than the grid; then the axes
    // and the title in ink.
    QCOMPARE(calls[1], QStringLiteral("page"));
    QCOMPARE(calls[2], QStringLiteral("pen #00c8c8 6"));
    QCOMPARE(calls[3 + 114], QStringLiteral("pen #008c00 20"));
    // The trace from point 1 to point 8192, nothing before point 1.
    QCOMPARE(calls[4 + 114 + 8191], QStringLiteral("pen #000000 8"));
    QVERIFY(calls[5 + 114 + 8191].startsWith("line "));
    QVERIFY(calls[5 + 114 + 8191 + 22].startsWith("text "));
    QCOMPARE(calls.last(), QStringLiteral("endDoc"));
    // The plot with its margins fills the printable width, 11000 twips: the
    // top grid line from 990 to 9190 twips of the 9790, scaled alike.
    const QList<double> top = lineOf(calls[3]);
    const double scale = top[0] / 990;
    QVERIFY2(qAbs(top[2] - 9190 * scale) < 0.5 && qAbs(9790 * scale - 11000) < 0.5,
             qPrintable(calls[3]));
    const QList<double> first = lineOf(calls[4 + 114]);
    QVERIFY2(qAbs(first[0] - 991 * scale) < 0.5 && qAbs(first[2] - 992 * scale) < 0.5,
             qPrintable(calls[4 + 114]));
    QVERIFY(calls.filter("line ").size() == 114 + 8191 + 22);
    const QString texts = calls.filter("text ").join('\n');
    for (const char *words :
         {"vx-2261437.dat    量程 ±5V", "整个文件：最小 0 mV", "均方根 55.216 mV"})
        QVERIFY2(texts.contains(QString::fromUtf8(words)), qPrintable(texts));
}

void TestDatViewer::ctrlSSavesPng()
{
    const QString target = m_dir.filePath("plot.png");
    BoxAnswerer answerer;
    answerer.chooseFile(target);
    QTest::keyClick(m_viewer.get(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY2(answerer.waitUntilAnswered(), "the save dialog");
    QVERIFY2(answerer.fileDialogs()[0].captions.contains(QStringLiteral("查找范围：")),
             qPrintable(answerer.fileDialogs()[0].captions.join('|')));
    // Again: the dialog asks, in Chinese, before it replaces the picture. The
    // name is accepted once the answerer has let go, so that it meets the box.
    answerer.then([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        typeName(dialog, target);
        QTimer::singleShot(0, dialog, [dialog] { static_cast<QDialog *>(dialog)->accept(); });
    });
    answerer.clickButton(QStringLiteral("是(&Y)"));
    // Back to the viewer, as a window manager brings it back.
    m_viewer->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_viewer.get()));
    QTest::keyClick(m_viewer.get(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY2(answerer.waitUntilAnswered(), "the save dialog and its question");
    QVERIFY(answerer.unexpected().isEmpty());
    QVERIFY2(answerer.boxes()[0].text.contains("plot.png 已"),
             qPrintable(answerer.boxes()[0].text));
    const QImage picture(target);
    // The plot, 547 x 334, in margins of 66, 30, 40 and 50 pixels, the title's
    // lines of 16 pixels and 8 above them on top.
    QCOMPARE(picture.width(), 653);
    const int title = picture.height() - 414;
    QVERIFY2(title >= 8 + 2 * 16 && (title - 8) % 16 == 0, qPrintable(QString::number(title)));
    QCOMPARE(QColor(picture.pixel(66 + 133, title + 30 + 166)), QColor(0, 255, 0)); // codes 0
    int ink = 0;
    for (int y = 0; y < title; ++y)
        for (int x = 0; x < picture.width(); ++x)
            ink += qGray(picture.pixel(x, y)) < 128;
    QVERIFY2(ink > 200, "the title's words");
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

// Where point `point` is drawn on the plot, in the widget.
static double columnOf(const PlotView *plot, int point)
{
    const QRectF r = plot->plotRect();
    return r.left() + plot->view().span.plotX(point) * r.width() / 8200;
}

static QPoint at(const PlotView *plot, int point)
{
    return QPointF(columnOf(plot, point), plot->plotRect().center().y()).toPoint();
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

void TestDatViewer::vertexAtItsPoint_data()
{
    QTest::addColumn<int>("zoomSteps"); // in from the whole view
    QTest::addColumn<int>("perDivision");
    QTest::newRow("10 points a division") << 6 << 10;
    QTest::newRow("5 points a division") << 7 << 5;
}

// Point 1, at the top of the range, is the trace's peak: drawn in the pixel
// column of its own x, with nothing of the trace left of it.
void TestDatViewer::vertexAtItsPoint()
{
    QFETCH(int, zoomSteps);
    QFETCH(int, perDivision);
    auto *plot = m_viewer->findChild<PlotView *>("plotView");
    for (int step = 0; step < zoomSteps; ++step)
        QTest::keyClick(m_viewer.get(), Qt::Key_Plus, Qt::ControlModifier);
    QTest::keyClick(m_viewer.get(), Qt::Key_Home);
    QCOMPARE(plot->view().span, (PlotSpan{0, perDivision}));
    const QImage shot = plot->grab().toImage();
    const QRect r = plot->plotRect().toAlignedRect();
    int leftmost = -1, peakRow = -1;
    for (int x = r.left(); x <= r.right() && leftmost < 0; ++x)
        for (int y = r.top(); y <= r.bottom(); ++y)
            if (QColor(shot.pixel(x, y)) == QColor(0, 255, 0)) {
                leftmost = x;
                peakRow = y;
                break;
            }
    QVERIFY2(qAbs(leftmost - columnOf(plot, 1)) <= 1,
             qPrintable(QStringLiteral("trace from column %1, point 1 at %2")
                            .arg(leftmost)
                            .arg(columnOf(plot, 1))));
    QVERIFY2(peakRow <= r.top() + 1, "the peak at the top of the plot");
    // The readout, moved there by Home, names the point drawn there.
    QCOMPARE(plot->readout(), 1);
}

void TestDatViewer::keysMoveReadoutAndSetCursors()
{
    auto *plot = m_viewer->findChild<PlotView *>("plotView");
    const auto readout = [&] { return m_viewer->findChild<QLabel *>("readoutLabel")->text(); };
    // The keys are in the view menu with their shortcuts.
    const auto *last = m_viewer->findChild<QAction *>("readoutLastAction");
    QVERIFY(last && last->shortcut() == QKeySequence(Qt::Key_End));
    for (int step = 0; step < 7; ++step)
        QTest::keyClick(m_viewer.get(), Qt::Key_Plus, Qt::ControlModifier);
    QTest::keyClick(m_viewer.get(), Qt::Key_Home);
    QCOMPARE(readout(), QStringLiteral("点 1  码值 2047  4997.55859375 mV"));
    QTest::keyClick(m_viewer.get(), Qt::Key_A);
    for (int press = 0; press < 3; ++press)
        QTest::keyClick(m_viewer.get(), Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(plot->readout(), 4);
    QTest::keyClick(m_viewer.get(), Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(plot->readout(), 4 + 5);
    QTest::keyClick(m_viewer.get(), Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(plot->readout(), 8);
    // Past the right edge of the view, which follows.
    for (int press = 0; press < 10; ++press)
        QTest::keyClick(m_viewer.get(), Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(plot->readout(), 58);
    QVERIFY(plot->view().span.first + plot->view().span.points() >= 58);
    QTest::keyClick(m_viewer.get(), Qt::Key_End);
    QCOMPARE(plot->readout(), 8192);
    QCOMPARE(plot->view().span, (PlotSpan{8143, 5}));
    QTest::keyClick(m_viewer.get(), Qt::Key_B);
    QCOMPARE(plot->view().cursorA, 1);
    QCOMPARE(plot->view().cursorB, 8192);
    QCOMPARE(m_viewer->findChild<QLabel *>("cursorLabel")->text(),
             QStringLiteral("A：点 1  码值 2047  4997.55859375 mV    B：点 8192  码值 0  0 mV    "
                            "B−A：8191 点  -4997.55859375 mV"));
    QTest::keyClick(m_viewer.get(), Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(plot->readout(), 8192);
}

void TestDatViewer::timeLabelsRoundAndApart_data()
{
    QTest::addColumn<double>("rate");
    QTest::addColumn<PlotSpan>("span");
    for (const double rate : {0.001, 1.0, 1000.0, 44100.0, 1e7, 1e9}) {
        const QByteArray name = QByteArray::number(rate, 'g', 6) + " Hz";
        QTest::newRow(name + ", whole file") << rate << PlotSpan();
        QTest::newRow(name + ", 5 a division at 3460") << rate << PlotSpan{3460, 5};
        QTest::newRow(name + ", 20 a division at the end") << rate << PlotSpan{8000, 20};
    }
}

// A label in its unit as seconds.
static double secondsOf(const QString &text, const QString &unit)
{
    const QStringList parts = text.split(':');
    if (parts.size() > 1) {
        double seconds = 0;
        for (const QString &part : parts)
            seconds = seconds * 60 + part.toDouble();
        return seconds;
    }
    const QHash<QString, double> units{{"ns", 1e-9}, {"µs", 1e-6}, {"ms", 1e-3}, {"s", 1}};
    return text.toDouble() * units.value(unit, qQNaN());
}

// 1, 2 or 5 times a power of ten; on a clock 10, 20 or 30 seconds or minutes,
// then hours so.
static bool isRound(double step, bool clock)
{
    const auto round = [](double x) {
        const double m = x / std::pow(10.0, std::floor(std::log10(x) + 1e-9));
        return qAbs(m - 1) < 1e-6 || qAbs(m - 2) < 1e-6 || qAbs(m - 5) < 1e-6;
    };
    if (!clock || step < 1)
        return round(step);
    for (const double unit : {1.0, 60.0})
        for (const double n : {1, 2, 5, 10, 20, 30})
            if (qAbs(step - n * unit) < 1e-6)
                return true;
    return round(step / 3600);
}

// Every label reads the time at its tick, on a round step, and no two labels
// touch in the font the viewer draws them with.
void TestDatViewer::timeLabelsRoundAndApart()
{
    QFETCH(double, rate);
    QFETCH(PlotSpan, span);
    const std::vector<AxisLabel> labels = axisLabels(1, span, rate);
    const std::vector<AxisLabel> times(labels.begin() + 12, labels.end() - 1);
    const QString unit = labels.back().text;
    QVERIFY2(times.size() >= 3, qPrintable(QString::number(times.size())));
    QFont font = QApplication::font();
    font.setPixelSize(180);
    const QFontMetricsF metrics(font);
    double previousRight = -1e9, previousSeconds = 0, step = 0;
    for (std::size_t i = 0; i < times.size(); ++i) {
        const AxisLabel &label = times[i];
        const double x = label.anchor.x(), width = metrics.horizontalAdvance(label.text);
        QVERIFY2(x >= -1e-6 && x <= 8200 + 1e-6, qPrintable(label.text));
        QVERIFY2(x - width / 2 > previousRight,
                 qPrintable(QStringLiteral("%1 touches the label before it").arg(label.text)));
        previousRight = x + width / 2;
        const double seconds = secondsOf(label.text, unit), at = span.pointAt(x) / rate;
        QVERIFY2(
            qAbs(seconds - at) <= 1e-6 * qAbs(at) + 1e-15,
            qPrintable(QStringLiteral("%1 %2 at %3 s").arg(label.text, unit).arg(at, 0, 'g', 12)));
        if (i == 1)
            step = seconds - previousSeconds;
        else if (i > 1)
            QVERIFY(qAbs(seconds - previousSeconds - step) <= 1e-6 * step);
        previousSeconds = seconds;
    }
    QVERIFY2(isRound(step, unit.contains(':')), qPrintable(QString::number(step, 'g', 12) + unit));
}

QTEST_MAIN(TestDatViewer)
#include "tst_datviewer.moc"
