// The live reading and the display modes in the running window, against the
// emulated device with fixed levels on channels 0, 1, 2 and 5 (the build sets
// QB7EMU_DC="0=2.5,1=-1.25,2=7.5,5=1.0"); channel 3 keeps its 2 Hz sawtooth
// from -4 V to +4 V, a reading that changes on every tick, and channel 4 its
// 3.3 V.
#include "windowfixture.h"

#include <QLineEdit>
#include <QSignalSpy>

namespace {

bool showsTrace(const QImage &picture)
{
    const QRgb trace = qRgb(0, 255, 0);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (picture.pixel(x, y) == trace)
                return true;
    return false;
}

void markBetweenGridLines(PlotArea &plot)
{
    plot.line(QPointF(100, 1700), QPointF(8100, 1800), QColor(0, 255, 0));
    QVERIFY(showsTrace(plot.picture()));
}

} // namespace

class TestLiveForm : public QObject
{
    Q_OBJECT

private slots:
    void firstReadingIsChannel0In0To5V();
    void typedTextIsOverwritten();
    void selectionTakesEffectAtNextTick_data();
    void selectionTakesEffectAtNextTick();
    void stillStopsAndScanRestarts();
    void modeClickLeavesGridAlone_data();
    void modeClickLeavesGridAlone();
    void scanClickedWhileSelectedRestartsLiveReading();
};

void TestLiveForm::firstReadingIsChannel0In0To5V()
{
    WindowUnderTest w;
    Form1 &form = w.started();
    QSignalSpy shown(form.Text1, &QLineEdit::textChanged);

    // 2.5 V of 5 V: code 2048, 2500 mV; the very first text shown is it.
    QTRY_COMPARE(form.Text1->text(), QStringLiteral("2500"));
    QCOMPARE(shown.first().first().toString(), QStringLiteral("2500"));
    QCOMPARE(form.channel, 0);
    QCOMPARE(form.range, 0);
    QCOMPARE(form.adValue, std::int16_t(2048));
}

// The readout box is editable; what the operator types stands until the next
// tick, though the reading has not changed.
void TestLiveForm::typedTextIsOverwritten()
{
    WindowUnderTest w;
    Form1 &form = w.started();
    QTRY_COMPARE(form.Text1->text(), QStringLiteral("2500"));
    QTest::keyClicks(form.Text1, QStringLiteral("7"));
    QVERIFY(form.Text1->text() != QStringLiteral("2500"));
    QTRY_COMPARE(form.Text1->text(), QStringLiteral("2500"));
}

void TestLiveForm::selectionTakesEffectAtNextTick_data()
{
    // Pairs of (button clicked, text the next change of the readout shows),
    // starting from channel 0 in 0-5V showing 2500.
    QTest::addColumn<QStringList>("steps");

    QTest::newRow("channel 2 clamps at the top of 0-5V") << QStringList{"Option5", "4998"};
    QTest::newRow("channel 1 clamps at 0 in 0-5V") << QStringList{"Option2", "0"};
    QTest::newRow("channel 5 floors") << QStringList{"Option8", "999"};
    QTest::newRow("channel 2 through the ranges") << QStringList{
        "Option5", "4998", "Option13", "7500", "Option12", "4997", "Option14", "7500"};
    QTest::newRow("channel 1 bipolar and back")
        << QStringList{"Option2", "0", "Option12", "-1250", "Option11", "0", "Option14", "-1250"};
    QTest::newRow("channel 5 in ±10V, then channel 0")
        << QStringList{"Option8", "999", "Option14", "996", "Option1", "2500"};
}

void TestLiveForm::selectionTakesEffectAtNextTick()
{
    QFETCH(QStringList, steps);

    WindowUnderTest w;
    Form1 &form = w.started();
    // The sweep reads the selections too; without it, only the live tick does.
    form.Timer2.stop();
    QTRY_COMPARE(form.Text1->text(), QStringLiteral("2500"));

    for (int i = 0; i + 1 < steps.size(); i += 2) {
        auto *button = form.findChild<OptionButton *>(steps.at(i));
        const QString expected = steps.at(i + 1);
        QVERIFY(button);
        QVERIFY2(form.Text1->text() != expected, "each step must change the readout");

        const int channelBefore = form.channel;
        const int rangeBefore = form.range;
        const QString textBefore = form.Text1->text();
        QSignalSpy shown(form.Text1, &QLineEdit::textChanged);
        click(button);
        QVERIFY(button->isChecked());
        // Nothing happens at once: the next tick reads the selection.
        QCOMPARE(form.channel, channelBefore);
        QCOMPARE(form.range, rangeBefore);
        QCOMPARE(form.Text1->text(), textBefore);

        QTRY_VERIFY(!shown.isEmpty());
        QCOMPARE(shown.first().first().toString(), expected);
        QCOMPARE(form.Text1->text(), expected);
    }
}

void TestLiveForm::stillStopsAndScanRestarts()
{
    WindowUnderTest w;
    Form1 &form = w.started();
    click(form.Option6);  // channel 3, the sawtooth
    click(form.Option12); // ±5V
    QSignalSpy shown(form.Text1, &QLineEdit::textChanged);
    QTRY_VERIFY(shown.size() >= 3);

    click(form.Option3);
    QVERIFY(form.Option3->isChecked());
    QVERIFY(!form.Timer1.isActive());
    QVERIFY(form.Timer2.isActive());
    shown.clear();
    const QString stood = form.Text1->text();
    QTest::qWait(50); // the sawtooth moves about 65 codes in that time
    QCOMPARE(shown.size(), 0);
    QCOMPARE(form.Text1->text(), stood);
    QCOMPARE(form.channel, 3);

    click(form.Option4);
    QVERIFY(form.Option4->isChecked());
    QVERIFY(form.Timer1.isActive());
    QTRY_VERIFY(shown.size() >= 3);
}

void TestLiveForm::modeClickLeavesGridAlone_data()
{
    QTest::addColumn<QString>("mode");

    QTest::newRow("Still") << QStringLiteral("Option3");
    QTest::newRow("Scan") << QStringLiteral("Option4");
}

void TestLiveForm::modeClickLeavesGridAlone()
{
    QFETCH(QString, mode);

    WindowUnderTest w;
    Form1 &form = w.started();
    const QImage grid = freshGrid(*form.Picture1);
    auto *button = form.findChild<OptionButton *>(mode);
    QVERIFY(button);
    // Channel 4's 3.3 V draws its trace between grid lines, where a grid drawn
    // over it cannot hide it.
    click(form.Option7);
    QTRY_COMPARE(form.Text1->text(), QStringLiteral("3299"));
    // Scan is selected at start-up; leave it first so the click selects it anew.
    if (button == form.Option4)
        click(form.Option3);
    // Some of a sweep on the picture first, so the click has a trace to clear;
    // with the live reading stopped it lies on the bottom grid line, so a mark
    // of our own between grid lines as well.
    QTRY_VERIFY(showsTrace(form.Picture1->picture()));
    markBetweenGridLines(*form.Picture1);

    // Handlers run between sweep steps, never inside this test's own code, so
    // right after the click no sweep step has drawn yet.
    click(button);
    QVERIFY(button->isChecked());
    QCOMPARE(form.Picture1->picture(), grid);
}

void TestLiveForm::scanClickedWhileSelectedRestartsLiveReading()
{
    WindowUnderTest w;
    Form1 &form = w.started();
    click(form.Option7); // channel 4, 3.3 V: its trace lies between grid lines
    QTRY_COMPARE(form.Text1->text(), QStringLiteral("3299"));
    // The live reading stopped with Scan still selected, as Save and Print leave it.
    form.Timer1.stop();
    QTRY_VERIFY(showsTrace(form.Picture1->picture()));
    markBetweenGridLines(*form.Picture1);

    click(form.Option4);
    QVERIFY(form.Option4->isChecked());
    QVERIFY(form.Timer1.isActive());
    QCOMPARE(form.Picture1->picture(), freshGrid(*form.Picture1));
    click(form.Option8); // channel 5
    QTRY_COMPARE(form.Text1->text(), QStringLiteral("999"));
}

QTEST_MAIN(TestLiveForm)
#include "tst_liveform.moc"
