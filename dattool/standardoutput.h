#pragma once
#include <QByteArray>
#include <QString>

// zk61ar-dat's outputs: standard output and the files it writes.
namespace datcommands {

// Called first: a standard stream that was closed is held by the null device
// (system/file.h), and a write to standard output then says it was closed.
void holdStandardStreams();

// All of `bytes` on standard output, or false with the failure reported.
bool writeStdout(const QByteArray &bytes);

// Writes `bytes` whole to `path`, or to standard output for "-"; a failure is
// reported, with `context` after the reason.
bool writeOutput(const QString &path, const QByteArray &bytes, bool force,
                 const QString &context = QString());

// Refuses, before any output is written, an output that exists without
// --force, and with it anything but a regular file (a pipe, a device, a
// folder).
bool outputAllowed(const QString &target, bool force);

} // namespace datcommands
