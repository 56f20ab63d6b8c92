#pragma once
#include "device/dynamiclibrary.h"
#include "device/qb7api.h"

#include <cstdint>

// The converter's driver library, bound by name at run time. Each operation is
// looked up at its own first call and the binding is reused after; a missing
// library or operation throws DriverError from that call.
class Qb7Driver
{
public:
    Qb7Driver();

    void OpenQB7();
    void CloseQB7();
    void SetQB7(int address, int directionMask, int mode);
    void QB7Out(int address, std::uint8_t value);
    // The library stores the byte it reads into `value`; what the byte held before
    // the call stays there when the library does not fill it.
    void QB7In(int address, std::uint8_t &value);

private:
    template <typename Fn> Fn bound(Fn &slot, const char *name)
    {
        if (!slot)
            slot = reinterpret_cast<Fn>(m_library.resolve(name));
        return slot;
    }

    DynamicLibrary m_library;
    OpenQB7Fn m_OpenQB7 = nullptr;
    CloseQB7Fn m_CloseQB7 = nullptr;
    SetQB7Fn m_SetQB7 = nullptr;
    QB7OutFn m_QB7Out = nullptr;
    QB7InFn m_QB7In = nullptr;
};
