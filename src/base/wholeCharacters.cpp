#include "base/wholeCharacters.h"

namespace base {
namespace {
// Length of the character at i: 2 for a surrogate pair, 1 otherwise; 0 for a
// lone surrogate.
int characterLength(QStringView text, qsizetype i) {
    const QChar c = text.at(i);
    if (!c.isSurrogate())
        return 1;
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
        return 2;
    return 0;
}
} // namespace

bool hasLoneSurrogate(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int n = characterLength(text, i);
        if (n == 0)
            return true;
        i += n - 1;
    }
    return false;
}

QString withWholeCharacters(QStringView text) {
    QString whole;
    whole.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const int n = characterLength(text, i);
        whole += n == 0 ? QStringView(u"\uFFFD") : text.mid(i, n);
        i += n == 0 ? 1 : n;
    }
    return whole;
}

} // namespace base
