#include "talmHarness.h"

#include "app/modini.h"

#include <QEventLoop>
#include <QTest>

namespace talmtest {

retrieval::clsTalmBewertungen::Timing fastTiming() {
    retrieval::clsTalmBewertungen::Timing timing;
    timing.http.inactivityMs = 800;
    timing.http.deadlineMs = 3000;
    timing.http.retryWaitsMs = {50, 100, 200};
    timing.http.retryAfterCapMs = 1200;
    return timing;
}

void useSimulator(const marktsim::SimProcess& sim, const QString& refreshToken,
                  const QString& member) {
    modini::settings().username = member;
    modini::MarktplatzSettings& m = modini::marktplatz();
    m = {};
    m.apiUrl = sim.baseUrl();
    m.clientId = QStringLiteral("notenschau");
    m.clientSecret = QStringLiteral("geheim");
    m.refreshToken = refreshToken;
}

Recorder::Recorder(retrieval::clsTalmBewertungen* source) {
    const auto end = [this] {
        endedTwice += ended ? 1 : 0;
        ended = true;
    };
    connect(source, &retrieval::clsTalmBewertungen::AnzahlseitenBewertungen, this,
            [this](qint32 total, qint32 pages) {
                events << QStringLiteral("Anzahl %1 %2").arg(total).arg(pages);
            });
    connect(source, &retrieval::clsTalmBewertungen::BewertungenText, this,
            [this](const QString& line) { events << QStringLiteral("Text ") + line; });
    connect(source, &retrieval::clsTalmBewertungen::bytesloaded, this, [this](qint32 bytes) {
        events << QStringLiteral("Bytes");
        lastBytes = bytes;
    });
    connect(source, &retrieval::clsTalmBewertungen::UebersichtBewertung, this,
            [this](const QStringList& values) {
                uebersicht = values;
                events << QStringLiteral("Uebersicht ") + values.join(u'|');
            });
    connect(source, &retrieval::clsTalmBewertungen::Finished, this, [this, end](bool aborted) {
        events << QStringLiteral("Finished %1").arg(aborted ? 1 : 0);
        end();
    });
    connect(source, &retrieval::clsTalmBewertungen::Fehler, this,
            [this, end](qint16 number, const QString& description) {
                fehlerNummer = number;
                fehlerText = description;
                events << QStringLiteral("Fehler %1").arg(number);
                end();
            });
}

bool Recorder::waitEnd(int timeoutMs) {
    return QTest::qWaitFor([this] { return ended; }, timeoutMs);
}

QStringList Recorder::order() const {
    QStringList folded;
    for (const QString& e : events) {
        const QString shown = e.startsWith(QLatin1String("Text ")) ? QStringLiteral("Text") : e;
        if (folded.isEmpty() || folded.last() != shown ||
            (shown != QLatin1String("Bytes") && shown != QLatin1String("Text")))
            folded << shown;
    }
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
    return int(std::count_if(events.begin(), events.end(),
                             [&](const QString& e) { return e.startsWith(prefix); }));
}

void call(retrieval::clsTalmBewertungen& source, const QString& operation) {
    const QStringList a = operation.split(u' ');
    const QString user = a.value(1);
    const int page = a.value(2).toInt(), limit = a.value(3).toInt();
    const QString kinds = a.value(4);
    if (a[0] == QLatin1String("anzahl")) {
        source.getAnzahl(user);
    } else if (a[0] == QLatin1String("uebersicht")) {
        source.getUebersicht(user);
    } else if (a[0] == QLatin1String("seite")) {
        source.resetSeite();
        source.getSeite(user, page, limit, page > 1);
    } else if (a[0] == QLatin1String("filter")) {
        source.getSeiteFilter(user, page, kinds.contains(u'n'), kinds.contains(u'p'),
                              kinds.contains(u'u'), limit, page > 1);
    } else {
        qFatal("unknown operation %s", qPrintable(operation));
    }
}

retrieval::clsTalmBewertungen& Fixture::fresh() {
    rec.reset();
    app::Settings settings = modini::settings();
    settings.file = modini::configPath();
    source = std::make_unique<retrieval::clsTalmBewertungen>(settings);
    rec = std::make_unique<Recorder>(source.get());
    return *source;
}

bool Fixture::run(const std::function<void(retrieval::clsTalmBewertungen&)>& operation,
                  int settleMs) {
    operation(fresh());
    if (!rec->events.isEmpty()) {
        qWarning("an event before the event loop ran: %s", qPrintable(rec->events.join(',')));
        return false;
    }
    if (!rec->waitEnd())
        return false;
    QTest::qWait(settleMs);
    return true;
}

bool Fixture::run(const QString& operation, int settleMs) {
    return run([&](retrieval::clsTalmBewertungen& s) { call(s, operation); }, settleMs);
}

QStringList Fixture::page(const QString& user, qint32 number, qint32 limit) {
    if (!run(QStringLiteral("seite %1 %2 %3").arg(user).arg(number).arg(limit), 0))
        return {QStringLiteral("(kein Ende)")};
    return rec->lines();
}

qint64 Fixture::stat(marktsim::SimProcess& s, const char* name) {
    return s.stats().value(name).toInteger();
}

void Fixture::reset() {
    rec.reset();
    source.reset();
}

void untilClosed(retrieval::LoadRun& run, const std::function<void()>& start) {
    QEventLoop loop;
    QObject::connect(&run, &retrieval::LoadRun::closed, &loop, &QEventLoop::quit);
    start();
    if (!run.isClosed())
        loop.exec();
}

QStringList fields(const QString& line) {
    return line.split(QStringLiteral("#//#"));
}

} // namespace talmtest
