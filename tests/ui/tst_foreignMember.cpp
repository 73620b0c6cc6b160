// "Bewertungen auslesen" through its real widgets: the search and its
// refusals, the switch of the main window into foreign mode and back, the
// profile, the database view and removing a member, against the marketplace
// simulator and a real database.
#include "answerers.h"
#include "app/modGlobal.h"
#include "marktsimProcess.h"
#include "retrieval/clsTalmBewertungen.h"
#include "store/modData.h"
#include "storeFixture.h"
#include "testData.h"
#include "ui/controls/chbox.h"
#include "ui/dialogs/frmuser.h"
#include "ui/forms.h"
#include "ui/main/frmAnzeige.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace modData;
using ui::Form;
using ui::frmAnzeige;
using ui::frmuser;

using testsupport::fetch;
using testsupport::row;

namespace {
// Quotes, a blank and umlauts: names come from users and the marketplace.
const QString kOdd = QStringLiteral("D'Arcy \"Ö\" Müller");
} // namespace

class ForeignMemberTest : public QObject {
    Q_OBJECT

    marktsim::SimProcess sim;
    std::unique_ptr<testsupport::StoreFixture> store;

    frmAnzeige& open(const QByteArray& mainLines = "checkInet=False\n") {
        store = std::make_unique<testsupport::StoreFixture>(
            QStringLiteral("anna"), testsupport::marktplatz(sim.baseUrl()), mainLines);
        frmAnzeige& w = Form<frmAnzeige>::get();
        w.Form_Load();
        return w;
    }
    frmuser& dialog(const QString& member = {}) {
        frmuser& d = Form<frmuser>::get();
        if (!member.isNull())
            d.setMemberText(member, true);
        return d;
    }
    qint64 requests() { return sim.stats().value("requests").toInteger(); }

private slots:
    void initTestCase() {
        QVERIFY2(
            sim.start({"--member", "viele:5000", "--member", "mittel:450", "--member", "leer:0",
                       "--member", kOdd + ":30", "--reference", "2026-11-30T12:00:00Z"}),
            qPrintable(sim.errorString()));
    }
    void init() { retrieval::clsTalmBewertungen::clearTokenCache(); }
    void cleanup() {
        Form<frmuser>::unload();
        Form<frmAnzeige>::unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        store.reset();
        sim.admin(QStringLiteral("clear"));
    }

    // A refusal comes before anything is sent (the checks' order:
    // tst_foreignLoad searchFromInputs); a search that finds nothing says so.
    // Either way the dialog stays and the main window keeps its mode.
    void searchesThatKeepTheDialog_data() {
        QTest::addColumn<QByteArray>("mainLines");
        QTest::addColumn<QString>("member");
        QTest::addColumn<QString>("count"); // the custom count's text, "" for option 4 off
        QTest::addColumn<bool>("noKind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("icon");
        QTest::addColumn<bool>("sent");
        const QByteArray offline = "checkInet=True\nPruefHost1=a.invalid\nPruefHost2=b.invalid\n";
        const QByteArray online = "checkInet=False\n";
        const int critical = app::vbCritical;
        row("no connection", offline, "viele", "", true,
            "Es besteht keine Verbindung zum Internet!", critical, false);
        row("no kind", online, "viele", "", true, "Bitte wählen Sie 'Suche nach' aus!", critical,
            false);
        row("negative custom count", online, "viele", "-5", false,
            "Bitte geben Sie einen Wert unter Benutzerdefiniert ein!", critical, false);
        row("nothing found", online, "leer", "", false,
            "Es wurden keine Bewertungen gefunden die mit den ausgewählten Optionen "
            "übereinstimmen!",
            int(app::vbInformation), true);
    }
    void searchesThatKeepTheDialog() {
        QFETCH(QString, count);
        const frmAnzeige& w = open(fetch<QByteArray>("mainLines"));
        frmuser& d = dialog(fetch<QString>("member"));
        if (!count.isEmpty()) {
            d.Option1(4)->click();
            d.txtanzahl()->setText(count);
        }
        if (fetch<bool>("noKind"))
            QTest::mouseClick(d.chbox1(2), Qt::LeftButton);
        const qint64 before = requests();
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK);
        d.cmdsuche()->click();
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, fetch<QString>("message"));
        QCOMPARE(boxes.shown[0].icon(), fetch<int>("icon"));
        QCOMPARE(requests() > before, fetch<bool>("sent"));
        QVERIFY(Form<frmuser>::isLoaded());
        QVERIFY(!modGlobal::bFremdModus);
        QVERIFY(w.button(ui::FeedbackView::ZorButton1)->isVisible());
    }

    void aSearchShowsTheMemberAndASecondReplacesIt() {
        frmAnzeige& w = open();
        // Every kind of the newest 200 first.
        frmuser& d = dialog(QStringLiteral("viele"));
        for (int kind : {0, 1})
            QTest::mouseClick(d.chbox1(kind), Qt::LeftButton);
        d.Option1(2)->click();
        d.cmdsuche()->click();
        QVERIFY(!Form<frmuser>::isLoaded());
        QCOMPARE(read_AnzahlTemp(QStringLiteral("viele")), 200);
        QVERIFY(modGlobal::bFremdModus);
        QVERIFY(w.cmdback()->isVisible() && !w.button(ui::FeedbackView::ZorButton1)->isVisible());
        QCOMPARE(QStringList({w.lbluser()->text(), w.lblinfo()->text(), w.lblProzente()->text()}),
                 QStringList({"Fremd-User: viele", "Fremd-User Analyse", "Fremd-User Analyse"}));

        // The negative ones of the newest 100 replace that load.
        dialog(QStringLiteral("viele")).cmdsuche()->click();
        const qint32 negative = read_AnzahlTemp(QStringLiteral("viele"));
        QVERIFY(negative > 0 && negative < 100);
        QCOMPARE(read_BewertungenPosZahl("viele", 3, "BewertungenTemp"), negative);
        QCOMPARE(w.lblsumme(3)->text(), QString::number(negative));

        w.cmdback()->click();
        QVERIFY(!modGlobal::bFremdModus);
        QCOMPARE(w.lbluser()->text(), QStringLiteral("Standard-User: anna"));
        QVERIFY(w.lblProzente()->text().startsWith(QStringLiteral("Positive Bewertungen")));
    }

    // The custom count is read at every search, not only at the first; a
    // name with quotes, a blank and umlauts is searched as it is.
    void aChangedCustomCountCountsAndAnOddNameIsSearched() {
        open();
        frmuser& d = dialog(QStringLiteral("leer"));
        for (int kind : {0, 1})
            QTest::mouseClick(d.chbox1(kind), Qt::LeftButton);
        d.Option1(4)->click();
        d.txtanzahl()->setText(QStringLiteral("50"));
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK);
        d.cmdsuche()->click();
        QCOMPARE(boxes.shown.size(), 1); // nothing found: the dialog stays
        d.setMemberText(kOdd, true);
        d.txtanzahl()->setText(QStringLiteral("20"));
        d.cmdsuche()->click();
        QCOMPARE(read_AnzahlTemp(kOdd), 20);
    }

    // A search that fails before any rating of its own arrived stores
    // nothing: not the lines an earlier search left, nor an empty load in
    // place of the member's stored one.
    void aFailedSearchKeepsTheStoredRatings_data() {
        QTest::addColumn<QStringList>("fault");
        row("503", QStringList{"status", "on=entries", "status=503", "count=10"});
        row("keys refused", QStringList{"unauthorized", "on=entries", "count=10"});
    }
    void aFailedSearchKeepsTheStoredRatings() {
        frmAnzeige& w = open();
        store->addRatings("mittel", 12, QDateTime(QDate(2026, 11, 1), QTime(8, 0)), {1}, true);
        frmuser& first = dialog(QStringLiteral("viele"));
        QTest::mouseClick(first.chbox1(0), Qt::LeftButton);
        first.cmdsuche()->click();
        QCOMPARE(w.lbluser()->text(), QStringLiteral("Fremd-User: viele"));

        QFETCH(QStringList, fault);
        QVERIFY(sim.fault(fault.first(), fault.mid(1)));
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK);
        dialog(QStringLiteral("mittel")).cmdsuche()->click();
        // The connection message only: the run said what went wrong.
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(read_AnzahlTemp(QStringLiteral("mittel")), 12);
        QVERIFY(Form<frmuser>::isLoaded());
        QCOMPARE(w.lbluser()->text() + " " + modGlobal::sFremdUser, "Fremd-User: viele viele");
    }

    void theProfile() {
        open();
        frmuser& d = dialog(QStringLiteral("mittel"));
        d.ZorButton3()->click();
        QVERIFY(d.Frame5()->isVisibleTo(&d) && !d.Frame4()->isVisibleTo(&d));
        QCOMPARE(d.lblGesamt()->text() + " " + d.cmbUser()->currentText(), "450 mittel");
        QVERIFY(d.lblDatum()->text().contains(QLatin1Char('.')));
        QVERIFY(d.cmbUser()->findText(QStringLiteral("mittel")) >= 0);
        QVERIFY(d.ZorButton1()->isEnabled());
        const modData::Collection<QString> stored = read_UebersichtBewertungen("mittel");
        QCOMPARE(stored.Count(), 14);
        QCOMPARE(stored.Item(1) + " " + stored.Item(12), d.lblpos1(0)->text() + " 450");
    }

    // A refresh that brought no profile keeps what is stored.
    void aRefreshWithoutAProfile_data() {
        QTest::addColumn<QString>("member");
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<QString>("boxText");
        row("unknown member", "niemand", QStringList{}, "");
        row("connection error", "mittel",
            QStringList{"status", "on=summary", "status=503", "count=10"}, "mittel");
        row("answer without its fields", "mittel", QStringList{"wrongshape", "on=summary"},
            "mittel");
    }
    void aRefreshWithoutAProfile() {
        QFETCH(QString, member);
        QFETCH(QStringList, fault);
        open();
        store->addRatings(member, 12, QDateTime(QDate(2026, 11, 1), QTime(8, 0)), {1}, true);
        QVERIFY(save_UebersichtBewertungen(
            {"1", "2", "3", "0", "0", "0", "0", "0", "1", "7", "99,0"}, 12, member));
        if (!fault.isEmpty())
            QVERIFY(sim.fault(fault.first(), fault.mid(1)));
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK);
        frmuser& d = dialog(member);
        d.ZorButton3()->click();
        QCOMPARE(boxes.shown.size(), 1);
        if (fault.startsWith(QLatin1String("wrongshape")))
            QVERIFY(boxes.shown[0].text.contains(QLatin1String("nicht das erwartete Format")));
        QTEST(d.cmbUser()->currentText(), "boxText");
        QCOMPARE(read_AnzahlTemp(member), 12);
        QCOMPARE(read_UebersichtBewertungen(member).Item(11), QStringLiteral("99,0"));
        if (member == QLatin1String("niemand"))
            QCOMPARE(d.lblpos1(0)->text() + " " + d.lblDatum()->text(), "0 keine Daten");
    }

    void theDatabaseViewAndRemovingMembers() {
        frmAnzeige& w = open();
        for (const QString& m : {QStringLiteral("erster"), kOdd})
            QVERIFY(save_UebersichtBewertungen(
                {"1", "0", "0", "0", "0", "0", "0", "0", "0", "1", "Alle erhaltenen Bewertungen"},
                1, m));
        store->addRatings(kOdd, 3, QDateTime(QDate(2026, 11, 1), QTime(8, 0)), {1}, true);
        frmuser& d = dialog();
        QCOMPARE(d.cmbUser()->count(), 2);
        d.cmbUser()->setCurrentIndex(d.cmbUser()->findText(kOdd));
        d.cmbUser_Click();
        QCOMPARE(d.lblprozent()->text(), QStringLiteral("-"));
        d.ZorButton1()->click();
        QCOMPARE(modGlobal::sFremdUser, kOdd);
        // The captions came first: the refresh's page range stands.
        QCOMPARE(QStringList({w.lbluser()->text(), w.lblinfo()->text(), w.lblProzente()->text(),
                              w.lblsumme(1)->text()}),
                 QStringList(
                     {"Fremd-User: " + kOdd, "Anzeige: 1 - 3 von 3", "Fremd-User Analyse", "3"}));

        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbYes).answer(app::vbYes);
        frmuser& again = dialog();
        for (int i = 0; i < 2; ++i) {
            const QString member = again.cmbUser()->currentText();
            again.cmddelete()->click();
            QCOMPARE(boxes.shown.last().text, "Sind Sie sicher das der Eintrag: " + member +
                                                  " aus der Datenbank entfernt werden soll?");
        }
        QCOMPARE(again.cmbUser()->count(), 0);
        QCOMPARE(read_AnzahlTemp(kOdd), 0);
        QVERIFY(!again.cmddelete()->isEnabled() && !again.ZorButton1()->isEnabled());
    }
};

QTEST_MAIN(ForeignMemberTest)
#include "tst_foreignMember.moc"
