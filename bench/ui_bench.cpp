// The main window's list at the size of a very active member: 1,000,000
// ratings of the standard user. Show-all from the click to the 200th row
// painted, a page turn, a filter, the memory a full page costs, and the
// window's start to its first painted page beside the bare keyed query.
#include "app/modGlobal.h"
#include "base/programFolder.h"
#include "processMemory.h"
#include "rawFirstPage.h"
#include "store/modData.h"
#include "store/schema.h"
#include "ui/forms.h"
#include "ui/main/feedbackList.h"
#include "ui/main/feedbackView.h"
#include "ui/main/frmAnzeige.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr int kRatings = 1000000;
const QString kUser = QStringLiteral("vielverkaeufer");

struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<ui::FeedbackList> list;
    std::unique_ptr<ui::FeedbackView> view;

    Fixture() {
        const QString db = dir.filePath(QStringLiteral("noten.db"));
        store::createDatabase(db);
        QDir(dir.path()).mkpath(QStringLiteral("Bin"));
        QFile config(dir.filePath(QStringLiteral("Bin/config.INI")));
        config.open(QIODevice::WriteOnly);
        config.write("[Main]\nDatabase=" + db.toUtf8() + "\n[User]\nUsername=" + kUser.toUtf8() +
                     "\n");
        config.close();
        base::setProgramFolder(dir.path());
        modData::InitDB();
        const QDateTime newest(QDate(2026, 11, 30), QTime(23, 0));
        auto batch = modData::beginBatch();
        for (int i = 0; i < kRatings; ++i) {
            const int r = i % 100;
            [[maybe_unused]] const bool saved = modData::save_Bewerungen(
                qint16(r < 90   ? 1
                       : r < 97 ? 2
                                : 3),
                QStringLiteral("Alles bestens, gerne wieder! Nr. ") + QString::number(i),
                QStringLiteral("V"),
                newest.addSecs(-qint64(i) * 631).toString(QStringLiteral("dd.MM.yyyy hh:mm")),
                QStringLiteral("kaeufer_") + QString::number(i % 50000),
                QString::number(110000000000LL + i), kUser, i + 1,
                QString::number(900000000LL + i));
        }
        batch.commit();
        list = std::make_unique<ui::FeedbackList>();
        list->resize(1300, 800);
        list->show();
        list->subInitListe();
        view = std::make_unique<ui::FeedbackView>(list.get());
    }

    // The rows are on screen when the surface has painted them.
    void paint() { list->surface()->repaint(); }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// The main window loaded as the program starts it (configuration, database,
// list, first page) and painted.
void BM_WindowStartToFirstPage(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        modGlobal::cnDB.reset();
        {
            ui::frmAnzeige& w = ui::Form<ui::frmAnzeige>::get();
            w.Form_Load();
            w.repaint();
            state.counters["rows"] = w.liste().rowCount() - 1;
            state.PauseTiming();
            ui::Form<ui::frmAnzeige>::unload();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            state.ResumeTiming();
        }
    }
    Q_UNUSED(f);
    modData::InitDB();
}
BENCHMARK(BM_WindowStartToFirstPage)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_RawFirstPage(benchmark::State& state) {
    Fixture& f = fixture();
    const QByteArray path = QFile::encodeName(f.dir.filePath(QStringLiteral("noten.db")));
    for (auto _ : state)
        state.counters["rows"] = double(rawFirstPage(path, kUser.toUtf8()));
}
BENCHMARK(BM_RawFirstPage)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_ShowAll(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        f.view->cmdalleanzeigen_Click();
        f.paint();
    }
    state.counters["rows"] = f.list->rowCount() - 1;
}
BENCHMARK(BM_ShowAll)->Unit(benchmark::kMillisecond);

void BM_PageTurn(benchmark::State& state) {
    Fixture& f = fixture();
    f.view->cmdalleanzeigen_Click();
    for (auto _ : state) {
        f.view->cmdnext_Click();
        f.paint();
        state.PauseTiming();
        if (modGlobal::lSeitenAnfang > 5000)
            f.view->cmdalleanzeigen_Click();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PageTurn)->Unit(benchmark::kMillisecond);

void BM_PageTurnDeep(benchmark::State& state) {
    Fixture& f = fixture();
    f.view->cmdalleanzeigen_Click();
    modGlobal::lSeitenAnfang = kRatings - 399;
    for (auto _ : state) {
        f.view->cmdnext_Click(); // to the last page, 999,801
        f.paint();
        state.PauseTiming();
        modGlobal::lSeitenAnfang = kRatings - 399;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PageTurnDeep)->Unit(benchmark::kMillisecond);

void BM_FilterNeutral(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        f.view->Command2_Click();
        f.paint();
    }
    state.counters["neutral"] = modGlobal::lAnzahlGesamt;
}
BENCHMARK(BM_FilterNeutral)->Unit(benchmark::kMillisecond);

// The process's resident memory with a full page on screen: the database's
// page cache, Qt and the 201 painted rows (which hold only their texts).
void BM_MemoryWithAFullPage(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        f.view->cmdalleanzeigen_Click();
        f.paint();
    }
    state.counters["process_MiB"] = bench::statusKiB("VmRSS:") / 1024.0;
    state.counters["list_widgets"] = double(f.list->findChildren<QWidget*>().size());
}
BENCHMARK(BM_MemoryWithAFullPage)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
