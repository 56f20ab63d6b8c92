#include "files/filepath.h"

namespace {
constexpr char16_t kStrayByte = 0xDC00;

// The length of the valid UTF-8 sequence that starts at p, or 0.
int sequenceLength(const uchar *p, qsizetype left)
{
    const uchar lead = p[0];
    if (lead < 0x80)
        return 1;
    int length = 0;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, code = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, code = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, code = lead & 0x07;
    if (length == 0 || left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (p[i] & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return overlong || surrogate || code > 0x10FFFF ? 0 : length;
}

// What a terminal or a line would act on instead of showing: C0 and C1
// controls, DEL, the line and paragraph separators and the marks that turn
// the direction of text.
bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

QString escapedBytes(const QByteArray &bytes)
{
    QString shown;
    for (const char byte : bytes)
        shown += QStringLiteral("\\x") +
                 QString::number(uchar(byte), 16).toUpper().rightJustified(2, u'0');
    return shown;
}

bool isStrayByte(const QString &text, qsizetype i)
{
    const char16_t c = text.at(i).unicode();
    return c >= kStrayByte + 0x80 && c <= kStrayByte + 0xFF &&
           (i == 0 || !text.at(i - 1).isHighSurrogate());
}
} // namespace

QString escapedText(const QByteArray &bytes)
{
    QString text;
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    for (qsizetype i = 0; i < bytes.size();) {
        const int length = sequenceLength(p + i, bytes.size() - i);
        if (length == 0) {
            text += QChar(char16_t(kStrayByte + p[i]));
            ++i;
        } else {
            text += QString::fromUtf8(bytes.constData() + i, length);
            i += length;
        }
    }
    return text;
}

FilePath FilePath::fromText(const QString &text)
{
    FilePath path;
    qsizetype run = 0; // start of the text not yet taken over
    const auto takeRun = [&](qsizetype end) {
        const QString part = text.mid(run, end - run);
        path.native += part.toUtf8();
        path.shown += part;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        QByteArray bytes;
        if (isStrayByte(text, i))
            bytes += char(text.at(i).unicode() - kStrayByte);
        else if (isControl(text.at(i).unicode()))
            bytes = QString(text.at(i)).toUtf8();
        else
            continue;
        takeRun(i);
        path.native += bytes;
        path.shown += escapedBytes(bytes);
        run = i + 1;
    }
    takeRun(text.size());
    return path;
}

QString reasonText(os::Error error)
{
    return QString::fromStdString(os::errorText(error));
}
