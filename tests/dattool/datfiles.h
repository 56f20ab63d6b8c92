#pragma once
// Sample files written byte by byte, as Save leaves them: 8192 little-endian
// 16-bit codes.
#include "filebytes.h"

#include <QtEndian>

#include <cstdint>
#include <initializer_list>
#include <utility>

// Every point holds `code`, except the (point, code) pairs in `except`.
inline bool writeCodes(const QString &path, int code,
                       std::initializer_list<std::pair<int, int>> except = {})
{
    QByteArray bytes(16384, '\0');
    for (int r = 1; r <= 8192; ++r)
        qToLittleEndian<std::int16_t>(std::int16_t(code), bytes.data() + (r - 1) * 2);
    for (const auto &[point, value] : except)
        qToLittleEndian<std::int16_t>(std::int16_t(value), bytes.data() + (point - 1) * 2);
    return writeBytes(path, bytes);
}
