// Binding with no driver library on the search path: nothing is loaded before
// the first call, and every call fails with the library's name and the loader's
// reason, again on every later call.
#include "bindingtest.h"
#include "device/drivererror.h"
#include "device/qb7driver.h"

#include <QTest>

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <string>

namespace {

// What the loader itself says about loading the library.
std::string loaderReason()
{
    void *handle = dlopen(QB7_LIBRARY_FILE, RTLD_NOW);
    if (handle) {
        dlclose(handle);
        return "loaded";
    }
    const char *reason = dlerror();
    return reason ? reason : "no reason";
}

} // namespace

class TestBindingNoLibrary : public QObject
{
    Q_OBJECT

private slots:
    void nothingLoadedBeforeFirstCall();
    void everyCallFails_data();
    void everyCallFails();

private:
    Qb7Driver m_driver;
};

void TestBindingNoLibrary::nothingLoadedBeforeFirstCall()
{
    QVERIFY(!driverLibraryLoaded());
    Qb7Driver another;
    QVERIFY(!driverLibraryLoaded());
}

void TestBindingNoLibrary::everyCallFails_data()
{
    QTest::addColumn<QString>("operation");

    QTest::newRow("OpenQB7") << QStringLiteral("OpenQB7");
    QTest::newRow("CloseQB7") << QStringLiteral("CloseQB7");
    QTest::newRow("SetQB7") << QStringLiteral("SetQB7");
    QTest::newRow("QB7Out") << QStringLiteral("QB7Out");
    QTest::newRow("QB7In") << QStringLiteral("QB7In");
}

void TestBindingNoLibrary::everyCallFails()
{
    QFETCH(QString, operation);

    // A fresh binding and the one that has failed before must both fail, and
    // keep failing: nothing is left half-bound by a failed load.
    Qb7Driver fresh;
    for (Qb7Driver *driver : {&fresh, &m_driver}) {
        for (int attempt = 1; attempt <= 2; ++attempt) {
            std::uint8_t readByte = 0x5A;
            bool thrown = false;
            try {
                callOperation(*driver, operation, readByte);
            } catch (const DriverError &e) {
                thrown = true;
                std::string message = e.what();
                const std::string reason = loaderReason();
                // The loader's words follow the locale; the system's "no such file" is in them.
                QVERIFY2(reason.find(std::strerror(ENOENT)) != std::string::npos, reason.c_str());
                // The loader's reason names the file already; the message must too
                // without it.
                const std::size_t at = message.find(reason);
                QVERIFY2(at != std::string::npos, e.what());
                message.erase(at, reason.size());
                QVERIFY2(message.find(QB7_LIBRARY_FILE) != std::string::npos, e.what());
            }
            QVERIFY2(thrown, qPrintable(QStringLiteral("attempt %1").arg(attempt)));
            QCOMPARE(readByte, std::uint8_t(0x5A));
        }
    }
    QVERIFY(!driverLibraryLoaded());
}

QTEST_GUILESS_MAIN(TestBindingNoLibrary)
#include "tst_binding_nolibrary.moc"
