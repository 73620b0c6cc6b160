#pragma once

#include "retrieval/buyerRating.h"

#include <optional>
#include <QString>
#include <QStringList>
#include <vector>

namespace ui {

// What "Offene Bewertungen" shows, without widgets: the items awaiting the
// member's rating of the buyer as rows, the counts and the comment choices.
class AwaitingModel {
public:
    static QStringList columns(); // "Titel", "Artikel", "Preis", "Bestellposition"

    // The items of a load that worked; the list is emptied otherwise.
    void setLoaded(const retrieval::AwaitingOutcome& outcome);
    const std::vector<retrieval::AwaitingItem>& items() const { return m_items; }
    QStringList row(int index) const;

    // "Offene Bewertungen (12)"
    QString title() const;
    // "eBay meldet 12 offene Bewertungen als Verkäufer.", as the last load
    // found; empty before one.
    QString countLine() const;

    // The items of these rows, in list order; rows out of range are passed over.
    std::vector<retrieval::AwaitingItem> itemsAt(std::vector<int> rows) const;

    // Takes an item off the list once it counts as rated.
    void take(const retrieval::ItemRating& rating);

    // The comment box's entries: the templates in turn, each template, a text of one's own.
    static QStringList commentEntries(const QStringList& vorlagen);
    // The entry of one's own text.
    static int ownTextEntry(const QStringList& vorlagen) { return int(vorlagen.size()) + 1; }
    // What an entry asks for; none for one's own text left blank.
    static std::optional<retrieval::CommentChoice> choiceFor(int entry, const QStringList& vorlagen,
                                                             const QString& ownText);

private:
    std::vector<retrieval::AwaitingItem> m_items;
    std::optional<qint64> m_countAsSeller;
};

} // namespace ui
