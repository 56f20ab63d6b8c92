#pragma once
#include "files/fileerror.h"

#include <QByteArray>
#include <QString>

// Writes `bytes` as the file at `path`, whole or not at all: on any failure
// nothing of the new file is left behind. Without `replace` an existing file is
// never touched; with it, the old file stays as it was until the new one is
// complete. Throws FileError.
void writeWholeFile(const QString &path, const QByteArray &bytes, bool replace = false);
