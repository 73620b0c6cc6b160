#include "store/pageReader.h"

#include "app/modGlobal.h"
#include "base/dateText.h"
#include "errors/procedure.h"
#include "store/dataAccess.h"
#include "store/seenRatings.h"
#include "store/sqlTexts.h"

#include <algorithm>
#include <functional>

namespace store {

modData::RatingRow rowOf(const Statement& q, RowTexts texts, bool details) {
    const auto column = [&](int i) {
        if (texts == RowTexts::Values)
            return modData::funcCheckNull(q.value(i));
        if (i == 0)
            return q.isNull(0) ? QString() : QString::number(q.int64(0));
        return q.text(i);
    };
    modData::RatingRow row;
    row.reserve(details ? 8 : 6);
    row << column(0) << column(1) << column(2)
        << (q.isNull(3) ? QString() : base::shownDate(q.text(3))) << column(4) << column(5);
    if (details)
        row << q.text(6) << q.text(7);
    return row;
}

QList<modData::RatingRow> readRatingPage(const PageRequest& request,
                                         std::optional<qint64> newAfter) {
    QList<modData::RatingRow> page;
    const qint64 last = request.total
                            ? std::min(request.firstRow + request.rows - 1, *request.total)
                            : request.firstRow + request.rows - 1;
    const qint64 rows = last - request.firstRow + 1;
    if (rows <= 0)
        return page;
    // Rows to skip from the newest end, or from the oldest.
    const bool fromOldest = request.total && request.firstRow - 1 > *request.total - last;
    const sql::Queries& sql = sql::queries(request.table);
    Connection& c = openConnection();
    {
        auto q = fromOldest ? c.cached(request.kind ? sql.pageKindFromOldest : sql.pageFromOldest)
                            : c.cached(request.kind ? sql.pageKind : sql.page);
        q->bind(1, request.member).bind(2, rows);
        q->bind(3, fromOldest ? *request.total - last : request.firstRow - 1);
        if (request.kind)
            q->bind(4, qint64(*request.kind));
        page.reserve(int(std::min<qint64>(rows, modData::kPageSize)));
        while (q->next()) {
            page << rowOf(*q, request.texts, request.details);
            if (request.details && newAfter)
                page.last() << (q->int64(8) > *newAfter ? QString::number(q->int64(8)) : QString());
        }
    }
    if (fromOldest)
        std::reverse(page.begin(), page.end());
    return page;
}

} // namespace store

// The main list's page readers.
namespace modData {

using errors::Handling;
using errors::Procedure;
using namespace store::sql;
using store::countOf;

namespace {

// The error number of a page position outside the result (0x800A0BB9, an
// argument out of range), as the error dialog and the protocol show it.
constexpr int kPositionError = -2146825287;

std::function<void(qint32)>& pageProgress() {
    static std::function<void(qint32)> progress;
    return progress;
}

[[noreturn]] void positionError() {
    throw errors::RuntimeError(
        kPositionError, QStringLiteral("Die Argumente sind vom falschen Typ, liegen außerhalb "
                                       "des gültigen Bereichs oder sind miteinander "
                                       "unvereinbar."));
}

// One page from lSeitenAnfang on, counted first: a position outside the
// member's rows is an error. With news the rows the member has not seen are
// flagged: the main list's pages, not the command line's, which reads only.
QList<RatingRow> pageOf(Table table, const QString& sUser, std::optional<qint16> kind, qint64 start,
                        bool progress, bool details = false, bool news = false) {
    const Queries& sql = queries(table);
    const qint64 total =
        kind ? countOf(sql.countKind, sUser, qint64(*kind)) : countOf(sql.count, sUser);
    if (total == 0)
        return {};
    if (start < 1 || start > total)
        positionError();
    // Only the own ratings are news to the member; total > 0, so a mark made
    // here marks ratings that are there.
    std::optional<qint64> seen;
    if (news && details && table == Table::Own)
        seen = store::seenUpTo(store::openConnection(), sUser);
    QList<RatingRow> page = store::readRatingPage(
        {table, sUser, kind, start, kPageSize, total, store::RowTexts::Values, details}, seen);
    if (progress && pageProgress()) {
        for (qint32 counter = 1; counter <= page.size(); ++counter)
            pageProgress()(counter);
    }
    return page;
}

} // namespace

Page read_Bewertungen(const QString& sUser, bool details) {
    Procedure p("[modData] Public Function read_Bewertungen(sUser As String) As Collection",
                Handling::PassOn);
    Page result;
    p.step([&] {
        result = Page(
            pageOf(Table::Own, sUser, std::nullopt, modGlobal::lSeitenAnfang, true, details, true));
    });
    return result;
}

Page read_BewertungenTemp(const QString& sUser, bool details) {
    Procedure p("[modData] Public Function read_BewertungenTemp(sUser As String) As Collection");
    Page result;
    QList<RatingRow> rows;
    p.step([&] {
        rows = pageOf(Table::Temp, sUser, std::nullopt, modGlobal::lSeitenAnfang, false, details);
    });
    p.step([&] { result = Page(rows); });
    return result;
}

Page read_BewertungenPos(const QString& sUser, qint16 Bewertungszahl, bool details) {
    Procedure p("[modData] Public Function read_BewertungenPos(sUser As String, Bewertungszahl As "
                "Integer) As Collection");
    Page result;
    QList<RatingRow> rows;
    p.step([&] {
        rows = pageOf(Table::Own, sUser, Bewertungszahl, modGlobal::lSeitenAnfang, false, details,
                      true);
    });
    p.step([&] { result = Page(rows); });
    return result;
}

Page read_BewertungenPosTemp(const QString& sUser, qint16 Bewertungszahl, bool details) {
    Procedure p("[modData] Public Function read_BewertungenPosTemp(sUser As String, Bewertungszahl "
                "As Integer) As Collection");
    Page result;
    QList<RatingRow> rows;
    p.step([&] {
        rows = pageOf(Table::Temp, sUser, Bewertungszahl, modGlobal::lSeitenAnfang, false, details);
    });
    p.step([&] { result = Page(rows); });
    return result;
}

QList<RatingRow> readPage(Table table, const QString& member, qint16 kind, qint32 firstRow) {
    return pageOf(table, member, kind == 0 ? std::nullopt : std::optional<qint16>(kind), firstRow,
                  false, true);
}

void setPageProgress(std::function<void(qint32)> progress) {
    pageProgress() = std::move(progress);
}

} // namespace modData
