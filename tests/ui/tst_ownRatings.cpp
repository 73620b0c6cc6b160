// "Jetzt Prüfen" from end to end: the real window, the progress window, the
// feedback source against the marketplace simulator, and a real database.
#include "answerers.h"
#include "app/modGlobal.h"
#include "guiDriver.h"
#include "marktsimProcess.h"
#include "retrieval/clsTalmBewertungen.h"
#include "retrieval/ownUpdateRun.h"
#include "store/lineStoring.h"
#include "store/modData.h"
#include "storeFixture.h"
#include "ui/dialogs/frmLade.h"
#include "ui/forms.h"
#include "ui/main/feedbackList.h"
#include "ui/main/frmAnzeige.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace modGlobal;
using ui::Form;
using ui::frmAnzeige;

namespace {

const QString kQuestionTail =
    QStringLiteral(" neue Bewertungen. Sollen die neuen Bewertungen geladen werden?");
const QString kNothingNew = QStringLiteral("Es sind keine neuen Bewertungen eingegangen");

QByteArray marktplatz(const QString& baseUrl) {
    return "[Marktplatz]\nApiUrl=" + baseUrl.toUtf8() +
           "\nClientId=notenschau\nClientSecret=geheim\n";
}

} // namespace

class OwnRatingsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<marktsim::SimProcess> sim;
    std::unique_ptr<testsupport::StoreFixture> store;
    QStringList pageCaptions;

    void startSim(const QStringList& members) {
        sim = std::make_unique<marktsim::SimProcess>();
        QStringList args{"--reference", "2026-11-30T12:00:00Z"};
        for (const QString& m : members)
            args << "--member" << m;
        QVERIFY2(sim->start(args), qPrintable(sim->errorString()));
    }

    frmAnzeige& openWindow(const QString& user, const QByteArray& mainLines = "checkInet=False\n") {
        store = std::make_unique<testsupport::StoreFixture>(user, marktplatz(sim->baseUrl()),
                                                            mainLines);
        frmAnzeige& w = Form<frmAnzeige>::get();
        w.Form_Load();
        return w;
    }

    // Records the page captions of the next run of the progress window.
    void watchProgressWindow() {
        ui::frmLade& lade = Form<ui::frmLade>::get();
        connect(&lade, &ui::frmLade::runCreated, this, [this](OwnUpdateRun* run) {
            connect(run, &OwnUpdateRun::changed, this, [this, run] {
                if (pageCaptions.isEmpty() || pageCaptions.last() != run->label1())
                    pageCaptions << run->label1();
            });
        });
    }

    qint32 stored(const QString& user = QStringLiteral("anna")) {
        return modData::read_Anzahl(user);
    }

private slots:
    void initTestCase() {
        clsTalmBewertungen::Timing t = clsTalmBewertungen::defaultTiming();
        t.http.retryWaitsMs = {50, 100};
        t.http.inactivityMs = 3000;
        t.http.deadlineMs = 10000;
        clsTalmBewertungen::setDefaultTiming(t);
    }
    void init() {
        clsTalmBewertungen::clearTokenCache();
        pageCaptions.clear();
    }
    void cleanup() {
        Form<frmAnzeige>::unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        store.reset();
        sim.reset();
    }

    void firstCheckSecondCheckAndNewRatings() {
        startSim({"anna:450"});
        frmAnzeige& w = openWindow(QStringLiteral("anna"));
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbYes);
        watchProgressWindow();
        w.ZorButton1_Click();
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("Sie haben 450") + kQuestionTail);
        QCOMPARE(boxes.shown[0].buttons(), int(app::vbYesNo));
        QCOMPARE(boxes.shown[0].icon(), 0);
        QCOMPARE(pageCaptions, QStringList({"Lade Daten aus dem Internet",
                                            "Lade Daten aus dem Internet (1 von 3)",
                                            "Lade Daten aus dem Internet (2 von 3)",
                                            "Lade Daten aus dem Internet (3 von 3)"}));
        QCOMPARE(stored(), 450);
        QCOMPARE(w.lblinfo()->text(), QStringLiteral("Anzeige: 1 - 200 von 450"));
        QCOMPARE(w.liste().rowCount(), 201);
        QVERIFY(w.button(ui::FeedbackView::ZorButton1)->isEnabled());
        const int shownLabels = w.lblsumme(1)->text().toInt() + w.lblsumme(2)->text().toInt() +
                                w.lblsumme(3)->text().toInt();
        QCOMPARE(shownLabels, 450);

        // Nothing new: no question, the information message.
        boxes.answer(app::vbOK);
        w.ZorButton1_Click();
        QCOMPARE(boxes.shown.size(), 2);
        QCOMPARE(boxes.shown[1].text, kNothingNew);
        QCOMPARE(boxes.shown[1].icon(), int(app::vbInformation));

        // 15 new ones arrive at the marketplace.
        sim->admin(QStringLiteral("add"), QUrlQuery{{"user", "anna"}, {"count", "15"}});
        boxes.answer(app::vbYes);
        w.ZorButton1_Click();
        QCOMPARE(boxes.shown[2].text, QStringLiteral("Sie haben 15") + kQuestionTail);
        QCOMPARE(stored(), 465);
        QCOMPARE(boxes.unexpected, 0);
    }

    void declinedAndCancelled() {
        startSim({"anna:300"});
        frmAnzeige& w = openWindow(QStringLiteral("anna"));
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbNo).answer(app::vbOK);
        w.ZorButton1_Click();
        QCOMPARE(boxes.shown.last().text, kNothingNew);
        QCOMPARE(stored(), 0);

        // Cancelled while the second page is slow to come.
        sim->fault(QStringLiteral("delay"), {"on=entries", "after=1", "ms=3000"});
        boxes.answer(app::vbYes).answer(app::vbOK);
        testsupport::onNextModal([](QWidget* modal) {
            auto* lade = qobject_cast<ui::frmLade*>(modal);
            QTimer::singleShot(1500, lade, [lade] { lade->cmdabort()->click(); });
        });
        w.ZorButton1_Click();
        QCOMPARE(boxes.shown.last().text, kNothingNew);
        QCOMPARE(stored(), 0);
        QVERIFY(w.button(ui::FeedbackView::ZorButton1)->isEnabled());
    }

    void aConnectionErrorInTheSecondPhaseStoresWhatArrived() {
        startSim({"anna:450"});
        frmAnzeige& w = openWindow(QStringLiteral("anna"));
        sim->fault(QStringLiteral("status"), {"on=entries", "after=2", "status=503", "count=20"});
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbYes).answer(app::vbOK);
        w.ZorButton1_Click();
        QCOMPARE(boxes.shown.size(), 2);
        const QString error = boxes.shown[1].text;
        QVERIFY2(error.startsWith(QStringLiteral("Fehler bei der Verbindungsaufnahme: 503\r "
                                                 "Beschreibung: ")),
                 qPrintable(error));
        QVERIFY(error.endsWith(
            QStringLiteral("\rBitte prüfen Sie ob eine Internetverbindung besteht.")));
        QVERIFY(!error.contains(QLatin1Char('\n')));
        QCOMPARE(boxes.shown[1].icon(), int(app::vbCritical));
        // The first page arrived and is stored; the rest are placeholders.
        QCOMPARE(stored(), 450);
        lSeitenAnfang = 1;
        QCOMPARE(
            modData::read_BewertungenPosZahl(QStringLiteral("anna"), 1, "Bewertungeneigen") +
                modData::read_BewertungenPosZahl(QStringLiteral("anna"), 2, "Bewertungeneigen") +
                modData::read_BewertungenPosZahl(QStringLiteral("anna"), 3, "Bewertungeneigen"),
            200);
    }

    void anUnknownMember() {
        startSim({"anna:10"});
        frmAnzeige& w = openWindow(QStringLiteral("niemand"));
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK).answer(app::vbOK);
        w.ZorButton1_Click();
        QCOMPARE(boxes.shown.size(), 2);
        QCOMPARE(boxes.shown[0].text,
                 QStringLiteral("Der eingegebene Mitgliedsname wurde nicht gefunden. Bitte "
                                "überprüfen Sie den Mitgliedsnamen, und versuchen Sie es erneut!"));
        QCOMPARE(boxes.shown[0].icon(), int(app::vbCritical));
        QCOMPARE(boxes.shown[1].text, kNothingNew);
        QCOMPARE(stored(QStringLiteral("niemand")), 0);
    }

    void pageLimits_data() {
        QTest::addColumn<int>("n");
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("200") << 200
                             << QStringList({"Lade Daten aus dem Internet",
                                             "Lade Daten aus dem Internet (1 von 1)"});
        QTest::newRow("201") << 201
                             << QStringList({"Lade Daten aus dem Internet",
                                             "Lade Daten aus dem Internet (1 von 2)",
                                             "Lade Daten aus dem Internet (2 von 2)"});
    }
    void pageLimits() {
        QFETCH(int, n);
        QFETCH(QStringList, captions);
        startSim({QStringLiteral("anna:%1").arg(n)});
        frmAnzeige& w = openWindow(QStringLiteral("anna"));
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbYes);
        watchProgressWindow();
        w.ZorButton1_Click();
        QCOMPARE(pageCaptions, captions);
        QCOMPARE(stored(), n);
        QCOMPARE(colNeueBewertungen.size(), n);
    }

    void withoutAConnectionNoRunStarts() {
        startSim({"anna:10"});
        frmAnzeige& w =
            openWindow(QStringLiteral("anna"), "checkInet=True\nPruefHost1=nirgendwo.invalid\n"
                                               "PruefHost2=auch-nicht.invalid\n");
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK);
        bool progressShown = false;
        testsupport::onNextModal([&](QWidget* m) { progressShown = qobject_cast<ui::frmLade*>(m); },
                                 500);
        w.ZorButton1_Click();
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("Es besteht keine Verbindung zum Internet!"));
        QCOMPARE(boxes.shown[0].icon(), int(app::vbCritical));
        QVERIFY(!progressShown);
        QVERIFY(w.button(ui::FeedbackView::ZorButton1)->isEnabled());
        QCOMPARE(stored(), 0);
    }
};

// Storing fetched lines, without the network.
class LineStoringTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::StoreFixture> store;

    static QString line(int kind, const QString& member, int i) {
        return QStringLiteral("%1#//#Text %2#//#V#//#%3#//#%4#//#4711%2#//#id%2")
            .arg(kind)
            .arg(i)
            .arg(QDateTime(QDate(2026, 10, 1), QTime(12, 0))
                     .addSecs(-60 * i)
                     .toString("dd.MM.yyyy hh:mm"))
            .arg(member);
    }

private slots:
    void init() { store = std::make_unique<testsupport::StoreFixture>(QStringLiteral("anna")); }
    void cleanup() { store.reset(); }

    void placeholdersMakeUpTheReportedTotal() {
        store->addRatings(QStringLiteral("anna"), 100, QDateTime(QDate(2026, 9, 1), QTime(8, 0)));
        colNeueBewertungen.clear();
        for (int i = 1; i <= 15; ++i)
            colNeueBewertungen << line(1 + i % 3, i == 3 ? QString() : QStringLiteral("k%1").arg(i),
                                       i);
        lAnzahlBewertungen = 120;
        ui::FeedbackList list;
        list.subInitListe();
        ui::FeedbackView view(&list);
        view.Command7_Click();
        QCOMPARE(modData::read_Anzahl(QStringLiteral("anna")), 120);
        QCOMPARE(lAnzahlGesamt, 120);
        // Placeholders are in no filter; the empty member became "???".
        const int kinds = modData::read_BewertungenPosZahl("anna", 1, "Bewertungeneigen") +
                          modData::read_BewertungenPosZahl("anna", 2, "Bewertungeneigen") +
                          modData::read_BewertungenPosZahl("anna", 3, "Bewertungeneigen");
        QCOMPARE(kinds, 115);
        lSeitenAnfang = 1;
        const modData::Page first = modData::read_Bewertungen(QStringLiteral("anna"));
        bool unknownMember = false;
        for (const QStringList& row : first)
            unknownMember |=
                row.at(1) == QStringLiteral("Text 3") && row.at(4) == QStringLiteral("???");
        QVERIFY(unknownMember);
        QCOMPARE(view.lblinfo(), QStringLiteral("Anzeige: 1 - 120 von 120"));

        // More stored than reported: no placeholders.
        colNeueBewertungen.clear();
        lAnzahlBewertungen = 50;
        view.Command7_Click();
        QCOMPARE(modData::read_Anzahl(QStringLiteral("anna")), 120);
    }

    void aBadLineGoesToTheErrorDialogAndTheNextOneIsStored() {
        colNeueBewertungen = {line(1, "a", 1),
                              QStringLiteral("x#//#kaputt#//#V#//#01.10.2026 10:00#//#b#//#1"),
                              QStringLiteral("1#//#zu kurz"), line(2, "c", 4)};
        lAnzahlBewertungen = 0;
        testsupport::ErrorAnswerer answers;
        answers.answer(errors::NextStatement).answer(errors::NextStatement);
        ui::FeedbackList list;
        list.subInitListe();
        ui::FeedbackView view(&list);
        view.Command7_Click();
        QCOMPARE(answers.reports.size(), 2);
        QCOMPARE(answers.reports[0].number, 13);
        QCOMPARE(answers.reports[0].procedure, QStringLiteral("Command7_Click"));
        QCOMPARE(answers.reports[1].number, 9);
        QCOMPARE(modData::read_Anzahl(QStringLiteral("anna")), 2);
    }

    void theForeignPathSkipsLinesWithoutSeparator() {
        sFremdUser = QStringLiteral("fremd");
        colNeueBewertungen = {line(1, "a", 1), QStringLiteral("keine Bewertung"), line(3, "", 3)};
        ui::FeedbackList list;
        list.subInitListe();
        ui::FeedbackView view(&list);
        view.saveTemp();
        QCOMPARE(modData::read_AnzahlTemp(QStringLiteral("fremd")), 2);
        QCOMPARE(modData::read_Anzahl(QStringLiteral("anna")), 0);
        // An empty collection stores nothing and still refreshes.
        colNeueBewertungen.clear();
        view.saveTemp();
        QCOMPARE(modData::read_AnzahlTemp(QStringLiteral("fremd")), 2);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int status = 0;
    {
        OwnRatingsTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        LineStoringTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}
#include "tst_ownRatings.moc"
