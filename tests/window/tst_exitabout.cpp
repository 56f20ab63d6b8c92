// The end of the program and the About box, against the recording stand-in
// library: Exit closes the device once and ends at once, closing the window
// ends without a driver call, nothing runs after the end (not even the rest of
// a sweep that was yielding), and About only shows its box.
#include "boxanswerer.h"
#include "recordeddriver.h"
#include "windowfixture.h"

#include <QRegularExpression>

#include <functional>
#include <optional>

namespace {

// Runs `act` once, from inside the yield of a running sweep, after some live
// ticks have fed it; returns what the window held at that moment.
struct InsideSweep
{
    int calls = -1;
    SampleBuffer samples;
    QImage picture;
};

std::optional<InsideSweep> actInsideSweep(Form1 &form, const RecordedDriver &driver,
                                          const std::function<void()> &act)
{
    InsideSweep seen;
    bool done = false;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done || !form.isSweeping() || driver.countOf("CloseQB7") < 5)
            return;
        done = true;
        act();
        seen.calls = driver.count();
        seen.samples = form.sampleBuf;
        seen.picture = form.Picture1->picture().copy();
    });
    poll.start();
    if (!QTest::qWaitFor([&] { return done; }, 20000))
        return std::nullopt;
    return seen;
}

} // namespace

class TestExitAbout : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void exitClosesDeviceAndEnds_data();
    void exitClosesDeviceAndEnds();
    void endingInsideSweep_data();
    void endingInsideSweep();
    void closingWindowEndsWithoutDriverCall();
    void about_data();
    void about();

private:
    // After the end: events go on being handled for a while, and nothing of the
    // window's runs.
    void verifyNothingRunsAfterEnd(Form1 &form, int calls);

    RecordedDriver m_driver;
};

void TestExitAbout::init()
{
    m_driver.reset();
    m_driver.setCode(0x5A5); // 1445 in 0-5V: every live tick leaves a non-zero adValue
}

void TestExitAbout::verifyNothingRunsAfterEnd(Form1 &form, int calls)
{
    QTest::qWait(100);
    QCOMPARE(m_driver.count(), calls);
    QVERIFY(!form.Timer1.isActive());
    QVERIFY(!form.Timer2.isActive());
    QVERIFY(!form.isVisible());
    QVERIFY(form.hasEnded());
}

void TestExitAbout::exitClosesDeviceAndEnds_data()
{
    QTest::addColumn<bool>("afterTicks");

    QTest::newRow("before any conversion") << false;
    QTest::newRow("while the live reading runs") << true;
}

void TestExitAbout::exitClosesDeviceAndEnds()
{
    QFETCH(bool, afterTicks);

    WindowUnderTest w;
    Form1 &form = w.started();
    if (afterTicks)
        QTRY_VERIFY(m_driver.countOf("CloseQB7") >= 3);
    const int callsBefore = m_driver.count();

    click(form.Command1);

    QCOMPARE(m_driver.count(), callsBefore + 1);
    QCOMPARE(QString::fromStdString(m_driver.trace().back()), QStringLiteral("CloseQB7"));
    QCOMPARE(*w.exitCodes, QList<int>{0});
    verifyNothingRunsAfterEnd(form, callsBefore + 1);
    QCOMPARE(*w.exitCodes, QList<int>{0});
}

void TestExitAbout::endingInsideSweep_data()
{
    QTest::addColumn<bool>("byExitButton");
    QTest::addColumn<int>("extraCalls");

    QTest::newRow("Exit clicked") << true << 1;
    QTest::newRow("window closed") << false << 0;
}

void TestExitAbout::endingInsideSweep()
{
    QFETCH(bool, byExitButton);
    QFETCH(int, extraCalls);

    WindowUnderTest w;
    Form1 &form = w.started();
    int callsBefore = -1;
    const std::optional<InsideSweep> inside = actInsideSweep(form, m_driver, [&] {
        callsBefore = m_driver.count();
        if (byExitButton)
            click(form.Command1);
        else
            form.close();
    });
    QVERIFY2(inside, "no sweep with live values came");
    const InsideSweep &seen = *inside;
    QCOMPARE(seen.calls, callsBefore + extraCalls);
    if (byExitButton)
        QCOMPARE(QString::fromStdString(m_driver.trace().back()), QStringLiteral("CloseQB7"));
    QCOMPARE(*w.exitCodes, QList<int>{0});

    // The sweep saw the end at its next step and stopped: no sample stored and
    // no segment drawn after it, and no tick ran.
    QTRY_VERIFY(!form.isSweeping());
    verifyNothingRunsAfterEnd(form, seen.calls);
    QVERIFY(seen.samples == form.sampleBuf);
    QCOMPARE(form.Picture1->picture(), seen.picture);
    // The sweep was really under way, fed by live values.
    bool fed = false;
    for (int i = SampleBuffer::kFirstPoint; i <= SampleBuffer::kLastPoint; ++i)
        fed = fed || form.sampleBuf(i) == 0x5A5;
    QVERIFY(fed);
    QCOMPARE(*w.exitCodes, QList<int>{0});
}

void TestExitAbout::closingWindowEndsWithoutDriverCall()
{
    WindowUnderTest w;
    Form1 &form = w.started();

    QVERIFY(form.close());
    QCOMPARE(m_driver.count(), 0);
    QCOMPARE(*w.exitCodes, QList<int>{0});
    verifyNothingRunsAfterEnd(form, 0);
}

void TestExitAbout::about_data()
{
    QTest::addColumn<bool>("still");

    QTest::newRow("in Scan") << false;
    QTest::newRow("in Still") << true;
}

void TestExitAbout::about()
{
    QFETCH(bool, still);

    WindowUnderTest w;
    Form1 &form = w.started();
    click(form.Option13); // range 0-10V: a state of the operator's to keep
    if (still)
        click(form.Option3);
    QTRY_COMPARE(form.range, 2);
    // No sweep from here on, so the shared values hold still unless a handler
    // changes them: the live ticks keep giving the same code.
    form.Timer2.stop();
    QTRY_VERIFY(!form.isSweeping());
    const std::int16_t adValue = form.adValue;
    const SampleBuffer samples = form.sampleBuf;
    const QImage picture = form.Picture1->picture().copy();
    const int channel = form.channel;

    BoxAnswerer answerer;
    answerer.clickButton(QStringLiteral("确定"));
    click(form.Command6);

    QCOMPARE(answerer.boxes().size(), 1);
    QVERIFY(answerer.unexpected().isEmpty());
    const SeenBox box = answerer.boxes().constFirst();
    QVERIFY2(box.title.contains(QStringLiteral("版权所有")), qPrintable(box.title));
    const QRegularExpression text(
        QStringLiteral(R"(^Orvanta (https?://)?[a-z0-9.-]+\.example(/\S*)?$)"));
    QVERIFY2(text.match(box.text).hasMatch(), qPrintable(box.text));
    QCOMPARE(box.buttons, QStringList{QStringLiteral("确定")});
    QCOMPARE(box.clicked, QStringLiteral("确定"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.parent, &form);
    QVERIFY(box.modality != Qt::NonModal);

    // Nothing changed.
    QTest::qWait(20);
    QVERIFY(!form.hasEnded());
    QVERIFY(w.exitCodes->isEmpty());
    QCOMPARE(form.Timer1.isActive(), !still);
    QCOMPARE(form.Option3->isChecked(), still);
    QCOMPARE(form.Option4->isChecked(), !still);
    QVERIFY(form.Option1->isChecked());
    QVERIFY(form.Option13->isChecked());
    QCOMPARE(form.channel, channel);
    QCOMPARE(form.range, 2);
    QCOMPARE(form.adValue, adValue);
    QVERIFY(form.sampleBuf == samples);
    QCOMPARE(form.Picture1->picture(), picture);
    QCOMPARE(m_driver.countOf("CloseQB7"), m_driver.countOf("OpenQB7"));
}

QTEST_MAIN(TestExitAbout)
#include "tst_exitabout.moc"
