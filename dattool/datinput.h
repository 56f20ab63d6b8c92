#pragma once
#include "files/samplefile.h"
#include "system/file.h"

#include <QString>
#include <QStringList>

#include <map>

// Reading the tool's inputs and reporting what went wrong: one line on
// standard error per bad input, naming the file and the reason.
namespace datinput {

// A plain file of exactly 16384 bytes whose codes can all come from `range`
// (-1: any codes). `path` may carry stray bytes (escapedText). Throws
// FileError, naming the file as shown and the reason.
samplefile::Records load(const QString &path, int range = -1);

// The files a run reads, known by what they are, whatever their names.
class Inputs
{
public:
    explicit Inputs(const QStringList &names);
    // Whether `output` ("-" for standard output) is one of them, the same file
    // through any link; if so, says so in one line.
    bool hold(const QString &output) const;
    // The line hold() says, empty when `output` is none of them.
    QString holding(const QString &output) const;

private:
    std::map<os::FileId, QString> m_shown;
};

// "zk61ar-dat: " and the message, one line on standard error.
void complain(const QString &message);
// The failure's message and `after`, so.
void complain(const Failure &failure, const QString &after = QString());

} // namespace datinput
