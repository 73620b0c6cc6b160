// The main window's side of the other processes of its folder: the commands
// they send and the lock that keeps their checks apart from its own.
#include "app/checkLock.h"
#include "app/msgBox.h"
#include "base/programFolder.h"
#include "ui/main/frmAnzeige.h"
#include "ui/main/windowServer.h"

#include <QApplication>
#include <QTimer>

namespace ui {

void frmAnzeige::listenForCommands() {
    if (m_windowServer)
        return;
    m_windowServer = new WindowServer(this);
    // Queued: a command never runs inside the socket's own signal.
    connect(
        m_windowServer, &WindowServer::received, this,
        [this](app::WindowCommand command) {
            switch (command) {
            case app::WindowCommand::Zeigen:
                bringForward();
                break;
            case app::WindowCommand::Neueste:
                showNewRatings();
                break;
            case app::WindowCommand::Neu:
                reloadFromStore();
                break;
            }
        },
        Qt::QueuedConnection);
    m_windowServer->listen(base::programFolder());
}

bool frmAnzeige::busyWithOwnCommand() const {
    return m_ownCommands > 0 || QApplication::activeModalWidget() != nullptr ||
           m_view->bAnzeigeLaeuft() || m_view->busyCursor();
}

void frmAnzeige::reloadFromStore() {
    if (busyWithOwnCommand()) {
        if (!m_reloadLater) {
            m_reloadLater = new QTimer(this);
            m_reloadLater->setInterval(200);
            connect(m_reloadLater, &QTimer::timeout, this, &frmAnzeige::reloadFromStore);
        }
        if (!m_reloadLater->isActive())
            m_reloadLater->start();
        return;
    }
    if (m_reloadLater)
        m_reloadLater->stop();
    m_view->reload();
}

void frmAnzeige::bringForward() {
    if (isMinimized()) {
        if (windowState() & Qt::WindowMaximized)
            showMaximized();
        else
            showNormal();
    }
    raise();
    activateWindow();
}

bool frmAnzeige::takeCheckLock(app::CheckLock& lock) {
    const app::CheckLockState state = lock.tryTake();
    switch (state.kind) {
    case app::CheckLockState::Kind::Taken:
        return true;
    case app::CheckLockState::Kind::Busy:
        app::MsgBox(app::checkBusyMessage(state.holder), app::vbOKOnly | app::vbInformation);
        return false;
    case app::CheckLockState::Kind::Failed:
        break;
    }
    app::MsgBox(app::checkLockFailedMessage(lock.path()), app::vbOKOnly | app::vbCritical);
    return false;
}

} // namespace ui
