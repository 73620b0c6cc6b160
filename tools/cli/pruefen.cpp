#include "pruefen.h"

#include "app/modGlobal.h"
#include "errors/procedure.h"
#include "retrieval/clsTalmBewertungen.h"
#include "retrieval/modIConnect.h"
#include "retrieval/ownUpdateRun.h"
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

// What the run says, as lines: on a terminal one line is rewritten in place
// (the line count every 50 lines); otherwise each page's caption and its last
// line count.
class ProgressPrinter {
public:
    ProgressPrinter() : m_terminal(stdoutIsTerminal()) {}

    void changed(const OwnUpdateRun& run) {
        if (run.label1() != m_label1) {
            endLine();
            m_label1 = run.label1();
            out(m_label1 + QLatin1Char('\n'));
        }
        if (run.label2() == m_label2)
            return;
        m_label2 = run.label2();
        const bool counting = m_label2.startsWith(QLatin1String("Analysiere"));
        if (!m_terminal) {
            if (counting)
                m_pending = m_label2;
        } else if (!counting || run.lines() % 50 == 0) {
            rewrite(m_label2);
        } else {
            m_pending = m_label2;
        }
    }

    void storing(qint32 i, qint32 n) {
        if (m_terminal && (i % 100 == 0 || i == n))
            rewrite(QStringLiteral("Geschrieben: %1 von %2").arg(i).arg(n));
    }

    // Says the last count not yet said and ends a line left open.
    void endLine() {
        if (!m_pending.isEmpty()) {
            if (m_terminal)
                rewrite(m_pending);
            else
                out(m_pending + QLatin1Char('\n'));
            m_pending.clear();
        }
        if (m_open)
            out(QStringLiteral("\n"));
        m_open = false;
    }

private:
    void rewrite(const QString& text) {
        out(QLatin1Char('\r') + text + QStringLiteral("\x1b[K"));
        m_open = true;
        m_pending.clear();
    }

    bool m_terminal;
    bool m_open = false;
    QString m_label1;
    QString m_label2;
    QString m_pending;
};

} // namespace

int pruefen(const Arguments& args, ConsolePresenter& presenter, ConsoleChooser& chooser) {
    Q_UNUSED(args);
    using namespace modGlobal;
    using Kind = retrieval::SyncOutcome::Kind;
    ProgressPrinter printer;
    presenter.setBeforeOutput([&printer] { printer.endLine(); });

    try {
        modData::InitDB();
    } catch (const errors::RuntimeError& e) {
        // A configuration the program cannot read: its protocol, as any error's.
        errors::ErrPtnr::instance().OnError(QStringLiteral("notenschau-cli"),
                                            QStringLiteral("pruefen"), e, 0);
        return kFehler;
    }
    if (!modIConnect::Ping()) {
        app::MsgBox(QStringLiteral("Es besteht keine Verbindung zum Internet!"),
                    app::vbOKOnly | app::vbCritical);
        return chooser.errors() > 0 ? kFehler : kKeineVerbindung;
    }

    // Nothing is stored unless the run says so.
    bool keineBewertungen = true;
    retrieval::FetchResult fetched;
    {
        OwnUpdateRun run(keineBewertungen);
        QEventLoop loop;
        QObject::connect(&run, &OwnUpdateRun::changed, &run,
                         [&printer, &run] { printer.changed(run); });
        QObject::connect(&run, &OwnUpdateRun::closed, &loop, &QEventLoop::quit);
        auto cancel = [&run] {
            if (!run.isClosed())
                run.cmdabort_Click();
        };
        // After an error nobody would carry the run on: it is cancelled.
        chooser.setOnError(
            [&run, cancel] { QMetaObject::invokeMethod(&run, cancel, Qt::QueuedConnection); });
        InterruptGuard guard(cancel);
        run.checkneueBewertungen();
        if (!run.isClosed())
            loop.exec();
        chooser.setOnError({});
        printer.endLine();
        fetched = run.result();
    }
    const int errorsBefore = chooser.errors();

    const qint32 lines = qint32(fetched.ratings.size());
    if (lines > 0)
        out(QStringLiteral("Neue Bewertungen werden in die Datenbank geschrieben!\n"));
    const retrieval::SyncOutcome outcome = retrieval::storeOwnRun(
        fetched, sStandardUser, [&printer, lines](qint32 i) { printer.storing(i, lines); });
    printer.endLine();

    switch (outcome.kind) {
    case Kind::NothingNew:
        app::MsgBox(QStringLiteral("Es sind keine neuen Bewertungen eingegangen"),
                    app::vbOKOnly | app::vbInformation);
        return kOk;
    case Kind::Declined:
        out(QStringLiteral("Die neuen Bewertungen wurden nicht geladen.\n"));
        return kNichtGeladen;
    case Kind::UnknownMember:
        return kMitgliedUnbekannt;
    case Kind::NoConnection:
        return kKeineVerbindung;
    case Kind::Failed:
        if (outcome.storeFailed)
            err(terminalLines(retrieval::outcomeMessage(outcome)) + QLatin1Char('\n'));
        return kFehler;
    case Kind::Stored:
    case Kind::CutShort:
    case Kind::Cancelled:
        break;
    }
    const qint32 total = modData::countsOf(modData::Table::Own, sStandardUser).real;
    out(QStringLiteral("Gespeichert: %1, insgesamt %2.\n")
            .arg(retrieval::neueBewertungen(outcome.added))
            .arg(total));
    if (outcome.placeholders > 0)
        out(QStringLiteral("Platzhalter für %1 Bewertungen, die der Marktplatz zählt, aber nicht "
                           "liefert.\n")
                .arg(outcome.placeholders));
    if (outcome.kind != Kind::Stored)
        err(retrieval::outcomeMessage(outcome) + QLatin1Char('\n'));
    if (chooser.errors() > errorsBefore || (chooser.errors() > 0 && outcome.kind != Kind::Stored))
        return kFehler;
    if (outcome.kind == Kind::Cancelled)
        return kAbgebrochen;
    return outcome.kind == Kind::CutShort ? kUnvollstaendig : kOk;
}

} // namespace cli
