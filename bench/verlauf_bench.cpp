// "Verlauf und Suche" at the size of a very active member: 1,000,000 ratings
// of the standard user over 20 years. The chart of all years from the click
// to painted, a search to its first page painted, the export of all of them
// to CSV with the memory it takes, the storing rate with the full-text index
// kept by its triggers, and the one-time index build of a file made before it.
#include "app/modGlobal.h"
#include "base/programFolder.h"
#include "processMemory.h"
#include "store/connection.h"
#include "store/modData.h"
#include "store/ratingQuery.h"
#include "store/ratingStoring.h"
#include "store/schema.h"
#include "ui/dialogs/frmVerlauf.h"
#include "ui/forms.h"
#include "ui/main/feedbackList.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <QApplication>
#include <QChartView>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

namespace {

constexpr int kRatings = 1000000;
const QString kUser = QStringLiteral("vielverkaeufer");

using bench::resetPeak;
using bench::statusKiB;

constexpr int kLoad = 10000;

struct Fixture {
    QTemporaryDir dir;
    double storedPerSecond = 0; // the million, in loads of 10,000

    QString db() const { return dir.filePath(QStringLiteral("noten.db")); }

    Fixture() {
        store::createDatabase(db());
        QDir(dir.path()).mkpath(QStringLiteral("Bin"));
        QFile config(dir.filePath(QStringLiteral("Bin/config.INI")));
        config.open(QIODevice::WriteOnly);
        config.write("[Main]\nDatabase=" + db().toUtf8() + "\n[User]\nUsername=" + kUser.toUtf8() +
                     "\n");
        config.close();
        base::setProgramFolder(dir.path());
        modData::InitDB();
        // A rating every 631 seconds back from the end of November 2026: 20
        // years, stored as loads store them, 10,000 at a time.
        const QDateTime newest(QDate(2026, 11, 30), QTime(23, 0));
        qint64 storing = 0;
        for (int from = 0; from < kRatings; from += kLoad) {
            std::vector<store::FetchedRating> load(kLoad);
            for (int i = from; i < from + kLoad; ++i) {
                const int r = i % 100;
                load[size_t(i - from)] = {QString::number(900000000LL + i),
                                          qint16(r < 90   ? 1
                                                 : r < 97 ? 2
                                                          : 3),
                                          QStringLiteral("Alles bestens, gerne wieder! Nr. ") +
                                              QString::number(i),
                                          QStringLiteral("V"),
                                          newest.addSecs(-qint64(i) * 631),
                                          QStringLiteral("kaeufer_") + QString::number(i % 50000),
                                          QString::number(110000000000LL + i)};
            }
            QElapsedTimer timer;
            timer.start();
            if (!store::storeFetched(modData::Table::Own, kUser, load, store::StoreMode::Add).ok)
                qFatal("not stored");
            storing += timer.nsecsElapsed();
        }
        storedPerSecond = kRatings / (double(storing) / 1e9);
    }

    ui::frmVerlauf& window() {
        ui::frmVerlauf& w = ui::Form<ui::frmVerlauf>::get();
        if (!w.isVisible())
            w.showMember();
        return w;
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void paint(ui::frmVerlauf& w) {
    w.chartView()->viewport()->repaint();
    w.liste().surface()->repaint();
}

// The window opened from the menu: the counts of every month, the chart of a
// year and the first page of all ratings, painted.
void BM_OpenWindow(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        ui::frmVerlauf& w = f.window();
        paint(w);
        state.PauseTiming();
        ui::Form<ui::frmVerlauf>::unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenWindow)->Unit(benchmark::kMillisecond);

// The range switched from a year to all; what the process holds after it,
// per switch, tells a chart that keeps what it once showed.
void BM_ChartAllYears(benchmark::State& state) {
    ui::frmVerlauf& w = fixture().window();
    resetPeak();
    const long before = statusKiB("VmRSS:");
    for (auto _ : state) {
        state.PauseTiming();
        w.rangeButton(ui::VerlaufModel::Range::Year)->click();
        paint(w);
        state.ResumeTiming();
        w.rangeButton(ui::VerlaufModel::Range::All)->click();
        w.chartView()->viewport()->repaint();
    }
    malloc_trim(0);
    state.counters["months"] = double(w.model().months().size());
    state.counters["KiB_per_switch"] =
        double(statusKiB("VmRSS:") - before) / double(state.iterations());
}
BENCHMARK(BM_ChartAllYears)->Unit(benchmark::kMillisecond);

// The counts of every month alone, as the chart reads them.
void BM_MonthlyCounts(benchmark::State& state) {
    fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(store::monthlyCounts(modData::Table::Own, kUser));
}
BENCHMARK(BM_MonthlyCounts)->Unit(benchmark::kMillisecond);

// From Enter in the search field to the first page painted, for words not
// searched just before: a giver (20 ratings), an item number (1), a word of
// every rating (1,000,000), a word of none.
void BM_Search(benchmark::State& state) {
    static const char* const words[] = {"kaeufer_4711", "110000654321", "bestens", "zzz"};
    ui::frmVerlauf& w = fixture().window();
    const QString word = QString::fromLatin1(words[state.range(0)]);
    for (auto _ : state) {
        state.PauseTiming();
        // Another search first: a search's hits are kept until the next one.
        w.searchField()->setText(QStringLiteral("vorher"));
        w.startSearch();
        w.searchField()->setText(word);
        state.ResumeTiming();
        w.startSearch();
        w.liste().surface()->repaint();
    }
    state.SetLabel(word.toStdString());
    state.counters["found"] = w.model().total();
}
BENCHMARK(BM_Search)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// All 1,000,000 through the window's export to a CSV file; the peak of the
// resident memory during the export beside what the process held before.
void BM_ExportAllCsv(benchmark::State& state) {
    Fixture& f = fixture();
    ui::frmVerlauf& w = f.window();
    w.searchField()->clear();
    w.startSearch();
    w.kindButton(0)->click();
    const QString path = f.dir.filePath(QStringLiteral("alle.csv"));
    w.setFileChooser([path](auto...) { return path; });
    long before = 0;
    long peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(path);
        resetPeak();
        before = statusKiB("VmRSS:");
        state.ResumeTiming();
        w.exportButton()->click();
        peak = statusKiB("VmHWM:");
    }
    state.counters["rows"] = w.model().total();
    state.counters["file_MB"] = QFileInfo(path).size() / 1e6;
    state.counters["rss_before_MiB"] = before / 1024.0;
    state.counters["peak_MiB"] = peak / 1024.0;
    state.counters["growth_MiB"] = (peak - before) / 1024.0;
    QFile::remove(path);
}
BENCHMARK(BM_ExportAllCsv)->Iterations(2)->Unit(benchmark::kSecond);

// 10,000 fetched ratings of a new member stored in one batch beside the
// million, each one also entered into the full-text index by its trigger.
void BM_StoreWithIndex(benchmark::State& state) {
    fixture();
    constexpr int kCount = kLoad;
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<store::FetchedRating> ratings(kCount);
        const QDateTime newest(QDate(2026, 11, 30), QTime(23, 0));
        for (int i = 0; i < kCount; ++i)
            ratings[size_t(i)] = {QString::number(500000000LL + i),
                                  qint16(i % 10 == 9 ? 3 : 1),
                                  QStringLiteral("Schnelle Lieferung, Ware wie beschrieben. Nr. ") +
                                      QString::number(i),
                                  QStringLiteral("V"),
                                  newest.addSecs(-qint64(i) * 600),
                                  QStringLiteral("kunde_") + QString::number(i % 3000),
                                  QString::number(120000000000LL + i)};
        const QString member = QStringLiteral("neu_") + QString::number(++run);
        state.ResumeTiming();
        const store::StoreReport report =
            store::storeFetched(modData::Table::Own, member, ratings, store::StoreMode::Add);
        state.counters["added"] = report.added;
    }
    state.counters["ratings_per_s"] =
        benchmark::Counter(double(kCount), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["million_per_s"] = fixture().storedPerSecond;
}
BENCHMARK(BM_StoreWithIndex)->Iterations(5)->Unit(benchmark::kMillisecond);

// A copy of the file as the version before the index left it (no index
// tables or triggers, version 2), brought up to date once.
void BM_IndexBuildOfAnOlderFile(benchmark::State& state) {
    Fixture& f = fixture();
    const QString copy = f.dir.filePath(QStringLiteral("version2.db"));
    for (auto _ : state) {
        state.PauseTiming();
        modGlobal::cnDB->close();
        QFile::remove(copy);
        QFile::copy(f.db(), copy);
        auto c = store::Connection::openRaw(copy, store::databasePassword(), false);
        for (const char* table : {"Bewertungeneigen", "BewertungenTemp"})
            for (const char* trigger : {"hinzu", "weg", "vorher", "nachher"})
                c->exec(QByteArray("DROP TRIGGER ") + table + "_suche_" + trigger);
        c->exec("DROP TABLE BewertungeneigenSuche; DROP TABLE BewertungenTempSuche; "
                "PRAGMA user_version = 2; VACUUM");
        state.ResumeTiming();
        store::upgradeSchema(*c);
        state.PauseTiming();
        state.counters["rows"] = double(kRatings);
        c.reset();
        QFile::remove(copy);
        state.ResumeTiming();
    }
    modGlobal::cnDB->reopen();
}
BENCHMARK(BM_IndexBuildOfAnOlderFile)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ui::Form<ui::frmVerlauf>::unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    modGlobal::resetGlobals();
    return 0;
}
