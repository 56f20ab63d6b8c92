#pragma once
#include "failure/failure.h"

#include <QString>

// How the file layer reports failure: the message names the file and the
// system's reason. What the program does then is said in failure/failure.h.
class FileError : public Failure
{
public:
    explicit FileError(const QString &message) : Failure(message.toStdString()) {}
};
