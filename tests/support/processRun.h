#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace testsupport {

struct ProcessResult {
    int code = -1; // -1: it hung and was killed; -2: it crashed
    QString out;
    QString err;
};

// Starts a program with stdin closed, so it never waits for input.
void startProcess(QProcess& process, const QString& program, const QStringList& arguments);
// Waits for a started process to end; the two minutes allowed are a guard
// against a hang, not a measure of speed.
ProcessResult finishProcess(QProcess& process);
ProcessResult runProcess(const QString& program, const QStringList& arguments);
// Reads a started process's stdout until it holds marker or the process ends.
QByteArray readUntil(QProcess& process, const QByteArray& marker);

} // namespace testsupport
