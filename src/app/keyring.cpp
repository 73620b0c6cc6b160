#include "app/keyring.h"

#include <QEventLoop>
#include <QFileInfo>
#include <qt6keychain/keychain.h>

namespace app::keyring {

namespace {

const QString kService = QStringLiteral("Notenschau");

// Runs one job to its end; QtKeychain answers through the event loop.
void runToEnd(QKeychain::Job& job) {
    job.setAutoDelete(false);
    // Never a dialog to unlock: a timer run has nobody to answer it.
    job.setInsecureFallback(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

Answer answerOf(const QKeychain::Job& job) {
    switch (job.error()) {
    case QKeychain::NoError:
        return Answer::Found;
    case QKeychain::EntryNotFound:
        return Answer::Absent;
    default:
        return Answer::Unavailable;
    }
}

} // namespace

QString keyOf(const SecretName& name) {
    const QString file = QFileInfo(name.configFile).absoluteFilePath();
    return name.member.isEmpty() ? name.what + QLatin1Char(' ') + file
                                 : name.what + QLatin1Char(' ') + name.member.toLower() +
                                       QStringLiteral(" in ") + file;
}

Read read(const SecretName& name) {
    QKeychain::ReadPasswordJob job(kService);
    job.setKey(keyOf(name));
    runToEnd(job);
    Read result{answerOf(job), {}};
    if (result.answer == Answer::Found)
        result.secret = job.textData();
    return result;
}

Answer write(const SecretName& name, const QString& secret) {
    QKeychain::WritePasswordJob job(kService);
    job.setKey(keyOf(name));
    job.setTextData(secret);
    runToEnd(job);
    return job.error() == QKeychain::NoError ? Answer::Found : Answer::Unavailable;
}

Answer remove(const SecretName& name) {
    QKeychain::DeletePasswordJob job(kService);
    job.setKey(keyOf(name));
    runToEnd(job);
    return job.error() == QKeychain::NoError || job.error() == QKeychain::EntryNotFound
               ? Answer::Absent
               : Answer::Unavailable;
}

} // namespace app::keyring
