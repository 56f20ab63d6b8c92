// zk61ar-dat run as a user runs it, on real files in a private folder: exact
// CSV rows, which ranges a file fits, bad inputs, no overwrite, and the plot;
// outputs that cannot be written (caused for real: a pipe, a file-size limit,
// a closed or full standard output, a signal) and the messages the user reads.
#include "datfiles.h"
#include "spikerecording.h"
#include "plot/plotgrid.h"
#include "systemwords.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

class TestDatTool : public QObject
{
    Q_OBJECT
private slots:
    void init() { QVERIFY((m_dir = std::make_unique<QTemporaryDir>())->isValid()); }
    // Names that are not UTF-8 are beyond QTemporaryDir: the shell removes them.
    void cleanup() { shell(QStringLiteral("find . -mindepth 1 -delete")); }
    void csvRow_data();
    void csvRow();
    void rangeFit_data();
    void rangeFit();
    void badInput_data();
    void badInput();
    void outputsNeverReplaced();
    void reported_data();
    void reported();
    void stopSignalKeepsFinishedOutputs_data();
    void stopSignalKeepsFinishedOutputs();
    void plotTrace_data();
    void plotTrace();
    void pdfOnePage();
    void infoMillivolts_data();
    void infoMillivolts();
    void plotAxes();
    void infoRecording();
    void plotRecordingKeepsSpikesAndGaps();

private:
    // Exit status (-1: crashed or hung), standard output and error. The tool
    // runs with no display.
    int run(const QStringList &arguments, QByteArray *out = nullptr, QString *err = nullptr);
    // The same for a shell script in which $DAT is the tool.
    int shell(const QString &script, QByteArray *out = nullptr, QString *err = nullptr);
    int finish(QProcess &process, QByteArray *out, QString *err);
    void start(QProcess &process, const QString &program, const QStringList &arguments);
    // Name, kind and size of every entry of the folder.
    QByteArray entries();
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QByteArray contents(const QString &name) const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

// Whether every word of `words` starts in the same screen column (a Chinese
// character taking two) on every line of `out`, each time it comes.
static bool columnsAligned(const QByteArray &out, const QStringList &words)
{
    QList<QList<int>> starts;
    for (const QString &line : QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts)) {
        QList<int> at;
        int column = 0;
        for (qsizetype i = 0; i < line.size(); ++i) {
            for (const QString &word : words)
                if (line.mid(i).startsWith(word + ' '))
                    at << column;
            column += line.at(i).unicode() >= 0x2E80 ? 2 : 1;
        }
        starts << at;
    }
    return starts.size() > 1 && std::all_of(starts.begin(), starts.end(),
                                            [&](const QList<int> &at) { return at == starts[0]; });
}

void TestDatTool::start(QProcess &process, const QString &program, const QStringList &arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(display);
    env.insert("DAT", ZK61AR_DAT);
    process.setProcessEnvironment(env);
    // As a user's shell leaves them, whatever started the suite; the tool
    // must handle these itself.
    process.setChildProcessModifier([] {
        for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGXFSZ})
            std::signal(signal, SIG_DFL);
    });
    process.setWorkingDirectory(m_dir->path());
    process.start(program, arguments);
}

int TestDatTool::run(const QStringList &arguments, QByteArray *out, QString *err)
{
    QProcess process;
    start(process, QStringLiteral(ZK61AR_DAT), arguments);
    return finish(process, out, err);
}

int TestDatTool::shell(const QString &script, QByteArray *out, QString *err)
{
    QProcess process;
    start(process, QStringLiteral("/bin/sh"), {"-c", script});
    return finish(process, out, err);
}

int TestDatTool::finish(QProcess &process, QByteArray *out, QString *err)
{
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(5000);
        qWarning("zk61ar-dat did not finish within 30 s: %s",
                 qPrintable(process.arguments().join(' ')));
        return -1;
    }
    if (out)
        *out = process.readAllStandardOutput();
    if (err)
        *err = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QByteArray TestDatTool::entries()
{
    QByteArray list;
    shell(QStringLiteral("find . -type f -printf '%p f %s\\n' -o -printf '%p %y\\n' | sort"),
          &list);
    return list;
}

QByteArray TestDatTool::contents(const QString &name) const
{
    return fileBytes(path(name));
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
    QByteArray out;
    QCOMPARE(run({"csv", "--range", range, "s.dat"}, &out), 0);
    const QList<QByteArray> lines = out.split('\n');
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
    QTest::newRow("-32768: none") << -32768 << 0 << "无";
}

void TestDatTool::rangeFit()
{
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(QString, fits);
    QVERIFY(writeCodes(path("s.dat"), 0, {{300, low}, {5000, high}}));
    // Beside a file of long figures, the columns stay in line.
    QVERIFY(writeCodes(path("long.dat"), 0, {{1, 2047}}));
    QByteArray out;
    QCOMPARE(run({"info", "s.dat", "long.dat"}, &out), 0);
    QVERIFY2(QString::fromUtf8(out).split('\n')[0].endsWith("量程 " + fits), out.constData());
    QVERIFY2(columnsAligned(out, {"最小", "最大", "平均", "量程"}), out.constData());
    for (const QString range : {"0-5V", "±5V", "0-10V", "±10V"}) {
        QString err;
        const bool fitted = fits.split(' ').contains(range);
        QCOMPARE(run({"csv", "-r", range, "s.dat", "-o", range + ".csv"}, nullptr, &err) == 0,
                 fitted);
        QCOMPARE(QFile::exists(path(range + ".csv")), fitted);
        // The refusal names the first point whose code the range cannot give.
        QVERIFY2(fitted || err.contains(QRegularExpression("第 (300|5000) 点")), qPrintable(err));
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
    // A read that fails, whoever runs it: the reader's own memory at address 0.
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
    QFile f(path(file));
    if (kind == "folder")
        QVERIFY(QDir(m_dir->path()).mkdir(file));
    else if (kind == "fifo")
        QCOMPARE(mkfifo(QFile::encodeName(path(file)).constData(), 0600), 0);
    else if (kind.startsWith("link:"))
        QVERIFY(QFile::link(kind.mid(5), path(file)));
    else if (kind.startsWith("bytes:"))
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QByteArray(kind.mid(6).toInt(), 0)) > 0);
    else if (kind == "codes")
        QVERIFY(writeCodes(path(file), 0, {{3, -1}}));
    f.close();
    const QStringList before = QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::System);

    // The viewer checks as the others do, before it looks for a display.
    for (const QString command : {"csv", "plot", "view"}) {
        QString err;
        QStringList arguments{command, "-r", range, file};
        if (command != "view")
            arguments << "-o"
                      << "out.png";
        QVERIFY(run(arguments, nullptr, &err) > 0);
        QCOMPARE(err.count('\n'), 1);
        QVERIFY2(err.contains(range == "5V" ? range : file) && err.contains(reason),
                 qPrintable(err));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::System), before);
    }
}

void TestDatTool::outputsNeverReplaced()
{
    QVERIFY(writeCodes(path("a.dat"), 1) && writeCodes(path("b.dat"), -1));
    QVERIFY(QDir(m_dir->path()).mkdir("out"));
    QCOMPARE(run({"csv", "-r", "±5V", "a.dat", "b.dat", "-d", "out"}), 0);
    QCOMPARE(QDir(path("out")).entryList(QDir::Files), QStringList({"a.csv", "b.csv"}));
    QVERIFY(contents("out/b.csv").endsWith("\r\n8192,-1,-2.44140625\r\n"));

    QVERIFY(writeCodes(path("b.dat"), 2047));
    QString err;
    QVERIFY(run({"csv", "-r", "±5V", "a.dat", "b.dat", "-d", "out"}, nullptr, &err) > 0);
    QVERIFY2(err.contains("a.csv") && err.contains("--force"), qPrintable(err));
    QVERIFY(contents("out/b.csv").endsWith(",-1,-2.44140625\r\n"));
    QCOMPARE(run({"csv", "-r", "±5V", "a.dat", "b.dat", "-d", "out", "--force"}), 0);
    QVERIFY(contents("out/b.csv").endsWith(",2047,4997.55859375\r\n"));
}

void TestDatTool::reported_data()
{
    // Made first, in the folder of s.dat (every code 1000); 77 skips the row.
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("command"); // a shell script; $DAT is the tool
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err"); // part of the one line on stderr; "" for none
    QTest::addColumn<QString>("out"); // part of stdout
    const QString tooLarge = systemWords(EFBIG), full = systemWords(ENOSPC);
    QTest::newRow("--force onto a pipe")
        << "mkfifo o.csv"
        << "$DAT csv -r 0 s.dat -o o.csv -f" << 1 << "o.csv 不是普通文件"
        << "";
    QTest::newRow("--force onto a device")
        << "mknod o.csv c 1 3 || exit 77"
        << "$DAT csv -r 0 s.dat -o o.csv --force" << 1 << "o.csv 不是普通文件"
        << "";
    QTest::newRow("--force onto a folder, -d")
        << "mkdir -p out/s.csv"
        << "$DAT csv -r 0 s.dat -d out -f" << 1 << "不是普通文件"
        << "";
    // Stopped at the limit in the middle of a row; nothing of it may stay.
    QTest::newRow("file-size limit, csv -o")
        << ""
        << "ulimit -f 100; $DAT csv -r 0 s.dat -o o.csv" << 1 << tooLarge << "";
    QTest::newRow("file-size limit, csv -d")
        << "mkdir out"
        << "ulimit -f 100; $DAT csv -r 0 s.dat -d out" << 1 << tooLarge << "";
    QTest::newRow("file-size limit, plot -o")
        << ""
        << "ulimit -f 1; $DAT plot -r 0 s.dat -o o.png" << 1 << tooLarge << "";
    QTest::newRow("file-size limit, --force keeps the old file")
        << "echo old >o.csv"
        << "ulimit -f 100; $DAT csv -r 0 s.dat -o o.csv -f" << 1 << tooLarge << "";
    QTest::newRow("name not UTF-8") << "cp s.dat \"$(printf 'b\\377.dat')\""
                                    << "$DAT info \"$(printf 'b\\377.dat')\"" << 0 << ""
                                    << "b\\xFF.dat  16384 字节";
    QTest::newRow("folder not UTF-8, -d") << "mkdir \"$(printf 'o\\377')\""
                                          << "$DAT csv -r 0 s.dat -d \"$(printf 'o\\377')\" && "
                                             "head -c 13 \"$(printf 'o\\377')/s.csv\""
                                          << 0 << ""
                                          << "point,code,mV";
    QTest::newRow("info in screen columns") << "cp s.dat 数据.dat"
                                            << "$DAT info 数据.dat s.dat" << 0 << ""
                                            << "\ns.dat     16384";
    QTest::newRow("view with no display") << ""
                                          << "$DAT view -r 0 s.dat" << 1 << "view 需要图形显示"
                                          << "";
    QTest::newRow("--help") << ""
                            << "$DAT --help" << 0 << ""
                            << "-h, --help";
    QTest::newRow("--help-all") << ""
                                << "$DAT --help-all" << 2 << "help-all"
                                << "";
    QTest::newRow("--help onto a full disk") << ""
                                             << "$DAT --help >/dev/full" << 1 << full << "";
    QTest::newRow("closed standard output") << ""
                                            << "$DAT info s.dat >&-" << 1 << "标准输出已关闭"
                                            << "";
    // Its own input is never an output, --force or not, by any name.
    const QString ownInput = QStringLiteral("就是输入文件 s.dat，写入会毁掉它");
    QTest::newRow("csv onto its input") << ""
                                        << "$DAT csv -r 0 s.dat -o s.dat -f" << 1 << ownInput << "";
    QTest::newRow("csv onto its input through a link")
        << "ln -s s.dat l.csv"
        << "$DAT csv -r 0 s.dat -o l.csv --force" << 1 << ownInput << "";
    QTest::newRow("csv -d onto its input through a hard link")
        << "mkdir out && ln s.dat out/s.csv"
        << "$DAT csv -r 0 s.dat -d out -f" << 1 << ownInput << "";
    QTest::newRow("plot onto its input through a link")
        << "ln -s s.dat l.png"
        << "$DAT plot -r 0 s.dat -o l.png -f" << 1 << ownInput << "";
    QTest::newRow("standard output appending to its input")
        << ""
        << "$DAT csv -r 0 s.dat -o - >>s.dat" << 1 << "标准输出就是输入文件 s.dat"
        << "";
    // A name's escape sequence and newline are shown, not acted on.
    const QString oddName = QStringLiteral("\"$(printf 'a\\033[31m\\nb.dat')\"");
    QTest::newRow("escape and newline in a name")
        << "cp s.dat " + oddName << "$DAT info " + oddName << 0 << ""
        << "a\\x1B[31m\\x0Ab.dat  16384 字节";
    QTest::newRow("escape and newline in a missing name")
        << ""
        << "$DAT csv -r 0 " + oddName << 1 << "a\\x1B[31m\\x0Ab.dat 不存在"
        << "";
    QTest::newRow("option of no use to info")
        << ""
        << "$DAT info --axes s.dat" << 2 << "info 用不到选项 --axes"
        << "";
    QTest::newRow("option of no use to csv")
        << ""
        << "$DAT csv -r 0 --rate 100 s.dat" << 2 << "csv 用不到选项 --rate"
        << "";
    QTest::newRow("--rate without --axes")
        << ""
        << "$DAT plot -r 0 --rate 100 s.dat -o o.png" << 2 << "plot 用不到选项 --rate"
        << "";
    QTest::newRow("--scale for a PDF")
        << ""
        << "$DAT plot -r 0 --scale 2 s.dat -o o.pdf" << 2 << "plot 用不到选项 --scale"
        << "";
    QTest::newRow("option of no use to view")
        << ""
        << "$DAT view -r 0 s.dat -o o.png" << 2 << "view 用不到选项 -o/--output"
        << "";
    QTest::newRow("rate above 1 GHz") << ""
                                      << "$DAT plot -r 0 --axes --rate 1.5e9 s.dat -o o.png" << 2
                                      << "--rate 须为 0.001 到 1000000000 之间的数"
                                      << "";
    QTest::newRow("rate below 0.001 Hz")
        << ""
        << "$DAT view -r 0 --rate 0.0009 s.dat" << 2 << "--rate 须为 0.001 到 1000000000 之间的数"
        << "";
    // Recordings: two rows (scans 0 and 1) of channels 0 (0-5V) and 3 (±5V),
    // then what each row names.
    const QString heading =
        QStringLiteral("printf '# zk61ar-log 1.0\\r\\n# start: 2026-12-09T03:10:47.464698Z\\r\\n"
                       "# rate: 1000 scans/s\\r\\n# ch0: 0-5V\\r\\n# ch3: ±5V\\r\\n"
                       "scan,time_s,ch0_mV,ch3_mV\\r\\n0,0.000001,2500,0\\r\\n1,0.001,0,0\\r\\n");
    QTest::newRow("recording: a row of too few fields")
        << heading + "2,0.002,0\\r\\n' >r.csv"
        << "$DAT info r.csv" << 1 << "文件 r.csv 第 9 行：有 3 个字段，应为 4 个"
        << "";
    QTest::newRow("recording: a value no code gives")
        << heading + "2,0.002,0,1\\r\\n' >r.csv"
        << "$DAT plot r.csv -o r.png" << 1
        << "文件 r.csv 第 9 行：ch3_mV 的 1 mV 不是量程 ±5V 的码值所能给出的值"
        << "";
    QTest::newRow("recording: time going back")
        << heading + "2,0.0009,0,0\\r\\n' >r.csv"
        << "$DAT info r.csv" << 1 << "文件 r.csv 第 9 行：时间 0.000900 s 早于上一行的 0.001000 s"
        << "";
    QTest::newRow("recording: torn last line, the rows before kept")
        << heading + "2,0.002,25' >r.csv"
        << "$DAT info r.csv" << 0 << "文件 r.csv 第 9 行：最后一行不完整"
        << "行数      2";
    const auto part = [](int n, const QString &rows) {
        return QStringLiteral("printf '# zk61ar-log 1.0\\r\\n# start: 2026-12-09T03:10:47.464698Z"
                              "\\r\\n# rate: 1000 scans/s\\r\\n# ch0: 0-5V\\r\\n# ch3: ±5V\\r\\n"
                              "# part: %1\\r\\nscan,time_s,ch0_mV,ch3_mV\\r\\n%2' >run-000%1.csv;")
            .arg(n)
            .arg(rows);
    };
    QTest::newRow("recording: a split set from its name")
        << part(1, "0,0.000001,2500,0\\r\\n") + part(2, "1,0.001,0,0\\r\\n") << "$DAT info run.csv"
        << 0 << ""
        << "run-0001.csv … run-0002.csv（2 个分段）";
    QTest::newRow("recording: a part missing")
        << part(1, "0,0.000001,2500,0\\r\\n") + part(3, "1,0.001,0,0\\r\\n")
        << "$DAT info run-0003.csv" << 1 << "分段录制 run.csv 缺少第 2 段：没有文件 run-0002.csv"
        << "";
    QTest::newRow("recording: view checks it before a display")
        << heading + "2,0.0009,0,0\\r\\n' >r.csv"
        << "$DAT view --follow r.csv" << 1
        << "文件 r.csv 第 9 行：时间 0.000900 s 早于上一行的 0.001000 s"
        << "";
    QTest::newRow("recording: view with a range")
        << heading + "' >r.csv"
        << "$DAT view -r 0 r.csv" << 2 << "录制文件带着自己的时间和量程，不用 --rate 或 --range"
        << "";
    QTest::newRow("follow of a sample file")
        << "" << "$DAT view --follow -r 0 s.dat" << 2 << "--follow 只用于 zk61ar-log 的录制文件"
        << "";
    QTest::newRow("follow of no use to plot")
        << heading + "' >r.csv"
        << "$DAT plot --follow r.csv -o r.png" << 2 << "plot 用不到选项 --follow"
        << "";
    QTest::newRow("recording: not one")
        << "printf '# zk61ar-log\\r\\n' >r.csv"
        << "$DAT plot r.csv -o r.png" << 1 << "文件 r.csv 不是 zk61ar-log 的录制文件"
        << "";
}

void TestDatTool::reported()
{
    QFETCH(QString, setup);
    QFETCH(QString, command);
    QFETCH(int, status);
    QFETCH(QString, err);
    QFETCH(QString, out);
    QVERIFY(writeCodes(path("s.dat"), 1000));
    const QByteArray input = contents("s.dat");
    const int made = shell(setup);
    if (made == 77)
        QSKIP("cannot be made here (mknod needs root)");
    QCOMPARE(made, 0);
    const QByteArray before = entries();

    QByteArray stdOut;
    QString stdErr;
    QCOMPARE(shell(command, &stdOut, &stdErr), status);
    QCOMPARE(stdErr.count('\n'), err.isEmpty() ? 0 : 1);
    QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
    QVERIFY2(QString::fromUtf8(stdOut).contains(out), stdOut.constData());
    QVERIFY(!stdOut.contains("--help-all"));
    QVERIFY(!stdOut.contains('\x1b') && !stdErr.contains(QChar(0x1b)));
    // What was there stays, and nothing is left of what failed; the input is
    // never touched.
    if (status != 0)
        QCOMPARE(entries(), before);
    QCOMPARE(contents("s.dat"), input);
}

void TestDatTool::stopSignalKeepsFinishedOutputs_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestDatTool::stopSignalKeepsFinishedOutputs()
{
    QFETCH(int, signal);
    constexpr int kInputs = 2000;
    QVERIFY(writeCodes(path("s.dat"), 1000) && QDir(m_dir->path()).mkdir("out"));
    QStringList arguments{"csv", "-r", "0", "-d", "out"};
    for (int i = 0; i < kInputs; ++i) {
        arguments << QStringLiteral("s%1.dat").arg(i);
        // Hard links: a symbolic link costs a millisecond here.
        QCOMPARE(
            ::link(QFile::encodeName(path("s.dat")), QFile::encodeName(path(arguments.last()))), 0);
    }
    QProcess process;
    start(process, QStringLiteral(ZK61AR_DAT), arguments);
    // The signal comes while the outputs are being written.
    QVERIFY(QTest::qWaitFor([&] { return !QDir(path("out")).isEmpty(); }, 30000));
    ::kill(pid_t(process.processId()), signal);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    QCOMPARE(process.exitCode(), signal);

    const QFileInfoList written = QDir(path("out")).entryInfoList(QDir::Files);
    QVERIFY(written.size() < kInputs);
    for (const QFileInfo &file : written)
        QCOMPARE(file.size(), written.first().size());
    QVERIFY(
        contents("out/" + written.first().fileName()).endsWith("\r\n8192,1000,1220.703125\r\n"));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(err.count('\n'), 1);
    QVERIFY2(
        err.contains(QStringLiteral("已写完 %1 个输出，共 %2 个").arg(written.size()).arg(kInputs)),
        qPrintable(err));
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
    QByteArray out;
    QCOMPARE(
        run({"plot", "-r", range, "s.dat", "-o", "-", "--scale", QString::number(scale)}, &out), 0);
    const QImage picture = QImage::fromData(out, "PNG");
    QCOMPARE(picture.size(), QSize(8200 * scale / 15 + 1, 5000 * scale / 15 + 1));
    const auto pixel = [&](double x, double y) {
        return QColor(picture.pixel(int(x * scale / 15), int(std::floor(y * scale / 15))));
    };
    QCOMPARE(pixel(2000, plotY), kTraceColour);
    if (plotY > 30)
        QCOMPARE(pixel(2000, plotY - 30.0 / scale), QColor(Qt::black));
    for (const QLineF &line : screenGridLines()) {
        // The trace covers its own row and, rising from (1, 5000), column 0.
        const QPointF mid = line.center();
        if (std::floor(mid.y() * scale / 15) != std::floor(plotY * scale / 15) && mid.x() > 0)
            QCOMPARE(pixel(mid.x(), mid.y()), kGridColour);
    }
}

void TestDatTool::pdfOnePage()
{
    QVERIFY(writeCodes(path("s.dat"), 100));
    QCOMPARE(run({"plot", "-r", "0-5V", "s.dat", "-o", "s.pdf"}), 0);
    const QByteArray pdf = contents("s.pdf");
    QVERIFY(pdf.startsWith("%PDF-"));
    QCOMPARE(pdf.count("/Type /Page") - pdf.count("/Type /Pages"), 1);
    // 410 x 250 points: 8200 x 5000 twips.
    QVERIFY(QRegularExpression("/MediaBox \\[0 0 410(\\.0*)? 250(\\.0*)?\\]")
                .match(QString::fromLatin1(pdf))
                .hasMatch());
}

void TestDatTool::infoMillivolts_data()
{
    QTest::addColumn<QString>("range");
    QTest::addColumn<int>("high"); // points 1..4096; the rest hold `low`
    QTest::addColumn<int>("low");
    QTest::addColumn<QString>("figures"); // worked out by hand
    QTest::newRow("±5V square ±1000")
        << "±5V" << 1000 << -1000
        << "最小 -2441.40625 mV  最大 2441.40625 mV  峰峰值 4882.8125 mV  平均 0.000 mV  均方根 "
           "2441.406 mV";
    // Mean 1.220703125 and RMS 1.7263... (root of half of 1.220703125^2 x 4).
    QTest::newRow("0-5V 2 and 0") << "0-5V" << 2 << 0
                                  << "最小 0 mV  最大 2.44140625 mV  峰峰值 2.44140625 mV  平均 "
                                     "1.221 mV  均方根 1.726 mV";
    QTest::newRow("±10V -2048 alone") << "±10V" << -2048 << -2048
                                      << "最小 -10000 mV  最大 -10000 mV  峰峰值 0 mV  平均 "
                                         "-10000.000 mV  均方根 10000.000 mV";
}

void TestDatTool::infoMillivolts()
{
    QFETCH(QString, range);
    QFETCH(int, high);
    QFETCH(int, low);
    QFETCH(QString, figures);
    SampleBuffer buffer;
    for (int r = 1; r <= 8192; ++r)
        buffer(r) = std::int16_t(r <= 4096 ? high : low);
    QVERIFY(writeBytes(path("w.dat"), samplefile::encode(buffer)));
    QVERIFY(writeCodes(path("long.dat"), 0, {{1, 2047}}));
    QByteArray out;
    QCOMPARE(run({"info", "--range", range, "w.dat", "long.dat"}, &out), 0);
    // Padded to the other line's figures.
    QVERIFY2(QString::fromUtf8(out).split('\n')[0].simplified().endsWith(figures.simplified()),
             out.constData());
    QVERIFY2(columnsAligned(out, {"最小", "最大", "平均", "量程", "峰峰值", "均方根"}),
             out.constData());
}

void TestDatTool::plotAxes()
{
    // A level of 3012.6953125 mV in 0-5V.
    QVERIFY(writeCodes(path("s.dat"), 2468));
    QByteArray bare, framed;
    QCOMPARE(run({"plot", "-r", "0-5V", "s.dat", "-o", "-", "--scale", "4"}, &bare), 0);
    QCOMPARE(run({"plot", "-r", "0-5V", "s.dat", "-o", "-", "--scale", "4", "--axes"}, &framed), 0);
    const QImage plot = QImage::fromData(bare, "PNG"), picture = QImage::fromData(framed, "PNG");
    // Margins of 990, 450, 600 and 750 twips: 264, 120, 160 and 200 pixels at
    // scale 4, and above them the title: 32 pixels and 64 a line.
    QCOMPARE(picture.width(), plot.width() + 264 + 160);
    const int title = picture.height() - plot.height() - 120 - 200;
    QVERIFY2(title >= 32 + 2 * 64 && (title - 32) % 64 == 0, qPrintable(QString::number(title)));
    const QRect inside(QPoint(264, title + 120), plot.size());
    const auto count = [](const QImage &image, const QRect &area, auto &&wanted) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += wanted(QColor(image.pixel(x, y)));
        return n;
    };
    const auto trace = [](const QColor &c) { return c == kTraceColour; };
    const auto ink = [](const QColor &c) { return qGray(c.rgb()) < 128; };
    // The window's picture rises from the bottom at point 1; measured, the
    // trace starts at point 1's own level, in the first column: there only
    // the pen's 4 pixels.
    QVERIFY(count(plot, QRect(0, 0, 2, plot.height()), trace) > 2 * 100);
    QVERIFY2(count(picture, QRect(inside.topLeft(), QSize(2, plot.height())), trace) <= 2 * 4,
             "no trace down the left border");
    const int level = int(std::floor((5000 - 5000 * 2468 / 4096.0) * 4 / 15));
    QCOMPARE(QColor(picture.pixel(inside.left() + 1000, inside.top() + level)), kTraceColour);
    QVERIFY2(count(picture, QRect(0, 0, picture.width(), title), ink) > 300, "the title");
    QVERIFY2(count(picture, QRect(0, inside.top(), 240, plot.height()), ink) > 100,
             "millivolts left of the plot");
    QVERIFY2(count(picture, QRect(264, inside.bottom() + 20, plot.width(), 180), ink) > 100,
             "points below it");
}

void TestDatTool::infoRecording()
{
    QVERIFY(writeBytes(path("r.csv"), "# zk61ar-log 1.0\r\n"
                                      "# start: 2026-12-09T03:10:47.464698Z\r\n"
                                      "# rate: 1000 scans/s\r\n"
                                      "# ch0: 0-5V\r\n"
                                      "# ch3: ±5V\r\n"
                                      "scan,time_s,ch0_mV,ch3_mV\r\n"
                                      "0,0.000012,2500,-5000\r\n"
                                      "1,0.001010,2501.220703125,0\r\n"
                                      "3,0.003020,0,4997.55859375\r\n"
                                      "4,0.004001,4998.779296875,-2.44140625\r\n"));
    QByteArray out;
    QCOMPARE(run({"info", "r.csv"}, &out), 0);
    // Codes 2048, 2049, 0, 4095 and -2048, 0, 2047, -1; mean and RMS worked
    // out by hand to 50 digits; 3 steps in 0.003989 s.
    const QStringList expected{
        "r.csv 录制文件（zk61ar-log 1.0）",
        "开始 2026-12-09T03:10:47.464698Z（UTC）",
        "时长 0.003989 s",
        "行数 4",
        "超时跳过 1 次",
        "采样率 设定 1000 次/s，实测 752.068 次/s",
        "ch0 0-5V 最小 0 mV 最大 4998.779296875 mV 峰峰值 4998.779296875 mV 平均 2500.000 mV "
        "均方根 3061.613 mV",
        "ch3 ±5V 最小 -5000 mV 最大 4997.55859375 mV 峰峰值 9997.55859375 mV 平均 -1.221 mV "
        "均方根 3534.671 mV"};
    QStringList lines;
    for (const QString &line : QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts))
        lines << line.simplified();
    QCOMPARE(lines, expected);
}

void TestDatTool::plotRecordingKeepsSpikesAndGaps()
{
    using namespace spikerecording;
    QVERIFY(writeBytes(path("r.csv"), QByteArray::fromStdString(text())));
    QByteArray out;
    QCOMPARE(run({"plot", "r.csv", "-o", "-"}, &out), 0);
    const QImage picture = QImage::fromData(out, "PNG");
    // Two lanes of 110 pixels, 10 apart, 1600 columns over the 399.999 s from
    // the first scan to the last. Code c of 0-5V at y = 110 - (c + 0.5) x
    // 110 / 4096: row 83 for 1000, row 0 for 4095.
    QCOMPARE(picture.size(), QSize(1600, 230));
    const auto column = [](int scan) { return int(std::floor(scan * 1600.0 / 399999.000001)); };
    const auto trace = [&](int x, int y) { return QColor(picture.pixel(x, y)) == kTraceColour; };
    const auto traceIn = [&](int x) {
        for (int y = 0; y < 110; ++y)
            if (trace(x, y))
                return true;
        return false;
    };
    // A column spans 250 scans, so its edges move to blocks' starts, by up
    // to an eighth of a column: the spike, 0.6 scans after an edge, is in the
    // column of its time or of 31 scans before.
    const int spike = trace(column(kSpike), 0) ? column(kSpike) : column(kSpike - 31);
    QVERIFY(trace(spike, 0) && trace(spike, 83));
    QVERIFY(!trace(spike - 2, 0) && !trace(spike + 2, 0));
    QVERIFY(trace(column(kGapFrom) - 1, 83) && trace(column(kGapTo) + 1, 83));
    for (int x = column(kGapFrom) + 1; x < column(kGapTo); ++x)
        QVERIFY2(!traceIn(x), qPrintable(QStringLiteral("column %1 in the gap").arg(x)));
    // Channel 1's 0 in the middle of its lane, which starts at row 120.
    QVERIFY(trace(800, 120 + 54));
}

QTEST_GUILESS_MAIN(TestDatTool)
#include "tst_dattool.moc"
