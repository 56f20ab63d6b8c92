// No driver library on the search path. Through the real program in a child
// process: the first live tick fails, one box names the library and the
// loader's reason, and the program ends by itself with a failure code. In
// process: Exit before any conversion still calls CloseQB7, whose failure is
// reported in one box before the program ends. The message is on standard
// error too, and the box breaks it only where a line may end.
#include "boxanswerer.h"
#include "windowfixture.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>

class TestMissingLibrary : public QObject
{
    Q_OBJECT

private slots:
    void programReportsAndEnds();
    void exitReportsAndEnds();
    void closedWithTheBoxOpenEnds();
};

void TestMissingLibrary::programReportsAndEnds()
{
    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), empty.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(ZK61AR_BOXREADER), {});
    QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));
    const bool finished = program.waitForFinished(60000);
    if (!finished) {
        program.kill();
        program.waitForFinished(5000);
    }
    const QString out = QString::fromUtf8(program.readAllStandardOutput());
    const QString err = QString::fromUtf8(program.readAllStandardError());
    QVERIFY2(finished, qPrintable(QStringLiteral("still running; stdout:\n") + out));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);

    QList<QJsonObject> boxes;
    for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        boxes << QJsonDocument::fromJson(line.toUtf8()).object();
    QVERIFY2(boxes.size() == 1, qPrintable(out));
    const QString text = boxes.constFirst().value(QStringLiteral("text")).toString();
    QVERIFY2(text.contains(QStringLiteral("libqb7io.so")), qPrintable(text));
    QVERIFY2(text.contains(QString::fromLocal8Bit(std::strerror(ENOENT))), qPrintable(text));
    QCOMPARE(boxes.constFirst().value(QStringLiteral("buttons")).toVariant().toStringList(),
             QStringList{QStringLiteral("确定")});

    QVERIFY2(program.exitCode() != 0, qPrintable(err));
    // The same message on standard error, for a program started from a terminal.
    QVERIFY2(err.contains(QStringLiteral("zk61ar: 无法加载驱动程序库 libqb7io.so：")) &&
                 err.contains(QString::fromLocal8Bit(std::strerror(ENOENT))),
             qPrintable(err));
    for (const char *report : {"AddressSanitizer", "LeakSanitizer", "runtime error:"})
        QVERIFY2(!err.contains(QLatin1String(report)), qPrintable(err));
}

void TestMissingLibrary::exitReportsAndEnds()
{
    WindowUnderTest w;
    Form1 &form = w.started();
    // Still before any event is handled, so no live tick ever reaches the library.
    click(form.Option3);
    QVERIFY(!form.Timer1.isActive());

    BoxAnswerer answerer;
    QList<int> endsWhenShown;
    bool wrappedByBox = true;
    answerer.onBox = [&](const SeenBox &) {
        endsWhenShown << int(w.exitCodes->size());
        // Broken into lines at its colons, so the box never breaks a word.
        wrappedByBox = QApplication::activeModalWidget()
                           ->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))
                           ->wordWrap();
    };
    answerer.clickButton(QStringLiteral("确定"));
    click(form.Command1);

    QCOMPARE(answerer.boxes().size(), 1);
    QCOMPARE(endsWhenShown, QList<int>{0}); // the box came before the end
    QVERIFY(!wrappedByBox);
    const SeenBox box = answerer.boxes().constFirst();
    QVERIFY2(box.text.contains(QStringLiteral("libqb7io.so")), qPrintable(box.text));
    QVERIFY2(box.text.contains(QString::fromLocal8Bit(std::strerror(ENOENT))),
             qPrintable(box.text));
    QCOMPARE(box.buttons, QStringList{QStringLiteral("确定")});
    QCOMPARE(w.exitCodes->size(), 1);
    QVERIFY(w.exitCodes->constFirst() != 0);
    QVERIFY(form.hasEnded());
    QVERIFY(!form.isVisible());

    QTest::qWait(100);
    QCOMPARE(answerer.boxes().size(), 1);
    QVERIFY(answerer.unexpected().isEmpty());
    QCOMPARE(w.exitCodes->size(), 1);
    QVERIFY(!form.Timer2.isActive());
}

// A close from the frame or a stop signal while the failure's box is open: the
// window answers its own box and the program ends with the failure's code.
void TestMissingLibrary::closedWithTheBoxOpenEnds()
{
    WindowUnderTest w;
    Form1 &form = w.started();
    click(form.Option3);

    BoxAnswerer answerer;
    answerer.then([&form](QWidget *) { form.close(); });
    click(form.Command1);

    QVERIFY(answerer.unexpected().isEmpty());
    QCOMPARE(w.exitCodes->size(), 1);
    QVERIFY(w.exitCodes->constFirst() != 0);
}

QTEST_MAIN(TestMissingLibrary)
#include "tst_missinglibrary.moc"
