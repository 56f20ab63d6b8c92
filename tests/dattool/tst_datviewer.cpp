// The viewer of zk61ar-dat driven offscreen: its keys print through a recording
// printer and save a PNG, a failing printer gets its box, the plot keeps its
// aspect, and a file that is no sample file gets a box and no window.
#include "boxanswerer.h"
#include "datfiles.h"
#include "dattool/datviewer.h"
#include "recordingprinter.h"

#include <QImage>
#include <QLabel>
#include <QTemporaryDir>

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
    void noSampleFileGetsBox();

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
    m_viewer = openViewer(m_dir.filePath("vx-2261437.dat"), 1, m_printer);
    QVERIFY(m_viewer);
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
    QCOMPARE(m_printer->calls.size(), 114 + 8192 + 1);
    QCOMPARE(m_printer->calls[0], QStringLiteral("line 0 0 8200 0"));
    // The sweep's first two segments: up from (1, 5000), then down to the middle.
    QCOMPARE(m_printer->calls[114], QStringLiteral("line 1 5000 2 1.2207"));
    QCOMPARE(m_printer->calls[115], QStringLiteral("line 2 1.2207 3 2500"));
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
    QCOMPARE(picture.size(), QSize(547, 334));
    QCOMPARE(QColor(picture.pixel(133, 166)), QColor(0, 255, 0)); // codes 0 at y 2500
}

void TestDatViewer::resizeKeepsAspect()
{
    auto *plot = m_viewer->findChild<PlotView *>("plotView");
    for (const QSize size : {QSize(1200, 500), QSize(600, 900)}) {
        m_viewer->resize(size);
        QTRY_COMPARE_WITH_TIMEOUT(m_viewer->size(), size, 5000);
        const QRect r = plot->plotRect();
        QVERIFY(plot->rect().contains(r));
        QVERIFY2(r.width() == plot->width() || r.height() == plot->height(), "fills one way");
        QVERIFY2(qAbs(r.width() * 5000 - r.height() * 8200) <= 8200, "keeps 8200 : 5000");
    }
}

void TestDatViewer::noSampleFileGetsBox()
{
    const QString name = m_dir.filePath("short%1.dat");
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("abc") == 3);
    file.close();
    BoxAnswerer answerer;
    answerer.clickButton(QStringLiteral("确定"));
    QVERIFY(!openViewer(name, 0, m_printer));
    QCOMPARE(answerer.boxes().size(), 1);
    QVERIFY2(answerer.boxes()[0].text.contains(name + " 只有 3 字节"),
             qPrintable(answerer.boxes()[0].text));
}

QTEST_MAIN(TestDatViewer)
#include "tst_datviewer.moc"
