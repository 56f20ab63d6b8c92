#pragma once
// Test-side access to the recording stand-in library: the same libqb7io.so the
// program binds, reached through the same library search.
#include "../recorder/recorderhooks.h"

#include <QString>
#include <QStringList>

#include <dlfcn.h>
#include <stdexcept>

class RecordedDriver
{
public:
    RecordedDriver()
    {
        m_handle = dlopen("libqb7io.so", RTLD_NOW);
        if (!m_handle)
            throw std::runtime_error(dlerror());
        reset = resolve<decltype(&qb7rec_reset)>("qb7rec_reset");
        count = resolve<decltype(&qb7rec_count)>("qb7rec_count");
        call = resolve<decltype(&qb7rec_call)>("qb7rec_call");
        setCode = resolve<decltype(&qb7rec_setCode)>("qb7rec_setCode");
        setFilling = resolve<decltype(&qb7rec_setFilling)>("qb7rec_setFilling");
    }
    ~RecordedDriver() { dlclose(m_handle); }

    // The calls so far, one line each: "QB7Out 2056 0", "QB7In 1032 1 (was 0)".
    QStringList trace() const
    {
        QStringList lines;
        for (int i = 0; i < count(); ++i) {
            const RecordedCall c = call(i);
            QString line = QString::fromLatin1(c.op);
            if (line == QLatin1String("SetQB7"))
                line += QStringLiteral(" %1 %2 %3").arg(c.address).arg(c.value).arg(c.mode);
            else if (line == QLatin1String("QB7Out"))
                line += QStringLiteral(" %1 %2").arg(c.address).arg(c.value);
            else if (line == QLatin1String("QB7In"))
                line += QStringLiteral(" %1 %2 (was %3)").arg(c.address).arg(c.value).arg(c.before);
            lines << line;
        }
        return lines;
    }

    int countOf(const char *op) const
    {
        int n = 0;
        for (int i = 0; i < count(); ++i)
            n += QLatin1String(call(i).op) == QLatin1String(op);
        return n;
    }

    decltype(&qb7rec_reset) reset;
    decltype(&qb7rec_count) count;
    decltype(&qb7rec_call) call;
    decltype(&qb7rec_setCode) setCode;
    decltype(&qb7rec_setFilling) setFilling;

private:
    template <typename Fn> Fn resolve(const char *name)
    {
        void *p = dlsym(m_handle, name);
        if (!p)
            throw std::runtime_error(name);
        return reinterpret_cast<Fn>(p);
    }
    void *m_handle = nullptr;
};
