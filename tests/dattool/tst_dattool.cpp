// zk61ar-dat run as a user runs it, on real files in a private folder: exact
// CSV rows, which ranges a file fits, bad inputs, no overwrite, and the plot's
// pixels.
#include "datfiles.h"
#include "print/plotgrid.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <sys/stat.h>

namespace {
struct Run
{
    int status = -1;
    QByteArray out;
    QString err;
};
} // namespace

class TestDatTool : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void csvRow_data();
    void csvRow();
    void rangeFit_data();
    void rangeFit();
    void badInput_data();
    void badInput();
    void neverReplaces();
    void severalToFolder();
    void plotTrace_data();
    void plotTrace();
    void pdfOnePage();

private:
    Run run(const QStringList &arguments);
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QStringList entries() const
    {
        return QDir(m_dir->path())
            .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestDatTool::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

Run TestDatTool::run(const QStringList &arguments)
{
    QProcess process;
    process.setWorkingDirectory(m_dir->path());
    process.start(QStringLiteral(ZK61AR_DAT), arguments);
    Run result;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(5000);
        result.err =
            QStringLiteral("zk61ar-dat did not finish within 30 s: ") + arguments.join(' ');
        return result;
    }
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

void TestDatTool::csvRow_data()
{
    QTest::addColumn<QString>("range");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("mV");
    // Full scale x code / 4096, worked out by hand.
    QTest::newRow("0-5V 0") << "0-5V" << 0 << QByteArray("0");
    QTest::newRow("0-5V 1") << "0-5V" << 1 << QByteArray("1.220703125");
    QTest::newRow("0-5V 2047") << "0-5V" << 2047 << QByteArray("2498.779296875");
    QTest::newRow("0-5V 4095") << "0-5V" << 4095 << QByteArray("4998.779296875");
    QTest::newRow("±5V -1") << "±5V" << -1 << QByteArray("-2.44140625");
    QTest::newRow("+-5V 2047") << "+-5V" << 2047 << QByteArray("4997.55859375");
    QTest::newRow("+-5V -2048") << "+-5V" << -2048 << QByteArray("-5000");
    QTest::newRow("0-10V 1") << "0-10V" << 1 << QByteArray("2.44140625");
    QTest::newRow("2 4095") << "2" << 4095 << QByteArray("9997.55859375");
    QTest::newRow("±10V 0") << "±10V" << 0 << QByteArray("0");
    QTest::newRow("+-10V -1") << "+-10V" << -1 << QByteArray("-4.8828125");
    QTest::newRow("3 2047") << "3" << 2047 << QByteArray("9995.1171875");
    QTest::newRow("3 -2048") << "3" << -2048 << QByteArray("-10000");
}

void TestDatTool::csvRow()
{
    QFETCH(QString, range);
    QFETCH(int, code);
    QFETCH(QByteArray, mV);
    QVERIFY(writeCodes(path("s.dat"), code, {{2, 0}}));
    const Run r = run({"csv", "--range", range, "s.dat"});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    const QList<QByteArray> lines = r.out.split('\n');
    QCOMPARE(lines.size(), 8194); // header, 8192 rows, nothing after the last CRLF
    QCOMPARE(lines[0], QByteArray("point,code,mV\r"));
    QCOMPARE(lines[1], "1," + QByteArray::number(code) + ',' + mV + '\r');
    QCOMPARE(lines[2], QByteArray("2,0,0\r"));
    QCOMPARE(lines[8192], "8192," + QByteArray::number(code) + ',' + mV + '\r');
}

void TestDatTool::rangeFit_data()
{
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<QString>("fits"); // as info names them
    QTest::newRow("0..2047 fit all") << 0 << 2047 << "0-5V ±5V 0-10V ±10V";
    QTest::newRow("negative: bipolar") << -1 << 2047 << "±5V ±10V";
    QTest::newRow("above 2047: unipolar") << 0 << 2048 << "0-5V 0-10V";
    QTest::newRow("both: none") << -1 << 2048 << "无";
    QTest::newRow("above 4095: none") << 0 << 4096 << "无";
    QTest::newRow("below -2048: none") << -2049 << 0 << "无";
}

void TestDatTool::rangeFit()
{
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(QString, fits);
    // The code that fails a range sits at point 300 or 5000.
    QVERIFY(writeCodes(path("s.dat"), 0, {{300, low}, {5000, high}}));
    const Run info = run({"info", "s.dat"});
    QVERIFY2(info.status == 0, qPrintable(info.err));
    QVERIFY2(QString::fromUtf8(info.out).trimmed().endsWith("量程 " + fits), info.out.constData());

    for (const QString range : {"0-5V", "±5V", "0-10V", "±10V"}) {
        const Run csv = run({"csv", "-r", range, "s.dat", "-o", "s.csv"});
        const bool fitted = fits.split(' ').contains(range);
        QVERIFY2((csv.status == 0) == fitted, qPrintable(range + ": " + csv.err));
        QCOMPARE(QFile::exists(path("s.csv")), fitted);
        QFile::remove(path("s.csv"));
        if (!fitted)
            QVERIFY2(csv.err.contains(QStringLiteral("第 300 点")) ||
                         csv.err.contains(QStringLiteral("第 5000 点")),
                     qPrintable(csv.err));
    }
}

void TestDatTool::badInput_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("range");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << ""
                             << "none.dat"
                             << "0"
                             << "不存在";
    QTest::newRow("folder") << "folder"
                            << "f.dat"
                            << "0"
                            << "目录";
    // Opening a FIFO or a terminal for reading would wait for ever.
    QTest::newRow("fifo") << "fifo"
                          << "p.dat"
                          << "0"
                          << "不是普通文件";
    QTest::newRow("device") << ""
                            << "/dev/tty"
                            << "0"
                            << "不是普通文件";
    // A read that fails: this process's own memory at address 0 (root reads any
    // file whatever its mode).
    QTest::newRow("unreadable") << "link:/proc/self/mem"
                                << "m.dat"
                                << "0"
                                << "无法读取";
    QTest::newRow("short") << "bytes:16383"
                           << "s.dat"
                           << "0"
                           << "16383 字节";
    QTest::newRow("long") << "bytes:16385"
                          << "l.dat"
                          << "0"
                          << "16385 字节";
    QTest::newRow("%1 in the name") << "bytes:100"
                                    << "a%1b%2.dat"
                                    << "0"
                                    << "100 字节";
    QTest::newRow("unknown range") << "codes"
                                   << "c.dat"
                                   << "5V"
                                   << "未知量程 5V";
    QTest::newRow("code not from range") << "codes"
                                         << "c.dat"
                                         << "0-5V"
                                         << "第 3 点的码值 -1";
}

void TestDatTool::badInput()
{
    QFETCH(QString, kind);
    QFETCH(QString, file);
    QFETCH(QString, range);
    QFETCH(QString, reason);
    if (kind == "folder")
        QVERIFY(QDir(m_dir->path()).mkdir(file));
    else if (kind == "fifo")
        QCOMPARE(mkfifo(QFile::encodeName(path(file)).constData(), 0600), 0);
    else if (kind.startsWith("link:"))
        QVERIFY(QFile::link(kind.mid(5), path(file)));
    else if (kind.startsWith("bytes:")) {
        QFile f(path(file));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(kind.mid(6).toInt(), '\0'));
    } else if (kind == "codes")
        QVERIFY(writeCodes(path(file), 0, {{3, -1}}));
    const QStringList before = entries();

    for (const QStringList &command : {QStringList{"csv", "-r", range, file, "-o", "out.csv"},
                                       QStringList{"plot", "-r", range, file, "-o", "out.png"}}) {
        const Run r = run(command);
        QVERIFY2(r.status > 0, qPrintable(r.err));
        QCOMPARE(r.err.count('\n'), 1);
        QVERIFY2(r.err.contains(range == "5V" ? range : file), qPrintable(r.err));
        QVERIFY2(r.err.contains(reason), qPrintable(r.err));
        QCOMPARE(entries(), before);
    }
}

void TestDatTool::neverReplaces()
{
    QVERIFY(writeCodes(path("s.dat"), 7));
    QFile old(path("s.csv"));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("earlier") == 7);
    old.close();
    const Run refused = run({"csv", "-r", "0", "s.dat", "-o", "s.csv"});
    QVERIFY(refused.status > 0);
    QVERIFY2(refused.err.contains("s.csv") && refused.err.contains("--force"),
             qPrintable(refused.err));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("earlier"));
    old.close();

    const Run forced = run({"csv", "-r", "0", "s.dat", "-o", "s.csv", "--force"});
    QVERIFY2(forced.status == 0, qPrintable(forced.err));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QVERIFY(old.readAll().startsWith("point,code,mV\r\n1,7,8.544921875\r\n"));
}

void TestDatTool::severalToFolder()
{
    QVERIFY(writeCodes(path("a.dat"), 1) && writeCodes(path("b.dat"), -1));
    QVERIFY(QDir(m_dir->path()).mkdir("out"));
    const Run withoutFolder = run({"csv", "-r", "±5V", "a.dat", "b.dat"});
    QVERIFY(withoutFolder.status > 0);
    QVERIFY(withoutFolder.out.isEmpty());

    const Run r = run({"csv", "-r", "±5V", "a.dat", "b.dat", "-d", "out"});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QCOMPARE(QDir(path("out")).entryList(QDir::Files), QStringList({"a.csv", "b.csv"}));
    QFile b(path("out/b.csv"));
    QVERIFY(b.open(QIODevice::ReadOnly));
    QVERIFY(b.readAll().contains("\r\n8192,-1,-2.44140625\r\n"));
}

void TestDatTool::plotTrace_data()
{
    QTest::addColumn<QString>("range");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("scale");
    QTest::addColumn<double>("plotY"); // 5000 minus the sweep's height, by hand
    QTest::newRow("0-5V 0: bottom") << "0-5V" << 0 << 1 << 5000.0;
    QTest::newRow("0-10V 2048: middle") << "0-10V" << 2048 << 1 << 2500.0;
    QTest::newRow("0-5V 4095: top") << "0-5V" << 4095 << 1 << 1.220703125;
    QTest::newRow("±5V 1024") << "±5V" << 1024 << 1 << 1250.0;
    QTest::newRow("±10V -1024") << "±10V" << -1024 << 1 << 3750.0;
    QTest::newRow("±10V -2048, scale 2") << "±10V" << -2048 << 2 << 5000.0;
    QTest::newRow("±5V 1024, scale 3") << "±5V" << 1024 << 3 << 1250.0;
}

void TestDatTool::plotTrace()
{
    QFETCH(QString, range);
    QFETCH(int, code);
    QFETCH(int, scale);
    QFETCH(double, plotY);
    QVERIFY(writeCodes(path("s.dat"), code));
    const Run r = run({"plot", "-r", range, "s.dat", "-o", "-", "--scale", QString::number(scale)});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    const QImage picture = QImage::fromData(r.out, "PNG");
    QCOMPARE(picture.size(), QSize(8200 * scale / 15 + 1, 5000 * scale / 15 + 1));
    const auto pixel = [&](double x, double y) {
        return QColor(picture.pixel(int(x * scale / 15), int(std::floor(y * scale / 15))));
    };
    const int traceRow = int(std::floor(plotY * scale / 15));
    // Away from the grid's vertical lines: the trace, and nothing next to it.
    QCOMPARE(pixel(2000, plotY), kTraceColour);
    if (traceRow > 1)
        QCOMPARE(pixel(2000, plotY - 2 * 15.0 / scale), QColor(Qt::black));
    for (const QLineF &line : screenGridLines()) {
        const QPointF mid = line.center();
        // The trace covers its own row and, rising from (1, 5000), column 0.
        if (int(std::floor(mid.y() * scale / 15)) != traceRow && mid.x() > 0)
            QCOMPARE(pixel(mid.x(), mid.y()), kGridColour);
    }
    QCOMPARE(pixel(2000 + 410, 2500 + 250), QColor(Qt::black));
}

void TestDatTool::pdfOnePage()
{
    QVERIFY(writeCodes(path("s.dat"), 100));
    const Run r = run({"plot", "-r", "0-5V", "s.dat", "-o", "s.pdf"});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QFile pdf(path("s.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    QVERIFY(bytes.startsWith("%PDF-"));
    QCOMPARE(bytes.count("/Type /Page") - bytes.count("/Type /Pages"), 1);
    // 410 x 250 points: 8200 x 5000 twips.
    const QRegularExpression box(QStringLiteral("/MediaBox \\[0 0 410(\\.0*)? 250(\\.0*)?\\]"));
    QVERIFY(box.match(QString::fromLatin1(bytes)).hasMatch());
}

QTEST_GUILESS_MAIN(TestDatTool)
#include "tst_dattool.moc"
