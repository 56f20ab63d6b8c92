// The system printer with no print system to reach (the test's environment
// points the print client at a socket that does not exist): Print tells the
// operator so, and the program goes on.
#include "boxanswerer.h"
#include "print/systemprinter.h"
#include "windowfixture.h"

class TestSystemPrinterNone : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_window = std::make_unique<WindowUnderTest>(std::make_shared<SystemPrinter>());
        m_window->started();
    }
    void cleanup() { m_window.reset(); }

    void okShowsNoPrinter();
    void cancelNeedsNoPrinter();

private:
    std::unique_ptr<WindowUnderTest> m_window;
};

void TestSystemPrinterNone::okShowsNoPrinter()
{
    BoxAnswerer answerer;
    answerer.clickButton(QStringLiteral("确定"));
    answerer.clickButton(QStringLiteral("确定"));
    click(m_window->form->Command5);
    QCOMPARE(answerer.boxes().size(), 2);
    const SeenBox error = answerer.boxes()[1];
    QCOMPARE(error.title, QStringLiteral("打印"));
    QCOMPARE(error.icon, QMessageBox::Warning);
    QVERIFY2(error.text.contains(QStringLiteral("没有可用的打印机")), qPrintable(error.text));

    QVERIFY(!m_window->form->hasEnded());
    QCOMPARE(*m_window->exitCodes, QList<int>());
    QVERIFY(!m_window->form->Timer1.isActive());
    // Still answering: the next Print asks again.
    answerer.clickButton(QStringLiteral("取消"));
    click(m_window->form->Command5);
    QCOMPARE(answerer.boxes().size(), 3);
    QCOMPARE(answerer.unexpected().size(), 0);
}

void TestSystemPrinterNone::cancelNeedsNoPrinter()
{
    // Ending a document with nothing drawn never looks for a printer.
    BoxAnswerer answerer;
    answerer.clickButton(QStringLiteral("取消"));
    click(m_window->form->Command5);
    QCOMPARE(answerer.boxes().size(), 1);
    QCOMPARE(answerer.unexpected().size(), 0);
    QVERIFY(m_window->form->Timer1.isActive());
}

QTEST_MAIN(TestSystemPrinterNone)
#include "tst_systemprinter_none.moc"
