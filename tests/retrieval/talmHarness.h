#pragma once

#include "app/modini.h"
#include "marktsimProcess.h"
#include "retrieval/clsTalmBewertungen.h"
#include "retrieval/loadRun.h"

#include <functional>
#include <memory>
#include <QObject>
#include <QStringList>

namespace talmtest {

// Short waits so that retries and time-outs take a second, not a minute.
retrieval::clsTalmBewertungen::Timing fastTiming();

// Points the [Marktplatz] settings at a running simulator.
// member: whose refresh token it is, the signed-in member.
void useSimulator(const marktsim::SimProcess& sim, const QString& refreshToken = {},
                  const QString& member = {});

// Records every signal of a source as text, in order:
// "Anzahl t s", "Text line", "Bytes", "Uebersicht v1|v2|...", "Finished 0|1", "Fehler n".
class Recorder : public QObject {
    Q_OBJECT
public:
    explicit Recorder(retrieval::clsTalmBewertungen* source);

    // Runs the event loop until Finished or Fehler, or the time is up.
    bool waitEnd(int timeoutMs = 20000);

    // The events with each run of "Bytes" and of lines folded into one.
    QStringList order() const;
    QStringList lines() const;
    int count(const QString& prefix) const;

    QStringList events;
    QStringList uebersicht;
    qint16 fehlerNummer = 0;
    QString fehlerText;
    qint32 lastBytes = 0;
    bool ended = false;
    int endedTwice = 0;
};

// Starts one operation written as text: "anzahl USER", "uebersicht USER",
// "seite USER PAGE LIMIT" (after resetSeite), "filter USER PAGE LIMIT KINDS"
// with KINDS of n(egative), p(ositive), u (neutral) or "-".
void call(retrieval::clsTalmBewertungen& source, const QString& operation);

// A simulator, a source with its recorder, and the runs of one operation.
class Fixture {
public:
    // A new source and recorder, the old ones gone.
    retrieval::clsTalmBewertungen& fresh();
    // Runs an operation on a new source to its end, then waits settleMs to see
    // that nothing more comes. False if it raised an event before the event
    // loop ran or never ended.
    bool run(const std::function<void(retrieval::clsTalmBewertungen&)>& operation,
             int settleMs = 100);
    bool run(const QString& operation, int settleMs = 100);
    // The lines of one page, or "(kein Ende)".
    QStringList page(const QString& user, qint32 number, qint32 limit);
    qint64 stat(const char* name) { return stat(sim, name); }
    static qint64 stat(marktsim::SimProcess& s, const char* name);
    void reset();

    marktsim::SimProcess sim;
    std::unique_ptr<retrieval::clsTalmBewertungen> source;
    std::unique_ptr<Recorder> rec;
};

// Starts a run and runs the event loop until the run has closed.
void untilClosed(retrieval::LoadRun& run, const std::function<void()>& start);

// Splits a feedback line at its separator.
QStringList fields(const QString& line);

} // namespace talmtest
