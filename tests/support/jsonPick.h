#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace testsupport {

// Values as compact JSON text, so that a failed comparison shows them.
inline QString jsonText(const QJsonArray& values) {
    return QString::fromUtf8(QJsonDocument(values).toJson(QJsonDocument::Compact));
}

// The values at paths such as "pagination/total" or "lineItems/0/listingId",
// for one comparison of several fields; a missing one is null.
inline QString pick(const QJsonValue& from, const QStringList& paths) {
    QJsonArray values;
    for (const QString& path : paths) {
        QJsonValue v = from;
        for (const QString& step : path.split(u'/')) {
            bool index = false;
            const int i = step.toInt(&index);
            v = index ? v[i] : v[step];
        }
        values.append(v.isUndefined() ? QJsonValue(QJsonValue::Null) : v);
    }
    return jsonText(values);
}

} // namespace testsupport
