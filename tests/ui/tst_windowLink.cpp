// The open window and the other processes of its folder: a check of
// notenschau-cli shows in the window's list without a check of the window's
// own, "ZEIGEN" brings the window back, and the window and the command line
// never check at once. The real window, real processes, the simulator.
#include "answerers.h"
#include "app/windowLink.h"
#include "guiDriver.h"
#include "marktsimProcess.h"
#include "processRun.h"
#include "retrieval/clsTalmBewertungen.h"
#include "storeFixture.h"
#include "testData.h"
#include "ui/dialogs/frmLade.h"
#include "ui/forms.h"
#include "ui/main/feedbackList.h"
#include "ui/main/frmAnzeige.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using testsupport::fetch;
using testsupport::ProcessResult;
using ui::Form;
using ui::frmAnzeige;

class WindowLinkTest : public QObject {
    Q_OBJECT
    marktsim::SimProcess sim;
    std::unique_ptr<testsupport::StoreFixture> store;

    frmAnzeige& openWindow() {
        store = std::make_unique<testsupport::StoreFixture>(QStringLiteral("anna"),
                                                            testsupport::marktplatz(sim.baseUrl()));
        frmAnzeige& w = Form<frmAnzeige>::get();
        w.Form_Load();
        return w;
    }
    QStringList pruefen() const { return {"--ordner", store->folder().path(), "pruefen", "--ja"}; }
    qint64 entries() { return sim.stats().value("entries").toInteger(); }
    QString busy(qint64 pid) const {
        return QStringLiteral("Eine Prüfung läuft bereits (Prozess %1). Bitte versuchen Sie es "
                              "gleich noch einmal.")
            .arg(pid);
    }

private slots:
    void initTestCase() {
        QVERIFY2(sim.start({"--member", "anna:12", "--reference", "2026-11-30T12:00:00Z"}),
                 qPrintable(sim.errorString()));
        retrieval::clsTalmBewertungen::Timing t = retrieval::clsTalmBewertungen::defaultTiming();
        t.http.retryWaitsMs = {50, 100};
        retrieval::clsTalmBewertungen::setDefaultTiming(t);
    }
    void init() {
        sim.admin("clear");
        sim.admin("member", QUrlQuery{{"user", "anna"}, {"count", "12"}});
        retrieval::clsTalmBewertungen::clearTokenCache();
    }
    void cleanup() {
        Form<frmAnzeige>::unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        store.reset();
    }

    void aCheckOnTheCommandLineShowsInTheWindow() {
        frmAnzeige& w = openWindow();
        QCOMPARE(w.liste().rowCount(), 1);
        const ProcessResult r = testsupport::runProcess(NOTENSCHAU_CLI_PATH, pruefen());
        QCOMPARE(r.code, 0);
        const qint64 loaded = entries();
        QVERIFY(loaded > 0);
        QTRY_COMPARE(w.lblinfo()->text(), QStringLiteral("Anzeige: 1 - 12 von 12"));
        QCOMPARE(w.liste().rowCount(), 13);
        QCOMPARE(w.lblsumme(1)->text().toInt() + w.lblsumme(2)->text().toInt() +
                     w.lblsumme(3)->text().toInt(),
                 12);
        QVERIFY(w.button(ui::FeedbackView::ZorButton1)->isEnabled());
        QCOMPARE(entries(), loaded);
    }

    // Only the window of the folder it is meant for comes forward.
    void zeigenBringsTheWindowBack_data() {
        QTest::addColumn<bool>("ownFolder");
        testsupport::row("own folder", true);
        testsupport::row("another folder", false);
    }
    void zeigenBringsTheWindowBack() {
        frmAnzeige& w = openWindow();
        w.showMinimized();
        QVERIFY(w.isMinimized());
        const bool own = fetch<bool>("ownFolder");
        const QTemporaryDir other;
        QCOMPARE(app::sendToWindow(own ? store->folder().path() : other.path(),
                                   app::WindowCommand::Zeigen),
                 own);
        if (own)
            QTRY_VERIFY(!w.isMinimized());
        QTest::qWait(50);
        QCOMPARE(w.isMinimized(), !own);
    }

    void theWindowAndTheCommandLineCheckInTurn() {
        frmAnzeige& w = openWindow();
        QVERIFY(sim.fault("delay", {"on=entries", "ms=3000", "count=1"}));
        QProcess cli;
        testsupport::startProcess(cli, NOTENSCHAU_CLI_PATH, pruefen());
        const QString lock = store->databasePath() + "-pruefung.lock";
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(lock).size() > 0, 10000);
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK);
        bool progressShown = false;
        testsupport::onNextModal([&](QWidget* m) { progressShown = qobject_cast<ui::frmLade*>(m); },
                                 300);
        w.ZorButton1_Click();
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, busy(cli.processId()));
        QCOMPARE(boxes.shown[0].style, int(app::vbOKOnly | app::vbInformation));
        QVERIFY(!progressShown);
        QVERIFY(w.button(ui::FeedbackView::ZorButton1)->isEnabled());
        QCOMPARE(testsupport::finishProcess(cli).code, 0);

        // Now the window checks, and the command line is refused meanwhile.
        sim.admin("add", QUrlQuery{{"user", "anna"}, {"count", "3"}});
        QVERIFY(sim.fault("delay", {"on=entries", "ms=2000", "count=1"}));
        ProcessResult refused;
        testsupport::onNextModal(
            [&](QWidget*) { refused = testsupport::runProcess(NOTENSCHAU_CLI_PATH, pruefen()); });
        boxes.answer(app::vbYes);
        w.ZorButton1_Click();
        QCOMPARE(refused.code, 8);
        QCOMPARE(refused.err, busy(QCoreApplication::applicationPid()) + '\n');
        QCOMPARE(w.lblinfo()->text(), QStringLiteral("Anzeige: 1 - 15 von 15"));
        QCOMPARE(boxes.unexpected, 0);
    }
};

QTEST_MAIN(WindowLinkTest)
#include "tst_windowLink.moc"
