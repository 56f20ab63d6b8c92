#pragma once
#include <QString>

#include <stdexcept>

// How the file layer reports failure, the way device/ (DriverError) and print/
// (PrintError) do: an exception of its own whose what() is the operator-readable
// message in UTF-8, naming the file and the system's reason. A caller cannot
// take a failed read or write for a good one by forgetting to look, and the
// window's commands catch all three kinds alike where they show the box.
class FileError : public std::runtime_error
{
public:
    explicit FileError(const QString &message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};
