#include "errors/callTrace.h"

#include "base/clock.h"

#include <QDateTime>

namespace errors {

CallTrace::Entry& CallTrace::push() {
    m_head = (m_head + 1) % kCapacity;
    if (m_size < kCapacity)
        ++m_size;
    Entry& e = m_ring[m_head];
    e.msecs = base::Clock::nowMSecsSinceEpoch();
    return e;
}

void CallTrace::enter(const char* signature) {
    Entry& e = push();
    e.literal = signature;
    e.text.clear();
}

QString CallTrace::enter(const QString& signature) {
    Entry& e = push();
    e.literal = nullptr;
    e.text = signature;
    return itemText(e);
}

QString CallTrace::itemText(const Entry& e) {
    const QString time =
        QDateTime::fromMSecsSinceEpoch(e.msecs).toLocalTime().toString(QStringLiteral("hh:mm:ss"));
    return time + QLatin1Char(' ') + (e.literal ? QString::fromUtf8(e.literal) : e.text);
}

QStringList CallTrace::items() const {
    QStringList list;
    list.reserve(m_size);
    for (int i = 0; i < m_size; ++i)
        list << itemText(m_ring[(m_head - i + kCapacity) % kCapacity]);
    return list;
}

void CallTrace::clear() {
    m_size = 0;
    m_head = 0;
}

} // namespace errors
