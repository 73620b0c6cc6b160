#include "processRun.h"

namespace testsupport {

void startProcess(QProcess& process, const QString& program, const QStringList& arguments) {
    process.start(program, arguments);
    process.waitForStarted();
    process.closeWriteChannel();
}

ProcessResult finishProcess(QProcess& process) {
    ProcessResult r;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return r;
    }
    r.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    r.out = QString::fromUtf8(process.readAllStandardOutput());
    r.err = QString::fromUtf8(process.readAllStandardError());
    return r;
}

ProcessResult runProcess(const QString& program, const QStringList& arguments) {
    QProcess process;
    startProcess(process, program, arguments);
    return finishProcess(process);
}

QByteArray readUntil(QProcess& process, const QByteArray& marker) {
    QByteArray out;
    while (!out.contains(marker) && process.state() == QProcess::Running) {
        process.waitForReadyRead(1000);
        out += process.readAllStandardOutput();
    }
    return out;
}

} // namespace testsupport
