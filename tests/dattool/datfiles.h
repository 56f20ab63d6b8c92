#pragma once
// Sample files as Save leaves them (samplefile::encode): 8192 little-endian
// 16-bit codes.
#include "filebytes.h"
#include "files/samplefile.h"

#include <initializer_list>
#include <utility>

// Every point holds `code`, except the (point, code) pairs in `except`.
inline bool writeCodes(const QString &path, int code,
                       std::initializer_list<std::pair<int, int>> except = {})
{
    SampleBuffer buffer;
    for (int r = 1; r <= 8192; ++r)
        buffer(r) = std::int16_t(code);
    for (const auto &[point, value] : except)
        buffer(point) = std::int16_t(value);
    return writeBytes(path, samplefile::encode(buffer));
}
