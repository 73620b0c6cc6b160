#include "app/vbConvert.h"

#include "errors/runtimeError.h"

#include <QLocale>

namespace app {

bool CBool(const QString& text) {
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
        throw errors::RuntimeError(errors::RuntimeError::TypeMismatch);
    return number != 0.0;
}

} // namespace app
