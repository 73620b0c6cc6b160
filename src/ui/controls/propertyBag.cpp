#include "ui/controls/propertyBag.h"

namespace ui {

qsizetype PropertyBag::find(const QString& Name) const {
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].first.compare(Name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant PropertyBag::ReadProperty(const QString& Name, const QVariant& DefaultValue) const {
    const qsizetype i = find(Name);
    return i < 0 ? DefaultValue : m_entries[i].second;
}

void PropertyBag::WriteProperty(const QString& Name, const QVariant& Value) {
    const qsizetype i = find(Name);
    if (i < 0)
        m_entries.append({Name, Value});
    else
        m_entries[i].second = Value;
}

} // namespace ui
