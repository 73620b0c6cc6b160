#pragma once

#include "store/ratingQuery.h"

#include <optional>
#include <QList>
#include <QString>
#include <vector>

namespace ui {

// What "Verlauf und Suche" shows of one member, without widgets: the months
// of the chart with their counts and shares, and the page of ratings the list
// below it holds (all of them, a month's, or a search's, of one kind or all).
// Reads the store; its errors are thrown as RuntimeError.
class VerlaufModel {
public:
    enum class Range { Year, FiveYears, All };
    enum class Scope { All, Month, Search };

    VerlaufModel(modData::Table table, QString member);

    modData::Table table() const { return m_table; }
    const QString& member() const { return m_member; }

    // ---- the chart

    // Reads the counts per month and takes the months of the range: it ends
    // with the current month, or with the last month with ratings if that is
    // later; "All" begins with the first month with ratings.
    void setRange(Range range);
    Range range() const { return m_range; }
    // Every month of the range, oldest first, those without ratings as zero.
    const std::vector<store::MonthCounts>& months() const { return m_months; }
    // The positive share of the twelve months up to each month, in percent,
    // counted over the months before the range too; none without ratings.
    const std::vector<std::optional<double>>& shares() const { return m_shares; }
    qint32 largestMonth() const;
    // The counts and the share of a month, as its tooltip shows them.
    QString monthTip(int index) const;

    // A label of the horizontal axis and the last month (index) it stands for:
    // each month for a year, each year for longer ranges.
    struct AxisLabel {
        QString text;
        int last = 0;
    };
    std::vector<AxisLabel> axisLabels() const;

    static QString monthName(QDate month); // "März 2024"

    // ---- the list

    void showAll();
    void showMonth(int index); // a month of months()
    // Lists the ratings whose text, giver or item number hold every word;
    // an empty text lists all again. False, with the list as it was, when the
    // text holds nothing to search for.
    bool search(const QString& words);
    void setKind(int kind); // 1 to 3, 0 for every kind
    void nextPage();
    void previousPage();
    // Reads the counts and the page again (after the store changed).
    void reload();
    // Nothing was stored or removed since the counts were read.
    bool isCurrent() const;

    Scope scope() const { return m_scope; }
    int kind() const { return m_filter.kind; }
    const store::RatingFilter& filter() const { return m_filter; }
    qint32 total() const { return m_total; }
    qint32 firstRow() const { return m_first; }
    const QList<modData::RatingRow>& rows() const { return m_rows; }
    bool hasPrevious() const { return m_first > 1; }
    bool hasNext() const;
    // "Anzeige: 1 - 200 von N", or that nothing was found.
    QString caption() const;
    // What the list holds: all ratings, a month, or a search.
    QString scopeText() const;
    // A file name for an export of what the list holds, without extension.
    QString exportBaseName() const;

private:
    void list(Scope scope, const store::RatingFilter& filter);
    void readPage();

    modData::Table m_table;
    QString m_member;
    Range m_range = Range::Year;
    std::vector<store::MonthCounts> m_counts; // every month with ratings
    store::ChangeStamp m_stamp;
    bool m_counted = false;
    std::vector<store::MonthCounts> m_months;
    std::vector<std::optional<double>> m_shares;
    Scope m_scope = Scope::All;
    store::RatingFilter m_filter;
    qint32 m_total = 0;
    qint32 m_first = 1;
    QList<modData::RatingRow> m_rows;
};

} // namespace ui
