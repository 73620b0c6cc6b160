#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

namespace ui {

// The stored properties of a control instance, kept by the window that holds
// it. Names are matched without regard to letter case; the first spelling
// written is kept.
class PropertyBag {
public:
    // The stored value, or DefaultValue (an invalid QVariant unless given)
    // when the name is absent.
    QVariant ReadProperty(const QString& Name, const QVariant& DefaultValue = {}) const;
    void WriteProperty(const QString& Name, const QVariant& Value);

    bool contains(const QString& Name) const { return find(Name) >= 0; }
    qsizetype count() const { return m_entries.size(); }

private:
    qsizetype find(const QString& Name) const;

    QList<QPair<QString, QVariant>> m_entries;
};

} // namespace ui
