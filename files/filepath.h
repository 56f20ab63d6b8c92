#pragma once
#include <QByteArray>
#include <QString>

// A file's name as the system takes it, bytes, and as it is shown. A name from
// a command line or a folder need not be valid UTF-8; such a name is opened by
// its bytes and shown with each stray byte as \xNN.
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

// The system's words for errno's `error`. qt_error_string() reads errno's codes
// on Unix, but Windows' own error codes on Windows: there the C library's own
// text is taken.
QString errnoText(int error);

// A descriptor of the system's, closed when it goes.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor();
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int fd() const { return m_fd; }
    // Closes now; false (errno set) when the close reports a failure.
    bool close();

private:
    int m_fd;
};
