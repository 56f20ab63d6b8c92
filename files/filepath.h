#pragma once
#include "system/file.h"

#include <QByteArray>
#include <QString>

// A file's name as the system takes it, bytes, and as it is shown. A name from
// a command line or a folder need not be valid UTF-8; such a name is opened by
// its bytes and shown with each stray byte as \xNN. A control character (an
// escape, a newline) is shown so too, as its UTF-8 bytes, so that a name can
// neither act on a terminal nor split a line.
//
// Text may carry stray bytes as the code points U+DC80..U+DCFF (escapedText),
// so that a command line can be parsed as text and its names still opened.
struct FilePath
{
    QByteArray native;
    QString shown;

    // A name as text, as the window's dialogs give it or as escapedText made it.
    static FilePath fromText(const QString &text);
};

// `bytes` as UTF-8, each byte that is not part of a valid sequence as
// U+DC00 + byte.
QString escapedText(const QByteArray &bytes);

// The system's words for a failure of the system layer (system/file.h), as
// every program gives them.
QString reasonText(os::Error error);
