// The store at the size of a very active member: 1,000,000 ratings over 20
// years, stored once through the batch path (itself the first figure), then
// pages, counts and the opening of that file, and the first page as the
// command-line list shows it beside the least any program could do for it.
// And HTMLDecode of a 1 KB text.
#define SQLITE_HAS_CODEC 1
#include "app/modGlobal.h"
#include "base/programFolder.h"
#include "rawFirstPage.h"
#include "store/connection.h"
#include "store/modData.h"
#include "store/modHTML2Text.h"
#include "store/schema.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <sqlcipher/sqlite3.h>

namespace {

constexpr int kRatings = 1000000;
const QString kUser = QStringLiteral("vielverkaeufer");

// BENCH_STORE_KEEP=1 keeps the program folder with its million ratings, to
// time the command-line tools on it afterwards.
QTemporaryDir& folder() {
    static QTemporaryDir dir;
    static const bool keep = [] {
        const bool k = qEnvironmentVariableIsSet("BENCH_STORE_KEEP");
        dir.setAutoRemove(!k);
        if (k)
            std::fprintf(stderr, "program folder kept: %s\n", qPrintable(dir.path()));
        return k;
    }();
    Q_UNUSED(keep);
    return dir;
}

QString dbPath() {
    return folder().filePath(QStringLiteral("noten.db"));
}

void openProgramFolder() {
    QDir(folder().path()).mkpath(QStringLiteral("Bin"));
    QFile config(folder().filePath(QStringLiteral("Bin/config.INI")));
    if (config.open(QIODevice::WriteOnly))
        config.write("[Main]\nDatabase=" + dbPath().toUtf8() +
                     "\n[User]\nUsername=" + kUser.toUtf8() + "\n");
    config.close();
    base::setProgramFolder(folder().path());
}

// One fetched rating as the load run delivers it: newest first, a rating
// about every 10.5 minutes back over 20 years; 90 % positive, 7 % neutral.
struct Line {
    qint16 kind;
    QString text, datum, member, artikel, id;
};

QString padded(qint64 v, int width) {
    return QString::number(v).rightJustified(width, QLatin1Char('0'));
}

// The input is made cheaply so that the figure is the store's.
Line lineAt(int i) {
    static const qint64 newestDay = QDate(2024, 12, 31).toJulianDay();
    const qint64 minutesBack = qint64(i) * 631 / 60; // a rating every 10.5 minutes
    const qint64 minuteOfNewest = 23 * 60;
    const qint64 total = newestDay * 1440 + minuteOfNewest - minutesBack;
    const QDate day = QDate::fromJulianDay(total / 1440);
    const int minute = int(total % 1440);
    const int r = i % 100;
    Line l;
    l.kind = r < 90 ? 1 : r < 97 ? 2 : 3;
    l.text = QStringLiteral("Alles bestens, schnelle Lieferung &amp; gerne wieder! Nr. ") +
             QString::number(i);
    l.datum = padded(day.day(), 2) + QLatin1Char('.') + padded(day.month(), 2) + QLatin1Char('.') +
              padded(day.year(), 4) + QLatin1Char(' ') + padded(minute / 60, 2) + QLatin1Char(':') +
              padded(minute % 60, 2);
    l.member = QStringLiteral("kaeufer_") + QString::number(i % 50000);
    l.artikel = QString::number(110000000000LL + i);
    l.id = QString::number(900000000LL + i);
    return l;
}

bool fixtureReady = false;

void storeAll(benchmark::State* state) {
    QFile::remove(dbPath());
    store::createDatabase(dbPath());
    openProgramFolder();
    modData::InitDB();
    QElapsedTimer timer;
    timer.start();
    auto batch = modData::beginBatch();
    int failed = 0;
    for (int i = 0; i < kRatings; ++i) {
        const Line l = lineAt(i);
        if (!modData::save_Bewerungen(l.kind, l.text, QStringLiteral("VK"), l.datum, l.member,
                                      l.artikel, kUser, i + 1, l.id))
            ++failed;
    }
    const qint64 beforeCommit = timer.nsecsElapsed();
    const bool committed = batch.commit();
    if (state) {
        state->counters["commit_s"] = (timer.nsecsElapsed() - beforeCommit) / 1e9;
        state->counters["ratings_per_s"] = kRatings / (timer.nsecsElapsed() / 1e9);
        state->counters["file_MB"] = QFileInfo(dbPath()).size() / 1e6;
        state->counters["failed"] = failed;
        state->counters["committed"] = committed;
    }
    fixtureReady = committed && failed == 0;
}

void ensureFixture() {
    if (!fixtureReady)
        storeAll(nullptr);
}

void BM_StoreThroughBatch(benchmark::State& state) {
    for (auto _ : state)
        storeAll(&state);
}
BENCHMARK(BM_StoreThroughBatch)->Iterations(1)->Unit(benchmark::kSecond);

void BM_OpenDatabase(benchmark::State& state) {
    ensureFixture();
    for (auto _ : state) {
        auto c = store::Connection::open(dbPath(), store::databasePassword());
        benchmark::DoNotOptimize(c);
    }
}
BENCHMARK(BM_OpenDatabase)->Iterations(3)->Unit(benchmark::kMillisecond);

// The key and the first read alone, to see what the integrity check costs.
void BM_OpenKeyOnly(benchmark::State& state) {
    ensureFixture();
    for (auto _ : state) {
        auto c = store::Connection::openRaw(dbPath(), store::databasePassword(), false);
        benchmark::DoNotOptimize(c->pragma("SELECT count(*) FROM sqlite_master"));
    }
}
BENCHMARK(BM_OpenKeyOnly)->Iterations(3)->Unit(benchmark::kMillisecond);

// After an unclean end the open reads the whole file once.
void BM_OpenAfterUncleanEnd(benchmark::State& state) {
    ensureFixture();
    // The program's own connection would hold the marker.
    modGlobal::resetGlobals();
    for (auto _ : state) {
        state.PauseTiming();
        // As a killed process leaves it: there, and held by nobody.
        QFile(dbPath() + QStringLiteral(".offen")).open(QIODevice::WriteOnly);
        state.ResumeTiming();
        auto c = store::Connection::open(dbPath(), store::databasePassword());
        benchmark::DoNotOptimize(c);
    }
    modData::InitDB();
}
BENCHMARK(BM_OpenAfterUncleanEnd)->Iterations(3)->Unit(benchmark::kMillisecond);

// notenschau-cli liste without its process: the configuration read, the
// database opened, the counts of the summary and the first 200 rows, the
// connection closed.
void BM_FirstPageAsListed(benchmark::State& state) {
    ensureFixture();
    const QString table = QStringLiteral("Bewertungeneigen");
    for (auto _ : state) {
        modGlobal::resetGlobals();
        modData::InitDB();
        qint32 counts = modData::read_Anzahl(modGlobal::sStandardUser);
        for (int kind = 1; kind <= 3; ++kind)
            counts += modData::read_BewertungenPosZahl(modGlobal::sStandardUser, kind, table);
        modGlobal::lSeitenAnfang = 1;
        benchmark::DoNotOptimize(counts +
                                 modData::read_Bewertungen(modGlobal::sStandardUser).Count());
        modGlobal::cnDB->close();
    }
}
BENCHMARK(BM_FirstPageAsListed)->Iterations(10)->Unit(benchmark::kMillisecond);

// The same 200 rows straight through the library.
void BM_FirstPageRaw(benchmark::State& state) {
    ensureFixture();
    const QByteArray path = QFile::encodeName(dbPath());
    qint64 rows = 0;
    for (auto _ : state)
        rows = rawFirstPage(path, kUser.toUtf8());
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_FirstPageRaw)->Iterations(10)->Unit(benchmark::kMillisecond);

// The one-time rebuild of a version-1 file of 1,000,000 ratings at its first
// open: a copy of the file with its version set back.
void BM_UpgradeFromVersion1(benchmark::State& state) {
    ensureFixture();
    modGlobal::resetGlobals();
    const QString copy = folder().filePath(QStringLiteral("version1.db"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(copy);
        QFile::copy(dbPath(), copy);
        store::Connection::openRaw(copy, store::databasePassword(), false)
            ->exec("PRAGMA user_version = 1");
        state.ResumeTiming();
        auto c = store::Connection::open(copy, store::databasePassword());
        benchmark::DoNotOptimize(c);
    }
    QFile::remove(copy);
    modData::InitDB();
}
BENCHMARK(BM_UpgradeFromVersion1)->Iterations(1)->Unit(benchmark::kSecond);

void BM_FirstPageAll(benchmark::State& state) {
    ensureFixture();
    modGlobal::lSeitenAnfang = 1;
    for (auto _ : state)
        benchmark::DoNotOptimize(modData::read_Bewertungen(kUser).Count());
}
BENCHMARK(BM_FirstPageAll)->Unit(benchmark::kMillisecond);

void BM_FirstPageOfKind(benchmark::State& state) {
    ensureFixture();
    modGlobal::lSeitenAnfang = 1;
    const qint16 kind = qint16(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(modData::read_BewertungenPos(kUser, kind).Count());
}
BENCHMARK(BM_FirstPageOfKind)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_LastPageAll(benchmark::State& state) {
    ensureFixture();
    modGlobal::lSeitenAnfang = 999801;
    for (auto _ : state)
        benchmark::DoNotOptimize(modData::read_Bewertungen(kUser).Count());
    modGlobal::lSeitenAnfang = 1;
}
BENCHMARK(BM_LastPageAll)->Unit(benchmark::kMillisecond);

void BM_ReadAnzahl(benchmark::State& state) {
    ensureFixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(modData::read_Anzahl(kUser));
}
BENCHMARK(BM_ReadAnzahl)->Unit(benchmark::kMillisecond);

void BM_CountOfKind(benchmark::State& state) {
    ensureFixture();
    const qint32 kind = qint32(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            modData::read_BewertungenPosZahl(kUser, kind, QStringLiteral("Bewertungeneigen")));
}
BENCHMARK(BM_CountOfKind)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_HTMLDecode1KB(benchmark::State& state) {
    QString text;
    while (text.size() < 1024)
        text += QStringLiteral("Sehr gut&#33; Gr%FC%DFe &amp; Dank,  it's &lt;top&gt;\r\n");
    text.truncate(1024);
    for (auto _ : state)
        benchmark::DoNotOptimize(modHTML2Text::HTMLDecode(text));
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_HTMLDecode1KB);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    modGlobal::resetGlobals();
    return 0;
}
