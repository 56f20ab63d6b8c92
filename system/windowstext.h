#pragma once
// Text between Windows' wide API and the UTF-8 the rest of the program keeps:
// file names, command lines and the system's own messages. Windows only.
#include <string>

namespace windowstext {

std::wstring widened(const std::string &utf8);
std::string narrowed(const std::wstring &wide);

// The system's text for the error code `error` (GetLastError), from
// FormatMessageW, as UTF-8 without the line end Windows gives it. The wide call
// is the one whose text does not depend on the ANSI code page (GBK on a Chinese
// system, where the ANSI text is not UTF-8).
std::string systemText(unsigned long error);

} // namespace windowstext
