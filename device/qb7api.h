#pragma once
// The operations of the converter's driver library, as the library exports them.
// Shared by the binding, the emulated device and the test stand-ins, so that all
// of them agree on one calling interface.

#ifdef _WIN32
#define QB7_CALL __stdcall
#define QB7_LIBRARY_FILE "qb7io.dll"
#else
#define QB7_CALL
#define QB7_LIBRARY_FILE "libqb7io.so"
#endif

extern "C" {
// The program calls these five.
using OpenQB7Fn = int(QB7_CALL *)();
using CloseQB7Fn = int(QB7_CALL *)();
using SetQB7Fn = int(QB7_CALL *)(int address, int directionMask, int mode);
using QB7OutFn = int(QB7_CALL *)(int address, unsigned char value);
using QB7InFn = int(QB7_CALL *)(int address, unsigned char *value);

// The library offers these as well; the program never calls them.
using GetQB7StateFn = int(QB7_CALL *)();
using GetQB7FWFn = int(QB7_CALL *)();
using SetQB7AllFn = int(QB7_CALL *)(int directionMaskA, int directionMaskB, int mode);
using QB7OutAllFn = int(QB7_CALL *)(unsigned char valueA, unsigned char valueB);
using QB7InAllFn = int(QB7_CALL *)(unsigned char *valueA, unsigned char *valueB);
}

namespace qb7 {
// Port bases; a line selector (1, 2, 4 or 8 for line 0..3) added to a base
// addresses a single line of that port.
constexpr int kPortA = 1024;
constexpr int kPortB = 2048;
constexpr int line(int n)
{
    return 1 << n;
}

constexpr int kAllOutput = 255;
constexpr int kAllInput = 0;
constexpr int kMode = 4098;
} // namespace qb7
