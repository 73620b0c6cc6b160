#include "bewerten.h"

#include "app/modini.h"
#include "retrieval/autoRating.h"
#include "retrieval/buyerRating.h"
#include "retrieval/marktplatzHttp.h"
#include "runSupport.h"

#include <QJsonArray>
#include <QJsonObject>

namespace cli {
namespace {

using retrieval::AwaitingItem;
using retrieval::AwaitingOutcome;
using retrieval::RatingBatchOutcome;
using retrieval::SellerAnswer;

struct Loaded {
    AwaitingOutcome outcome;
    bool interrupted = false;
};

Loaded loadAwaiting(const app::Settings& settings) {
    retrieval::AwaitingLoad load(settings);
    Loaded loaded;
    bool cancelled = false;
    loaded.interrupted = waitInterruptible(
        [&](const std::function<void()>& done) {
            QObject::connect(&load, &retrieval::AwaitingLoad::finished,
                             [&loaded, done](const AwaitingOutcome& outcome) {
                                 loaded.outcome = outcome;
                                 done();
                             });
            load.start();
        },
        [&] {
            // A cancelled load reports nothing: the wait ends here.
            cancelled = true;
            load.cancel();
            QMetaObject::invokeMethod(
                &load, [&] { emit load.finished({}); }, Qt::QueuedConnection);
        });
    if (cancelled)
        loaded.interrupted = true;
    return loaded;
}

// The exit code of a load that did not succeed, its message said.
int loadFailed(const AwaitingOutcome& outcome, bool interrupted) {
    if (interrupted)
        return kAbgebrochen;
    err(QStringLiteral("notenschau-cli: ") + outcome.message + QLatin1Char('\n'));
    return outcome.kind == SellerAnswer::Kind::Refused ? kFehler : kKeineVerbindung;
}

QStringList cells(const AwaitingItem& item) {
    return {item.title, item.listingId, item.price, item.orderLineItemId};
}

void printItems(const AwaitingOutcome& outcome, Format format) {
    if (format == Format::Json) {
        QJsonArray items;
        for (const AwaitingItem& item : outcome.items)
            items.append(QJsonObject{{"titel", item.title},
                                     {"artikel", item.listingId},
                                     {"preis", item.price},
                                     {"bestellposition", item.orderLineItemId}});
        out(jsonText(QJsonObject{{"anzahl", outcome.countAsSeller}, {"offen", items}}) +
            QLatin1Char('\n'));
        return;
    }
    QString text = tableLine({QStringLiteral("Titel"), QStringLiteral("Artikel"),
                              QStringLiteral("Preis"), QStringLiteral("Bestellposition")},
                             format);
    for (const AwaitingItem& item : outcome.items)
        text += tableLine(cells(item), format);
    out(text);
    err(QStringLiteral("%1 Verkäufe warten auf Ihre Bewertung des Käufers.\n")
            .arg(outcome.countAsSeller));
}

// The items the call names, in its order; unknown ones are said.
std::optional<std::vector<AwaitingItem>> chosen(const Arguments& args,
                                                const std::vector<AwaitingItem>& open) {
    if (args.alle)
        return open;
    std::vector<AwaitingItem> items;
    QStringList unknown;
    for (const QString& artikel : args.artikel) {
        const auto before = items.size();
        for (const AwaitingItem& item : open)
            if (item.listingId == artikel.trimmed())
                items.push_back(item);
        if (items.size() == before)
            unknown << artikel;
    }
    if (unknown.isEmpty())
        return items;
    err(QStringLiteral("notenschau-cli: Kein offener Verkauf mit der Artikelnummer %1; nichts "
                       "bewertet. Die offenen zeigt: notenschau-cli offen\n")
            .arg(unknown.join(QStringLiteral(", "))));
    return std::nullopt;
}

struct Rated {
    RatingBatchOutcome outcome;
    bool interrupted = false;
};

// Runs the batch (or, without items, the automatic rating), each item's line
// to line().
template <class Run, class Start>
Rated rateWith(Run& run, const Start& start, const std::function<void(const QString&)>& line) {
    Rated rated;
    QObject::connect(&run, &Run::itemDone,
                     [&line](const retrieval::ItemRating& item, int, int) { line(item.message); });
    rated.interrupted = waitInterruptible(
        [&](const std::function<void()>& done) {
            QObject::connect(&run, &Run::finished,
                             [&rated, done](const RatingBatchOutcome& outcome) {
                                 rated.outcome = outcome;
                                 done();
                             });
            start();
        },
        [&run] { run.cancel(); });
    return rated;
}

int exitOf(const RatingBatchOutcome& outcome) {
    using Kind = RatingBatchOutcome::Kind;
    switch (outcome.kind) {
    case Kind::Done:
        return kOk;
    case Kind::SomeRefused:
        return kAbgelehnt;
    case Kind::NotSignedIn:
        return kKeineVerbindung;
    case Kind::Cancelled:
        return kAbgebrochen;
    case Kind::Failed:
        break;
    }
    // No answer from the marketplace, or the database would not record.
    const bool noAnswer = !outcome.items.empty() &&
                          outcome.items.back().result == retrieval::ItemRating::Result::Failed;
    return noAnswer ? kKeineVerbindung : kFehler;
}

} // namespace

int OffenCommand::runOnSettings(const app::Settings& settings) {
    const auto [outcome, interrupted] = loadAwaiting(settings);
    if (interrupted || outcome.kind != SellerAnswer::Kind::Done)
        return loadFailed(outcome, interrupted);
    printItems(outcome, m_args.format);
    return kOk;
}

int BewertenCommand::runOnDatabase(const Arguments& args, ConsoleChooser&, ConsolePresenter&) {
    const app::Settings& settings = modini::settings();
    if (settings.marktplatz.refreshToken.isEmpty()) {
        err(retrieval::notSignedInText() + QLatin1Char('\n'));
        return kKeineVerbindung;
    }
    const qsizetype vorlagen = settings.bewertungsvorlagen.size();
    if (args.vorlage > vorlagen) {
        err(QStringLiteral("notenschau-cli: Die Vorlage %1 gibt es nicht: in [Bewertungsvorlagen] "
                           "stehen %2.\n")
                .arg(args.vorlage)
                .arg(vorlagen));
        return kAufruf;
    }
    const auto [open, interrupted] = loadAwaiting(settings);
    if (interrupted || open.kind != SellerAnswer::Kind::Done)
        return loadFailed(open, interrupted);
    const std::optional<std::vector<AwaitingItem>> items = chosen(args, open.items);
    if (!items)
        return kAufruf;
    if (items->empty()) {
        out(QStringLiteral("Kein Käufer wartet auf eine Bewertung.\n"));
        return kOk;
    }
    retrieval::RateBuyersRun run(settings);
    const Rated rated = rateWith(
        run,
        [&] {
            run.start(*items, {args.text, args.vorlage});
        },
        [](const QString& line) { out(line + QLatin1Char('\n')); });
    const int exit = rated.interrupted ? kAbgebrochen : exitOf(rated.outcome);
    (exit == kOk ? out : err)(rated.outcome.message + QLatin1Char('\n'));
    return exit;
}

int rateAfterCheck(int checkExit) {
    const app::Settings& settings = modini::settings();
    if (checkExit != kOk || !retrieval::AutoRating::wanted(settings))
        return checkExit;
    retrieval::AutoRating rating(settings);
    const Rated rated = rateWith(
        rating, [&rating] { rating.start(); },
        [](const QString& line) { err(QStringLiteral("Bewertung: ") + line + QLatin1Char('\n')); });
    if (rated.outcome.kind == RatingBatchOutcome::Kind::Done) {
        out(rated.outcome.message + QLatin1Char('\n'));
    } else {
        err(QStringLiteral("Die automatische Bewertung der Käufer ist nicht gelungen: %1 Die "
                           "Prüfung selbst ist erledigt.\n")
                .arg(rated.outcome.message));
    }
    return rated.interrupted ? kAbgebrochen : checkExit;
}

} // namespace cli
