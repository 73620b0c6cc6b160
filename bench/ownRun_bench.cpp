// "Jetzt Prüfen" without the window: a first check of a member with 100,000
// ratings from the simulator on loopback (fetch, then store), how long the
// event loop ever stalls while the ratings arrive, the check after a first
// one was cut short at half, and storing 10,000 ratings.
#include "app/modGlobal.h"
#include "app/modini.h"
#include "app/msgBox.h"
#include "base/programFolder.h"
#include "benchFolder.h"
#include "errors/procedure.h"
#include "marktsimProcess.h"
#include "retrieval/ownUpdateRun.h"
#include "store/modData.h"
#include "store/ratingStoring.h"
#include "store/schema.h"

#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

namespace {

using benchsupport::AlwaysYes;
using benchsupport::Folder;

struct Run {
    retrieval::SyncOutcome outcome;
    double fetchS = 0;
    double storeS = 0;
    qint64 longestStallMs = 0;
    qint32 requests = 0;
};

// One check: the run until it closes, then storing what it fetched.
// stopAfterRequests: the run is cancelled once it has made that many.
Run check(int stopAfterRequests = 0) {
    Run r;
    QElapsedTimer total;
    total.start();
    retrieval::OwnUpdateRun run(modini::settings());
    QEventLoop loop;
    QObject::connect(&run, &retrieval::OwnUpdateRun::closed, &loop, &QEventLoop::quit);
    if (stopAfterRequests > 0)
        QObject::connect(&run, &retrieval::OwnUpdateRun::changed, &run, [&run, stopAfterRequests] {
            if (run.requests() >= stopAfterRequests && !run.isClosed())
                QMetaObject::invokeMethod(&run, &retrieval::OwnUpdateRun::cmdabort_Click,
                                          Qt::QueuedConnection);
        });
    // The longest gap between two ticks of a 10 ms timer is the longest the
    // window would not have answered.
    QElapsedTimer tick;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout,
                     [&] { r.longestStallMs = std::max(r.longestStallMs, tick.restart()); });
    heartbeat.start(10);
    tick.start();
    run.checkneueBewertungen();
    if (!run.isClosed())
        loop.exec();
    heartbeat.stop();
    r.fetchS = total.nsecsElapsed() / 1e9;
    r.requests = run.requests();
    QElapsedTimer storing;
    storing.start();
    r.outcome = retrieval::storeOwnRun(run.result(), modGlobal::sStandardUser);
    r.storeS = storing.nsecsElapsed() / 1e9;
    return r;
}

void BM_FirstCheck100k(benchmark::State& state) {
    marktsim::SimProcess sim;
    if (!sim.start({"--member", "vielverkaeufer:100000", "--reference", "2026-11-30T12:00:00Z"})) {
        state.SkipWithError(qPrintable(sim.errorString()));
        return;
    }
    AlwaysYes yes;
    app::setMessageBoxPresenter(&yes);
    for (auto _ : state) {
        state.PauseTiming();
        Folder folder(QStringLiteral("vielverkaeufer"), sim.baseUrl());
        state.ResumeTiming();
        const Run r = check();
        state.counters["fetch_s"] = r.fetchS;
        state.counters["store_s"] = r.storeS;
        state.counters["requests"] = r.requests;
        state.counters["stored"] = r.outcome.added;
        state.counters["max_stall_ms"] = double(r.longestStallMs);
        state.counters["ratings_per_s"] = r.outcome.added / (r.fetchS + r.storeS);
    }
    app::setMessageBoxPresenter(nullptr);
}
BENCHMARK(BM_FirstCheck100k)->Iterations(1)->Unit(benchmark::kSecond);

// A first check of 100,000 cut short at half (cancelled after 264 page
// requests), then the check that fetches the rest.
void BM_RecoveryAfterHalf(benchmark::State& state) {
    marktsim::SimProcess sim;
    if (!sim.start({"--member", "vielverkaeufer:100000", "--reference", "2026-11-30T12:00:00Z"})) {
        state.SkipWithError(qPrintable(sim.errorString()));
        return;
    }
    AlwaysYes yes;
    app::setMessageBoxPresenter(&yes);
    for (auto _ : state) {
        state.PauseTiming();
        Folder folder(QStringLiteral("vielverkaeufer"), sim.baseUrl());
        const Run first = check(1 + 264);
        state.ResumeTiming();
        const Run second = check();
        state.counters["first_stored"] = first.outcome.added;
        state.counters["stored"] = second.outcome.added;
        state.counters["requests"] = second.requests;
        state.counters["fetch_s"] = second.fetchS;
        state.counters["store_s"] = second.storeS;
    }
    app::setMessageBoxPresenter(nullptr);
}
BENCHMARK(BM_RecoveryAfterHalf)->Iterations(1)->Unit(benchmark::kSecond);

void BM_Store10000Ratings(benchmark::State& state) {
    Folder folder(QStringLiteral("anna"), QStringLiteral("http://127.0.0.1:1"));
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<store::FetchedRating> ratings;
        ratings.reserve(10000);
        const QDateTime newest(QDate(2026, 11, 1), QTime(12, 0));
        for (int i = 0; i < 10000; ++i) {
            store::FetchedRating r;
            r.id = QStringLiteral("r%1-%2").arg(run).arg(i);
            r.kind = feedback::kPositive;
            r.text = QStringLiteral("Sehr gut &amp; schnell, gerne wieder!");
            r.kv = QStringLiteral("V");
            r.when = newest.addSecs(-60LL * (i + run * 10000));
            r.giver = QStringLiteral("k%1").arg(i);
            r.item = QString::number(100000000000LL + i);
            ratings.push_back(std::move(r));
        }
        ++run;
        state.ResumeTiming();
        const store::StoreReport report = store::storeFetched(
            modData::Table::Own, QStringLiteral("anna"), ratings, store::StoreMode::Add);
        benchmark::DoNotOptimize(report.added);
    }
    state.counters["ratings_per_s"] =
        benchmark::Counter(10000.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Store10000Ratings)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
