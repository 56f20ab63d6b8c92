// The sample file without the window: its name from the clock texts, its bytes,
// and the refusals of the file operations.
#include "filebytes.h"
#include "files/clock.h"
#include "files/samplefile.h"
#include "files/samplefilename.h"
#include "files/wholefile.h"
#include "scriptedclock.h"
#include "systemwords.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cerrno>
#include <functional>
#include <sys/stat.h>

namespace {
constexpr std::int16_t kUntouched = 0x5A5A;

// Entries 1..8192 a mix of both signs and every byte value; the entries no file
// holds carry a mark that must never turn up in one.
SampleBuffer knownBuffer()
{
    SampleBuffer buffer;
    for (int i = 0; i <= SampleBuffer::kLastIndex; ++i)
        buffer(i) = kUntouched;
    for (int r = 1; r <= samplefile::kRecordCount; ++r)
        buffer(r) = std::int16_t(std::uint16_t(r * 40503u + 7));
    return buffer;
}

// The message of the FileError `operation` throws; empty when it throws none.
QString failureOf(const std::function<void()> &operation)
{
    try {
        operation();
    } catch (const FileError &error) {
        return QString::fromStdString(error.message());
    }
    return {};
}
} // namespace

class TestSampleFile : public QObject
{
    Q_OBJECT
private slots:
    void nameFromClock_data();
    void nameFromClock();
    void clockIsReadDateDateTimeTime();
    void recordBytes_data();
    void recordBytes();
    void wholeBufferByteForByte();
    void decodeRestoresRecordsOnly();
    void firstFreeName_data();
    void firstFreeName();
    void writeNeverReplaces();
    void readRefuses_data();
    void readRefuses();
    void readLonger();
};

void TestSampleFile::nameFromClock_data()
{
    // Each moment goes through the system clock's own text forms.
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("name");
    const auto row = [](const char *tag, QDate day, QTime at, const char *date, const char *time,
                        const char *name) {
        QTest::newRow(tag) << QDateTime(day, at) << date << time << name;
    };
    row("8 Dec 2026 14:37:05", {2026, 12, 8}, {14, 37, 5}, "12-08-2026", "14:37:05",
        "vx-2261437.dat");
    row("09:05 in 2031", {2031, 3, 17}, {9, 5, 41}, "03-17-2031", "09:05:41", "vx-2310905.dat");
    row("midnight", {2027, 1, 1}, {0, 0}, "01-01-2027", "00:00:00", "vx-2270000.dat");
    row("23:59", {2026, 12, 31}, {23, 59, 59}, "12-31-2026", "23:59:59", "vx-2262359.dat");
    row("year 2099", {2099, 6, 30}, {12, 0}, "06-30-2099", "12:00:00", "vx-2991200.dat");
    row("year 1999", {1999, 7, 4}, {8, 30}, "07-04-1999", "08:30:00", "vx-1990830.dat");
}

void TestSampleFile::nameFromClock()
{
    QFETCH(QDateTime, moment);
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, name);
    QCOMPARE(SystemClock::dateTextOf(moment.date()), date);
    QCOMPARE(SystemClock::timeTextOf(moment.time()), time);
    ScriptedClock clock({date}, {time});
    QCOMPARE(sampleFileName(clock), name);
}

void TestSampleFile::clockIsReadDateDateTimeTime()
{
    // Every reading different: each piece shows which reading it came from.
    ScriptedClock clock({"11-11-2026", "12-12-2037"}, {"01:02:03", "04:05:06"});
    QCOMPARE(sampleFileName(clock), QStringLiteral("vx-2370105.dat"));
    QCOMPARE(clock.reads, QStringList({"date", "date", "time", "time"}));
}

void TestSampleFile::recordBytes_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("-1") << -1 << QByteArray("\xFF\xFF", 2);
    QTest::newRow("2047") << 2047 << QByteArray("\xFF\x07", 2);
    QTest::newRow("4095") << 4095 << QByteArray("\xFF\x0F", 2);
    QTest::newRow("-2048") << -2048 << QByteArray("\x00\xF8", 2);
    QTest::newRow("0") << 0 << QByteArray("\x00\x00", 2);
    QTest::newRow("-32768") << -32768 << QByteArray("\x00\x80", 2);
}

void TestSampleFile::recordBytes()
{
    QFETCH(int, value);
    QFETCH(QByteArray, bytes);
    // At the first and the last record, over a buffer of other values.
    SampleBuffer buffer = knownBuffer();
    buffer(1) = std::int16_t(value);
    buffer(8192) = std::int16_t(value);
    const QByteArray file = samplefile::encode(buffer);
    QCOMPARE(file.size(), 16384);
    QCOMPARE(file.mid(0, 2), bytes);
    QCOMPARE(file.mid(16382, 2), bytes);

    QCOMPARE(samplefile::decode(file).front(), std::int16_t(value));
    QCOMPARE(samplefile::decode(file).back(), std::int16_t(value));
}

void TestSampleFile::wholeBufferByteForByte()
{
    const SampleBuffer buffer = knownBuffer();
    QByteArray expected(16384, '\0');
    for (int r = 1; r <= 8192; ++r)
        qToLittleEndian<qint16>(buffer(r), expected.data() + (r - 1) * 2);
    QCOMPARE(samplefile::encode(buffer), expected);
}

void TestSampleFile::decodeRestoresRecordsOnly()
{
    const SampleBuffer saved = knownBuffer();
    SampleBuffer loaded;
    loaded(0) = 11;
    for (int i = 8193; i <= SampleBuffer::kLastIndex; ++i)
        loaded(i) = std::int16_t(i);
    samplefile::storeRecords(samplefile::decode(samplefile::encode(saved)), loaded);
    for (int r = 1; r <= 8192; ++r)
        QCOMPARE(loaded(r), saved(r));
    QCOMPARE(loaded(0), std::int16_t(11));
    for (int i = 8193; i <= SampleBuffer::kLastIndex; ++i)
        QCOMPARE(loaded(i), std::int16_t(i));
}

void TestSampleFile::firstFreeName_data()
{
    // Entries: "f:name" a file, "d:name" a folder, "l:name" a link to nothing.
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("expected");
    QTest::newRow("free") << QStringList() << "vx-2261437.dat";
    QTest::newRow("taken") << QStringList{"f:vx-2261437.dat"} << "vx-2261437_1.dat";
    QTest::newRow("taken twice") << QStringList{"f:vx-2261437.dat", "f:vx-2261437_1.dat"}
                                 << "vx-2261437_2.dat";
    QTest::newRow("gap") << QStringList{"f:vx-2261437.dat", "f:vx-2261437_2.dat"}
                         << "vx-2261437_1.dat";
    QTest::newRow("dangling link") << QStringList{"l:vx-2261437.dat"} << "vx-2261437_1.dat";
    QTest::newRow("folder") << QStringList{"d:vx-2261437.dat"} << "vx-2261437_1.dat";
    QTest::newRow("other minute") << QStringList{"f:vx-2261436.dat"} << "vx-2261437.dat";
}

void TestSampleFile::firstFreeName()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString &entry : existing) {
        const QString path = dir.filePath(entry.mid(2));
        if (entry.startsWith("f:"))
            QVERIFY(writeBytes(path, "x"));
        else if (entry.startsWith("d:"))
            QVERIFY(QDir().mkdir(path));
        else
            QVERIFY(QFile::link(dir.filePath("nowhere"), path));
    }
    QCOMPARE(firstFreeFileName(QDir(dir.path()), QStringLiteral("vx-2261437.dat")), expected);
}

void TestSampleFile::writeNeverReplaces()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("vx-2261437.dat");
    QVERIFY(writeBytes(path, "earlier"));
    const QString error =
        failureOf([&] { writeWholeFile(path, samplefile::encode(knownBuffer())); });
    QVERIFY(!error.isEmpty());
    QVERIFY2(error.contains(path), qPrintable(error));
    QCOMPARE(fileBytes(path), QByteArray("earlier"));

    const QString fresh = dir.filePath("vx-2261437_1.dat");
    const QString written =
        failureOf([&] { writeWholeFile(fresh, samplefile::encode(knownBuffer())); });
    QVERIFY2(written.isEmpty(), qPrintable(written));
    QCOMPARE(fileBytes(fresh), samplefile::encode(knownBuffer()));
}

void TestSampleFile::readRefuses_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    // Opening a pipe for reading would wait for a writer that never comes.
    QTest::newRow("pipe") << "pipe"
                          << "不是普通文件";
    QTest::newRow("empty") << "empty"
                           << "只有 0 字节";
    QTest::newRow("one byte short") << "short"
                                    << "只有 16383 字节";
    QTest::newRow("%1 in the name") << "pct%1short"
                                    << "只有 16383 字节，不是完整的数据文件（应为 16384 字节）";
    // Not "does not exist": the system's own reason.
    QTest::newRow("link loop") << "loop" << systemWords(ELOOP);
    QTest::newRow("over-long name") << QString(300, QLatin1Char('x')) << systemWords(ENAMETOOLONG);
}

void TestSampleFile::readRefuses()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path =
        dir.filePath(kind.startsWith("pct") || kind.startsWith("xxx") ? kind : "sample.dat");
    if (kind == "pipe")
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == "empty")
        QVERIFY(writeBytes(path, {}));
    else if (kind == "short" || kind == "pct%1short")
        QVERIFY(writeBytes(path, samplefile::encode(knownBuffer()).left(16383)));
    else if (kind == "loop")
        QVERIFY(QFile::link(path, path));

    const QString error = failureOf([&] { samplefile::read(path); });
    QVERIFY2(error.contains(path), qPrintable(error));
    QVERIFY2(error.contains(reason), qPrintable(error));
}

void TestSampleFile::readLonger()
{
    // Load reads the first 16384 bytes of a longer file; the exact read refuses it.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("s.dat");
    QVERIFY(writeBytes(path, samplefile::encode(knownBuffer()) + "x"));
    samplefile::Records asLoad{};
    const QString loadError = failureOf([&] { asLoad = samplefile::read(path); });
    QVERIFY2(loadError.isEmpty(), qPrintable(loadError));
    QCOMPARE(asLoad[8191], knownBuffer()(8192));
    const QString refused = failureOf([&] { samplefile::read(path, samplefile::Length::Exact); });
    QVERIFY2(refused.contains(path + " 有 16385 字节"), qPrintable(refused));
}

QTEST_GUILESS_MAIN(TestSampleFile)
#include "tst_samplefile.moc"
