// Print on the real window against a recording printer: the question, the two
// ends of the document around the 114 grid lines, and a printer that fails.
#include "boxanswerer.h"
#include "recordingprinter.h"
#include "windowfixture.h"

namespace {
const QString kOk = QStringLiteral("确定");
const QString kCancel = QStringLiteral("取消");

QString line(int x1, int y1, int x2, int y2)
{
    return QStringLiteral("line %1 %2 %3 %4").arg(x1).arg(y1).arg(x2).arg(y2);
}
} // namespace

class TestPrintCommand : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void cancelDrawsNothing();
    void okDrawsGridBetweenTwoEnds();
    void gridLineInOrder_data();
    void gridLineInOrder();
    void centreTicksAcrossTheWidth();
    void printerFailureKeepsProgram_data();
    void printerFailureKeepsProgram();

private:
    // Presses Print and gives `answers` to the boxes that follow.
    QList<SeenBox> print(const QStringList &answers);

    std::shared_ptr<RecordingPrinter> m_printer;
    std::unique_ptr<WindowUnderTest> m_window;
    bool m_liveAtQuestion = false;
};

void TestPrintCommand::init()
{
    m_printer = std::make_shared<RecordingPrinter>();
    m_window = std::make_unique<WindowUnderTest>(m_printer);
    m_window->started();
}

void TestPrintCommand::cleanup()
{
    m_window.reset();
}

QList<SeenBox> TestPrintCommand::print(const QStringList &answers)
{
    BoxAnswerer answerer;
    for (const QString &answer : answers)
        answerer.clickButton(answer);
    m_liveAtQuestion = false;
    answerer.onBox = [this](const SeenBox &box) {
        if (box.title == QStringLiteral("打印口状态"))
            m_liveAtQuestion = m_window->form->Timer1.isActive();
    };
    click(m_window->form->Command5);
    return answerer.boxes();
}

void TestPrintCommand::cancelDrawsNothing()
{
    const QList<SeenBox> boxes = print({kCancel});
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].title, QStringLiteral("打印口状态"));
    QCOMPARE(boxes[0].text, QStringLiteral("打印机准备好？"));
    QCOMPARE(boxes[0].buttons, QStringList({kOk, kCancel}));
    QCOMPARE(boxes[0].defaultButton, kOk);
    QCOMPARE(boxes[0].icon, QMessageBox::NoIcon);

    QCOMPARE(m_printer->calls, QStringList{"endDoc"});
    QVERIFY(m_window->form->Timer1.isActive());
}

void TestPrintCommand::okDrawsGridBetweenTwoEnds()
{
    const QList<SeenBox> boxes = print({kOk});
    QCOMPARE(boxes.size(), 1);
    // The live reading runs while the question is open; OK stops it.
    QVERIFY(m_liveAtQuestion);
    QVERIFY(!m_window->form->Timer1.isActive());

    const QStringList calls = m_printer->calls;
    QCOMPARE(calls.size(), 116);
    QCOMPARE(calls.first(), QStringLiteral("endDoc"));
    QCOMPARE(calls.last(), QStringLiteral("endDoc"));
    QCOMPARE(calls.count(QStringLiteral("endDoc")), 2);
    QVERIFY(!m_window->form->hasEnded());
}

void TestPrintCommand::gridLineInOrder_data()
{
    QTest::addColumn<int>("index"); // among the 114 lines, from 0
    QTest::addColumn<QString>("expected");
    QTest::newRow("first horizontal") << 0 << line(0, 0, 8200, 0);
    QTest::newRow("centre horizontal") << 5 << line(0, 2500, 8200, 2500);
    QTest::newRow("last horizontal") << 10 << line(0, 5000, 8200, 5000);
    QTest::newRow("first vertical") << 11 << line(0, 0, 0, 5000);
    QTest::newRow("last vertical") << 21 << line(8200, 0, 8200, 5000);
    QTest::newRow("first centre tick") << 22 << line(0, 2400, 0, 2600);
    QTest::newRow("centre tick on x = 4100") << 47 << line(4100, 2400, 4100, 2600);
    QTest::newRow("last centre tick") << 72 << line(8200, 2400, 8200, 2600);
    QTest::newRow("first side tick") << 73 << line(4000, 0, 4200, 0);
    QTest::newRow("second side tick") << 74 << line(4000, 125, 4200, 125);
    QTest::newRow("last side tick") << 113 << line(4000, 5000, 4200, 5000);
}

void TestPrintCommand::gridLineInOrder()
{
    QFETCH(int, index);
    QFETCH(QString, expected);
    print({kOk});
    QCOMPARE(m_printer->calls.value(1 + index), expected);
}

void TestPrintCommand::centreTicksAcrossTheWidth()
{
    print({kOk});
    for (int k = 0; k <= 50; ++k)
        QCOMPARE(m_printer->calls.value(1 + 22 + k), line(k * 164, 2400, k * 164, 2600));
}

void TestPrintCommand::printerFailureKeepsProgram_data()
{
    QTest::addColumn<int>("failAt");
    QTest::newRow("first end of document") << 0;
    QTest::newRow("first line") << 1;
    QTest::newRow("a tick") << 60;
    QTest::newRow("final end of document") << 115;
}

void TestPrintCommand::printerFailureKeepsProgram()
{
    QFETCH(int, failAt);
    m_printer->failAt = failAt;
    m_printer->failure = "打印机 测试 未能完成打印：缺纸";
    const QList<SeenBox> boxes = print({kOk, kOk});
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes[1].title, QStringLiteral("打印"));
    QCOMPARE(boxes[1].icon, QMessageBox::Warning);
    QCOMPARE(boxes[1].text, QStringLiteral("打印机 测试 未能完成打印：缺纸"));
    QCOMPARE(m_printer->calls.size(), failAt + 1);

    QVERIFY(!m_window->form->hasEnded());
    QCOMPARE(*m_window->exitCodes, QList<int>());
    QVERIFY(!m_window->form->Timer1.isActive());

    // The program goes on: the next Print reaches the printer as usual.
    m_printer->failAt = -1;
    m_printer->calls.clear();
    print({kOk});
    QCOMPARE(m_printer->calls.size(), 116);
}

QTEST_MAIN(TestPrintCommand)
#include "tst_printcommand.moc"
