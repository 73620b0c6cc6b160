#include "fremd.h"

#include "app/modGlobal.h"
#include "app/modini.h"
#include "app/msgBox.h"
#include "base/clock.h"
#include "retrieval/foreignLoadRun.h"
#include "runSupport.h"
#include "store/ratingStoring.h"

#include <QJsonArray>
#include <QJsonObject>

namespace cli {
namespace {

using Kind = retrieval::SyncOutcome::Kind;

// The exit code of a run that brought nothing to store.
int unsuccessful(Kind kind, bool interrupted) {
    if (interrupted || kind == Kind::Cancelled)
        return kAbgebrochen;
    switch (kind) {
    case Kind::UnknownMember:
        return kMitgliedUnbekannt;
    case Kind::NoConnection:
        return kKeineVerbindung;
    default:
        return kFehler;
    }
}

struct Loaded {
    retrieval::FetchResult fetched;
    bool interrupted = false; // by Ctrl+C or SIGTERM
};

// Runs a foreign member's load or profile request; what it fetched.
Loaded load(ConsoleChooser& chooser, const std::function<void(retrieval::ForeignLoadRun&)>& start) {
    ProgressPrinter printer;
    retrieval::ForeignLoadRun run(modini::settings());
    const bool interrupted = runToEnd(run, printer, chooser, [&run, &start] { start(run); });
    return {run.takeResult(), interrupted};
}

} // namespace

int FremdCommand::runOnDatabase(const Arguments& args, ConsoleChooser& chooser, ConsolePresenter&) {
    if (checkConnection() != Connection::Online)
        return kKeineVerbindung;
    const retrieval::ForeignSearch search{args.name, args.anzahl, args.arten[0], args.arten[1],
                                          args.arten[2]};

    const auto [fetched, interrupted] = load(
        chooser, [&search](retrieval::ForeignLoadRun& run) { run.checkneueBewertungen(search); });
    // After a connection error the search goes on with what arrived.
    const bool arrived = fetched.end == Kind::Stored || fetched.end == Kind::CutShort;
    if (!arrived || interrupted)
        return unsuccessful(fetched.end, interrupted);
    if (fetched.ratings.empty()) {
        app::MsgBox(QStringLiteral("Es wurden keine Bewertungen gefunden die mit den "
                                   "ausgewählten Optionen übereinstimmen!"),
                    app::vbOKOnly | app::vbInformation);
        return fetched.end == Kind::CutShort ? kUnvollstaendig : kOk;
    }
    const store::StoreReport report = store::storeFetched(
        modData::Table::Temp, search.member, fetched.ratings, store::StoreMode::ReplaceMember);
    if (!report.ok) {
        err(terminalLines(store::storeFailureMessage()) + QLatin1Char('\n'));
        return kFehler;
    }
    out(QStringLiteral("Gespeichert: %1 von %2.\n")
            .arg(retrieval::bewertungen(report.realAfter), search.member));
    if (const QString skipped = retrieval::skippedEntries(report.withoutId, report.withoutKind);
        !skipped.isEmpty())
        err(skipped + QLatin1Char('\n'));
    return fetched.end == Kind::CutShort ? kUnvollstaendig : kOk;
}

int ProfilCommand::runOnDatabase(const Arguments& args, ConsoleChooser& chooser,
                                 ConsolePresenter&) {
    if (checkConnection() != Connection::Online)
        return kKeineVerbindung;
    const auto [fetched, interrupted] =
        load(chooser, [&args](retrieval::ForeignLoadRun& run) { run.getbewertungen(args.name); });
    if (fetched.end != Kind::Stored || fetched.profile.size() < 11 || interrupted)
        return unsuccessful(fetched.end, interrupted);

    QStringList profile = fetched.profile;
    modData::checknull(profile[10]);
    if (!store::storeProfile(args.name, profile, modGlobal::lAnzahlBewertungen)) {
        err(terminalLines(store::storeFailureMessage()) + QLatin1Char('\n'));
        return kFehler;
    }
    const QString stand = base::Clock::now().toString(QStringLiteral("dd.MM.yyyy hh:mm"));
    static const char* const kinds[3] = {"positiv", "neutral", "negativ"};
    if (args.format == Format::Json) {
        QJsonObject o{{"mitglied", args.name},
                      {"bewertungsprofil", profile.at(9).toLongLong()},
                      {"prozent", profile.at(10)},
                      {"gesamt", modGlobal::lAnzahlBewertungen},
                      {"stand", stand}};
        for (int k = 0; k < 3; ++k)
            o.insert(QLatin1String(kinds[k]),
                     QJsonArray{profile.at(3 * k).toLongLong(), profile.at(3 * k + 1).toLongLong(),
                                profile.at(3 * k + 2).toLongLong()});
        out(jsonText(o));
        return kOk;
    }
    QString text =
        tableLine({QStringLiteral("Art"), QStringLiteral("Letzter Monat"),
                   QStringLiteral("Letzte 6 Monate"), QStringLiteral("Letzte 12 Monate")},
                  Format::Tsv);
    for (int k = 0; k < 3; ++k)
        text += tableLine({QLatin1String(kinds[k]), profile.at(3 * k), profile.at(3 * k + 1),
                           profile.at(3 * k + 2)},
                          Format::Tsv);
    text += QLatin1Char('\n');
    text += tableLine({QStringLiteral("Bewertungsprofil"), profile.at(9)}, Format::Tsv);
    text += tableLine({QStringLiteral("Positive Bewertungen"), profile.at(10)}, Format::Tsv);
    text += tableLine(
        {QStringLiteral("Gesamt Bewertungen"), QString::number(modGlobal::lAnzahlBewertungen)},
        Format::Tsv);
    text += tableLine({QStringLiteral("Stand der Bewertungen"), stand}, Format::Tsv);
    out(text);
    return kOk;
}

} // namespace cli
