#include "base/kindWord.h"

namespace feedback {

QString kindWord(std::optional<Kind> kind) {
    switch (kind.value_or(Kind::Unknown)) {
    case Kind::Positive:
        return QStringLiteral("positiv");
    case Kind::Neutral:
        return QStringLiteral("neutral");
    case Kind::Negative:
        return QStringLiteral("negativ");
    case Kind::Placeholder:
        return QStringLiteral("nicht geliefert");
    case Kind::Unknown:
        break;
    }
    return QStringLiteral("unbekannt");
}

} // namespace feedback
