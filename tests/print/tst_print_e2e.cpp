// Print end to end on a real print queue: the test starts its own print
// scheduler beside any the machine runs (its own configuration, spool, state and
// socket, in the places the system's confinement rules for the scheduler and the
// PDF back end allow), sets up a PDF queue as the default printer, presses Print
// on the real window with the system printer, and reads the page that comes out.
// Everything it adds to the machine it takes away again; what a run that was
// killed left behind, the next run takes away before it starts.
#include "boxanswerer.h"
#include "filebytes.h"
#include "pageimage.h"
#include "print/systemprinter.h"
#include "windowfixture.h"

#include <QDeadlineTimer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>
#include <climits>
#include <csignal>
#include <functional>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString kQueue = QStringLiteral("ZK61AR_E2E");
const QString kPdfSettings = QStringLiteral("/etc/cups/cups-pdf.conf");
const QString kPpd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
// Every folder and file a run makes carries this and its process id; its ledger
// of additions is kLedgers/<marker><pid>.ledger.
const QString kMarker = QStringLiteral("zk61ar-e2e-");
const QString kLedgers = QStringLiteral("/var/tmp");
// The test numbers its jobs from here up, past any number the machine's own
// scheduler reaches, and past every number in the output folder.
constexpr qint64 kFirstJob = 1000000000;
constexpr qint64 kJobsPerRun = 1000;
constexpr int kDpi = 150;
// How far (pixels) a line on the rendered page may sit from where it belongs.
constexpr double kTolerance = 1.5;

QString tool(const QString &name)
{
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty()
               ? QStandardPaths::findExecutable(name, {"/usr/sbin", "/usr/bin", "/sbin", "/bin"})
               : found;
}

bool writeText(const QString &path, const QString &text)
{
    return writeBytes(path, text.toUtf8());
}

// A setting of the PDF back end as the machine has it, with the job owner's
// home folder and name put in; the owner of the test's jobs is root.
QString pdfSetting(const QString &key, const QString &fallback)
{
    QString value = fallback;
    QFile file(kPdfSettings);
    if (file.open(QIODevice::ReadOnly)) {
        const QRegularExpression line("^\\s*" + key + "\\s+(\\S.*?)\\s*$");
        for (const QString &text : QString::fromUtf8(file.readAll()).split('\n')) {
            const QRegularExpressionMatch m = line.match(text);
            if (m.hasMatch())
                value = m.captured(1);
        }
    }
    const passwd *root = getpwuid(0);
    value.replace("${HOME}", QString::fromLocal8Bit(root ? root->pw_dir : "/root"));
    value.replace("${USER}", QStringLiteral("root"));
    return value;
}

// Polls `done` until it holds or `limit` has passed.
bool waitUntil(const std::function<bool()> &done, std::chrono::milliseconds limit)
{
    const QDeadlineTimer deadline(limit);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(100);
    }
    return true;
}

// The pages in the output folder: name -> inode, change time and size, so that
// a page written over one of the same name shows as well as a new one.
QMap<QString, QString> pageIdentities(const QString &folder)
{
    QMap<QString, QString> pages;
    for (const QString &name : QDir(folder).entryList({"*.pdf"}, QDir::Files)) {
        struct stat st = {};
        if (stat(QFile::encodeName(folder + '/' + name).constData(), &st) == 0)
            pages[name] = QStringLiteral("%1 %2.%3 %4")
                              .arg(st.st_ino)
                              .arg(st.st_ctim.tv_sec)
                              .arg(st.st_ctim.tv_nsec)
                              .arg(st.st_size);
    }
    return pages;
}

// The job number in a page's name, or 0.
qint64 jobOf(const QString &page)
{
    static const QRegularExpression label("job_(\\d{1,12})(\\D|$)");
    const QRegularExpressionMatch m = label.match(page);
    return m.hasMatch() ? m.captured(1).toLongLong() : 0;
}

// What the test adds to the machine, taken away in reverse order when it ends,
// however it ends short of being killed. Each addition is first written down in
// the run's ledger, from which the next run tidies up after a killed one.
class Additions
{
public:
    Additions() : m_ledger(QStringLiteral("%1/%2%3.ledger").arg(kLedgers, kMarker).arg(getpid())) {}
    ~Additions() { undo(m_ledger); }

    // Takes away what the ledger lists, then the ledger.
    static void undo(const QString &ledger)
    {
        QFile file(ledger);
        QStringList entries;
        if (file.open(QIODevice::ReadOnly))
            entries = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
        for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
            const QStringList entry = it->split('\t');
            if (entry.size() == 3) { // <folder> <first job>
                const qint64 first = entry[1].toLongLong();
                for (const QString &name : QDir(entry[0]).entryList({"*.pdf"}, QDir::Files))
                    if (jobOf(name) >= first && jobOf(name) < first + kJobsPerRun)
                        QFile::remove(entry[0] + '/' + name);
                continue;
            }
            const QFileInfo info(entry[0]);
            if (info.isDir() && !info.isSymLink())
                QDir(entry[0]).removeRecursively();
            else
                QFile::remove(entry[0]);
        }
        QFile::remove(ledger);
    }
    // Tidies up after earlier runs that were killed: their process is gone.
    static void undoKilledRuns()
    {
        for (const QString &name : QDir(kLedgers).entryList({kMarker + "*.ledger"}, QDir::Files)) {
            const pid_t pid = pid_t(name.mid(kMarker.size()).section('.', 0, 0).toLongLong());
            if (pid > 0 && pid != getpid() && (kill(pid, 0) == 0 || errno == EPERM))
                continue;
            undo(kLedgers + '/' + name);
        }
    }

    // Makes the folder if it is not there, to be removed with all in it.
    bool folder(const QString &path)
    {
        if (QFileInfo::exists(path))
            return QFileInfo(path).isDir();
        return note(path) && QDir().mkpath(path);
    }
    // Removes `path` at the end if it does not exist now.
    bool ifNew(const QString &path) { return QFileInfo::exists(path) || note(path); }
    // Removes the pages of the run's jobs, numbered from `first`, from `folder`.
    bool pages(const QString &folder, qint64 first)
    {
        return note(folder + '\t' + QString::number(first) + '\t');
    }

private:
    bool note(const QString &entry)
    {
        QFile file(m_ledger);
        const QByteArray line = entry.toUtf8() + '\n';
        return file.open(QIODevice::Append) && file.write(line) == line.size() && file.flush();
    }

    QString m_ledger;
};

// The system printer with something done to the print system once the grid is
// drawn, just before the page is handed over.
class InterruptedPrinter : public PrinterPort
{
public:
    explicit InterruptedPrinter(std::function<void()> interrupt) : m_interrupt(std::move(interrupt))
    {
    }
    void line(float x1, float y1, float x2, float y2) override
    {
        m_drawn = true;
        m_printer.line(x1, y1, x2, y2);
    }
    void text(float x, float y, Qt::Alignment alignment, const QString &text) override
    {
        m_drawn = true;
        m_printer.text(x, y, alignment, text);
    }
    void pen(const QColor &colour, float width) override { m_printer.pen(colour, width); }
    void usePrinter(QPrinter *chosen) override { m_printer.usePrinter(chosen); }
    QSizeF pageSize() override { return m_printer.pageSize(); }
    void endDoc() override
    {
        if (m_drawn && m_interrupt)
            std::exchange(m_interrupt, nullptr)();
        m_printer.endDoc();
    }

private:
    SystemPrinter m_printer;
    std::function<void()> m_interrupt;
    bool m_drawn = false;
};
} // namespace

class TestPrintE2E : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void cancelSendsNothing();
    void okPrintsTheGridOnOnePage();
    void withoutQueueTheProgramGoesOn();
    void refusedHandOverGivesABox_data();
    void refusedHandOverGivesABox();

private:
    // Runs a print-system tool against the test's scheduler; its output. A
    // failure is noted in `m_toolError`.
    QString run(const QString &name, const QStringList &args);
    QStringList jobs(const QString &which);
    // The pages that have come out, or were written over, since the test began.
    QStringList newPdfs() const;
    // Where a page coordinate lands on the page rendered at kDpi.
    double pixelX(double twips) const { return (m_printable.left() + twips / 1440.0) * kDpi; }
    double pixelY(double twips) const { return (m_printable.top() + twips / 1440.0) * kDpi; }
    void compareRuns(const QList<DarkRun> &runs, const QList<double> &expected, bool horizontal);
    void startScheduler();
    void stopScheduler();

    Additions m_additions;
    QProcess m_cupsd;
    QString m_toolError;
    QString m_serverRoot;
    QString m_errorLog;
    QString m_pdfOut;
    QMap<QString, QString> m_pdfsBefore;
    qint64 m_firstJob = kFirstJob;
    QString m_pagePng;
    QRectF m_printable; // inches, on the paper
    QRectF m_paper;
    std::unique_ptr<WindowUnderTest> m_window;
};

QString TestPrintE2E::run(const QString &name, const QStringList &args)
{
    QProcess process;
    // The tools' answers are read, so they are asked for in one language.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C");
    process.setProcessEnvironment(environment);
    process.start(tool(name), args);
    if (!process.waitForFinished(20000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        m_toolError += name + ' ' + args.join(' ') + ": " +
                       QString::fromLocal8Bit(process.readAllStandardError()) +
                       process.errorString() + '\n';
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QStringList TestPrintE2E::jobs(const QString &which)
{
    return run("lpstat", {"-W", which, "-o"}).split('\n', Qt::SkipEmptyParts);
}

QStringList TestPrintE2E::newPdfs() const
{
    if (m_pdfOut.isEmpty())
        return {};
    QStringList pdfs;
    const QMap<QString, QString> now = pageIdentities(m_pdfOut);
    for (auto it = now.begin(); it != now.end(); ++it)
        if (m_pdfsBefore.value(it.key()) != it.value())
            pdfs << it.key();
    return pdfs;
}

void TestPrintE2E::initTestCase()
{
    if (geteuid() != 0)
        QSKIP("needs root: the test starts its own print scheduler and works in the print "
              "system's folders");
    Additions::undoKilledRuns();
    for (const char *name :
         {"cupsd", "lpadmin", "lpstat", "cupsreject", "cupsaccept", "pdfinfo", "pdftoppm"})
        QVERIFY2(
            !tool(name).isEmpty(),
            qPrintable(QString("%1 not found: scripts/install-deps.sh installs it").arg(name)));
    QVERIFY2(QFile::exists(kPpd) && QFile::exists(kPdfSettings),
             "the PDF printer driver is missing: scripts/install-deps.sh installs it");

    const QString name = kMarker + QString::number(getpid());
    const QString serverRoot = "/etc/cups/" + name;
    m_serverRoot = serverRoot;
    const QString spool = "/var/spool/cups/" + name;
    const QString state = "/run/cups/" + name;
    const QString logs = "/var/log/cups/" + name;
    const QString socket = state + "/cups.sock";
    for (const char *parent :
         {"/etc/cups", "/var/spool/cups", "/var/cache/cups", "/run/cups", "/var/log/cups"})
        QVERIFY2(m_additions.folder(parent), parent);
    for (const QString &dir : {serverRoot, spool, "/var/cache/cups/" + name, state})
        QVERIFY2(!QFileInfo::exists(dir) && m_additions.folder(dir), qPrintable(dir));
    QVERIFY(QDir().mkpath(spool + "/tmp"));
    for (const char *log : {"-error_log", "-access_log", "-page_log"})
        QVERIFY(m_additions.ifNew(logs + log));
    m_errorLog = logs + "-error_log";

    QVERIFY(writeText(serverRoot + "/cupsd.conf",
                      "LogLevel info\nMaxJobsPerPrinter 1\nListen " + socket +
                          "\nBrowsing No\nWebInterface No\nDefaultAuthType None\n"
                          "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                          "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                          "</Policy>\n"));
    QVERIFY(writeText(serverRoot + "/cups-files.conf",
                      "ServerRoot " + serverRoot + "\nRequestRoot " + spool + "\nTempDir " + spool +
                          "/tmp\nCacheDir /var/cache/cups/" + name + "\nStateDir " + state +
                          "\nErrorLog " + logs + "-error_log\nAccessLog " + logs +
                          "-access_log\nPageLog " + logs + "-page_log\nSystemGroup root\n"));

    // The PDF back end keeps the machine's own settings; its pages, spool and
    // log go where those say, and what the test leaves there is taken away.
    m_pdfOut = pdfSetting("Out", "${HOME}/PDF");
    QVERIFY(m_additions.ifNew(m_pdfOut));
    m_pdfsBefore = pageIdentities(m_pdfOut);
    QVERIFY(m_additions.ifNew(pdfSetting("Spool", "/var/spool/cups-pdf/SPOOL")));
    QVERIFY(m_additions.ifNew(pdfSetting("Log", "/var/log/cups") + "/cups-pdf-" + kQueue + "_log"));
    // The back end names pages after the job, and job numbers restart with every
    // scheduler: the test's jobs are numbered past every number the folder holds,
    // so its page can neither replace a page there nor be taken for one.
    for (const QString &page : m_pdfsBefore.keys())
        m_firstJob = qMax(m_firstJob, jobOf(page) + 1);
    QVERIFY2(m_firstJob < INT_MAX - kJobsPerRun, "the output folder holds job numbers near 2^31");
    QVERIFY(writeText("/var/cache/cups/" + name + "/job.cache",
                      QStringLiteral("NextJobId %1\n").arg(m_firstJob)));
    QVERIFY(m_additions.pages(m_pdfOut, m_firstJob));

    // Every print client of this process, Qt's included, talks to this scheduler.
    qputenv("CUPS_SERVER", QFile::encodeName(socket));
    // The machine's client settings and a destination named in the environment
    // would stand in for the scheduler's default.
    qputenv("CUPS_SERVERROOT", QFile::encodeName(serverRoot));
    qunsetenv("LPDEST");
    qunsetenv("PRINTER");
    startScheduler();
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(QPrinterInfo::defaultPrinter().printerName(), kQueue);

    // Where the page's coordinates begin: the printable area of the paper.
    QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
    m_printable = printer.pageLayout().paintRect(QPageLayout::Inch);
    m_paper = printer.pageLayout().fullRect(QPageLayout::Inch);
    qInfo("paper %.3f x %.3f in, printable area from (%.3f, %.3f) in, %d dpi; pages go to %s",
          m_paper.width(), m_paper.height(), m_printable.left(), m_printable.top(),
          printer.resolution(), qPrintable(m_pdfOut));
}

// Starts the test's scheduler unless it runs, with the PDF queue, accepting
// jobs, as its default.
void TestPrintE2E::startScheduler()
{
    if (m_cupsd.state() == QProcess::NotRunning) {
        m_cupsd.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Should the test die, its scheduler goes with it.
        m_cupsd.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_cupsd.start(tool("cupsd"), {"-f", "-c", m_serverRoot + "/cupsd.conf", "-s",
                                      m_serverRoot + "/cups-files.conf"});
        QVERIFY2(m_cupsd.waitForStarted(), qPrintable(m_cupsd.errorString()));
        QVERIFY2(waitUntil(
                     [this] {
                         return run("lpstat", {"-r"}).trimmed() == "scheduler is running" ||
                                m_cupsd.state() == QProcess::NotRunning;
                     },
                     std::chrono::seconds(20)),
                 "the print scheduler did not answer within 20 s");
        QVERIFY2(m_cupsd.state() == QProcess::Running,
                 qPrintable("the print scheduler stopped; see " + m_errorLog));
    }
    m_toolError.clear();
    run("lpadmin", {"-p", kQueue, "-E", "-v", "cups-pdf:/", "-P", kPpd});
    run("lpadmin", {"-d", kQueue});
    run("cancel", {"-a", "-x", kQueue});
    QVERIFY2(m_toolError.isEmpty(), qPrintable(m_toolError));
}

void TestPrintE2E::stopScheduler()
{
    if (m_cupsd.state() == QProcess::NotRunning)
        return;
    m_cupsd.terminate();
    if (!m_cupsd.waitForFinished(10000)) {
        m_cupsd.kill();
        m_cupsd.waitForFinished();
    }
}

void TestPrintE2E::cleanupTestCase()
{
    stopScheduler();
    // The test's own page, kept beside the test for a look.
    if (!m_pagePng.isEmpty()) {
        const QString keep =
            qEnvironmentVariable("ZK61AR_TEST_BUILD_DIR") + "/tests/print/e2e-page.png";
        QFile::remove(keep);
        QFile::copy(m_pagePng, keep);
        QFile::remove(m_pagePng);
    }
}

void TestPrintE2E::init()
{
    startScheduler();
    m_toolError.clear();
    m_window = std::make_unique<WindowUnderTest>(std::make_shared<SystemPrinter>());
    m_window->started();
}

void TestPrintE2E::cleanup()
{
    m_window.reset();
}

void TestPrintE2E::cancelSendsNothing()
{
    BoxAnswerer answerer;
    answerer.clickButton(QStringLiteral("取消"));
    click(m_window->form->Command5);
    QCOMPARE(answerer.boxes().size(), 1);
    // A job is queued before the print returns, so none can still be on its way.
    QCOMPARE(jobs("all"), QStringList());
    QCOMPARE(newPdfs(), QStringList());
    QVERIFY2(m_toolError.isEmpty(), qPrintable(m_toolError));
}

void TestPrintE2E::compareRuns(const QList<DarkRun> &runs, const QList<double> &expected,
                               bool horizontal)
{
    QCOMPARE(runs.size(), expected.size());
    for (int i = 0; i < runs.size(); ++i) {
        const double want = horizontal ? pixelX(expected[i]) : pixelY(expected[i]);
        QVERIFY2(qAbs(runs[i].centre() - want) <= kTolerance,
                 qPrintable(QString("line %1 at %2 twips: expected near pixel %3, found %4")
                                .arg(i)
                                .arg(expected[i])
                                .arg(want)
                                .arg(runs[i].centre())));
    }
}

void TestPrintE2E::okPrintsTheGridOnOnePage()
{
    BoxAnswerer answerer;
    answerer.clickButton(QStringLiteral("确定"));
    click(m_window->form->Command5);
    QCOMPARE(answerer.boxes().size(), 1);
    QCOMPARE(answerer.unexpected().size(), 0);

    QVERIFY2(waitUntil([this] { return jobs("not-completed").isEmpty() && !newPdfs().isEmpty(); },
                       std::chrono::seconds(60)),
             qPrintable("no page came out within 60 s in " + m_pdfOut +
                        "; jobs not completed: " + jobs("not-completed").join("; ")));
    const QStringList completed = jobs("completed");
    QCOMPARE(completed.size(), 1);
    const qint64 job = completed[0].section(' ', 0, 0).section('-', -1).toLongLong();
    QVERIFY2(job >= m_firstJob, qPrintable(completed[0]));
    // The page is a file that came out since the test began, named after its job.
    const QStringList pages = newPdfs();
    QCOMPARE(pages.size(), 1);
    QVERIFY2(jobOf(pages[0]) == job && !m_pdfsBefore.contains(pages[0]),
             qPrintable(QString("job %1 gave %2").arg(job).arg(pages[0])));
    const QString pdf = m_pdfOut + '/' + pages[0];
    QVERIFY(run("pdfinfo", {pdf}).contains(QRegularExpression("Pages:\\s+1\\n")));

    const QString prefix =
        QDir::temp().filePath(QStringLiteral("zk61ar-e2e-page-%1").arg(getpid()));
    run("pdftoppm", {"-r", QString::number(kDpi), "-png", "-singlefile", pdf, prefix});
    QVERIFY2(m_toolError.isEmpty(), qPrintable(m_toolError));
    m_pagePng = prefix + ".png";
    const QImage page(m_pagePng);
    QVERIFY(!page.isNull());
    QVERIFY(qAbs(page.width() - m_paper.width() * kDpi) <= 2);
    QVERIFY(qAbs(page.height() - m_paper.height() * kDpi) <= 2);

    QList<double> every820, every500, every164, every125;
    for (int k = 0; k <= 10; ++k) {
        every820 << k * 820;
        every500 << k * 500;
    }
    for (int k = 0; k <= 50; ++k)
        every164 << k * 164;
    for (int k = 0; k <= 40; ++k)
        every125 << k * 125;

    // Away from every horizontal line: the 11 vertical lines.
    compareRuns(darkRunsInRow(page, int(pixelY(1300))), every820, true);
    if (QTest::currentTestFailed())
        return;
    // Just above the centre line: the 51 ticks across it, 11 of them on vertical lines.
    compareRuns(darkRunsInRow(page, int(pixelY(2450))), every164, true);
    if (QTest::currentTestFailed())
        return;
    // Between two vertical lines and two ticks: the 11 horizontal lines.
    compareRuns(darkRunsInColumn(page, int(pixelX(2000))), every500, false);
    if (QTest::currentTestFailed())
        return;
    // Beside the centre line: the 41 ticks across it, 11 of them on horizontal lines.
    compareRuns(darkRunsInColumn(page, int(pixelX(4050))), every125, false);
    if (QTest::currentTestFailed())
        return;

    // Down a tick of the centre line: it runs from 2400 to 2600, through the centre line.
    const QList<DarkRun> tick = darkRunsInColumn(page, int(pixelX(3 * 164)));
    QCOMPARE(tick.size(), 11);
    QVERIFY2(qAbs(tick[5].first - pixelY(2400)) <= 2 && qAbs(tick[5].last + 1 - pixelY(2600)) <= 2,
             qPrintable(QString("tick from pixel %1 to %2").arg(tick[5].first).arg(tick[5].last)));

    // Nothing else on the page.
    const QRect grid(QPoint(int(pixelX(0)) - 3, int(pixelY(0)) - 3),
                     QPoint(int(pixelX(8200)) + 3, int(pixelY(5000)) + 3));
    QCOMPARE(darkPixelsOutside(page, grid), 0);
}

void TestPrintE2E::withoutQueueTheProgramGoesOn()
{
    run("lpadmin", {"-x", kQueue});
    QVERIFY2(m_toolError.isEmpty(), qPrintable(m_toolError));
    const QStringList before = newPdfs();

    BoxAnswerer answerer;
    answerer.clickButton(QStringLiteral("确定"));
    answerer.clickButton(QStringLiteral("确定"));
    click(m_window->form->Command5);
    QCOMPARE(answerer.boxes().size(), 2);
    QCOMPARE(answerer.boxes()[1].title, QStringLiteral("打印"));
    QVERIFY2(answerer.boxes()[1].text.contains(QStringLiteral("没有可用的打印机")),
             qPrintable(answerer.boxes()[1].text));
    QVERIFY(!m_window->form->hasEnded());
    QCOMPARE(*m_window->exitCodes, QList<int>());
    QCOMPARE(newPdfs(), before);
    QCOMPARE(jobs("not-completed"), QStringList());
}

void TestPrintE2E::refusedHandOverGivesABox_data()
{
    // What is done to the print system between the question and the hand-over;
    // no tool stops the scheduler. The scheduler takes one job per queue at a
    // time, so a job held on the queue makes it turn the next one away.
    QTest::addColumn<QStringList>("interruption");
    // Words of the program's own that go before the print system's reason.
    QTest::addColumn<QString>("telling");
    // What then makes the queue take jobs again, for a print that must go
    // through with no word of the earlier refusal; none for no second print.
    QTest::addColumn<QStringList>("mending");
    QTest::newRow("queue refusing jobs")
        << QStringList{"cupsreject", kQueue} << QString() << QStringList();
    QTest::newRow("job rejected") << QStringList{"lp", "-d",         kQueue,
                                                 "-H", "indefinite", kPdfSettings}
                                  << QString() << QStringList();
    QTest::newRow("queue removed")
        << QStringList{"lpadmin", "-x", kQueue} << QStringLiteral("打印系统中已没有这台打印机（")
        << QStringList();
    QTest::newRow("scheduler stopped")
        << QStringList() << QStringLiteral("连接不上打印服务 ") << QStringList();
    QTest::newRow("refused, then accepted")
        << QStringList{"cupsreject", kQueue} << QString() << QStringList{"cupsaccept", kQueue};
}

void TestPrintE2E::refusedHandOverGivesABox()
{
    QFETCH(QStringList, interruption);
    QFETCH(QString, telling);
    QFETCH(QStringList, mending);
    qsizetype waiting = 0;
    m_window = std::make_unique<WindowUnderTest>(std::make_shared<InterruptedPrinter>([&] {
        if (interruption.isEmpty())
            return stopScheduler();
        run(interruption[0], interruption.mid(1));
        waiting = jobs("not-completed").size();
    }));
    m_window->started();
    const QStringList before = newPdfs();

    BoxAnswerer answerer;
    answerer.clickButton(QStringLiteral("确定"));
    answerer.clickButton(QStringLiteral("确定"));
    click(m_window->form->Command5);
    QVERIFY2(m_toolError.isEmpty(), qPrintable(m_toolError));
    QCOMPARE(answerer.boxes().size(), 2);
    const QString text = answerer.boxes()[1].text;
    QCOMPARE(answerer.boxes()[1].title, QStringLiteral("打印"));
    // Names the printer, then gives the print system's reason after the colon.
    const QString reason = text.section(QStringLiteral("："), 1);
    QVERIFY2(text.contains(kQueue) && reason.startsWith(telling) &&
                 reason.size() > telling.size() + 1,
             qPrintable(text));
    QVERIFY(!m_window->form->Timer1.isActive());
    QVERIFY(!m_window->form->hasEnded());
    QCOMPARE(*m_window->exitCodes, QList<int>());
    // The hand-over queued nothing.
    if (!interruption.isEmpty())
        QCOMPARE(jobs("not-completed").size(), waiting);
    QCOMPARE(newPdfs(), before);
    if (mending.isEmpty())
        return;

    // The next page goes through, and what was said of the refused one is not
    // said of it: the question is the only box.
    run(mending[0], mending.mid(1));
    QVERIFY2(m_toolError.isEmpty(), qPrintable(m_toolError));
    answerer.clickButton(QStringLiteral("确定"));
    click(m_window->form->Command5);
    QCOMPARE(answerer.boxes().size(), 3);
    QVERIFY2(
        waitUntil([&] { return newPdfs().size() == before.size() + 1; }, std::chrono::seconds(60)),
        qPrintable("no page came out within 60 s in " + m_pdfOut));
}

QTEST_MAIN(TestPrintE2E)
#include "tst_print_e2e.moc"
