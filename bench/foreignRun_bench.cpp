// Analysing another member without the window: 100 chosen ratings of a
// member with 5,000, and every rating of one with 250,000, from the first
// request to the first page read back, with the peak of resident memory and
// the longest the event loop stalled.
#include "app/modGlobal.h"
#include "app/modini.h"
#include "base/programFolder.h"
#include "marktsimProcess.h"
#include "processMemory.h"
#include "retrieval/foreignLoadRun.h"
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

// The process's peak of resident memory so far, in MB; reset() starts anew.
struct Folder {
    QTemporaryDir dir;
    explicit Folder(const QString& apiUrl) {
        const QString db = dir.filePath(QStringLiteral("noten.db"));
        store::createDatabase(db);
        QDir(dir.path()).mkpath(QStringLiteral("Bin"));
        QFile config(dir.filePath(QStringLiteral("Bin/config.INI")));
        config.open(QIODevice::WriteOnly);
        config.write("[Main]\nDatabase=" + db.toUtf8() +
                     "\ncheckInet=False\n[User]\nUsername=ich\n[Marktplatz]\nApiUrl=" +
                     apiUrl.toUtf8() + "\nClientId=notenschau\nClientSecret=geheim\n");
        config.close();
        base::setProgramFolder(dir.path());
        modGlobal::resetGlobals();
        modData::InitDB();
    }
};

void analyse(benchmark::State& state, const char* member, qint32 limit, bool allKinds) {
    marktsim::SimProcess sim;
    if (!sim.start({"--demo", "--demo-interval", "100000"})) {
        state.SkipWithError(qPrintable(sim.errorString()));
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        Folder folder(sim.baseUrl());
        const retrieval::ForeignSearch search{QString::fromLatin1(member), limit, allKinds,
                                              allKinds, true};
        bench::resetPeak();
        state.ResumeTiming();

        QElapsedTimer total;
        total.start();
        qint64 longest = 0;
        qint32 stored = 0;
        {
            retrieval::ForeignLoadRun run(modini::settings());
            QEventLoop loop;
            QObject::connect(&run, &retrieval::LoadRun::closed, &loop, &QEventLoop::quit);
            QElapsedTimer tick;
            QTimer heartbeat;
            QObject::connect(&heartbeat, &QTimer::timeout,
                             [&] { longest = std::max(longest, tick.restart()); });
            heartbeat.start(10);
            tick.start();
            run.checkneueBewertungen(search);
            if (!run.isClosed())
                loop.exec();
            heartbeat.stop();
            const store::StoreReport report =
                store::storeFetched(modData::Table::Temp, search.member, run.result().ratings,
                                    store::StoreMode::ReplaceMember);
            stored = report.realAfter;
        }
        const auto page = modData::readPage(modData::Table::Temp, search.member, 0, 1);
        benchmark::DoNotOptimize(page.size());
        state.counters["total_s"] = total.nsecsElapsed() / 1e9;
        state.counters["stored"] = stored;
        state.counters["peak_rss_mb"] = bench::statusKiB("VmHWM:") / 1024.0;
        state.counters["max_stall_ms"] = double(longest);
    }
}

void BM_Foreign100Of5000(benchmark::State& state) {
    analyse(state, "fremder_haendler", 100, false);
}
BENCHMARK(BM_Foreign100Of5000)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_ForeignAllOf250k(benchmark::State& state) {
    analyse(state, "grosshandel_xl", -1, true);
}
BENCHMARK(BM_ForeignAllOf250k)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
