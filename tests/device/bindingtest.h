#pragma once
// Shared by the binding tests: whether the driver library is loaded, and one
// operation of the binding called by its name.
#include "device/qb7driver.h"

#include <QString>
#include <QTest>

#include <cstdint>
#include <dlfcn.h>

inline bool driverLibraryLoaded()
{
    void *handle = dlopen(QB7_LIBRARY_FILE, RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

inline void callOperation(Qb7Driver &driver, const QString &operation, std::uint8_t &readByte)
{
    if (operation == QLatin1String("OpenQB7"))
        driver.OpenQB7();
    else if (operation == QLatin1String("CloseQB7"))
        driver.CloseQB7();
    else if (operation == QLatin1String("SetQB7"))
        driver.SetQB7(qb7::kPortA, qb7::kAllInput, qb7::kMode);
    else if (operation == QLatin1String("QB7Out"))
        driver.QB7Out(qb7::kPortB + qb7::line(3), 0);
    else if (operation == QLatin1String("QB7In"))
        driver.QB7In(qb7::kPortA, readByte);
    else
        QFAIL("unknown operation");
}
