// "Jetzt Prüfen" through the window: the real window, the progress window,
// the feedback source against the marketplace simulator, and a real database.
#include "answerers.h"
#include "app/modGlobal.h"
#include "guiDriver.h"
#include "retrieval/ownUpdateRun.h"
#include "store/connection.h"
#include "store/modData.h"
#include "store/ratingStoring.h"
#include "storeFixture.h"
#include "testData.h"
#include "ui/controls/menuAdapter.h"
#include "ui/dialogs/frmLade.h"
#include "ui/forms.h"
#include "ui/main/feedbackList.h"
#include "ui/main/frmAnzeige.h"
#include "windowFixture.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using testsupport::fetch;
using testsupport::row;
using ui::Form;
using ui::frmAnzeige;

class OwnRatingsTest : public QObject, testsupport::WindowFixture {
    Q_OBJECT

    bool simWith(const QString& member) {
        return startSim({"--reference", "2026-11-30T12:00:00Z", "--member", member});
    }
    qint32 stored(const QString& user = QStringLiteral("anna")) {
        return modData::read_Anzahl(user);
    }
    static int summed(frmAnzeige& w) {
        return w.lblsumme(1)->text().toInt() + w.lblsumme(2)->text().toInt() +
               w.lblsumme(3)->text().toInt();
    }

private slots:
    void cleanup() { closeAll(); }

    // One check per way a run ends: the boxes the window shows ("style|text",
    // a "*" standing for any text), then what it lists. What a run stores is
    // the core's (tst_ownSync); here the window's words and its list.
    void aCheckThroughTheWindow_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("checkedBefore"); // then 5 placeholders beyond the total
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("cancel"); // while the second page is on its way
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("stored");
        const auto box = [](int style, const QString& text) {
            return QString::number(style) + QLatin1Char('|') + text;
        };
        const QString question = box(app::vbYesNo, "Sie haben 450 neue Bewertungen. Sollen die "
                                                   "neuen Bewertungen geladen werden?");
        const QString nothingNew =
            box(app::vbInformation, "Es sind keine neuen Bewertungen eingegangen");
        const QString rest = " Gespeichert: 200 neue Bewertungen. Die übrigen 250 werden bei der "
                             "nächsten Prüfung geladen.";
        const QString page1 = "Anzeige: 1 - 200 von 450", only200 = "Anzeige: 1 - 200 von 200";
        const QString none = "keine Bewertungen vorhanden";
        const QStringList noFault;
        const int yes = app::vbYes;
        row("new ratings", "anna", false, noFault, yes, false, QStringList{question}, page1, 450);
        // No question; placeholders the marketplace no longer counts go.
        row("nothing new", "anna", true, noFault, yes, false, QStringList{nothingNew}, page1, 450);
        // A refusal needs no further word: there were new ones.
        row("declined", "anna", false, noFault, int(app::vbNo), false, QStringList{question}, none,
            0);
        row("cut short", "anna", false,
            QStringList{"status", "on=entries", "after=2", "status=503", "count=20"}, yes, false,
            QStringList{question,
                        box(app::vbCritical, "Fehler bei der Verbindungsaufnahme: 503\r "
                                             "Beschreibung: *\rBitte prüfen Sie ob eine "
                                             "Internetverbindung besteht."),
                        box(app::vbExclamation, "Der Ladevorgang wurde unterbrochen." + rest)},
            only200, 200);
        row("cancelled", "anna", false, QStringList{"delay", "on=entries", "after=2", "ms=3000"},
            yes, true,
            QStringList{question,
                        box(app::vbExclamation, "Der Ladevorgang wurde abgebrochen." + rest)},
            only200, 200);
        row("unknown member", "niemand", false, noFault, yes, false,
            QStringList{box(app::vbCritical, "Der eingegebene Mitgliedsname wurde nicht gefunden. "
                                             "Bitte überprüfen Sie den Mitgliedsnamen, und "
                                             "versuchen Sie es erneut!"),
                        nothingNew},
            none, 0);
    }
    void aCheckThroughTheWindow() {
        QFETCH(QString, user);
        QFETCH(QStringList, fault);
        QFETCH(QStringList, boxes);
        QFETCH(int, stored);
        QVERIFY(simWith("anna:450"));
        frmAnzeige& w = openWindow(user);
        if (fetch<bool>("checkedBefore")) {
            testsupport::MessageBoxAnswerer first;
            first.answer(app::vbYes);
            w.ZorButton1_Click();
            QCOMPARE(this->stored(), 450);
            QVERIFY(store::storeFetched(modData::Table::Own, user, {},
                                        store::StoreMode::MakeUpTotal, 455)
                        .ok);
        }
        if (!fault.isEmpty())
            QVERIFY(sim->fault(fault.first(), fault.mid(1)));
        if (fetch<bool>("cancel")) {
            ui::frmLade& lade = Form<ui::frmLade>::get();
            connect(&lade, &ui::frmLade::runCreated, this, [&lade](retrieval::LoadRun* run) {
                connect(run, &retrieval::LoadRun::changed, &lade, [&lade, run] {
                    if (run->label1().endsWith(QStringLiteral("(2 von 3)")))
                        QTimer::singleShot(0, &lade, [&lade] { lade.cmdabort()->click(); });
                });
            });
        }
        testsupport::MessageBoxAnswerer shown;
        shown.answer(fetch<int>("answer")).answer(app::vbOK).answer(app::vbOK);
        w.ZorButton1_Click();
        compareBoxes(shown, boxes);
        QCOMPARE(shown.unexpected, 0);
        QCOMPARE(this->stored(user), stored);
        // The caption, the list, the sums and the buttons tell what is stored.
        QTEST(w.lblinfo()->text(), "caption");
        QCOMPARE(w.liste().rowCount(), qMin(stored, 200) + 1);
        QCOMPARE(summed(w), stored);
        QCOMPARE(w.button(ui::FeedbackView::cmdnext)->isEnabled(), stored > 200);
        QVERIFY(w.button(ui::FeedbackView::ZorButton1)->isEnabled());
    }

    // "Aktionen", "Vollständig prüfen": a rating the marketplace no longer
    // lists stays in the list, marked, and leaves the caption and the sums.
    void theFullCheckFromTheMenu() {
        QVERIFY(simWith("anna:30"));
        frmAnzeige& w = openWindow(QStringLiteral("anna"));
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbYes);
        w.ZorButton1_Click();
        QCOMPARE(stored(), 30);
        sim->admin(QStringLiteral("withdraw"), QUrlQuery{{"user", "anna"}});
        boxes.answer(app::vbOK);
        testsupport::choose(w, "keyVollstaendig");
        QCOMPARE(boxes.shown.size(), 2);
        QCOMPARE(boxes.shown[1].text, QStringLiteral("Vollständige Prüfung: 1 Bewertung geändert "
                                                     "(1 als zurückgezogen markiert, 0 wieder "
                                                     "gezählt)."));
        QCOMPARE(stored(), 30);
        QCOMPARE(w.lblinfo()->text(), QStringLiteral("Anzeige: 1 - 30 von 29 (+ 1 zurückgezogen)"));
        QCOMPARE(summed(w), 29);
        QVERIFY(w.liste().captions(2).at(0).contains(QStringLiteral("(zurückgezogen) ")));
        QVERIFY(w.button(ui::FeedbackView::ZorButton1)->isEnabled());
        QCOMPARE(boxes.unexpected, 0);
    }

    // message: how the critical message ends.
    void noRunStarts_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QByteArray>("mainLines");
        QTest::addColumn<QString>("message");
        row("without a connection", "anna",
            QByteArray(
                "checkInet=True\nPruefHost1=nirgendwo.invalid\nPruefHost2=auch-nicht.invalid\n"),
            "Es besteht keine Verbindung zum Internet!");
        row("without a member name", "", QByteArray("checkInet=False\n"),
            "/Bin/config.INI fehlt der Mitgliedsname: [User] Username=");
    }
    void noRunStarts() {
        QVERIFY(simWith("anna:10"));
        frmAnzeige& w = openWindow(fetch<QString>("user"), {}, {}, fetch<QByteArray>("mainLines"));
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK);
        bool progressShown = false;
        testsupport::onNextModal([&](QWidget* m) { progressShown = qobject_cast<ui::frmLade*>(m); },
                                 500);
        w.ZorButton1_Click();
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY2(boxes.shown[0].text.endsWith(fetch<QString>("message")),
                 qPrintable(boxes.shown[0].text));
        QCOMPARE(boxes.shown[0].icon(), int(app::vbCritical));
        QVERIFY(!progressShown);
        QVERIFY(w.button(ui::FeedbackView::ZorButton1)->isEnabled());
        QCOMPARE(stat("requests"), 0);
    }

    // An operation left through the error dialog leaves every control usable.
    void leavingTheErrorDialogLeavesTheWindowUsable_data() {
        QTest::addColumn<QString>("before"); // pressed while the store works
        QTest::addColumn<QString>("pressed");
        row("Positive", "", "Command1");
        row("-->", "", "cmdnext");
        row("Alle after a filter", "Command3", "cmdalleanzeigen");
        row("Jetzt Prüfen", "", "ZorButton1");
    }
    void leavingTheErrorDialogLeavesTheWindowUsable() {
        QFETCH(QString, before);
        QFETCH(QString, pressed);
        QVERIFY(simWith("anna:450"));
        frmAnzeige& w = openWindow(QStringLiteral("anna"));
        store->addRatings(QStringLiteral("anna"), 450, QDateTime(QDate(2026, 11, 1), QTime(8, 0)),
                          {1, 2, 3});
        w.cmdalleanzeigen_Click();
        const auto button = [&w](const QString& name) { return w.findChild<QPushButton*>(name); };
        if (!before.isEmpty())
            button(before)->click();
        // The ratings' table goes away under the window.
        modGlobal::cnDB->exec("ALTER TABLE Bewertungeneigen RENAME TO Weg");
        testsupport::ErrorAnswerer errors;
        errors.answer(errors::LeaveProcedure).answer(errors::LeaveProcedure);
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK).answer(app::vbOK);
        QVERIFY(button(pressed)->isEnabled());
        button(pressed)->click();
        QVERIFY(errors.reports.size() + boxes.shown.size() >= 1);

        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QVERIFY(!w.progressBar()->isVisible());
        QVERIFY(w.menu().action(QStringLiteral("keyFile"))->isEnabled());
        for (const char* name : {"Command1", "Command2", "Command3", "ZorButton1"})
            QVERIFY2(button(name)->isEnabled() || modGlobal::iAnzeigeModus == name[7] - '0', name);
        QVERIFY(!w.view().bAnzeigeLaeuft());

        modGlobal::cnDB->exec("ALTER TABLE Weg RENAME TO Bewertungeneigen");
        button(modGlobal::iAnzeigeModus == 0 ? "Command1" : "cmdalleanzeigen")->click();
        QVERIFY2(w.lblinfo()->text().startsWith(QStringLiteral("Anzeige: 1 - ")),
                 qPrintable(w.lblinfo()->text()));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int status = 0;
    {
        OwnRatingsTest t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}
#include "tst_ownRatings.moc"
