#pragma once
#include <QByteArray>
#include <QString>

#include <optional>

// Writes `bytes` as the file at `path`, whole or not at all: on any failure
// nothing of the new file is left behind. Without `replace` an existing file is
// never touched; with it, the old file stays as it was until the new one is
// complete. Returns an operator-readable reason on failure.
std::optional<QString> writeWholeFile(const QString &path, const QByteArray &bytes,
                                      bool replace = false);
