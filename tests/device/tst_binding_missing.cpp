// Binding against a driver library that has OpenQB7 and none of the other
// operations: the present one binds and runs, each missing one fails its own
// call with the library's name, the operation's name and the loader's reason.
#include "bindingtest.h"
#include "device/drivererror.h"
#include "device/qb7driver.h"

#include <QTest>

#include <cstdlib>
#include <dlfcn.h>
#include <string>

namespace {

// The stand-in counts its OpenQB7 calls in the environment.
int opensSeen()
{
    const char *count = std::getenv("QB7PARTIAL_OPENS");
    return count ? std::atoi(count) : 0;
}

// What the loader itself says about looking `symbol` up in the loaded library.
std::string loaderReason(const char *symbol)
{
    void *handle = dlopen(QB7_LIBRARY_FILE, RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return "library not loaded";
    dlerror();
    const void *address = dlsym(handle, symbol);
    const char *reason = dlerror();
    const std::string text = address ? "found" : reason ? reason : "no reason";
    dlclose(handle);
    return text;
}

} // namespace

class TestBindingMissing : public QObject
{
    Q_OBJECT

private slots:
    // Runs first: nothing in this process may have touched the library before.
    void nothingLoadedBeforeFirstCall();
    void presentOperationWorks();
    void missingOperationFailsItsCall_data();
    void missingOperationFailsItsCall();

private:
    Qb7Driver m_driver;
};

void TestBindingMissing::nothingLoadedBeforeFirstCall()
{
    QVERIFY(!driverLibraryLoaded());
    Qb7Driver another;
    QVERIFY(!driverLibraryLoaded());
}

void TestBindingMissing::presentOperationWorks()
{
    const int before = opensSeen();
    m_driver.OpenQB7();
    QVERIFY(driverLibraryLoaded());
    QCOMPARE(opensSeen(), before + 1);
    m_driver.OpenQB7();
    QCOMPARE(opensSeen(), before + 2);
}

void TestBindingMissing::missingOperationFailsItsCall_data()
{
    QTest::addColumn<QString>("operation");

    QTest::newRow("CloseQB7") << QStringLiteral("CloseQB7");
    QTest::newRow("SetQB7") << QStringLiteral("SetQB7");
    QTest::newRow("QB7Out") << QStringLiteral("QB7Out");
    QTest::newRow("QB7In") << QStringLiteral("QB7In");
}

void TestBindingMissing::missingOperationFailsItsCall()
{
    QFETCH(QString, operation);

    // Twice: a failed lookup leaves nothing behind that a later call could use.
    for (int attempt = 1; attempt <= 2; ++attempt) {
        std::uint8_t readByte = 0x5A;
        bool thrown = false;
        try {
            callOperation(m_driver, operation, readByte);
        } catch (const DriverError &e) {
            thrown = true;
            std::string message = e.what();
            const std::string reason = loaderReason(operation.toLatin1().constData());
            QVERIFY2(reason.find("undefined symbol") != std::string::npos, reason.c_str());
            // The loader's reason names both already; the message must too without it.
            const std::size_t at = message.find(reason);
            QVERIFY2(at != std::string::npos, e.what());
            message.erase(at, reason.size());
            QVERIFY2(message.find(QB7_LIBRARY_FILE) != std::string::npos, e.what());
            QVERIFY2(message.find(operation.toStdString()) != std::string::npos, e.what());
        }
        QVERIFY2(thrown, qPrintable(QStringLiteral("attempt %1").arg(attempt)));
        QCOMPARE(readByte, std::uint8_t(0x5A));
    }

    // The operation that is there keeps working beside the ones that are not.
    const int before = opensSeen();
    m_driver.OpenQB7();
    QCOMPARE(opensSeen(), before + 1);
}

QTEST_GUILESS_MAIN(TestBindingMissing)
#include "tst_binding_missing.moc"
