#pragma once
#include <string>

// zk61ar-log's lines on standard error, one at a time, each begun with
// "zk61ar-log: ". The progress line, when shown, is rewritten in place: cut to
// the terminal's width, so that it never wraps into a new line, and cleared
// before any other line.
class Console
{
public:
    explicit Console(bool progress) : m_progress(progress) {}

    void progress(const std::string &line);
    void say(const std::string &line);
    bool showsProgress() const { return m_progress; }

private:
    bool m_progress;
    int m_shown = 0; // columns of the progress line on the terminal now
};

// The columns UTF-8 `text` takes on a terminal: two for a wide character (Chinese,
// full-width marks), one for any other.
int columnsOf(const std::string &text);
// `text` cut to at most `columns` columns, never inside a character.
std::string cutToColumns(const std::string &text, int columns);
