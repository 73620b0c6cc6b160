#include "liste.h"

#include "app/modGlobal.h"
#include "base/ratingSummary.h"
#include "errors/errPtnr.h"
#include "output.h"
#include "retrieval/syncOutcome.h"
#include "store/modData.h"
#include "store/ratingQuery.h"
#include "store/ratingState.h"
#include "store/shownRating.h"

#include <QJsonArray>
#include <QJsonObject>

namespace cli {
namespace {

const QString kOwnTable = QString::fromLatin1(feedback::kOwnTable);
const QString kForeignTable = QString::fromLatin1(feedback::kForeignTable);
const QStringList kHeader{
    QStringLiteral("Nr"),      QStringLiteral("Art"),   QStringLiteral("Kommentar"),
    QStringLiteral("K/V"),     QStringLiteral("Datum"), QStringLiteral("Mitglied"),
    QStringLiteral("Artikel"), QStringLiteral("ID"),    QStringLiteral("Antwort")};

// The rows of the view and the member's summary.
struct View {
    QString user;
    bool foreign = false;
    qint32 total = 0;      // rows of the view (all or one kind)
    qint32 notCounted = 0; // of them withdrawn or hidden: listed, not counted
    qint32 counts[3] = {}; // the counted ratings of each kind
    QList<modData::RatingRow> page;
};

QStringList cells(const modData::RatingRow& row, qint32 nr) {
    const store::ShownRating r = store::shownRating(row);
    return {QString::number(nr),
            r.kind ? artName(int(*r.kind)) : r.number,
            r.text,
            r.kv,
            r.date,
            r.member,
            r.item,
            r.id,
            r.reply};
}

QString prozentZeile(const View& v) {
    if (v.foreign)
        return QStringLiteral("Fremd-User Analyse");
    return base::prozenteText(v.counts[0], v.counts[2]).trimmed();
}

QString summaryLine(const View& v) {
    return QStringLiteral("Positiv: %1 | Neutral: %2 | Negativ: %3 | %4")
        .arg(v.counts[0])
        .arg(v.counts[1])
        .arg(v.counts[2])
        .arg(prozentZeile(v));
}

// The window's caption for the page shown, or its text for an empty view.
QString caption(const View& v, int art, qint32 first, qint32 last) {
    if (v.total > 0)
        return base::anzeigeText(first, last, v.total, v.notCounted);
    switch (art) {
    case 1:
        return QStringLiteral("keine Positiven Bewertungen vorhanden!");
    case 2:
        return QStringLiteral("keine Neutralen Bewertungen vorhanden!");
    case 3:
        return QStringLiteral("keine Negativen Bewertungen vorhanden!");
    default:
        return QStringLiteral("keine Bewertungen vorhanden!");
    }
}

QJsonObject rowObject(const modData::RatingRow& row, qint32 nr) {
    const QStringList c = cells(row, nr);
    return QJsonObject{{"nr", c.at(0).toInt()},
                       {"art", c.at(1)},
                       {"bewertungszahl", store::shownRating(row).number.toInt()},
                       {"kommentar", c.at(2)},
                       {"kv", c.at(3)},
                       {"datum", c.at(4)},
                       {"mitglied", c.at(5)},
                       {"artikel", c.at(6)},
                       {"id", c.at(7)},
                       {"antwort", c.at(8)}};
}

void printJson(const View& v, const Arguments& args, qint32 pages, qint32 first,
               const QString& anzeige) {
    QJsonArray rows;
    qint32 nr = first;
    for (const modData::RatingRow& row : v.page)
        rows.append(rowObject(row, nr++));
    QJsonObject summary{{"positiv", v.counts[0]},
                        {"neutral", v.counts[1]},
                        {"negativ", v.counts[2]},
                        {"prozentzeile", prozentZeile(v)}};
    if (!v.foreign) {
        const double pos = v.counts[0];
        const double neg = v.counts[2];
        summary.insert("prozent",
                       pos > neg ? base::roundHalfEvenTenth((pos - neg) * 100.0 / pos) : 0.0);
    }
    const QJsonObject o{{"mitglied", v.user},
                        {"fremd", v.foreign},
                        {"art", args.art == 0 ? QStringLiteral("alle") : artName(args.art)},
                        {"seite", args.seite},
                        {"seiten", pages},
                        {"von", v.total - v.notCounted},
                        {"zurueckgezogen", v.notCounted},
                        {"anzeige", anzeige},
                        {"bewertungen", rows},
                        {"zusammenfassung", summary}};
    out(jsonText(o));
}

} // namespace

int streamRatings(const Arguments& args, const QString& member, const store::RatingFilter& filter,
                  const char* command) {
    const modData::Table table = args.fremd.isEmpty() ? modData::Table::Own : modData::Table::Temp;
    const bool json = args.format == Format::Json;
    QString text;
    qint32 nr = 0;
    // Written in pieces: a million ratings are never held at once.
    const auto flush = [&text] {
        out(text);
        text.clear();
    };
    try {
        if (json) {
            text = QStringLiteral("{\n    \"mitglied\": ") + jsonText(member, 1) +
                   QStringLiteral(",\n    \"fremd\": ") +
                   (args.fremd.isEmpty() ? QLatin1String("false") : QLatin1String("true")) +
                   QStringLiteral(",\n    \"bewertungen\": [");
        } else {
            text = tableLine(kHeader, args.format);
        }
        store::forEachRating(table, member, filter, [&](const modData::RatingRow& row) {
            ++nr;
            if (json)
                text += (nr > 1 ? QStringLiteral(",\n        ") : QStringLiteral("\n        ")) +
                        jsonText(rowObject(row, nr), 2);
            else
                text += tableLine(cells(row, nr), args.format);
            if (text.size() > 1 << 16)
                flush();
            return true;
        });
    } catch (const errors::RuntimeError& e) {
        flush();
        errors::ErrPtnr::instance().OnError(QStringLiteral("notenschau-cli"),
                                            QString::fromLatin1(command), e, 0);
        return kFehler;
    }
    if (json)
        text += (nr > 0 ? QStringLiteral("\n    ]") : QStringLiteral("]")) +
                QStringLiteral(",\n    \"von\": %1\n}\n").arg(nr);
    flush();
    if (!json)
        err(QStringLiteral("%1 von %2\n").arg(retrieval::bewertungen(nr), member));
    return kOk;
}

int ListeCommand::runOnDatabase(const Arguments& args, ConsoleChooser&, ConsolePresenter&) {
    if (args.alle) {
        store::RatingFilter filter;
        filter.kind = qint16(args.art);
        return streamRatings(args, args.fremd.isEmpty() ? modGlobal::sStandardUser : args.fremd,
                             filter, "liste");
    }

    View v;
    v.foreign = !args.fremd.isEmpty();
    v.user = v.foreign ? args.fremd : modGlobal::sStandardUser;
    const QString& table = v.foreign ? kForeignTable : kOwnTable;
    // The counts' procedures report their own errors and go on with 0.
    const errors::ErrorWatch counting;
    for (int n = 1; n <= 3; ++n)
        v.counts[n - 1] = modData::read_BewertungenPosZahl(v.user, n, table);
    if (args.art != 0)
        v.total = v.counts[args.art - 1];
    else
        v.total = v.foreign ? modData::read_AnzahlTemp(v.user) : modData::read_Anzahl(v.user);
    try {
        const store::NotCounted off =
            store::notCounted(v.foreign ? modData::Table::Temp : modData::Table::Own, v.user);
        for (int n = 1; n <= 3; ++n)
            v.counts[n - 1] -= off.ofKind(n);
        v.notCounted = args.art != 0 ? off.ofKind(args.art) : off.all();
    } catch (const errors::RuntimeError& e) {
        errors::ErrPtnr::instance().OnError(QStringLiteral("notenschau-cli"),
                                            QStringLiteral("liste"), e, 0);
        return kFehler;
    }
    if (counting.seen())
        return kFehler;

    const qint32 size = modData::kPageSize;
    const qint32 pages = (v.total + size - 1) / size;
    if (args.seite > std::max(pages, 1)) {
        err(QStringLiteral("notenschau-cli: Seite %1 gibt es nicht (%2 %3).\n")
                .arg(args.seite)
                .arg(pages)
                .arg(pages == 1 ? QStringLiteral("Seite") : QStringLiteral("Seiten")));
        return kAufruf;
    }
    const qint32 first = 1 + size * (args.seite - 1);
    try {
        v.page = modData::readPage(v.foreign ? modData::Table::Temp : modData::Table::Own, v.user,
                                   qint16(args.art), first);
    } catch (const errors::RuntimeError& e) {
        errors::ErrPtnr::instance().OnError(QStringLiteral("notenschau-cli"),
                                            QStringLiteral("liste"), e, 0);
        return kFehler;
    }

    const qint32 last = first + qint32(v.page.size()) - 1;
    if (args.format == Format::Json) {
        printJson(v, args, pages, first, caption(v, args.art, first, last));
        return kOk;
    }
    QString text = tableLine(kHeader, args.format);
    qint32 nr = first;
    for (const modData::RatingRow& row : v.page)
        text += tableLine(cells(row, nr++), args.format);
    out(text);
    err(caption(v, args.art, first, last) + QLatin1Char('\n') + summaryLine(v) + QLatin1Char('\n'));
    return kOk;
}

} // namespace cli
