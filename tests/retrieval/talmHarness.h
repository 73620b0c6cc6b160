#pragma once

#include "marktsimProcess.h"
#include "retrieval/clsTalmBewertungen.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

namespace talmtest {

// Short waits so that retries and time-outs take a second, not a minute.
clsTalmBewertungen::Timing fastTiming();

// Points the [Marktplatz] settings at a running simulator.
void useSimulator(const marktsim::SimProcess& sim, const QString& refreshToken = {});

// Records every signal of a source as text, in order:
// "Anzahl t s", "Text line", "Bytes", "Uebersicht v1|v2|...", "Finished 0|1", "Fehler n".
class Recorder : public QObject {
    Q_OBJECT
public:
    explicit Recorder(clsTalmBewertungen* source);

    // Runs the event loop until Finished or Fehler, or the time is up.
    bool waitEnd(int timeoutMs = 20000);
    // Runs the event loop for a while (to see that nothing more comes).
    void settle(int ms = 300);

    // The events with each run of "Bytes" folded into one.
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

private:
    void end();
};

// Splits a feedback line at its separator.
QStringList fields(const QString& line);

} // namespace talmtest
