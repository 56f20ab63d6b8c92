#pragma once
#include "files/fileerror.h"
#include "files/filepath.h"

#include <QByteArray>
#include <QString>

// Writes `bytes` as the file at `path`, whole or not at all (system/output.h):
// on any failure nothing of the new file is left behind. Without `replace` an
// existing file is never touched. With it, only a regular file is replaced
// (through a link, the file it points to), and it stays as it was until the
// new one is complete; anything else at `path` (a pipe, a device, a folder) is
// refused. Throws FileError.
void writeWholeFile(const FilePath &path, const QByteArray &bytes, bool replace = false);
void writeWholeFile(const QString &path, const QByteArray &bytes, bool replace = false);

// As writeWholeFile without `replace`, but a name that is taken is no failure:
// returns false, and whatever holds the name is left alone. The name is taken
// and the file created in one step, so no other program can come in between.
bool createWholeFile(const FilePath &path, const QByteArray &bytes);
