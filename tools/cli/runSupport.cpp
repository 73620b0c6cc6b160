#include "runSupport.h"

#include "app/modGlobal.h"
#include "base/privateFiles.h"
#include "errors/errPtnr.h"
#include "retrieval/loadRun.h"
#include "retrieval/modIConnect.h"
#include "store/modData.h"

#include <csignal>
#include <fcntl.h>
#include <QEventLoop>
#include <QSocketNotifier>
#include <unistd.h>

namespace cli {
namespace {

// Ctrl+C and SIGTERM while ratings are fetched cancel the run as the window's
// "Abbrechen" does; the handler only notes it and wakes the event loop.
class InterruptGuard {
public:
    explicit InterruptGuard(std::function<void()> onInterrupt) {
        s_interrupted = 0;
        if (::pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(s_pipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [onInterrupt] {
            char c;
            while (::read(s_pipe[0], &c, 1) > 0) {
            }
            onInterrupt();
        });
        struct sigaction action {};
        action.sa_handler = &InterruptGuard::handler;
        sigemptyset(&action.sa_mask);
        // No SA_RESTART: a question waiting for input ends on Ctrl+C.
        action.sa_flags = 0;
        ::sigaction(SIGINT, &action, &m_oldInt);
        ::sigaction(SIGTERM, &action, &m_oldTerm);
        m_installed = true;
    }
    ~InterruptGuard() {
        if (m_installed) {
            ::sigaction(SIGINT, &m_oldInt, nullptr);
            ::sigaction(SIGTERM, &m_oldTerm, nullptr);
        }
        m_notifier.reset();
        if (s_pipe[0] >= 0) {
            ::close(s_pipe[0]);
            ::close(s_pipe[1]);
            s_pipe[0] = s_pipe[1] = -1;
        }
    }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    static bool interrupted() { return s_interrupted != 0; }

private:
    static void handler(int) {
        s_interrupted = 1;
        if (s_pipe[1] >= 0) {
            const char c = 1;
            [[maybe_unused]] const ssize_t n = ::write(s_pipe[1], &c, 1);
        }
    }

    static inline int s_pipe[2] = {-1, -1};
    static inline volatile std::sig_atomic_t s_interrupted = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_oldInt {};
    struct sigaction m_oldTerm {};
    bool m_installed = false;
};

} // namespace

bool openDatabase(const char* command, store::Access access) {
    try {
        modData::InitDB(access);
    } catch (const errors::RuntimeError& e) {
        errors::ErrPtnr::instance().OnError(QStringLiteral("notenschau-cli"),
                                            QString::fromLatin1(command), e, 0);
        return false;
    }
    if (const QString warning = base::readableByOthersWarning(modGlobal::sDatenbankPfad);
        !warning.isEmpty())
        err(QStringLiteral("notenschau-cli: ") + warning + QLatin1Char('\n'));
    return true;
}

Connection checkConnection() {
    const errors::ErrorWatch watch;
    if (modIConnect::Ping())
        return Connection::Online;
    app::MsgBox(QStringLiteral("Es besteht keine Verbindung zum Internet!"),
                app::vbOKOnly | app::vbCritical);
    return watch.seen() ? Connection::Failed : Connection::Offline;
}

bool runToEnd(retrieval::LoadRun& run, ProgressPrinter& printer, ConsoleChooser& chooser,
              const std::function<void()>& start) {
    QEventLoop loop;
    QObject::connect(&run, &retrieval::LoadRun::changed, &run,
                     [&printer, &run] { printer.changed(run); });
    QObject::connect(&run, &retrieval::LoadRun::closed, &loop, &QEventLoop::quit);
    auto cancel = [&run] {
        if (!run.isClosed())
            run.cmdabort_Click();
    };
    // After an error nobody would carry the run on: it is cancelled.
    chooser.setOnError(
        [&run, cancel] { QMetaObject::invokeMethod(&run, cancel, Qt::QueuedConnection); });
    InterruptGuard guard(cancel);
    start();
    if (!run.isClosed())
        loop.exec();
    chooser.setOnError({});
    printer.endLine();
    return InterruptGuard::interrupted();
}

bool waitInterruptible(const std::function<void(const std::function<void()>& done)>& start,
                       const std::function<void()>& cancel) {
    QEventLoop loop;
    bool ended = false;
    InterruptGuard guard(cancel);
    start([&ended, &loop] {
        ended = true;
        loop.quit();
    });
    if (!ended)
        loop.exec();
    return InterruptGuard::interrupted();
}

} // namespace cli
