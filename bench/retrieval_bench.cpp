// Fetching a large member through the feedback source from the simulator on
// loopback: lines per second end to end, and what memory does meanwhile.
#include "app/modini.h"
#include "marktsimProcess.h"
#include "retrieval/clsTalmBewertungen.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <QCoreApplication>
#include <QEventLoop>

namespace {

constexpr int kRatings = 100000;

marktsim::SimProcess& simulator() {
    static marktsim::SimProcess sim;
    if (sim.port() == 0) {
        if (!sim.start({"--member", QStringLiteral("gross:%1").arg(kRatings), "--reference",
                        "2026-01-01T00:00:00Z"}))
            qFatal("%s", qPrintable(sim.errorString()));
        modini::MarktplatzSettings& m = modini::marktplatz();
        m.apiUrl = sim.baseUrl();
        m.clientId = QStringLiteral("notenschau");
        m.clientSecret = QStringLiteral("geheim");
    }
    return sim;
}

// Heap bytes in use: unlike the resident size it also sees memory that a
// previous iteration freed and this one took again.
qint64 heapInUse() {
    return qint64(mallinfo2().uordblks);
}

void waitFinished(retrieval::clsTalmBewertungen& source) {
    QEventLoop loop;
    QObject::connect(&source, &retrieval::clsTalmBewertungen::Finished, &loop, &QEventLoop::quit);
    QObject::connect(
        &source, &retrieval::clsTalmBewertungen::Fehler, &loop,
        [&](qint16 n, const QString& d) { qFatal("Fehler %d: %s", int(n), qPrintable(d)); });
    loop.exec();
}

void BM_Fetch100k(benchmark::State& state) {
    simulator();
    qint64 lines = 0;
    qint64 growth = 0;
    qint64 peakBeyondLines = 0;
    qint64 lineBytes = 0;
    for (auto _ : state) {
        // As a load run collects them.
        QStringList collected;
        collected.reserve(kRatings);
        lineBytes = 0;
        const qint64 before = heapInUse();
        retrieval::clsTalmBewertungen source(modini::settings());
        QObject::connect(&source, &retrieval::clsTalmBewertungen::BewertungenText,
                         [&](const QString& line) {
                             collected << line;
                             lineBytes += line.capacity() * qint64(sizeof(QChar));
                         });
        for (int page = 1; page <= kRatings / 200; ++page) {
            source.resetSeite();
            source.getSeite(QStringLiteral("gross"), page, 200, page > 1);
            waitFinished(source);
            peakBeyondLines = std::max(peakBeyondLines, heapInUse() - before - lineBytes);
        }
        growth = heapInUse() - before;
        lines += collected.size();
        if (collected.size() != kRatings)
            state.SkipWithError("wrong number of lines");
    }
    const double mb = 1024.0 * 1024.0;
    state.counters["lines_per_s"] = benchmark::Counter(double(lines), benchmark::Counter::kIsRate);
    // Heap growth with the lines still held, the lines' own text, and the most
    // the heap held beyond the lines at the end of any page.
    state.counters["heap_growth_MB"] = double(growth) / mb;
    state.counters["line_text_MB"] = double(lineBytes) / mb;
    state.counters["beyond_lines_MB"] = double(peakBeyondLines) / mb;
}
BENCHMARK(BM_Fetch100k)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_getUebersicht(benchmark::State& state) {
    simulator();
    for (auto _ : state) {
        retrieval::clsTalmBewertungen source(modini::settings());
        QStringList profile;
        QObject::connect(&source, &retrieval::clsTalmBewertungen::UebersichtBewertung,
                         [&](const QStringList& values) { profile = values; });
        source.getUebersicht(QStringLiteral("gross"));
        waitFinished(source);
        if (profile.size() != 11)
            state.SkipWithError("no profile");
    }
}
BENCHMARK(BM_getUebersicht)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    modini::settings().plattform = QStringLiteral("ebay.de");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
