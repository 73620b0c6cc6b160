#include "pruefen.h"

#include "app/modGlobal.h"
#include "app/modini.h"
#include "app/msgBox.h"
#include "base/clock.h"
#include "bewerten.h"
#include "checkTurn.h"
#include "melden.h"
#include "retrieval/fullCheckRun.h"
#include "retrieval/ownUpdateRun.h"
#include "retrieval/signIn.h"
#include "runSupport.h"
#include "store/modData.h"
#include "store/ratingState.h"

namespace cli {

namespace {

// Walks the whole list and marks what the marketplace no longer lists.
int fullCheck(ProgressPrinter& printer, ConsoleChooser& chooser) {
    using Kind = retrieval::SyncOutcome::Kind;
    retrieval::FetchResult fetched;
    {
        retrieval::FullCheckRun run(modini::settings());
        runToEnd(run, printer, chooser, [&run] { run.start(); });
        fetched = run.takeResult();
    }
    switch (fetched.end) {
    case Kind::Stored:
        break;
    case Kind::UnknownMember:
        return kMitgliedUnbekannt;
    case Kind::NoConnection:
        return kKeineVerbindung;
    case Kind::Cancelled:
        return kAbgebrochen;
    case Kind::CutShort:
        err(QStringLiteral("Die Prüfung wurde unterbrochen; es wurde nichts geändert.\n"));
        return kUnvollstaendig;
    default:
        return kFehler;
    }
    const errors::ErrorWatch storing;
    const store::ListingReport report =
        retrieval::storeFullCheck(fetched, modGlobal::sStandardUser);
    const QString message = terminalLines(retrieval::fullCheckMessage(report, fetched)) + '\n';
    if (!report.ok) {
        err(message);
        return kFehler;
    }
    out(message);
    if (report.withdrawn + report.restored + report.added + report.replied > 0)
        tellWindowStored();
    return fetched.errorReported || storing.seen() ? kFehler : kOk;
}

// The exit code of an outcome that stored nothing; none when it stored.
std::optional<int> endedUnstored(const retrieval::SyncOutcome& outcome) {
    using Kind = retrieval::SyncOutcome::Kind;
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
    return std::nullopt;
}

} // namespace

int PruefenCommand::runOnDatabase(const Arguments& args, ConsoleChooser& chooser,
                                  ConsolePresenter& presenter) {
    std::optional<retrieval::NoticeKinds> kinds;
    if (args.melden) {
        auto read = retrieval::noticeKindsOf(modini::settings().melden, modini::configPath());
        if (const auto* message = std::get_if<QString>(&read)) {
            err(*message + QLatin1Char('\n'));
            return kFehler;
        }
        kinds = std::get<retrieval::NoticeKinds>(read);
    }
    int code = kOk;
    {
        // Held for the load and its storing; rating the buyers comes after.
        app::CheckLock lock(modGlobal::sDatenbankPfad);
        if (const std::optional<int> refused = takeCheckLock(lock, args.warten))
            return *refused;
        code = check(args, chooser, presenter);
    }
    const int exit = rateAfterCheck(code);
    if (!kinds)
        return exit;
    return announceNewRatings({*kinds, m_unstored, args.anwendung}, exit);
}

int PruefenCommand::check(const Arguments& args, ConsoleChooser& chooser,
                          ConsolePresenter& presenter) {
    using Kind = retrieval::SyncOutcome::Kind;
    ProgressPrinter printer;
    presenter.setBeforeOutput([&printer] { printer.endLine(); });

    if (const QString missing = modini::missingStandardUser(); !missing.isEmpty()) {
        app::MsgBox(missing, app::vbOKOnly | app::vbCritical);
        return kFehler;
    }
    if (const QString notice =
            retrieval::signInExpiryNotice(modini::marktplatz(), base::Clock::now().date());
        !notice.isEmpty())
        err(notice + QLatin1Char('\n'));
    if (const Connection c = checkConnection(); c != Connection::Online)
        return c == Connection::Failed ? kFehler : kKeineVerbindung;
    if (args.vollstaendig)
        return fullCheck(printer, chooser);

    retrieval::FetchResult fetched;
    {
        retrieval::OwnUpdateRun run(modini::settings());
        runToEnd(run, printer, chooser, [&run] { run.checkneueBewertungen(); });
        fetched = run.result();
    }
    const errors::ErrorWatch storing;

    // A notice is never worth failing the check for.
    if (args.melden)
        try {
            m_unstored = retrieval::unstoredIds(fetched.ratings, modGlobal::sStandardUser);
        } catch (const errors::RuntimeError&) {
        }
    const qint32 lines = qint32(fetched.ratings.size());
    if (lines > 0)
        out(QStringLiteral("Neue Bewertungen werden in die Datenbank geschrieben!\n"));
    const retrieval::SyncOutcome outcome =
        retrieval::storeOwnRun(fetched, modGlobal::sStandardUser,
                               [&printer, lines](qint32 i) { printer.storing(i, lines); });
    printer.endLine();

    if (const std::optional<int> ended = endedUnstored(outcome))
        return *ended;
    const qint32 total = modData::countsOf(modData::Table::Own, modGlobal::sStandardUser).real;
    out(QStringLiteral("Gespeichert: %1, insgesamt %2.\n")
            .arg(retrieval::neueBewertungen(outcome.added))
            .arg(total));
    if (outcome.added > 0 || outcome.placeholders != 0)
        tellWindowStored();
    if (outcome.placeholders > 0)
        out(QStringLiteral("Platzhalter für %1 Bewertungen, die der Marktplatz zählt, aber nicht "
                           "liefert.\n")
                .arg(outcome.placeholders));
    if (const QString message = retrieval::outcomeMessage(outcome); !message.isEmpty())
        err(message + QLatin1Char('\n'));
    // An error that cancelled the run, or one while storing, fails the command.
    if (storing.seen() || (fetched.errorReported && outcome.kind != Kind::Stored))
        return kFehler;
    if (outcome.kind == Kind::Cancelled)
        return kAbgebrochen;
    return outcome.kind == Kind::CutShort ? kUnvollstaendig : kOk;
}

} // namespace cli
