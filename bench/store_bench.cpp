// The store at the size of a very active member: 1,000,000 ratings over 20
// years, stored once through the batch path (itself the first figure), then
// pages, counts and the opening of that file. And HTMLDecode of a 1 KB text.
#include "app/modGlobal.h"
#include "base/programFolder.h"
#include "store/modHTML2Text.h"
#include "store/connection.h"
#include "store/modData.h"
#include "store/schema.h"

#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

constexpr int kRatings = 1000000;
const QString kUser = QStringLiteral("vielverkaeufer");

QTemporaryDir& folder() {
    static QTemporaryDir dir;
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
    app::setProgramFolder(folder().path());
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
