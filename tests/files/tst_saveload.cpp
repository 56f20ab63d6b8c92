// Save and Load on the real window: the real buttons, the real message boxes and
// file dialog answered as the operator would, real files in a temporary folder,
// and failures caused for real (a removed folder, a file-size limit, a full or
// read-only file system).
#include "boxanswerer.h"
#include "filebytes.h"
#include "files/samplefile.h"
#include "recordeddriver.h"
#include "scriptedclock.h"
#include "systemwords.h"
#include "windowfixture.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {
const QString kName = QStringLiteral("vx-2261437.dat"); // 12-08-2026 14:37:05
constexpr int kLiveCode = 1111;

SampleBuffer pattern(int seed)
{
    SampleBuffer buffer;
    for (int r = 1; r <= 8192; ++r)
        buffer(r) = std::int16_t(std::uint16_t(r * 40503u + unsigned(seed) * 977u));
    return buffer;
}

// The file a Save of `buffer` must leave: entry r as record r, low byte first
// (tst_samplefile pins the encoding byte by byte).
QByteArray recordsOf(const SampleBuffer &buffer)
{
    return samplefile::encode(buffer);
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                               QDir::System);
}

int tracePixels(PlotArea *plot)
{
    const QImage image = plot->picture().convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == kTraceColour;
    return n;
}

// A file-size limit for as long as it lives; writes past it fail with EFBIG.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }

private:
    rlimit m_saved{};
};

// A tmpfs mounted over `dir` for as long as it lives.
class TmpfsMount
{
public:
    TmpfsMount(const QString &dir, const char *options, unsigned long flags)
        : m_dir(QFile::encodeName(dir))
    {
        QDir().mkpath(dir);
        if (mount("zk61ar-test", m_dir.constData(), "tmpfs", flags, options) != 0)
            error = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~TmpfsMount()
    {
        if (error.isEmpty())
            umount2(m_dir.constData(), MNT_DETACH);
    }
    QString error; // why it could not be mounted; empty when mounted

private:
    QByteArray m_dir;
};
} // namespace

class TestSaveLoad : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void saveNoCreatesNothing();
    void saveYesWritesBuffer();
    void secondSaveInSameMinuteKeepsFirstFile();
    void saveFailureKeepsProgram_data();
    void saveFailureKeepsProgram();
    void saveWritesTraceOfClick_data();
    void saveWritesTraceOfClick();

    void loadRestoresSavedValues();
    void loadCancelChangesNothing();
    void loadRefuses_data();
    void loadRefuses();
    void loadLongFileTakesFirstRecords();
    void loadPreselectsPreviousFile();
    void loadAddsDefaultExtension_data();
    void loadAddsDefaultExtension();

private:
    // Holds the sweep so the buffer keeps what the test put there.
    void holdSweep() { m_form->Timer2.stop(); }
    QString inDir(const QString &name) const { return m_dir->filePath(name); }
    QList<SeenBox> save(const QString &answer);

    RecordedDriver m_driver;
    QString m_startDir;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<ScriptedClock> m_clock;
    std::unique_ptr<WindowUnderTest> m_window;
    Form1 *m_form = nullptr;
};

void TestSaveLoad::initTestCase()
{
    // As the program does: past a file-size limit a write fails, not the process.
    std::signal(SIGXFSZ, SIG_IGN);
    m_startDir = QDir::currentPath();
}

void TestSaveLoad::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // Save writes into the current directory.
    QVERIFY(QDir::setCurrent(m_dir->path()));
    m_driver.reset();
    m_driver.setCode(kLiveCode);
    m_clock = std::make_shared<ScriptedClock>(QStringList{"12-08-2026"}, QStringList{"14:37:05"});
    m_window = std::make_unique<WindowUnderTest>(std::make_shared<NoPrinter>(), m_clock);
    m_form = &m_window->started();
}

void TestSaveLoad::cleanup()
{
    m_window.reset();
    QDir::setCurrent(m_startDir);
    m_dir.reset();
}

QList<SeenBox> TestSaveLoad::save(const QString &answer)
{
    BoxAnswerer answerer;
    answerer.clickButton(answer);
    click(m_form->Command3);
    return answerer.boxes();
}

void TestSaveLoad::saveNoCreatesNothing()
{
    QVERIFY(m_form->Timer1.isActive());
    const QList<SeenBox> boxes = save(QStringLiteral("否(&N)"));
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].title, QStringLiteral("存盘"));
    QCOMPARE(boxes[0].text, QStringLiteral("存为文件") + kName);
    QCOMPARE(boxes[0].buttons, QStringList({"是(&Y)", "否(&N)"}));
    QCOMPARE(boxes[0].defaultButton, QStringLiteral("是(&Y)"));
    QCOMPARE(boxes[0].icon, QMessageBox::NoIcon);
    QCOMPARE(boxes[0].clicked, QStringLiteral("否(&N)"));

    QCOMPARE(entries(m_dir->path()), QStringList());
    QVERIFY(!m_form->Timer1.isActive());
    QVERIFY(m_form->Option4->isChecked());
    QCOMPARE(m_clock->reads, QStringList({"date", "date", "time", "time"}));
}

void TestSaveLoad::saveYesWritesBuffer()
{
    holdSweep();
    m_form->sampleBuf = pattern(1);
    const QList<SeenBox> boxes = save(QStringLiteral("是(&Y)"));
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].text, QStringLiteral("存为文件") + kName);
    QCOMPARE(entries(m_dir->path()), QStringList{kName});
    QCOMPARE(QFileInfo(inDir(kName)).size(), 16384);
    QCOMPARE(fileBytes(inDir(kName)), recordsOf(pattern(1)));
    QVERIFY(!m_form->Timer1.isActive());
    QVERIFY(!m_form->hasEnded());
}

void TestSaveLoad::secondSaveInSameMinuteKeepsFirstFile()
{
    holdSweep();
    m_form->sampleBuf = pattern(1);
    save(QStringLiteral("是(&Y)"));
    m_form->sampleBuf = pattern(2);
    const QList<SeenBox> boxes = save(QStringLiteral("是(&Y)"));
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].text, QStringLiteral("存为文件vx-2261437_1.dat"));
    QVERIFY2(!boxes[0].textClipped, "the underscore shows");

    QCOMPARE(fileBytes(inDir(kName)), recordsOf(pattern(1)));
    QCOMPARE(fileBytes(inDir("vx-2261437_1.dat")), recordsOf(pattern(2)));
    QCOMPARE(entries(m_dir->path()).size(), 2);

    // Another program takes the name asked about while the question is open.
    m_form->sampleBuf = pattern(3);
    BoxAnswerer answerer;
    answerer.onBox = [&](const SeenBox &) { writeBytes(inDir("vx-2261437_2.dat"), "other"); };
    answerer.clickButton(QStringLiteral("是(&Y)"));
    answerer.clickButton(QStringLiteral("确定"));
    click(m_form->Command3);
    QCOMPARE(answerer.boxes().size(), 2);
    QCOMPARE(answerer.boxes()[1].text,
             QStringLiteral("vx-2261437_2.dat 已被另一个程序占用，已存为文件vx-2261437_3.dat"));
    QCOMPARE(fileBytes(inDir("vx-2261437_2.dat")), QByteArray("other"));
    QCOMPARE(fileBytes(inDir("vx-2261437_3.dat")), recordsOf(pattern(3)));
}

void TestSaveLoad::saveFailureKeepsProgram_data()
{
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("name");
    // Creating a file in a folder that has been removed fails even for root.
    // Reasons in the system's words for the locale the test runs under.
    QTest::newRow("folder removed") << "removed" << systemWords(ENOENT) << "12-08-2026" << kName;
    // A write stopped at the limit after 10000 bytes: a partial file to take away.
    QTest::newRow("file-size limit") << "limit" << systemWords(EFBIG) << "12-08-2026" << kName;
    // Placeholders in the name stay as they are in the message.
    QTest::newRow("%1 in the name") << "removed" << systemWords(ENOENT) << "12-08%1026"
                                    << "vx%1261437.dat";
    QTest::newRow("disk full") << "full" << systemWords(ENOSPC) << "12-08-2026" << kName;
    QTest::newRow("read-only file system")
        << "readonly" << systemWords(EROFS) << "12-08-2026" << kName;
}

void TestSaveLoad::saveFailureKeepsProgram()
{
    QFETCH(QString, cause);
    QFETCH(QString, reason);
    QFETCH(QString, date);
    QFETCH(QString, name);
    *m_clock = ScriptedClock({date}, {QStringLiteral("14:37:05")});
    holdSweep();
    m_form->sampleBuf = pattern(3);

    const QString target = inDir(QStringLiteral("target"));
    std::unique_ptr<TmpfsMount> mounted;
    std::unique_ptr<FileSizeLimit> limit;
    QVERIFY(QDir().mkdir(target));
    if (cause == "full" || cause == "readonly") {
        // An 8 KiB file system holds half a sample file.
        mounted = cause == "full" ? std::make_unique<TmpfsMount>(target, "size=8k", 0)
                                  : std::make_unique<TmpfsMount>(target, "size=64k", MS_RDONLY);
        if (!mounted->error.isEmpty())
            QSKIP(qPrintable("cannot mount a tmpfs here (" + mounted->error +
                             "); the removed-folder and size-limit rows still run"));
    }
    QVERIFY(QDir::setCurrent(target));
    if (cause == "removed")
        QVERIFY(QDir(m_dir->path()).rmdir(QStringLiteral("target")));
    if (cause == "limit")
        limit = std::make_unique<FileSizeLimit>(10000);

    SeenBox error;
    {
        BoxAnswerer answerer;
        answerer.clickButton(QStringLiteral("是(&Y)"));
        answerer.clickButton(QStringLiteral("确定"));
        click(m_form->Command3);
        limit.reset();
        QCOMPARE(answerer.unexpected().size(), 0);
        QCOMPARE(answerer.boxes().size(), 2);
        error = answerer.boxes()[1];
    }
    QCOMPARE(error.title, QStringLiteral("存盘"));
    QCOMPARE(error.icon, QMessageBox::Warning);
    QVERIFY2(error.text.contains(name), qPrintable(error.text));
    QVERIFY2(error.text.contains(reason), qPrintable(error.text));

    // Nothing left behind, not even the part written before the failure.
    QCOMPARE(entries(QStringLiteral(".")), QStringList());
    QVERIFY(!m_form->hasEnded());
    QCOMPARE(*m_window->exitCodes, QList<int>());
    QVERIFY(m_form->sampleBuf == pattern(3));

    // The program goes on: the next Save, into a sound folder, writes the file.
    QVERIFY(QDir::setCurrent(m_dir->path()));
    mounted.reset();
    save(QStringLiteral("是(&Y)"));
    QCOMPARE(fileBytes(inDir(name)), recordsOf(pattern(3)));
}

void TestSaveLoad::saveWritesTraceOfClick_data()
{
    QTest::addColumn<bool>("betweenSweeps");
    // The points the yielding sweep has stored so far, then the previous sweep's.
    QTest::newRow("inside a sweep") << false;
    // The last sweep, whole: with the live reading stopped, a sweep started
    // while the question is open would record zeros over it.
    QTest::newRow("between two sweeps") << true;
}

void TestSaveLoad::saveWritesTraceOfClick()
{
    QFETCH(bool, betweenSweeps);
    // A sweep that ends on one value, then another value: the next sweep
    // stores the new value over the old ones point by point.
    constexpr int kNextCode = 2222;
    QTRY_VERIFY_WITH_TIMEOUT(m_form->sampleBuf(8192) == kLiveCode, 20000);
    m_driver.setCode(kNextCode);

    const SampleBuffer &buffer = m_form->sampleBuf;
    SampleBuffer atClick;
    QImage shownAtClick, shownAtAnswer;
    int lastNew = 0;
    const auto ready = [&] {
        if (betweenSweeps)
            return !m_form->isSweeping() && buffer(8192) == kNextCode;
        for (int r = 1; r <= 8192; ++r)
            if (buffer(r) == kNextCode)
                lastNew = r;
        // Well inside a sweep: new values stored, many old ones still to go.
        return m_form->isSweeping() && buffer(8192) == kLiveCode && lastNew > 0 && lastNew < 6000;
    };
    bool clicked = false;
    const auto clickWhenReady = [&] {
        if (clicked || !ready())
            return;
        clicked = true;
        atClick = buffer;
        shownAtClick = m_form->Picture1->picture().copy();
        click(m_form->Command3);
    };
    // Tried in every yield of a sweep, and right after each sweep from the
    // event loop, as the operator's click comes, before the next sweep tick.
    QTimer trigger;
    trigger.setInterval(0);
    QObject::connect(&trigger, &QTimer::timeout, clickWhenReady);
    QObject::connect(&m_form->Timer2, &QTimer::timeout, &trigger, [&] {
        QMetaObject::invokeMethod(&trigger, clickWhenReady, Qt::QueuedConnection);
    });
    trigger.start();
    QSignalSpy sweepTicks(&m_form->Timer2, &QTimer::timeout);
    int ticksWhileAsked = 0;
    BoxAnswerer answerer;
    answerer.then([&](QWidget *box) {
        // The operator reads the question for a while; the 1 ms timers run on.
        const int before = int(sweepTicks.count());
        QTest::qWait(300);
        ticksWhileAsked = int(sweepTicks.count()) - before;
        shownAtAnswer = m_form->Picture1->picture().copy();
        QTest::mouseClick(qobject_cast<QMessageBox *>(box)->button(QMessageBox::Yes),
                          Qt::LeftButton);
    });
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(inDir(kName)), 20000);
    QCOMPARE(answerer.unexpected().size(), 0);

    QCOMPARE(fileBytes(inDir(kName)), recordsOf(atClick));
    QCOMPARE(atClick(8192), std::int16_t(betweenSweeps ? kNextCode : kLiveCode));
    QCOMPARE(shownAtAnswer, shownAtClick);
    // A tick cannot come again while its own sweep yields; after the sweep it can.
    if (betweenSweeps)
        QVERIFY2(ticksWhileAsked > 0, "no sweep tick fell due while the question was open");
}

void TestSaveLoad::loadRestoresSavedValues()
{
    QTRY_VERIFY(tracePixels(m_form->Picture1) > 0);
    holdSweep();
    m_form->sampleBuf = pattern(4);
    save(QStringLiteral("是(&Y)"));
    const QByteArray saved = fileBytes(inDir(kName));
    const QDateTime modified = QFileInfo(inDir(kName)).lastModified();

    for (int i = 0; i <= SampleBuffer::kLastIndex; ++i)
        m_form->sampleBuf(i) = -7;
    // The Save stopped the live reading: Scan starts it again, so the Load has
    // one to stop, and a trace after Scan's clear, so the Load has one to clear.
    click(m_form->Option4);
    QVERIFY(m_form->Timer1.isActive());
    m_form->Picture1->line(QPointF(100, 1700), QPointF(8100, 1800), kTraceColour);
    QVERIFY(tracePixels(m_form->Picture1) > 0);
    QVERIFY(m_form->Option4->isChecked());
    BoxAnswerer answerer;
    answerer.chooseFile(inDir(kName));
    click(m_form->Command4);

    QCOMPARE(answerer.fileDialogs().size(), 1);
    const SeenFileDialog dialog = answerer.fileDialogs()[0];
    QCOMPARE(dialog.title, QStringLiteral("打开文件"));
    QCOMPARE(dialog.nameFilters, QStringList{QStringLiteral("数据文件(*.dat)")});
    // Qt's own captions in the window's language, whatever the locale.
    for (const QString &caption : dialog.captions)
        QVERIFY2(caption.contains(QRegularExpression(QStringLiteral("\\p{Han}"))),
                 qPrintable(caption));
    QCOMPARE(dialog.acceptMode, QFileDialog::AcceptOpen);
    QCOMPARE(answerer.boxes().size(), 0);

    for (int r = 1; r <= 8192; ++r)
        QCOMPARE(m_form->sampleBuf(r), pattern(4)(r));
    QCOMPARE(m_form->sampleBuf(0), std::int16_t(-7));
    for (int i = 8193; i <= SampleBuffer::kLastIndex; ++i)
        QCOMPARE(m_form->sampleBuf(i), std::int16_t(-7));

    QVERIFY(m_form->Option3->isChecked());
    QVERIFY(!m_form->Option4->isChecked());
    QVERIFY(!m_form->Timer1.isActive());
    // The grid alone: the loaded samples are not drawn, the old trace is gone.
    QCOMPARE(tracePixels(m_form->Picture1), 0);
    // Read only: the file and its folder are as they were.
    QCOMPARE(fileBytes(inDir(kName)), saved);
    QCOMPARE(QFileInfo(inDir(kName)).lastModified(), modified);
    QCOMPARE(entries(m_dir->path()), QStringList{kName});
}

void TestSaveLoad::loadCancelChangesNothing()
{
    holdSweep();
    m_form->sampleBuf = pattern(5);
    const QImage before = m_form->Picture1->picture().copy();
    BoxAnswerer answerer;
    answerer.cancelFileDialog();
    click(m_form->Command4);

    QCOMPARE(answerer.fileDialogs().size(), 1);
    QCOMPARE(answerer.boxes().size(), 0);
    QVERIFY(m_form->sampleBuf == pattern(5));
    QVERIFY(m_form->Option4->isChecked());
    QVERIFY(m_form->Timer1.isActive());
    QCOMPARE(m_form->Picture1->picture(), before);
    QCOMPARE(entries(m_dir->path()), QStringList());
}

void TestSaveLoad::loadRefuses_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "missing"
                             << "不存在";
    // The file dialog itself opens a folder rather than returning it; a native
    // dialog may hand one back all the same.
    QTest::newRow("folder") << "folder"
                            << "目录";
    // Readable by name, but every read fails, for root as well.
    QTest::newRow("unreadable") << "unreadable" << systemWords(EIO);
    QTest::newRow("short") << "short"
                           << "只有 100 字节";
    QTest::newRow("short, %1 in the name")
        << "pct%1short"
        << "只有 100 字节，不是完整的数据文件（应为 16384 字节）";
}

void TestSaveLoad::loadRefuses()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    holdSweep();
    m_form->sampleBuf = pattern(6);

    QString path = inDir(QStringLiteral("sample.dat"));
    if (kind == "folder")
        QVERIFY(QDir().mkdir(path));
    else if (kind == "unreadable")
        path = QStringLiteral("/proc/self/mem");
    else if (kind == "short" || kind == "pct%1short")
        QVERIFY(writeBytes(path = inDir(kind + ".dat"), recordsOf(pattern(7)).left(100)));
    const QStringList before = entries(m_dir->path());

    BoxAnswerer answerer;
    answerer.then([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (kind == "folder") {
            // Accepted as a native dialog would, with the folder's name typed.
            typeName(dialog, path);
            static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
        } else {
            typeAndOpen(dialog, path);
        }
    });
    answerer.clickButton(QStringLiteral("确定"));
    click(m_form->Command4);

    QCOMPARE(answerer.pendingAnswers(), 0);
    QCOMPARE(answerer.unexpected().size(), 0);
    QCOMPARE(answerer.boxes().size(), 1);
    const SeenBox error = answerer.boxes()[0];
    QCOMPARE(error.title, QStringLiteral("取盘"));
    QCOMPARE(error.icon, QMessageBox::Warning);
    QVERIFY2(error.text.contains(path), qPrintable(error.text));
    QVERIFY2(error.text.contains(reason), qPrintable(error.text));

    QVERIFY(m_form->sampleBuf == pattern(6));
    QCOMPARE(entries(m_dir->path()), before);
    QVERIFY(!m_form->hasEnded());
    QCOMPARE(*m_window->exitCodes, QList<int>());
    // Still was selected before the file was opened, and stays so.
    QVERIFY(m_form->Option3->isChecked());
}

void TestSaveLoad::loadLongFileTakesFirstRecords()
{
    holdSweep();
    const QByteArray bytes = recordsOf(pattern(8)) + QByteArray(3616, '\x55');
    QVERIFY(writeBytes(inDir("long.dat"), bytes));
    BoxAnswerer answerer;
    answerer.chooseFile(inDir("long.dat"));
    click(m_form->Command4);
    QCOMPARE(answerer.boxes().size(), 0);
    QVERIFY(m_form->sampleBuf == pattern(8));
    QCOMPARE(fileBytes(inDir("long.dat")), bytes);
}

void TestSaveLoad::loadPreselectsPreviousFile()
{
    holdSweep();
    QVERIFY(writeBytes(inDir("first.dat"), recordsOf(pattern(9))));
    {
        BoxAnswerer answerer;
        answerer.chooseFile(inDir("first.dat"));
        click(m_form->Command4);
    }
    m_form->sampleBuf = SampleBuffer();

    // The operator finds the earlier choice in the dialog and just presses Open.
    QString shownName;
    QStringList shownSelection;
    BoxAnswerer answerer;
    answerer.then([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        shownName = fileNameField(dialog)->text();
        shownSelection = dialog->selectedFiles();
        pressOpen(dialog);
    });
    click(m_form->Command4);

    QCOMPARE(answerer.unexpected().size(), 0);
    QCOMPARE(shownName, QStringLiteral("first.dat"));
    QCOMPARE(shownSelection, QStringList{inDir("first.dat")});
    QVERIFY(m_form->sampleBuf == pattern(9));
}

void TestSaveLoad::loadAddsDefaultExtension_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("loaded");
    QTest::newRow("name without extension") << "first"
                                            << "first.dat";
    // An existing file is taken as it is, whatever its name.
    QTest::newRow("existing file without extension") << "plain"
                                                     << "plain";
    QTest::newRow("other extension") << "other.bin"
                                     << "other.bin";
}

void TestSaveLoad::loadAddsDefaultExtension()
{
    QFETCH(QString, typed);
    QFETCH(QString, loaded);
    holdSweep();
    // The folder the operator picks from is not the current directory.
    QVERIFY(QDir::setCurrent(m_startDir));
    QVERIFY(writeBytes(inDir(loaded), recordsOf(pattern(10))));
    BoxAnswerer answerer;
    answerer.then(
        [&](QWidget *modal) { typeAndOpen(qobject_cast<QFileDialog *>(modal), inDir(typed)); });
    click(m_form->Command4);
    QCOMPARE(answerer.unexpected().size(), 0);
    QCOMPARE(m_form->CommonDialog1.FileName, inDir(loaded));
    QVERIFY(m_form->sampleBuf == pattern(10));
}

QTEST_MAIN(TestSaveLoad)
#include "tst_saveload.moc"
