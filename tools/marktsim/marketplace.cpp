#include "marketplace.h"

#include <algorithm>
#include <QCryptographicHash>
#include <QStringList>

namespace marktsim {
namespace {

quint64 splitmix(quint64 x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

constexpr qint64 kYearMs = 365LL * 24 * 3600 * 1000;

// What buyers and sellers write, with the oddities real pages carry: umlauts,
// HTML entities, URL escapes, apostrophes, line breaks, runs of blanks.
const QStringList& positiveComments() {
    static const QStringList list{
        QStringLiteral("Alles bestens, gerne wieder!"),
        QStringLiteral("Super schnelle Lieferung, Ware wie beschrieben. Danke!"),
        QStringLiteral("Top Verkäufer – sehr zu empfehlen"),
        QStringLiteral("Prima Kontakt &amp; schneller Versand"),
        QStringLiteral("Gr%FC%DFe aus M%FCnchen, alles bestens"),
        QStringLiteral("Schöner Artikel, schnelle Zahlung, gerne wieder"),
        QStringLiteral("It's perfect, thank you!"),
        QStringLiteral("Zahlung kam sofort.\r\nGerne wieder!"),
        QStringLiteral("Sehr   nette   Abwicklung"),
        QStringLiteral("Ware &lt;neu&gt; und originalverpackt"),
        QStringLiteral("Preis &amp; Leistung stimmen &#8364;&#8364;&#8364;"),
        QStringLiteral("Übergabe pünktlich, Öl-Gemälde wie beschrieben"),
        QStringLiteral("Danke f%FCr den reibungslosen Kauf"),
        QStringLiteral("Verpackung war 'naja', Inhalt top"),
        QStringLiteral("Tipp: Preis#//#Leistung top"),
        QStringLiteral("Immer wieder gern! &#65;&#43;&#43;&#43;"),
        QStringLiteral("Blitzschnell da!!! Daumen hoch"),
        QStringLiteral("Reibungslose Transaktion. Vielen Dank und viele Grüße"),
        QStringLiteral("Artikel kam gut verpackt an\nund funktioniert einwandfrei"),
        QStringLiteral("--"),
    };
    return list;
}

const QStringList& neutralComments() {
    static const QStringList list{
        QStringLiteral("Hat etwas gedauert, aber alles gut angekommen"),
        QStringLiteral("Artikel ok, Beschreibung hätte genauer sein können"),
        QStringLiteral("Versand dauerte 3 Wochen &ndash; naja"),
        QStringLiteral("Geht so.  Kommunikation schwierig"),
    };
    return list;
}

const QStringList& negativeComments() {
    static const QStringList list{
        QStringLiteral("Artikel nie angekommen!!!"),
        QStringLiteral("Keine Antwort auf Nachrichten, Geld zurück erst nach Fall"),
        QStringLiteral("Ware beschädigt, Verkäufer stellt sich quer"),
        QStringLiteral("Finger weg! Nicht wie beschrieben %21"),
    };
    return list;
}

const QStringList& givers() {
    static const QStringList list{
        QStringLiteral("mueller_handel"),  QStringLiteral("schnäppchenjäger"),
        QStringLiteral("bücherwurm-77"),   QStringLiteral("o'reilly_books"),
        QStringLiteral("sammler&co"),      QStringLiteral("k.lehmann"),
        QStringLiteral("oma_erna"),        QStringLiteral("tech4you"),
        QStringLiteral("fahrrad-kurt"),    QStringLiteral("ömer.yilmaz"),
        QStringLiteral("briefmarken_fan"), QStringLiteral("gartenzwerg2000"),
    };
    return list;
}

} // namespace

QString maskName(const QString& name) {
    if (name.size() < 2)
        return name.isEmpty() ? name : name + QStringLiteral("***");
    return name.front() + QStringLiteral("***") + name.back();
}

Marketplace::Marketplace(quint64 seed, qint64 referenceMs)
    : m_seed(seed), m_referenceMs(referenceMs) {}

void Marketplace::setMember(const QString& name, qint64 count) {
    Member m;
    const auto existing = m_members.find(name);
    m.key = existing != m_members.end() ? existing->second.key : 1000 + m_members.size();
    m.generated = std::max<qint64>(0, count);
    m.gapMs = m.generated > 0 ? std::clamp<qint64>(6 * kYearMs / m.generated, 10 * 60 * 1000,
                                                   30LL * 24 * 3600 * 1000)
                              : 3600 * 1000;
    m_members[name] = std::move(m);
}

bool Marketplace::hasMember(const QString& name) const {
    return find(name) != nullptr;
}

QStringList Marketplace::members() const {
    QStringList names;
    for (const auto& [name, member] : m_members)
        names << name;
    return names;
}

const Marketplace::Member* Marketplace::find(const QString& name) const {
    for (const auto& [key, member] : m_members)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return &member;
    return nullptr;
}

Marketplace::Member* Marketplace::find(const QString& name) {
    return const_cast<Member*>(std::as_const(*this).find(name));
}

quint64 Marketplace::hash(const Member& m, qint64 index, quint64 salt) const {
    return splitmix(splitmix(m_seed ^ (m.key << 40)) ^ splitmix(quint64(index) * 8 + salt));
}

Kind Marketplace::kindAt(const Member& m, qint64 index) const {
    // A neutral and a negative near the top of every longer list.
    if (m.generated > 10 && index == 3)
        return Neutral;
    if (m.generated > 10 && index == 7)
        return Negative;
    const quint64 roll = hash(m, index, 1) % 1000;
    return roll < 955 ? Positive : roll < 980 ? Neutral : Negative;
}

qint64 Marketplace::dateAt(const Member& m, qint64 index) const {
    // Never later than the rating before it: each has its own slot.
    return m_referenceMs - index * m.gapMs - qint64(hash(m, index, 2) % quint64(m.gapMs));
}

qint64 Marketplace::scoreAt(const Member& m, qint64 index) const {
    auto value = [&](qint64 j) {
        const Kind k = kindAt(m, j);
        return k == Positive ? 1 : k == Negative ? -1 : 0;
    };
    if (m.scoreCheckpoints.empty()) {
        const qint64 blocks = (m.generated + 255) / 256;
        m.scoreCheckpoints.assign(size_t(blocks + 1), 0);
        qint64 sum = 0;
        for (qint64 j = m.generated - 1; j >= 0; --j) {
            sum += value(j);
            if (j % 256 == 0)
                m.scoreCheckpoints[size_t(j / 256)] = sum;
        }
    }
    const qint64 block = index / 256;
    qint64 score = m.scoreCheckpoints[size_t(block)];
    for (qint64 j = block * 256; j < index; ++j)
        score -= value(j);
    return score;
}

qint64 Marketplace::baseScore(const Member& m) const {
    return m.generated > 0 ? scoreAt(m, 0) : 0;
}

Rating Marketplace::generate(const Member& m, qint64 index) const {
    Rating r;
    r.id = QString::number(m.key) + QString::number(index).rightJustified(9, u'0');
    r.kind = kindAt(m, index);
    const QStringList& comments = r.kind == Positive  ? positiveComments()
                                  : r.kind == Neutral ? neutralComments()
                                                      : negativeComments();
    r.comment = comments.at(int(hash(m, index, 3) % quint64(comments.size())));
    r.dateMs = dateAt(m, index);
    const quint64 who = hash(m, index, 4);
    if (who % 100 < 3)
        r.giverAbsent = true;
    else if (who % 100 < 6)
        r.giver.clear();
    else
        r.giver = givers().at(int((who / 100) % quint64(givers().size())));
    r.buyerGave = hash(m, index, 5) % 10 < 8;
    r.listingId = QString::number(100000000000LL + qint64(hash(m, index, 6) % 899999999999ull));
    r.score = index < m.generated ? scoreAt(m, index) : 0;
    return r;
}

qint64 Marketplace::total(const QString& name) const {
    const Member* m = find(name);
    if (!m)
        return 0;
    return qint64(m->added.size() - m->withdrawnAdded.size()) + m->generated -
           qint64(m->withdrawnGenerated.size());
}

Rating Marketplace::at(const QString& name, qint64 index) const {
    const Member* m = find(name);
    if (!m || index < 0)
        return {};
    return decorated(*m, listed(*m, index));
}

bool Marketplace::setState(const QString& name, const QString& id, const QString& state) {
    Member* m = find(name);
    if (!m || id.isEmpty())
        return false;
    for (qint64 i = 0; i < total(name); ++i) {
        if (listed(*m, i).id != id)
            continue;
        if (state == QLatin1String("ENTERED"))
            m->states.erase(id);
        else
            m->states[id] = state;
        return true;
    }
    return false;
}

bool Marketplace::inScore(const Member& m, const QString& id) const {
    const auto it = m.states.find(id);
    return it == m.states.end() ||
           (it->second != QLatin1String("WITHDRAWN") && it->second != QLatin1String("HIDDEN"));
}

Rating Marketplace::listed(const Member& member, qint64 index) const {
    const Member* m = &member;
    for (auto it = m->added.rbegin(); it != m->added.rend(); ++it) {
        if (m->withdrawnAdded.count(it->id))
            continue;
        if (index == 0)
            return *it;
        --index;
    }
    qint64 u = index;
    for (qint64 w : m->withdrawnGenerated) {
        if (w <= u)
            ++u;
        else
            break;
    }
    return generate(*m, u);
}

QStringList Marketplace::addGenerated(const QString& name, int count, qint64 nowMs) {
    QStringList ids;
    Member* m = find(name);
    if (!m)
        return ids;
    for (int i = 0; i < count; ++i) {
        // Drawn like an old rating, dated now.
        Rating r = generate(*m, m->generated + 1000000 + m->nextSerial);
        r.id.clear(); // add() gives it an id of the added kind
        r.dateMs = nowMs;
        ids << add(name, r);
    }
    return ids;
}

QString Marketplace::add(const QString& name, Rating rating) {
    Member* m = find(name);
    if (!m)
        return {};
    const qint64 serial = m->nextSerial++;
    if (rating.id.isEmpty())
        rating.id = QString::number(m->key) + QStringLiteral("9") +
                    QString::number(serial).rightJustified(8, u'0');
    const qint64 previous = total(name) > 0 ? at(name, 0).score : baseScore(*m);
    rating.score = previous + (rating.kind == Positive ? 1 : rating.kind == Negative ? -1 : 0);
    m->added.push_back(rating);
    return rating.id;
}

bool Marketplace::withdraw(const QString& name, const QString& id) {
    Member* m = find(name);
    if (!m || total(name) == 0)
        return false;
    for (const Rating& r : m->added) {
        if ((id.isEmpty() || r.id == id) && !m->withdrawnAdded.count(r.id)) {
            if (id.isEmpty() && r.id != at(name, 0).id)
                continue;
            m->withdrawnAdded.insert(r.id);
            return true;
        }
    }
    if (id.isEmpty()) {
        qint64 u = 0;
        while (m->withdrawnGenerated.count(u))
            ++u;
        if (u >= m->generated)
            return false;
        m->withdrawnGenerated.insert(u);
        return true;
    }
    // Generated ids are the member's key followed by the position.
    const QString prefix = QString::number(m->key);
    if (!id.startsWith(prefix) || id.size() != prefix.size() + 9)
        return false;
    bool ok = false;
    const qint64 index = id.mid(prefix.size()).toLongLong(&ok);
    if (!ok || index < 0 || index >= m->generated || m->withdrawnGenerated.count(index))
        return false;
    m->withdrawnGenerated.insert(index);
    return true;
}

Marketplace::Counts Marketplace::countsSince(const QString& name, qint64 sinceMs) const {
    Counts counts;
    const Member* m = find(name);
    if (!m)
        return counts;
    auto count = [&](const Rating& r) {
        // The giver bought: the rated member sold.
        counts.byRole[r.buyerGave ? 0 : 1][r.kind] += 1;
    };
    for (const Rating& r : m->added)
        if (!m->withdrawnAdded.count(r.id) && r.dateMs >= sinceMs && inScore(*m, r.id))
            count(r);
    for (qint64 j = 0; j < m->generated; ++j) {
        if (dateAt(*m, j) < sinceMs)
            break;
        if (m->withdrawnGenerated.count(j) ||
            (!m->states.empty() && !inScore(*m, generate(*m, j).id)))
            continue;
        Rating r;
        r.kind = kindAt(*m, j);
        r.buyerGave = hash(*m, j, 5) % 10 < 8;
        count(r);
    }
    return counts;
}

} // namespace marktsim
