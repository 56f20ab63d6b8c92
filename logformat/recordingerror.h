#pragma once
#include "failure/failure.h"

// How the recording format reports a file it cannot take: the message is one
// line naming the file and, where there is one, the line, and what is wrong
// ("文件 run.csv 第 12 行：有 4 个字段，应为 5 个"). zk61ar-dat writes it on
// standard error and goes on with the next input, or ends with status 1.
class RecordingError : public Failure
{
public:
    using Failure::Failure;
};
