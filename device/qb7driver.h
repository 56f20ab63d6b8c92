#pragma once
#include "device/dynamiclibrary.h"
#include "device/qb7api.h"

#include <cstddef>
#include <cstdint>
#include <string>

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
    // A 32-bit driver built without a definition file exports its __stdcall
    // operations only under the names the compiler gives them: an underscore,
    // the name, '@' and the bytes its arguments take on the stack, each argument
    // rounded up to 4 (_SetQB7@12). Derived from the operation's own type, so
    // the two can never disagree; other platforms have no such names.
    template <typename Fn> struct StackBytes;
    template <typename R, typename... Args> struct StackBytes<R(QB7_CALL *)(Args...)>
    {
        static constexpr std::size_t value = (std::size_t(0) + ... + ((sizeof(Args) + 3) / 4 * 4));
    };
    template <typename Fn> static std::string decoratedName(const char *name)
    {
#if defined(_WIN32) && !defined(_WIN64)
        return "_" + std::string(name) + "@" + std::to_string(StackBytes<Fn>::value);
#else
        (void)name;
        return {};
#endif
    }

    // The plain name first: that is how the driver exports its operations.
    template <typename Fn> Fn bound(Fn &slot, const char *name)
    {
        if (!slot)
            slot = reinterpret_cast<Fn>(m_library.resolve(name, decoratedName<Fn>(name)));
        return slot;
    }

    DynamicLibrary m_library;
    OpenQB7Fn m_OpenQB7 = nullptr;
    CloseQB7Fn m_CloseQB7 = nullptr;
    SetQB7Fn m_SetQB7 = nullptr;
    QB7OutFn m_QB7Out = nullptr;
    QB7InFn m_QB7In = nullptr;
};
