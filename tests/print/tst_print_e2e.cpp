// Print end to end on a real print queue: the test starts its own print
// scheduler beside any the machine runs (its own configuration, spool, state and
// socket, in the places the system's confinement rules for the scheduler and the
// PDF back end allow), sets up a PDF queue as the default printer, presses Print
// on the real window with the system printer, and reads the page that comes out.
// Everything it adds to the machine it takes away again.
#include "boxanswerer.h"
#include "pageimage.h"
#include "print/systemprinter.h"
#include "printwindow.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <csignal>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {
const QString kQueue = QStringLiteral("ZK61AR_E2E");
const QString kPdfSettings = QStringLiteral("/etc/cups/cups-pdf.conf");
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
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(text.toUtf8()) == text.toUtf8().size();
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

// What the test adds to the machine, taken away in reverse order when it ends,
// however it ends short of being killed.
class Additions
{
public:
    ~Additions()
    {
        for (auto it = m_paths.rbegin(); it != m_paths.rend(); ++it) {
            const QFileInfo info(*it);
            if (info.isDir() && !info.isSymLink())
                QDir(*it).removeRecursively();
            else
                QFile::remove(*it);
        }
    }
    // Makes the folder if it is not there, to be removed with all in it.
    bool folder(const QString &path)
    {
        if (QFileInfo::exists(path))
            return QFileInfo(path).isDir();
        const bool made = QDir().mkpath(path);
        if (made)
            m_paths << path;
        return made;
    }
    // Removes `path` at the end if it does not exist now.
    void ifNew(const QString &path)
    {
        if (!QFileInfo::exists(path))
            m_paths << path;
    }

private:
    QStringList m_paths;
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

private:
    // Runs a print-system tool against the test's scheduler; its output. A
    // failure is noted in `m_toolError`.
    QString run(const QString &name, const QStringList &args);
    QStringList jobs(const QString &which);
    // The pages that have come out since the test began.
    QStringList newPdfs() const;
    // Where a page coordinate lands on the page rendered at kDpi.
    double pixelX(double twips) const { return (m_printable.left() + twips / 1440.0) * kDpi; }
    double pixelY(double twips) const { return (m_printable.top() + twips / 1440.0) * kDpi; }
    void compareRuns(const QList<DarkRun> &runs, const QList<double> &expected, bool horizontal);
    void stopScheduler();

    Additions m_additions;
    QProcess m_cupsd;
    QString m_toolError;
    QString m_pdfOut;
    QStringList m_pdfsBefore;
    QString m_pagePng;
    QRectF m_printable; // inches, on the paper
    QRectF m_paper;
    std::unique_ptr<PrintWindow> m_window;
};

QString TestPrintE2E::run(const QString &name, const QStringList &args)
{
    QProcess process;
    // Their answers are read as words: in the C locale, whatever the test's own.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C");
    process.setProcessEnvironment(env);
    process.start(tool(name), args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
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
    QStringList pdfs = QDir(m_pdfOut).entryList({"*.pdf"}, QDir::Files);
    for (const QString &old : m_pdfsBefore)
        pdfs.removeAll(old);
    return pdfs;
}

void TestPrintE2E::initTestCase()
{
    if (geteuid() != 0)
        QSKIP("needs root: the test starts its own print scheduler and works in the print "
              "system's folders");
    for (const char *name : {"cupsd", "lpadmin", "lpstat", "pdfinfo", "pdftoppm"})
        QVERIFY2(
            !tool(name).isEmpty(),
            qPrintable(QString("%1 not found: scripts/install-deps.sh installs it").arg(name)));
    const QString ppd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
    QVERIFY2(QFile::exists(ppd) && QFile::exists(kPdfSettings),
             "the PDF printer driver is missing: scripts/install-deps.sh installs it");

    const QString name = QStringLiteral("zk61ar-e2e-%1").arg(getpid());
    const QString serverRoot = "/etc/cups/" + name;
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
        m_additions.ifNew(logs + log);

    QVERIFY(writeText(serverRoot + "/cupsd.conf",
                      "LogLevel info\nListen " + socket +
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
    m_additions.ifNew(m_pdfOut);
    m_pdfsBefore = QDir(m_pdfOut).entryList({"*.pdf"}, QDir::Files);
    m_additions.ifNew(pdfSetting("Spool", "/var/spool/cups-pdf/SPOOL"));
    m_additions.ifNew(pdfSetting("Log", "/var/log/cups") + "/cups-pdf-" + kQueue + "_log");

    // Every print client of this process, Qt's included, talks to this scheduler.
    qputenv("CUPS_SERVER", QFile::encodeName(socket));
    // The machine's client settings and a destination named in the environment
    // would stand in for the scheduler's default.
    qputenv("CUPS_SERVERROOT", QFile::encodeName(serverRoot));
    qunsetenv("LPDEST");
    qunsetenv("PRINTER");
    m_cupsd.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Should the test die, its scheduler goes with it.
    m_cupsd.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_cupsd.start(tool("cupsd"),
                  {"-f", "-c", serverRoot + "/cupsd.conf", "-s", serverRoot + "/cups-files.conf"});
    QVERIFY2(m_cupsd.waitForStarted(), qPrintable(m_cupsd.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(run("lpstat", {"-r"}).trimmed() == "scheduler is running" ||
                                 m_cupsd.state() == QProcess::NotRunning,
                             20000);
    QVERIFY2(m_cupsd.state() == QProcess::Running,
             qPrintable("the print scheduler stopped; see " + logs + "-error_log"));

    m_toolError.clear();
    run("lpadmin", {"-p", kQueue, "-E", "-v", "cups-pdf:/", "-P", ppd});
    run("lpadmin", {"-d", kQueue});
    QVERIFY2(m_toolError.isEmpty(), qPrintable(m_toolError));
    QCOMPARE(QPrinterInfo::defaultPrinter().printerName(), kQueue);

    // Where the page's coordinates begin: the printable area of the paper.
    QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
    m_printable = printer.pageLayout().paintRect(QPageLayout::Inch);
    m_paper = printer.pageLayout().fullRect(QPageLayout::Inch);
    qInfo("paper %.3f x %.3f in, printable area from (%.3f, %.3f) in, %d dpi; pages go to %s",
          m_paper.width(), m_paper.height(), m_printable.left(), m_printable.top(),
          printer.resolution(), qPrintable(m_pdfOut));
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
    for (const QString &pdf : newPdfs())
        QFile::remove(m_pdfOut + '/' + pdf);
}

void TestPrintE2E::init()
{
    m_toolError.clear();
    m_window = std::make_unique<PrintWindow>(std::make_shared<SystemPrinter>());
}

void TestPrintE2E::cleanup()
{
    m_window.reset();
}

void TestPrintE2E::cancelSendsNothing()
{
    BoxAnswerer answerer;
    answerer.clickButton(QStringLiteral("取消"));
    m_window->pressPrint();
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
    m_window->pressPrint();
    QCOMPARE(answerer.boxes().size(), 1);
    QCOMPARE(answerer.unexpected().size(), 0);

    QTRY_VERIFY_WITH_TIMEOUT(jobs("not-completed").isEmpty() && newPdfs().size() == 1, 60000);
    QCOMPARE(jobs("completed").size(), 1);
    const QString pdf = m_pdfOut + '/' + newPdfs().constFirst();
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
    m_window->pressPrint();
    QCOMPARE(answerer.boxes().size(), 2);
    QCOMPARE(answerer.boxes()[1].title, QStringLiteral("打印"));
    QVERIFY2(answerer.boxes()[1].text.contains(QStringLiteral("没有可用的打印机")),
             qPrintable(answerer.boxes()[1].text));
    QVERIFY(!m_window->form->hasEnded());
    QCOMPARE(*m_window->exits, QList<int>());
    QCOMPARE(newPdfs(), before);
    QCOMPARE(jobs("not-completed"), QStringList());
}

QTEST_MAIN(TestPrintE2E)
#include "tst_print_e2e.moc"
