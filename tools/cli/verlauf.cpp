#include "verlauf.h"

#include "app/modGlobal.h"
#include "base/clock.h"
#include "errors/errPtnr.h"
#include "liste.h"
#include "output.h"
#include "store/ratingQuery.h"

#include <QJsonArray>
#include <QJsonObject>

namespace cli {

int VerlaufCommand::runOnDatabase(const Arguments& args, ConsoleChooser&, ConsolePresenter&) {
    const bool foreign = !args.fremd.isEmpty();
    const QString member = foreign ? args.fremd : modGlobal::sStandardUser;
    std::vector<store::MonthCounts> counts;
    try {
        counts = store::monthlyCounts(foreign ? modData::Table::Temp : modData::Table::Own, member);
    } catch (const errors::RuntimeError& e) {
        errors::ErrPtnr::instance().OnError(QStringLiteral("notenschau-cli"),
                                            QStringLiteral("verlauf"), e, 0);
        return kFehler;
    }
    // From the first month with ratings to this one.
    const QDate today = base::Clock::now().date();
    const std::vector<store::MonthCounts> months =
        counts.empty()
            ? counts
            : store::everyMonth(counts, counts.front().month, std::max(today, counts.back().month));
    const std::vector<std::optional<double>> shares = store::trailingShare(months);
    // A header alone would not tell a mistyped name from a member without ratings.
    if (counts.empty() && args.format != Format::Json)
        err(QStringLiteral("Von %1 sind keine Bewertungen gespeichert.\n").arg(member));

    if (args.format == Format::Json) {
        QJsonArray rows;
        for (size_t i = 0; i < months.size(); ++i)
            rows.append(
                QJsonObject{{"monat", months[i].month.toString(QStringLiteral("yyyy-MM"))},
                            {"positiv", months[i].positive},
                            {"neutral", months[i].neutral},
                            {"negativ", months[i].negative},
                            {"anteil12", shares[i] ? QJsonValue(std::round(*shares[i] * 10) / 10)
                                                   : QJsonValue()}});
        out(jsonText(QJsonObject{{"mitglied", member}, {"fremd", foreign}, {"monate", rows}}));
        return kOk;
    }
    QString text =
        tableLine({QStringLiteral("Monat"), QStringLiteral("Positiv"), QStringLiteral("Neutral"),
                   QStringLiteral("Negativ"), QStringLiteral("Anteil positiv 12 Monate")},
                  args.format);
    for (size_t i = 0; i < months.size(); ++i)
        text += tableLine(
            {months[i].month.toString(QStringLiteral("yyyy-MM")),
             QString::number(months[i].positive), QString::number(months[i].neutral),
             QString::number(months[i].negative),
             shares[i] ? QString::number(*shares[i], 'f', 1).replace(u'.', u',') : QString()},
            args.format);
    out(text);
    return kOk;
}

int SucheCommand::runOnDatabase(const Arguments& args, ConsoleChooser&, ConsolePresenter&) {
    store::RatingFilter filter;
    filter.words = args.words;
    filter.kind = qint16(args.art);
    if (store::matchExpression(filter.words).isEmpty()) {
        err(QStringLiteral("notenschau-cli: In \"%1\" steht kein Wort, nach dem sich suchen "
                           "ließe.\n")
                .arg(args.words));
        return kAufruf;
    }
    return streamRatings(args, args.fremd.isEmpty() ? modGlobal::sStandardUser : args.fremd, filter,
                         "suche");
}

} // namespace cli
