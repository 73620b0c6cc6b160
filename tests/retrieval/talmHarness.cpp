#include "talmHarness.h"

#include "app/modini.h"

#include <QDeadlineTimer>
#include <QTest>

namespace talmtest {

clsTalmBewertungen::Timing fastTiming() {
    clsTalmBewertungen::Timing timing;
    timing.http.inactivityMs = 800;
    timing.http.deadlineMs = 3000;
    timing.http.retryWaitsMs = {50, 100, 200};
    timing.http.retryAfterCapMs = 1200;
    return timing;
}

void useSimulator(const marktsim::SimProcess& sim, const QString& refreshToken) {
    modini::MarktplatzSettings& m = modini::marktplatz();
    m = {};
    m.apiUrl = sim.baseUrl();
    m.clientId = QStringLiteral("notenschau");
    m.clientSecret = QStringLiteral("geheim");
    m.refreshToken = refreshToken;
}

Recorder::Recorder(clsTalmBewertungen* source) {
    connect(source, &clsTalmBewertungen::AnzahlseitenBewertungen, this,
            [this](qint32 total, qint32 pages) {
                events << QStringLiteral("Anzahl %1 %2").arg(total).arg(pages);
            });
    connect(source, &clsTalmBewertungen::BewertungenText, this,
            [this](const QString& line) { events << QStringLiteral("Text ") + line; });
    connect(source, &clsTalmBewertungen::bytesloaded, this, [this](qint32 bytes) {
        events << QStringLiteral("Bytes");
        lastBytes = bytes;
    });
    connect(source, &clsTalmBewertungen::UebersichtBewertung, this,
            [this](const QStringList& values) {
                uebersicht = values;
                events << QStringLiteral("Uebersicht ") + values.join(u'|');
            });
    connect(source, &clsTalmBewertungen::Finished, this, [this](bool aborted) {
        events << QStringLiteral("Finished %1").arg(aborted ? 1 : 0);
        end();
    });
    connect(source, &clsTalmBewertungen::Fehler, this,
            [this](qint16 number, const QString& description) {
                fehlerNummer = number;
                fehlerText = description;
                events << QStringLiteral("Fehler %1").arg(number);
                end();
            });
}

void Recorder::end() {
    if (ended)
        ++endedTwice;
    ended = true;
}

bool Recorder::waitEnd(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!ended && !deadline.hasExpired())
        QTest::qWait(5);
    return ended;
}

void Recorder::settle(int ms) {
    QTest::qWait(ms);
}

QStringList Recorder::order() const {
    QStringList folded;
    for (const QString& e : events) {
        if (e == QLatin1String("Bytes") && !folded.isEmpty() && folded.last() == e)
            continue;
        folded << (e.startsWith(QLatin1String("Text ")) ? QStringLiteral("Text") : e);
    }
    // Runs of lines fold into one as well.
    folded.erase(std::unique(folded.begin(), folded.end(),
                             [](const QString& a, const QString& b) {
                                 return a == b && a == QLatin1String("Text");
                             }),
                 folded.end());
    return folded;
}

QStringList Recorder::lines() const {
    QStringList result;
    for (const QString& e : events)
        if (e.startsWith(QLatin1String("Text ")))
            result << e.mid(5);
    return result;
}

int Recorder::count(const QString& prefix) const {
    int n = 0;
    for (const QString& e : events)
        if (e.startsWith(prefix))
            ++n;
    return n;
}

QStringList fields(const QString& line) {
    return line.split(QStringLiteral("#//#"));
}

} // namespace talmtest
