// Page requests in flight at once ([Marktplatz] Parallel=N): the first check
// of 20,000 and of 100,000 own ratings, every rating of a foreign member with
// 250,000, and a member's rating profile, each with Parallel=1, 4 and 8,
// against a simulator that answers every API request 150 ms late, give or
// take 50. The fetch alone is timed; nothing is stored. "ratio" is the time
// over that of Parallel=1 of the same case in the same run.
#include "app/modGlobal.h"
#include "app/modini.h"
#include "app/msgBox.h"
#include "base/programFolder.h"
#include "benchFolder.h"
#include "marktsimProcess.h"
#include "processMemory.h"
#include "retrieval/foreignLoadRun.h"
#include "retrieval/ownUpdateRun.h"
#include "store/modData.h"
#include "store/schema.h"

#include <benchmark/benchmark.h>
#include <map>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <string>

namespace {

using benchsupport::AlwaysYes;
using benchsupport::Folder;

enum class Job { OwnFirstCheck, ForeignAll, Profile };

struct Case {
    const char* name;
    Job job;
    const char* member;
    int ratings; // an own member's, made for the bench; the demo has the foreign one
};

constexpr Case kCases[] = {
    {"Own20k", Job::OwnFirstCheck, "eigen_20k", 20'000},
    {"Own100k", Job::OwnFirstCheck, "eigen_100k", 100'000},
    {"ForeignAll250k", Job::ForeignAll, "grosshandel_xl", 0},
    {"Profile", Job::Profile, "grosshandel_xl", 0},
};

// What one run of a case fetched.
struct Fetched {
    qint64 ratings = 0;  // ratings, or the profile's values
    bool stored = false; // the run ended as planned
};

// Runs the loop until the run has closed.
template <class Run> Fetched finish(Run& run) {
    if (!run.isClosed()) {
        QEventLoop loop;
        QObject::connect(&run, &retrieval::LoadRun::closed, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const retrieval::FetchResult& r = run.result();
    return {qint64(r.profile.isEmpty() ? r.ratings.size() : r.profile.size()),
            r.end == retrieval::SyncOutcome::Kind::Stored};
}

Fetched fetch(const Case& c) {
    const QString member = QString::fromLatin1(c.member);
    if (c.job == Job::OwnFirstCheck) {
        retrieval::OwnUpdateRun run(modini::settings());
        run.checkneueBewertungen();
        return finish(run);
    }
    retrieval::ForeignLoadRun run(modini::settings());
    if (c.job == Job::Profile)
        run.getbewertungen(member);
    else
        run.checkneueBewertungen({member, -1, true, true, true});
    return finish(run);
}

// The simulator all cases share, started by the first case that runs, and
// the Parallel=1 times the others are compared with.
struct Shared {
    marktsim::SimProcess sim;
    QString error;
    std::map<std::string, double> serialS;

    bool ready() {
        if (sim.port() != 0)
            return true;
        if (!sim.start({"--demo", "--demo-interval", "1000000"})) {
            error = sim.errorString();
            return false;
        }
        for (const Case& c : kCases)
            if (c.job == Job::OwnFirstCheck)
                sim.admin(QStringLiteral("member"),
                          QUrlQuery{{QStringLiteral("user"), QString::fromLatin1(c.member)},
                                    {QStringLiteral("count"), QString::number(c.ratings)}});
        return true;
    }
};

void runCase(benchmark::State& state, Shared& shared, const Case& c, int parallel) {
    if (!shared.ready()) {
        state.SkipWithError(qPrintable(shared.error));
        return;
    }
    AlwaysYes yes;
    app::setMessageBoxPresenter(&yes);
    for (auto _ : state) {
        state.PauseTiming();
        const QString user =
            c.job == Job::OwnFirstCheck ? QString::fromLatin1(c.member) : QStringLiteral("ich");
        Folder folder(user, shared.sim.baseUrl(),
                      "Parallel=" + QByteArray::number(parallel) + "\n");
        shared.sim.admin(QStringLiteral("clear"));
        // Every API request: the entries and the summary, not the token.
        shared.sim.fault(QStringLiteral("delay"),
                         {"on=api", "ms=150", "jitter=50", "count=1000000000"});
        bench::resetPeak();
        state.ResumeTiming();

        QElapsedTimer timer;
        timer.start();
        const Fetched fetched = fetch(c);
        const double seconds = timer.nsecsElapsed() / 1e9;

        state.PauseTiming();
        const QJsonObject stats = shared.sim.stats();
        state.counters["seconds"] = seconds;
        state.counters["requests"] = stats["entries"].toDouble() + stats["summary"].toDouble();
        state.counters["maxInFlight"] = stats["maxInFlight"].toDouble();
        state.counters["peak_rss_mb"] = bench::statusKiB("VmHWM:") / 1024.0;
        state.counters["fetched"] = double(fetched.ratings);
        if (!fetched.stored)
            state.SkipWithError("the run did not end as planned");
        if (parallel == 1)
            shared.serialS[c.name] = seconds;
        if (const auto serial = shared.serialS.find(c.name); serial != shared.serialS.end())
            state.counters["ratio"] = seconds / serial->second;
        state.ResumeTiming();
    }
    app::setMessageBoxPresenter(nullptr);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Shared shared;
    // Parallel=1 of a case runs before the others: its time is their ratio's base.
    for (const Case& c : kCases)
        for (const int parallel : {1, 4, 8})
            benchmark::RegisterBenchmark(
                (std::string(c.name) + "/Parallel:" + std::to_string(parallel)).c_str(),
                [&shared, &c, parallel](benchmark::State& state) {
                    runCase(state, shared, c, parallel);
                })
                ->Iterations(1)
                ->Unit(benchmark::kSecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
