#include "qb7driver.h"

// Results of the library's operations carry nothing the program relies on, so
// none of them is examined.

Qb7Driver::Qb7Driver() : m_library(QB7_LIBRARY_FILE) {}

void Qb7Driver::OpenQB7()
{
    bound(m_open, "OpenQB7")();
}

void Qb7Driver::CloseQB7()
{
    bound(m_close, "CloseQB7")();
}

void Qb7Driver::SetQB7(int address, int directionMask, int mode)
{
    bound(m_set, "SetQB7")(address, directionMask, mode);
}

void Qb7Driver::QB7Out(int address, std::uint8_t value)
{
    bound(m_out, "QB7Out")(address, value);
}

void Qb7Driver::QB7In(int address, std::uint8_t &value)
{
    bound(m_in, "QB7In")(address, &value);
}
