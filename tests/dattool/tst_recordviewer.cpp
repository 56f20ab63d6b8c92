// The viewer of recordings driven offscreen on real files: a one-scan spike
// and a gap in the whole run's picture, the keys and the mouse setting the
// cursors with the figures between them, channels hidden, the span exported
// as a recording and never over its input, a print through Qt's dialog, and
// following a split set that grows, a half-written line left until it is
// whole.
#include "boxanswerer.h"
#include "filebytes.h"
#include "recordingprinter.h"
#include "spikerecording.h"
#include "boxes/translations.h"
#include "dattool/recordviewer.h"
#include "plot/plotgrid.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPrintDialog>
#include <QStatusBar>
#include <QTemporaryDir>

#include <cmath>

namespace {
// The rows of info's own test: codes 2048, 2049, 0, 4095 of 0-5V and -2048,
// 0, 2047, -1 of ±5V; scan 2 skipped.
const char kHeading[] = "# zk61ar-log 1.0\r\n"
                        "# start: 2026-12-09T03:10:47.464698Z\r\n"
                        "# rate: 1000 scans/s\r\n"
                        "# ch0: 0-5V\r\n"
                        "# ch3: ±5V\r\n";
const char kColumns[] = "scan,time_s,ch0_mV,ch3_mV\r\n";
const char kRows[] = "0,0.000012,2500,-5000\r\n"
                     "1,0.001010,2501.220703125,0\r\n"
                     "3,0.003020,0,4997.55859375\r\n"
                     "4,0.004001,4998.779296875,-2.44140625\r\n";
} // namespace

class TestRecordViewer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { installChineseTranslations(); }
    void cleanup() { m_viewer.reset(); }
    void spikeAndGapInTheWholeRun();
    void cursorsFiguresAndLanes();
    void exportsTheSpan();
    void ctrlPPrints();
    void followsASplitSet();

private:
    void open(const QString &name, bool follow = false);
    QString label(const char *name) const
    {
        return m_viewer->findChild<QLabel *>(QLatin1String(name))->text();
    }

    QTemporaryDir m_dir;
    std::shared_ptr<RecordingPrinter> m_printer = std::make_shared<RecordingPrinter>();
    std::unique_ptr<RecordViewer> m_viewer;
};

void TestRecordViewer::open(const QString &name, bool follow)
{
    const QByteArray native = m_dir.filePath(name).toLocal8Bit();
    auto reader = std::make_unique<logformat::RecordingReader>(native.toStdString());
    QVERIFY(reader->read(follow));
    m_viewer = std::make_unique<RecordViewer>(m_dir.filePath(name), std::move(reader), m_printer,
                                              follow);
    m_viewer->show();
    QVERIFY(QTest::qWaitForWindowActive(m_viewer.get()));
}

void TestRecordViewer::spikeAndGapInTheWholeRun()
{
    using namespace spikerecording;
    QVERIFY(writeBytes(m_dir.filePath("long.csv"), QByteArray::fromStdString(text())));
    open("long.csv");
    RecordView *view = m_viewer->view();
    const QImage shown = view->grab().toImage();
    const QRectF lane = view->sheet().lanes.at(0);
    const double perScan = lane.width() / 399999.000001;
    const auto column = [&](int scan) { return int(lane.left() + std::floor(scan * perScan)); };
    const auto traceIn = [&](int x, int top, int bottom) {
        for (int y = top; y < bottom; ++y)
            if (QColor(shown.pixel(x, y)) == kTraceColour)
                return true;
        return false;
    };
    const int top = int(lane.top()), bottom = int(lane.bottom());
    // The spike reaches the lane's top row in its column alone.
    QVERIFY(traceIn(column(kSpike), top, top + 2));
    QVERIFY(!traceIn(column(kSpike) - 3, top, top + 2) && !traceIn(column(kSpike) + 3, top, top + 2));
    QVERIFY(traceIn(column(kGapFrom) - 1, top, bottom) && traceIn(column(kGapTo) + 1, top, bottom));
    // The columns of the gap, a pixel's rounding either side aside, are empty.
    for (int x = column(kGapFrom) + 2; x < column(kGapTo) - 1; ++x)
        QVERIFY2(!traceIn(x, top, bottom), qPrintable(QStringLiteral("column %1 in the gap").arg(x)));
    QVERIFY2(label("infoLabel").contains("开始 2026-12-09T03:10:47.464698Z（UTC）"),
             qPrintable(label("infoLabel")));
}

void TestRecordViewer::cursorsFiguresAndLanes()
{
    QVERIFY(writeBytes(m_dir.filePath("r.csv"), QByteArray(kHeading) + kColumns + kRows));
    open("r.csv");
    QVERIFY2(label("figuresLabel").startsWith("整个录制："), qPrintable(label("figuresLabel")));
    // A click at the left edge of the lanes: cursor A at the first scan.
    RecordView *view = m_viewer->view();
    const QRectF lane = view->sheet().lanes.at(0);
    QTest::mouseClick(view, Qt::LeftButton, {}, lane.topLeft().toPoint() + QPoint(1, 5));
    QCOMPARE(view->cursor(0), 0);
    QVERIFY2(label("cursorLabel").startsWith("A：扫描 0（0.000012 s）"), qPrintable(label("cursorLabel")));
    // End and B: between the cursors, every row; the figures worked out by
    // hand, as info's test has them.
    QTest::keyClick(m_viewer.get(), Qt::Key_End);
    QTest::keyClick(m_viewer.get(), Qt::Key_B);
    QCOMPARE(view->cursor(1), 3);
    const QString all = label("figuresLabel");
    QVERIFY2(all.startsWith("光标之间（扫描 0..4）：") &&
                 all.contains("ch0 0-5V  最小 0 mV  最大 4998.779296875 mV  峰峰值 4998.779296875 mV"
                              "  平均 2500.000 mV  均方根 3061.613 mV") &&
                 all.contains("ch3 ±5V  最小 -5000 mV  最大 4997.55859375 mV  峰峰值 "
                              "9997.55859375 mV  平均 -1.221 mV  均方根 3534.671 mV"),
             qPrintable(all));
    QVERIFY2(label("cursorLabel").endsWith("B−A：0.003989 s，4 次扫描"),
             qPrintable(label("cursorLabel")));
    // A one scan back: scans 3 and 4 alone.
    QTest::keyClick(m_viewer.get(), Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(m_viewer.get(), Qt::Key_A);
    QVERIFY2(label("figuresLabel").contains("ch3 ±5V  最小 -2.44140625 mV  最大 4997.55859375 mV"),
             qPrintable(label("figuresLabel")));
    QVERIFY2(label("readoutLabel") == "0.003020 s  扫描 3  ch0 0 mV  ch3 4997.55859375 mV",
             qPrintable(label("readoutLabel")));
    // Key 2 hides channel 3's lane and its readout; hiding the last is refused.
    QTest::keyClick(m_viewer.get(), Qt::Key_2);
    QCOMPARE(view->sheet().lanes.size(), std::size_t(1));
    QTest::keyClick(m_viewer.get(), Qt::Key_Left, Qt::ShiftModifier);
    QVERIFY2(!label("readoutLabel").contains("ch3"), qPrintable(label("readoutLabel")));
    QTest::keyClick(m_viewer.get(), Qt::Key_1);
    QCOMPARE(view->sheet().lanes.size(), std::size_t(1));
    QTest::keyClick(m_viewer.get(), Qt::Key_Escape);
    QVERIFY(label("figuresLabel").startsWith("整个录制："));
}

void TestRecordViewer::exportsTheSpan()
{
    QVERIFY(writeBytes(m_dir.filePath("r.csv"), QByteArray(kHeading) + kColumns + kRows));
    open("r.csv");
    QTest::keyClick(m_viewer.get(), Qt::Key_Home);
    QTest::keyClick(m_viewer.get(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(m_viewer.get(), Qt::Key_A);
    QTest::keyClick(m_viewer.get(), Qt::Key_End);
    QTest::keyClick(m_viewer.get(), Qt::Key_B);
    BoxAnswerer answerer;
    // Onto the recording itself first: the dialog asks before replacing it,
    // then the export is refused in a box. The name is accepted once the
    // answerer has let go, so that it meets the question.
    answerer.then([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        typeName(dialog, m_dir.filePath("r.csv"));
        QTimer::singleShot(0, dialog, [dialog] { static_cast<QDialog *>(dialog)->accept(); });
    });
    answerer.clickButton(QStringLiteral("是(&Y)"));
    answerer.clickButton(QStringLiteral("确定"));
    QTest::keyClick(m_viewer.get(), Qt::Key_E, Qt::ControlModifier);
    QVERIFY2(answerer.waitUntilAnswered(), "the export dialog and the refusal");
    QVERIFY2(answerer.boxes().value(1).text.contains("就是输入文件"),
             qPrintable(answerer.boxes().value(1).text));
    QCOMPARE(fileBytes(m_dir.filePath("r.csv")), QByteArray(kHeading) + kColumns + kRows);

    const QString target = m_dir.filePath("span.csv");
    answerer.chooseFile(target);
    m_viewer->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_viewer.get()));
    QTest::keyClick(m_viewer.get(), Qt::Key_E, Qt::ControlModifier);
    QVERIFY2(answerer.waitUntilAnswered(), "the export dialog");
    // Started at scan 1's moment; its time 0, the others' after it.
    const QByteArray expected =
        QByteArray("# zk61ar-log 1.0\r\n# start: 2026-12-09T03:10:47.465708Z\r\n"
                   "# rate: 1000 scans/s\r\n# ch0: 0-5V\r\n# ch3: ±5V\r\n# source: ") +
        m_dir.filePath("r.csv").toUtf8() +
        "\r\n" + kColumns +
        "1,0.000000,2501.220703125,0\r\n"
        "3,0.002010,0,4997.55859375\r\n"
        "4,0.002991,4998.779296875,-2.44140625\r\n";
    QCOMPARE(fileBytes(target), expected);
}

void TestRecordViewer::ctrlPPrints()
{
    QVERIFY(writeBytes(m_dir.filePath("r.csv"), QByteArray(kHeading) + kColumns + kRows));
    open("r.csv");
    BoxAnswerer answerer;
    answerer.then([](QWidget *modal) {
        auto *dialog = qobject_cast<QPrintDialog *>(modal);
        QVERIFY2(dialog, modal->metaObject()->className());
        QTest::mouseClick(dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
    });
    QTest::keyClick(m_viewer.get(), Qt::Key_P, Qt::ControlModifier);
    QVERIFY2(answerer.waitUntilAnswered(), "the print dialog");
    const QStringList &calls = m_printer->calls;
    QVERIFY2(calls.size() > 3 && calls.last() == "endDoc", qPrintable(calls.join('\n')));
    // The trace in the page's green and pen, three lines through four scans
    // (a gap before scan 3) in each of the two lanes.
    const int trace = int(calls.indexOf("pen #008c00 20"));
    QVERIFY(trace > 0);
    int lines = 0;
    for (int i = trace + 1; i < calls.size() && calls[i].startsWith("line "); ++i)
        ++lines;
    QCOMPARE(lines, 2 * 2);
    const QString texts = calls.filter("text ").join('\n');
    for (const char *words : {"ch3 ±5V", "开始 2026-12-09T03:10:47.464698Z（UTC）", "时间（ms，自开始）"})
        QVERIFY2(texts.contains(QString::fromUtf8(words)), qPrintable(texts));
    QVERIFY2(m_viewer->statusBar()->currentMessage().startsWith("已"),
             qPrintable(m_viewer->statusBar()->currentMessage()));
}

void TestRecordViewer::followsASplitSet()
{
    QFile first(m_dir.filePath("run-0001.csv"));
    QVERIFY(first.open(QIODevice::WriteOnly));
    const QByteArray part1 = QByteArray(kHeading) + "# part: 1\r\n" + kColumns;
    QVERIFY(first.write(part1 + "0,0.000012,2500,-5000\r\n") > 0 && first.flush());
    open("run.csv", true);
    RecordView *view = m_viewer->view();
    const auto rows = [&] { return m_viewer->view()->sheet().trace.size(); };
    QVERIFY2(label("followLabel") == "跟随中：1 行", qPrintable(label("followLabel")));
    // A half line is left until its end comes.
    QVERIFY(first.write("1,0.001010,2501.22") > 0 && first.flush());
    QTest::qWait(3 * RecordViewer::kFollowMs);
    QCOMPARE(label("followLabel"), QStringLiteral("跟随中：1 行"));
    QVERIFY(first.write("0703125,0\r\n") > 0 && first.flush());
    QTRY_COMPARE_WITH_TIMEOUT(label("followLabel"), QStringLiteral("跟随中：2 行"), 5000);
    // The whole run shown, and so the newest scan at the right edge.
    QCOMPARE(view->span().endNs, 1'010'000 + 1);
    QVERIFY(rows() > 0);
    // The next part appears; the whole run is still shown.
    QFile second(m_dir.filePath("run-0002.csv"));
    QVERIFY(second.open(QIODevice::WriteOnly));
    first.close();
    QVERIFY(second.write(QByteArray(kHeading) + "# part: 2\r\n" + kColumns +
                         "3,0.003020,0,4997.55859375\r\n") > 0 &&
            second.flush());
    QTRY_COMPARE_WITH_TIMEOUT(label("followLabel"), QStringLiteral("跟随中：3 行"), 5000);
    QCOMPARE(view->span().endNs, 3'020'000 + 1);
    // Zoomed in, then F: the newest scan at the right edge, and kept there.
    QTest::keyClick(m_viewer.get(), Qt::Key_Plus, Qt::ControlModifier);
    QVERIFY(!view->atNewest());
    QTest::keyClick(m_viewer.get(), Qt::Key_F);
    const std::int64_t width = view->span().endNs - view->span().firstNs;
    QVERIFY(view->atNewest() && width < 3'000'000);
    QVERIFY(second.write("4,0.004001,4998.779296875,-2.44140625\r\n") > 0 && second.flush());
    QTRY_COMPARE_WITH_TIMEOUT(label("followLabel"), QStringLiteral("跟随中：4 行"), 5000);
    QCOMPARE(view->span().endNs, 4'001'000 + 1);
    QCOMPARE(view->span().endNs - view->span().firstNs, width);
    // Panned away it stays where it is as rows come; End brings the newest back.
    QTest::keyClick(m_viewer.get(), Qt::Key_Home);
    QVERIFY(!view->atNewest());
    const logformat::TimeSpan away = view->span();
    QVERIFY(second.write("5,0.005003,0,0\r\n") > 0 && second.flush());
    QTRY_COMPARE_WITH_TIMEOUT(label("followLabel"), QStringLiteral("跟随中：5 行"), 5000);
    QCOMPARE(view->span().endNs, away.endNs);
    QTest::keyClick(m_viewer.get(), Qt::Key_End);
    QCOMPARE(view->span().endNs, 5'003'000 + 1);
    second.close();
    QTRY_COMPARE_WITH_TIMEOUT(label("followLabel"), QStringLiteral("录制已结束（5 行）"), 5000);
}

QTEST_MAIN(TestRecordViewer)
#include "tst_recordviewer.moc"
