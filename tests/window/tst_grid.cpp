// The window's pure geometry and scaling, without a widget: the screen grid as
// a list of lines, the millivolt readout text, the sweep's plot heights and the
// file dialog's filter.
#include "plot/plotgrid.h"
#include "plot/trace.h"
#include "window/commondialog.h"
#include "window/readout.h"

#include <QTest>

#include <algorithm>

class TestGrid : public QObject
{
    Q_OBJECT

private slots:
    void gridLines_data();
    void gridLines();
    void screenGridIsPrintedGridWithoutShortVerticalTicks();
    void readout_data();
    void readout();
    void noReadoutOutsideRanges_data();
    void noReadoutOutsideRanges();
    void sweepPlotY_data();
    void sweepPlotY();
    void nameFilters_data();
    void nameFilters();
};

void TestGrid::gridLines_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QLineF>("line");

    // Drawing order: 11 horizontal, 11 vertical, 41 ticks; each family ends
    // exactly on its end value.
    QTest::newRow("horizontal first") << 0 << QLineF(0, 0, 8200, 0);
    QTest::newRow("horizontal centre") << 5 << QLineF(0, 2500, 8200, 2500);
    QTest::newRow("horizontal last") << 10 << QLineF(0, 5000, 8200, 5000);
    QTest::newRow("vertical first") << 11 << QLineF(0, 0, 0, 5000);
    QTest::newRow("vertical centre") << 16 << QLineF(4100, 0, 4100, 5000);
    QTest::newRow("vertical last") << 21 << QLineF(8200, 0, 8200, 5000);
    QTest::newRow("tick first") << 22 << QLineF(4000, 0, 4200, 0);
    QTest::newRow("tick second") << 23 << QLineF(4000, 125, 4200, 125);
    QTest::newRow("tick last") << 62 << QLineF(4000, 5000, 4200, 5000);
}

void TestGrid::gridLines()
{
    QFETCH(int, index);
    QFETCH(QLineF, line);

    const std::vector<QLineF> lines = screenGridLines();
    QCOMPARE(lines.size(), std::size_t(63));
    QCOMPARE(lines.at(std::size_t(index)), line);
}

void TestGrid::screenGridIsPrintedGridWithoutShortVerticalTicks()
{
    std::vector<QLineF> printed = printedGridLines();
    const auto shortVertical = [](const QLineF &l) {
        return l.x1() == l.x2() && l.length() < 5000;
    };
    printed.erase(std::remove_if(printed.begin(), printed.end(), shortVertical), printed.end());
    QCOMPARE(screenGridLines(), printed);
}

void TestGrid::readout_data()
{
    QTest::addColumn<int>("adValue");
    QTest::addColumn<int>("range");
    QTest::addColumn<QString>("text");

    QTest::newRow("-1 in ±5V floors") << -1 << 1 << QStringLiteral("-3");
    QTest::newRow("-1 in ±10V floors") << -1 << 3 << QStringLiteral("-5");
    QTest::newRow("4095 in 0-5V") << 4095 << 0 << QStringLiteral("4998");
    QTest::newRow("4095 in 0-10V") << 4095 << 2 << QStringLiteral("9997");
    QTest::newRow("-2048 in ±10V") << -2048 << 3 << QStringLiteral("-10000");
    QTest::newRow("-2048 in ±5V") << -2048 << 1 << QStringLiteral("-5000");
    QTest::newRow("2047 in ±10V") << 2047 << 3 << QStringLiteral("9995");
    QTest::newRow("2047 in 0-10V") << 2047 << 2 << QStringLiteral("4997");
    QTest::newRow("2047 in ±5V") << 2047 << 1 << QStringLiteral("4997");
    QTest::newRow("1 in 0-5V") << 1 << 0 << QStringLiteral("1");
    for (int range = 0; range < 4; ++range)
        QTest::addRow("0 in range %d", range) << 0 << range << QStringLiteral("0");
}

void TestGrid::readout()
{
    QFETCH(int, adValue);
    QFETCH(int, range);
    QFETCH(QString, text);

    const std::optional<QString> shown = readoutText(std::int16_t(adValue), range);
    QVERIFY(shown.has_value());
    QCOMPARE(*shown, text);
}

void TestGrid::noReadoutOutsideRanges_data()
{
    QTest::addColumn<int>("range");

    QTest::newRow("range 4") << 4;
    QTest::newRow("range -1") << -1;
}

void TestGrid::noReadoutOutsideRanges()
{
    QFETCH(int, range);

    QVERIFY(!readoutText(2047, range).has_value());
    QVERIFY(!readoutText(0, range).has_value());
}

void TestGrid::sweepPlotY_data()
{
    QTest::addColumn<int>("adValue");
    QTest::addColumn<int>("range");
    QTest::addColumn<double>("plotY");

    QTest::newRow("4095 unipolar near the top") << 4095 << 0 << 1.220703125;
    QTest::newRow("4095 in 0-10V near the top") << 4095 << 2 << 1.220703125;
    QTest::newRow("2047 bipolar near the top") << 2047 << 1 << 1.220703125;
    QTest::newRow("0 unipolar on the bottom line") << 0 << 0 << 5000.0;
    QTest::newRow("0 bipolar on the centre line") << 0 << 1 << 2500.0;
    QTest::newRow("0 in ±10V on the centre line") << 0 << 3 << 2500.0;
    QTest::newRow("-2048 bipolar on the bottom line") << -2048 << 3 << 5000.0;
}

void TestGrid::sweepPlotY()
{
    QFETCH(int, adValue);
    QFETCH(int, range);
    QFETCH(double, plotY);

    QCOMPARE(5000.0 - sweepHeight(std::int16_t(adValue), range), plotY);
}

void TestGrid::nameFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("nameFilters");

    // The description shows its pattern already: shown once.
    QTest::newRow("the window's filter") << QStringLiteral("数据文件(*.dat)|*.dat")
                                         << QStringList{QStringLiteral("数据文件(*.dat)")};
    QTest::newRow("description naming fewer patterns")
        << QStringLiteral("d (*.dat)|*.dat;*.bin")
        << QStringList{QStringLiteral("d (*.dat) (*.dat *.bin)")};
    QTest::newRow("two entries, two patterns")
        << QStringLiteral("a|*.a;*.b|c|*.c")
        << QStringList{QStringLiteral("a (*.a *.b)"), QStringLiteral("c (*.c)")};
    QTest::newRow("empty") << QString() << QStringList();
}

void TestGrid::nameFilters()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, nameFilters);

    QCOMPARE(CommonDialog::nameFilters(filter), nameFilters);
}

QTEST_GUILESS_MAIN(TestGrid)
#include "tst_grid.moc"
