#include "melden.h"

#include "app/desktopNotice.h"
#include "app/modGlobal.h"
#include "arguments.h"
#include "base/programFolder.h"
#include "errors/runtimeError.h"
#include "runSupport.h"
#include "store/connection.h"

#include <optional>
#include <QProcess>
#include <QTimer>

namespace cli {

namespace {

// The user may take a while to see the notice; a timer run must end anyway.
int waitLimitMs() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("NOTENSCHAU_MELDEN_WARTEN_MS", &ok);
    return ok && ms >= 0 ? ms : 5 * 60 * 1000;
}

// The window of this folder: the folder's own copy of the program.
void startProgram(const QString& anwendung) {
    QProcess program;
    program.setProgram(base::inProgramFolder(QStringLiteral("notenschau")));
    QStringList arguments{QStringLiteral("--neueste")};
    if (!anwendung.isEmpty())
        arguments << QStringLiteral("--anwendung") << anwendung;
    program.setArguments(arguments);
    program.setWorkingDirectory(base::programFolder());
    program.setStandardInputFile(QProcess::nullDevice());
    if (!program.startDetached())
        err(QStringLiteral("Notenschau lässt sich nicht starten: %1\n").arg(program.program()));
}

app::NoticeAnswer waitForAnswer(app::DesktopNotice& notice) {
    std::optional<app::NoticeAnswer> answer;
    QTimer limit;
    limit.setSingleShot(true);
    waitInterruptible(
        [&](const std::function<void()>& done) {
            // The first answer counts: a server closes the notice right after
            // the action chosen in it, and both arrive before the wait ends.
            QObject::connect(&notice, &app::DesktopNotice::answered, &limit,
                             [&answer, done](app::NoticeAnswer a) {
                                 if (answer)
                                     return;
                                 answer = a;
                                 done();
                             });
            QObject::connect(&limit, &QTimer::timeout, &limit, done);
            limit.start(waitLimitMs());
        },
        [&limit] { limit.start(0); });
    return answer.value_or(app::NoticeAnswer::Closed);
}

} // namespace

int announceNewRatings(const NoticeRun& run, int exit) {
    if (exit == kAbgebrochen)
        return exit;
    std::optional<app::Notice> notice;
    try {
        notice = retrieval::newRatingsNotice(
            retrieval::storedRatings(run.unstored, modGlobal::sStandardUser), run.kinds);
    } catch (const errors::RuntimeError&) {
        err(QStringLiteral("Keine Desktop-Benachrichtigung möglich: die neuen Bewertungen "
                           "ließen sich nicht lesen\n"));
        return exit;
    }
    if (!notice)
        return exit;
    // The window started from the notice finds the database closed.
    if (modGlobal::cnDB)
        modGlobal::cnDB->close();
    app::DesktopNotice desktop;
    const app::NoticeOutcome sent = desktop.send(*notice);
    if (const auto* none = std::get_if<app::NoNoticeService>(&sent)) {
        err(QStringLiteral("Keine Desktop-Benachrichtigung möglich: %1\n").arg(none->reason));
        return exit;
    }
    if (waitForAnswer(desktop) == app::NoticeAnswer::Chosen)
        startProgram(run.anwendung);
    return exit;
}

} // namespace cli
