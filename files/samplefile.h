#pragma once
#include "files/fileerror.h"
#include "files/filepath.h"
#include "files/samplebuffer.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

// The .dat sample file: 8192 records of 2 bytes, record r at byte offset
// (r - 1) x 2 holding sampleBuf(r) as a signed 16-bit little-endian integer,
// with no header. A saved file is exactly 16384 bytes.
namespace samplefile {

constexpr int kRecordCount = 8192;
constexpr int kRecordLength = 2;
constexpr qint64 kFileSize = qint64(kRecordCount) * kRecordLength;

using Records = std::array<std::int16_t, kRecordCount>;

// Entries 1..8192 of the buffer as the file's bytes.
QByteArray encode(const SampleBuffer &buffer);
// The first 8192 records of `bytes`, which must hold at least 16384 bytes.
Records decode(const QByteArray &bytes);
// Puts record r into sampleBuf(r); no other entry is touched.
void storeRecords(const Records &records, SampleBuffer &buffer);

// Writes a new file in the current directory under `chosen`, the name that
// firstFreeFileName gave for `name`; when it has been taken since (by another
// program), under the one firstFreeFileName gives then. Never replaces a file.
// Returns the name written. Throws FileError.
QString writeNew(const QString &name, const QString &chosen, const SampleBuffer &buffer);

// How long a file read() accepts: at least 16384 bytes (the first 16384 are
// read, as Load does), or exactly 16384.
enum class Length { AtLeast, Exact };

// Reads the first 8192 records of an existing plain file, opened read-only; a
// file shorter than 16384 bytes is refused, and with Length::Exact a longer one.
// Throws FileError.
Records read(const FilePath &path, Length length = Length::AtLeast);
Records read(const QString &path, Length length = Length::AtLeast);

} // namespace samplefile
