// "Offene Bewertungen": the real window against the marketplace simulator's
// sales awaiting a rating, a real database, and the main window's rating
// after a check.
#include "answerers.h"
#include "app/modini.h"
#include "testData.h"
#include "ui/dialogs/frmOffen.h"
#include "ui/forms.h"
#include "ui/main/frmAnzeige.h"
#include "windowFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

using testsupport::fetch;
using testsupport::row;
using ui::Form;
using ui::frmOffen;

namespace {
const QString kDemo = QStringLiteral("notenschau_demo");
const QByteArray kSignedIn = "RefreshToken=demo-refresh-token\n";
} // namespace

class OffenTest : public QObject, testsupport::WindowFixture {
    Q_OBJECT

    // The window once its list arrived.
    frmOffen& loaded() {
        frmOffen& w = Form<frmOffen>::get();
        QSignalSpy spy(&w, &frmOffen::loaded);
        w.load();
        if (!spy.wait(20000))
            qWarning("the list did not arrive");
        return w;
    }

    QStringList results(const frmOffen& w) {
        QStringList lines;
        for (int i = 0; i < w.results()->count(); ++i)
            lines << w.results()->item(i)->text();
        return lines;
    }

private slots:
    void init() { QVERIFY(startSim({"--demo", "--reference", "2026-11-30T12:00:00Z"})); }
    void cleanup() { closeAll(); }

    void theDemoMembersItemsRated_data();
    void theDemoMembersItemsRated();
    void aListThatDoesNotArrive_data();
    void aListThatDoesNotArrive();
    void theSwitchForRatingAfterEachCheck();
    void aCheckRatesEveryOpenItem();
};

// The demo member's twelve sales, some rated with the comment chosen; the
// rated leave the list, one the marketplace refuses stays and its line gives
// the reason, a cancelled batch stops after the item in flight.
void OffenTest::theDemoMembersItemsRated_data() {
    QTest::addColumn<QList<int>>("rows"); // empty: "Alle auswählen"
    QTest::addColumn<int>("comment");     // entry of the comment box
    QTest::addColumn<QString>("ownText");
    QTest::addColumn<bool>("refuseFirst");
    QTest::addColumn<bool>("cancel"); // once the first line is there
    QTest::addColumn<int>("sent");
    QTest::addColumn<int>("left");
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<QString>("secondComment");
    const QString stamps = "Artikel 967996473145 (Briefmarken Deutsches Reich, Lot): ";
    const QString rated = stamps + "Käufer positiv bewertet.";
    row("three in turn", QList<int>{0, 4, 11}, 0, QString(), false, false, 3, 9, rated,
        QString("Reibungsloser Ablauf und prompte Zahlung. Ein angenehmer Käufer, herzlichen "
                "Dank!"));
    row("all with one's own text", QList<int>{}, 4, QString("Danke für den Kauf!"), false, false,
        12, 0, rated, QString("Danke für den Kauf!"));
    row("the first refused", QList<int>{0, 1, 2}, 1, QString(), true, false, 3, 10,
        stamps + "Vom Marktplatz abgelehnt: Injected fault (Fehler 10001)",
        QString("Vielen Dank für Ihren Kauf von Fahrradhelm Größe M – neu! Schnelle Zahlung, "
                "gerne wieder."));
    row("cancelled", QList<int>{}, 0, QString(), false, true, 1, 11, rated, QString());
}

void OffenTest::theDemoMembersItemsRated() {
    QFETCH(QList<int>, rows);
    QFETCH(int, sent);
    QFETCH(int, left);
    QFETCH(QString, secondComment);
    openStore(kDemo, kSignedIn);
    testsupport::MessageBoxAnswerer boxes;
    frmOffen& w = loaded();
    QCOMPARE(w.windowTitle(), QStringLiteral("Offene Bewertungen (12)"));
    QCOMPARE(w.countLabel()->text(),
             QStringLiteral("eBay meldet 12 offene Bewertungen als Verkäufer."));
    QCOMPARE(w.list()->topLevelItemCount(), 12);
    const QTreeWidgetItem* first = w.list()->topLevelItem(0);
    QCOMPARE((QStringList{first->text(0), first->text(1), first->text(2), first->text(3)}),
             QStringList({"Briefmarken Deutsches Reich, Lot", "967996473145", "387,09 EUR",
                          "967996473145-1020383113711"}));

    if (rows.isEmpty())
        w.selectAllButton()->click();
    for (int r : rows)
        w.list()->topLevelItem(r)->setSelected(true);
    w.commentBox()->setCurrentIndex(fetch<int>("comment"));
    w.ownText()->setText(fetch<QString>("ownText"));
    if (fetch<bool>("refuseFirst"))
        QVERIFY(sim->fault("status", {"on=leave_feedback", "count=1", "status=400"}));
    if (fetch<bool>("cancel"))
        connect(w.results()->model(), &QAbstractItemModel::rowsInserted, w.cancelButton(),
                &QPushButton::click);
    QSignalSpy finished(&w, &frmOffen::batchFinished);
    w.rateButton()->click();
    QVERIFY(w.cancelButton()->isEnabled());
    QVERIFY(finished.wait(20000));

    const QStringList lines = results(w);
    QCOMPARE(lines.size(), sent);
    QCOMPARE(lines.first(), fetch<QString>("firstLine"));
    for (const QString& line : lines.mid(1))
        QVERIFY2(line.endsWith(QStringLiteral(": Käufer positiv bewertet.")), qPrintable(line));
    const auto outcome = finished.first().first().value<retrieval::RatingBatchOutcome>();
    if (!secondComment.isEmpty())
        QCOMPARE(outcome.items.at(1).comment, secondComment);
    QCOMPARE(stat("leave_feedback"), sent);
    QCOMPARE(w.list()->topLevelItemCount(), left);
    QCOMPARE(w.windowTitle(), QStringLiteral("Offene Bewertungen (%1)").arg(left));
    QCOMPARE(boxes.shown.size(), 0);
    // What the marketplace took is no longer offered, nor counted.
    frmOffen& again = loaded();
    QCOMPARE(again.list()->topLevelItemCount(), left);
    QCOMPARE(again.countLabel()->text(),
             QStringLiteral("eBay meldet %1 offene Bewertungen als Verkäufer.").arg(left));
}

// Without a sign-in the window says so and offers one; without an answer it
// gives the connection's message. Nothing is listed.
void OffenTest::aListThatDoesNotArrive_data() {
    QTest::addColumn<bool>("signedIn");
    QTest::addColumn<QStringList>("boxes"); // "style|text", "*" for any text
    row("not signed in", false,
        QStringList{QString::number(app::vbExclamation) +
                        "|Sie sind nicht bei eBay angemeldet. Antworten und Bewertungen für "
                        "Käufer sendet Notenschau nur mit Ihrer Anmeldung. Bitte melden Sie "
                        "sich an.",
                    QString::number(app::vbYesNo | app::vbQuestion) + "|Jetzt bei eBay anmelden?"});
    row("no connection", true, QStringList{QString::number(app::vbCritical) + "|*"});
}

void OffenTest::aListThatDoesNotArrive() {
    QFETCH(bool, signedIn);
    QFETCH(QStringList, boxes);
    openStore(kDemo, signedIn ? kSignedIn : QByteArray());
    if (signedIn)
        sim->stop();
    testsupport::MessageBoxAnswerer shown;
    shown.answer(app::vbOK).answer(app::vbNo);
    bool signInAsked = false;
    Form<frmOffen>::get().setSignIn([&] { signInAsked = true; });
    frmOffen& w = loaded();
    compareBoxes(shown, boxes);
    QVERIFY(!signInAsked);
    QCOMPARE(w.list()->topLevelItemCount(), 0);
    QCOMPARE(w.windowTitle(), QStringLiteral("Offene Bewertungen (0)"));
    QCOMPARE(w.countLabel()->text(), shown.shown.first().text);
}

// The check box shows [Bewerten] Automatisch and writes it; the rest of the
// configuration stays.
void OffenTest::theSwitchForRatingAfterEachCheck() {
    openStore(kDemo, kSignedIn, "[Bewerten]\nAutomatisch=1\n");
    const QString config = modini::settings().file;
    QVERIFY(Form<frmOffen>::get().automaticBox()->isChecked());
    Form<frmOffen>::get().automaticBox()->click();
    QVERIFY(testsupport::readFile(config).contains("Automatisch=0"));
    modini::fnGetPfadeFaktorFromINI();
    QVERIFY(!modini::settings().automatischBewerten);
    QVERIFY(testsupport::readFile(config).contains("RefreshToken=demo-refresh-token"));
    Form<frmOffen>::unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!Form<frmOffen>::get().automaticBox()->isChecked());
    Form<frmOffen>::get().automaticBox()->click();
    modini::fnGetPfadeFaktorFromINI();
    QVERIFY(modini::settings().automatischBewerten);
}

// Switched on, "Jetzt Prüfen" ends by rating every open item and says how
// many; the window opened from the menu then lists none.
void OffenTest::aCheckRatesEveryOpenItem() {
    ui::frmAnzeige& main = openWindow(kDemo, kSignedIn, "[Bewerten]\nAutomatisch=1\n");
    testsupport::MessageBoxAnswerer boxes;
    boxes.answer(app::vbYes).answer(app::vbOK);
    main.ZorButton1_Click();
    QCOMPARE(boxes.shown.size(), 2);
    QCOMPARE(boxes.shown[1].text,
             QStringLiteral("Nach der Prüfung automatisch bewertet: 12 Käufer positiv bewertet."));
    QCOMPARE(stat("leave_feedback"), 12);

    testsupport::choose(main, "keyOffen");
    QVERIFY(Form<frmOffen>::isLoaded());
    QTRY_COMPARE(Form<frmOffen>::get().windowTitle(), QStringLiteral("Offene Bewertungen (0)"));
    QCOMPARE(boxes.unexpected, 0);
}

QTEST_MAIN(OffenTest)
#include "tst_offen.moc"
