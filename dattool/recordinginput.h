#pragma once
#include "logformat/reader.h"
#include "logformat/recording.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

// zk61ar-dat's side of reading recordings (logformat/): names as the command
// line gives them, the one line on standard error for a bad input, and the
// figures info prints.
namespace recordinginput {

// Whether `file` is a recording by its content, or names a split set.
bool isRecording(const QString &file);

// Options whose names are shown as zk61ar-dat shows them (stray bytes as \xNN).
logformat::ReadOptions readOptions();

// The recording `file` names, read whole; its notes (a torn last line) are
// said on standard error, and so is how far reading has got when it takes
// longer than half a second. Nothing, with the reason said, when it cannot be
// read. `following`: a recording still being written, which may have no rows
// yet; a heading not yet all there is waited for.
std::unique_ptr<logformat::RecordingReader> load(const QString &file, bool following = false);

// Lowest, highest, peak-to-peak, mean and RMS in millivolts of rows [first,
// end) of `channel`, exactly as info --range gives them for a sample file.
QStringList channelFigures(const logformat::Recording &recording, int channel, std::int64_t first,
                           std::int64_t end);
// The same of sums already worked out, in `range`.
QStringList channelFigures(const logformat::Sums &sums, int range);

// info's lines for a recording: what it is, its start, duration, rows,
// skipped scans, rate asked and measured, and each channel's figures in
// millivolts as info --range gives them for a sample file.
QString infoText(const QString &file, const logformat::RecordingReader &reader);

} // namespace recordinginput
