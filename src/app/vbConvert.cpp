#include "app/vbConvert.h"

#include "errors/runtimeError.h"

#include <cmath>
#include <limits>
#include <QLocale>

namespace app {

bool CBool(const QString& text) {
    const std::optional<bool> b = toBoolean(text);
    if (!b)
        throw errors::RuntimeError(errors::RuntimeError::TypeMismatch);
    return *b;
}

std::optional<bool> toBoolean(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    double number = QLocale::c().toDouble(t, &ok);
    if (!ok)
        number = QLocale(QLocale::German, QLocale::Germany).toDouble(t, &ok);
    if (!ok)
        return std::nullopt;
    return number != 0.0;
}

qint32 CLng(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    double value = double(t.toLongLong(&ok));
    if (!ok)
        value = std::nearbyint(t.toDouble(&ok)); // the default rounding is half to even
    if (!ok || !std::isfinite(value))
        errors::raise(errors::RuntimeError::TypeMismatch);
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        errors::raise(errors::RuntimeError::Overflow);
    return qint32(value);
}

qint16 CInt(qint32 value) {
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        errors::raise(errors::RuntimeError::Overflow);
    return qint16(value);
}

} // namespace app
