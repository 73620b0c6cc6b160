#include "checkTurn.h"

#include "app/windowLink.h"
#include "arguments.h"
#include "base/programFolder.h"
#include "runSupport.h"

#include <QTimer>

namespace cli {
namespace {

// Tries the lock a few times a second until it is no longer busy; false
// when Ctrl+C ended the wait first.
bool waitForLock(app::CheckLock& lock, app::CheckLockState& state) {
    QTimer poll;
    poll.setInterval(250);
    std::function<void()> finish;
    const bool interrupted = waitInterruptible(
        [&](const std::function<void()>& done) {
            finish = done;
            QObject::connect(&poll, &QTimer::timeout, [&] {
                state = lock.tryTake();
                if (state.kind != app::CheckLockState::Kind::Busy) {
                    poll.stop();
                    finish();
                }
            });
            poll.start();
        },
        [&] {
            poll.stop();
            finish();
        });
    return !interrupted;
}

} // namespace

std::optional<int> takeCheckLock(app::CheckLock& lock, bool wait) {
    using Kind = app::CheckLockState::Kind;
    app::CheckLockState state = lock.tryTake();
    if (state.kind == Kind::Busy && wait) {
        err(QStringLiteral("Eine Prüfung läuft bereits (Prozess %1); es wird gewartet, bis sie "
                           "endet.\n")
                .arg(state.holder));
        if (!waitForLock(lock, state)) {
            err(QStringLiteral("Das Warten wurde abgebrochen; es wurde nichts geladen.\n"));
            return kAbgebrochen;
        }
    }
    switch (state.kind) {
    case Kind::Taken:
        return std::nullopt;
    case Kind::Busy:
        err(app::checkBusyMessage(state.holder) + QLatin1Char('\n'));
        return kBeschaeftigt;
    case Kind::Failed:
        break;
    }
    err(app::checkLockFailedMessage(lock.path()) + QLatin1Char('\n'));
    return kFehler;
}

void tellWindowStored() {
    app::sendToWindow(base::programFolder(), app::WindowCommand::Neu);
}

} // namespace cli
