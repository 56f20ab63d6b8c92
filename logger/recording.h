#pragma once
#include "logger/options.h"

// One recording: scan k is due at start + k / rate on the monotonic clock, the
// program sleeps until then, converts every channel with the 17 library calls
// of adc and writes the row. A scan that could only start more than one
// period late is skipped and counted, never made up. Ends after the asked
// scans or time, or at a stop request once the scan in progress is written.
namespace recording {

// Records as `options` say; reports progress, failures and the summary on
// standard error and returns the exit status.
int run(const logoptions::Options &options);

} // namespace recording
