#pragma once
#include <QByteArray>
#include <QString>

// zk61ar-dat's outputs: standard output and the files it writes.
namespace datcommands {

// A standard stream that was closed is taken by /dev/null, read-only, so that
// no file opened later takes its number (an output would land on stdout,
// messages in a file) and a write to it fails. On Windows files/ and Qt open
// handles, not descriptors, so nothing takes a stream's number there; standard
// output is switched to bytes as they are, no \n made \r\n (a PNG on -o -).
void holdStandardStreams();

// All of `bytes` on standard output, or false with the failure reported.
bool writeStdout(const QByteArray &bytes);

// Writes `bytes` whole to `path`, or to standard output for "-"; a failure is
// reported, with `context` after the reason.
bool deliver(const QString &path, const QByteArray &bytes, bool force,
             const QString &context = QString());

// Refuses, before any output is written, an output that exists without
// --force, and with it anything but a regular file (a pipe, a device, a
// folder).
bool outputFree(const QString &target, bool force);

} // namespace datcommands
