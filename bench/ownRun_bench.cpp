// "Jetzt Prüfen" without the window: a first check of a member with 100,000
// ratings from the simulator on loopback (fetch, then store), how long the
// event loop ever stalls while the lines arrive, and storing 10,000 lines.
#include "app/modGlobal.h"
#include "app/msgBox.h"
#include "base/programFolder.h"
#include "errors/procedure.h"
#include "marktsimProcess.h"
#include "retrieval/ownUpdateRun.h"
#include "store/lineStoring.h"
#include "store/modData.h"
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

struct AlwaysYes : app::MessageBoxPresenter {
    int show(const app::MessageBoxRequest& r) override {
        return (r.style & 0x0F) == app::vbYesNo ? app::vbYes : app::vbOK;
    }
};

// A program folder with a fresh database for the member.
struct Folder {
    QTemporaryDir dir;
    Folder(const QString& user, const QString& apiUrl) {
        const QString db = dir.filePath(QStringLiteral("noten.db"));
        store::createDatabase(db);
        QDir(dir.path()).mkpath(QStringLiteral("Bin"));
        QFile config(dir.filePath(QStringLiteral("Bin/config.INI")));
        config.open(QIODevice::WriteOnly);
        config.write("[Main]\nDatabase=" + db.toUtf8() + "\ncheckInet=False\n[User]\nUsername=" +
                     user.toUtf8() + "\n[Marktplatz]\nApiUrl=" + apiUrl.toUtf8() +
                     "\nClientId=notenschau\nClientSecret=geheim\n");
        config.close();
        app::setProgramFolder(dir.path());
        modGlobal::resetGlobals();
        modData::InitDB();
    }
};

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

        QElapsedTimer total;
        total.start();
        bool keine = true;
        OwnUpdateRun run(keine);
        QEventLoop loop;
        QObject::connect(&run, &OwnUpdateRun::closed, &loop, &QEventLoop::quit);
        // The longest gap between two ticks of a 10 ms timer is the longest
        // the window would not have answered.
        QElapsedTimer tick;
        qint64 longest = 0;
        QTimer heartbeat;
        QObject::connect(&heartbeat, &QTimer::timeout,
                         [&] { longest = std::max(longest, tick.restart()); });
        heartbeat.start(10);
        tick.start();
        run.checkneueBewertungen();
        if (!run.isClosed())
            loop.exec();
        heartbeat.stop();
        const double fetchS = total.nsecsElapsed() / 1e9;

        QElapsedTimer storing;
        storing.start();
        errors::Procedure p("[frmAnzeige] Private Sub Command7_Click()");
        lineStoring::storeOwn(p, {});
        state.counters["fetch_s"] = fetchS;
        state.counters["store_s"] = storing.nsecsElapsed() / 1e9;
        state.counters["lines"] = double(modGlobal::colNeueBewertungen.size());
        state.counters["stored"] = modData::read_Anzahl(QStringLiteral("vielverkaeufer"));
        state.counters["max_stall_ms"] = double(longest);
        state.counters["lines_per_s"] = modGlobal::colNeueBewertungen.size() / fetchS;
    }
    app::setMessageBoxPresenter(nullptr);
}
BENCHMARK(BM_FirstCheck100k)->Iterations(1)->Unit(benchmark::kSecond);

void BM_Store10000Lines(benchmark::State& state) {
    Folder folder(QStringLiteral("anna"), QStringLiteral("http://127.0.0.1:1"));
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        modGlobal::colNeueBewertungen.clear();
        const QDateTime newest(QDate(2026, 11, 1), QTime(12, 0));
        for (int i = 0; i < 10000; ++i)
            modGlobal::colNeueBewertungen
                << QStringLiteral("1#//#Sehr gut &amp; schnell, gerne wieder!#//#V#//#%1#//#k%2#//#"
                                  "%3#//#r%4-%2")
                       .arg(newest.addSecs(-60LL * (i + run * 10000)).toString("dd.MM.yyyy hh:mm"))
                       .arg(i)
                       .arg(100000000000LL + i)
                       .arg(run);
        ++run;
        state.ResumeTiming();
        errors::Procedure p("[frmAnzeige] Private Sub Command7_Click()");
        lineStoring::storeOwn(p, {});
    }
    state.counters["lines_per_s"] =
        benchmark::Counter(10000.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Store10000Lines)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
