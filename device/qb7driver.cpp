#include "device/qb7driver.h"

// Results of the library's operations carry nothing the program relies on, so
// none of them is examined.

// Each operation's name is spelled from its own slot, so a slot can never be
// bound to another operation's symbol.
#define QB7_BOUND(operation) bound(m_##operation, #operation)

Qb7Driver::Qb7Driver() : m_library(QB7_LIBRARY_FILE) {}

void Qb7Driver::OpenQB7()
{
    QB7_BOUND(OpenQB7)();
}

void Qb7Driver::CloseQB7()
{
    QB7_BOUND(CloseQB7)();
}

void Qb7Driver::SetQB7(int address, int directionMask, int mode)
{
    QB7_BOUND(SetQB7)(address, directionMask, mode);
}

void Qb7Driver::QB7Out(int address, std::uint8_t value)
{
    QB7_BOUND(QB7Out)(address, value);
}

void Qb7Driver::QB7In(int address, std::uint8_t &value)
{
    QB7_BOUND(QB7In)(address, &value);
}
