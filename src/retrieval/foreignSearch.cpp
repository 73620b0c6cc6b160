#include "retrieval/foreignSearch.h"

#include "app/vbConvert.h"

namespace retrieval {

namespace {
const QString kCustomCount =
    QStringLiteral("Bitte geben Sie einen Wert unter Benutzerdefiniert ein!");
}

base::Result<ForeignSearch> foreignSearch(const ForeignSearchInput& input) {
    if (input.member.trimmed().isEmpty())
        return base::Failure{QStringLiteral("Bitte geben Sie einen gültigen Ebay-Namen ein!")};
    // An empty box reads as 0.
    if (app::CLng((input.customCount + QLatin1Char('0')).trimmed()) == 0)
        return base::Failure{kCustomCount};
    if (!input.positiv && !input.neutral && !input.negativ)
        return base::Failure{QStringLiteral("Bitte wählen Sie 'Suche nach' aus!")};
    ForeignSearch search{input.member, input.choice, input.positiv, input.neutral, input.negativ};
    if (input.choice == 0) {
        // A count below one asks for nothing: refused before anything is sent.
        search.limit = app::CLng(input.customCount);
        if (search.limit < 1)
            return base::Failure{kCustomCount};
    }
    return search;
}

} // namespace retrieval
