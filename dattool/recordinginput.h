#pragma once
#include "logformat/reader.h"
#include "logformat/recording.h"

#include <QString>
#include <QStringList>

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
// said on standard error. Nothing, with the reason said, when it cannot be read.
std::unique_ptr<logformat::RecordingReader> load(const QString &file);

// info's lines for a recording: what it is, its start, duration, rows,
// skipped scans, rate asked and measured, and each channel's figures in
// millivolts as info --range gives them for a sample file.
QString infoText(const QString &file, const logformat::RecordingReader &reader);

} // namespace recordinginput
