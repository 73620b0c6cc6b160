// Signing in with the marketplace from the main window: the dialog against the
// simulator's consent page, what it writes into the configuration, the
// question before another member takes the folder over, signing out, the
// expiry notice and the offers to sign in, with the real window, a real
// database and stand-ins for the desktop's browser.
#include "answerers.h"
#include "app/modini.h"
#include "standInDesktop.h"
#include "testData.h"
#include "ui/controls/menuAdapter.h"
#include "ui/dialogs/signInDialog.h"
#include "ui/forms.h"
#include "ui/main/feedbackList.h"
#include "ui/main/frmAnzeige.h"
#include "windowFixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

using testsupport::choose;
using testsupport::fetch;
using testsupport::row;
using ui::Form;
using ui::frmAnzeige;
using ui::SignInDialog;

namespace {

const QByteArray kRuName = "Notenschau_Test-RuName";
const int kYes = app::vbYes, kNo = app::vbNo;

// Where the consent page sends the browser: the accept page's address.
QString landedOn(const QString& consent) {
    QNetworkAccessManager nam;
    nam.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    QNetworkRequest request{QUrl(consent)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply* reply = nam.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    reply->deleteLater();
    return QString::fromUtf8(reply->rawHeader("Location"));
}

// What a user pastes, made of the accept page's address.
QString pasted(const QString& how, const QString& landed) {
    if (how == QLatin1String("address"))
        return landed;
    if (how == QLatin1String("code"))
        return QUrlQuery(QUrl(landed).query()).queryItemValue(QStringLiteral("code"));
    if (how == QLatin1String("other state"))
        return QString(landed).replace(QRegularExpression(QStringLiteral("state=[^&]*")),
                                       QStringLiteral("state=fremd"));
    return how;
}

// What the dialog showed and did once "Anmelden" was pressed.
struct DialogVisit {
    bool opened = false;
    QString consent;    // the address the browser was sent to
    QString shown;      // the dialog's address field
    QString copied;     // the clipboard after "Kopieren"
    bool busy = false;  // right after the click: the code on its way
    bool ended = false; // the dialog closed, or took input again
    QString message;    // when the dialog stayed open
    QString pasted;
    QString pasteAfter; // the paste field then
    bool usableAfter = false;
};

} // namespace

class SignInWindowTest : public QObject, testsupport::WindowFixture {
    Q_OBJECT

    std::unique_ptr<testsupport::StandInDesktop> desktop;
    DialogVisit visit;
    QPointer<QTimer> watch; // for the next sign-in dialog

    QByteArray config() const { return testsupport::readFile(configFile()); }

    // A window on an empty database, the simulator's keys in the settings.
    frmAnzeige& window(const QString& user, const QByteArray& marktplatzLines = {}) {
        return openWindow(user, "RuName=" + kRuName + "\n" + marktplatzLines);
    }

    // Once the sign-in dialog opens: "Kopieren", the paste, "Anmelden"; the
    // dialog is closed when it stays open.
    void whenTheDialogOpens(const QString& how) {
        visit = {};
        delete watch;
        auto* timer = new QTimer(this);
        watch = timer;
        timer->setInterval(10);
        connect(timer, &QTimer::timeout, this, [this, timer, how] {
            auto* d = qobject_cast<SignInDialog*>(QApplication::activeModalWidget());
            if (!d || !d->isVisible())
                return;
            timer->deleteLater();
            timer->stop();
            visit.opened = true;
            visit.consent = desktop->started(QStringLiteral("xdg-open")).section('|', 1);
            visit.shown = d->txtAdresse()->text();
            d->cmdKopieren()->click();
            visit.copied = QGuiApplication::clipboard()->text();
            visit.pasted = pasted(how, landedOn(visit.consent));
            d->txtEinfuegen()->setText(visit.pasted);
            QPointer<SignInDialog> open(d);
            d->cmdAnmelden()->click();
            visit.busy = open && !open->cmdAnmelden()->isEnabled() &&
                         !open->cmdAbbrechen()->isEnabled() && QGuiApplication::overrideCursor();
            visit.ended = QTest::qWaitFor(
                [&] { return !open || !open->isVisible() || !open->isBusy(); }, 20000);
            if (!open || !open->isVisible())
                return;
            visit.message = open->lblMeldung()->text();
            visit.pasteAfter = open->txtEinfuegen()->text();
            visit.usableAfter = open->cmdAnmelden()->isEnabled() &&
                                open->cmdAbbrechen()->isEnabled() &&
                                !QGuiApplication::overrideCursor();
            open->cmdAbbrechen()->click();
        });
        timer->start();
    }

    // A check after signing in as bert: his 25 ratings with their givers and
    // items, an item's page in the browser on a double-click.
    void aCheckListsBertUnmasked(frmAnzeige& w, testsupport::MessageBoxAnswerer& boxes) {
        boxes.shown.clear();
        boxes.answer(kYes);
        w.ZorButton1_Click();
        QCOMPARE(boxes.shown.value(0).text,
                 QStringLiteral("Sie haben 25 neue Bewertungen. Sollen die "
                                "neuen Bewertungen geladen werden?"));
        QCOMPARE(w.liste().rowCount(), 26);
        // Signed in, one's own givers and items come unmasked.
        for (int k = 2; k <= 26; ++k) {
            const QStringList captions = w.liste().captions(k);
            QVERIFY2(!captions.at(3).contains('*') && !captions.at(3).trimmed().isEmpty(),
                     qPrintable(captions.at(3)));
            QVERIFY2(
                QRegularExpression(QStringLiteral("^ [0-9]{6,}$")).match(captions.at(4)).hasMatch(),
                qPrintable(captions.at(4)));
        }
        QTest::mouseDClick(w.liste().surface(), Qt::LeftButton, {},
                           w.liste().cellRect(2, 6).center());
        QCOMPARE(desktop->started(QStringLiteral("browser")),
                 "browser|http://cgi.ebay.de/ws/eBayISAPI.dll?ViewItem&item=" +
                     w.liste().captions(2).at(4).trimmed() + "&rd=1");
    }

private slots:
    void init() {
        QVERIFY(startSim({"--member", "anna:30", "--member", "bert:25", "--runame", kRuName,
                          "--refresh-token", "rt-anna:anna"}));
        desktop = std::make_unique<testsupport::StandInDesktop>();
        desktop->setBrowser(QStringLiteral("{browser} %u"));
    }
    void cleanup() {
        delete watch;
        closeAll();
        desktop.reset();
    }

    void aSignIn_data();
    void aSignIn();
    void signingOut_data();
    void signingOut();
    void theExpiryNotice_data();
    void theExpiryNotice();
    void aSignInTheMarketplaceNoLongerTakes_data();
    void aSignInTheMarketplaceNoLongerTakes();
};

namespace {
const QString kOffer = QString::number(app::vbYesNo | app::vbQuestion) +
                       "|Mit eBay anmelden? Angemeldet zeigt Notenschau bei Ihren eigenen "
                       "Bewertungen auch, wer sie abgegeben hat und zu welchem Artikel.";
QString signedInAs(const QString& member) {
    return QString::number(app::vbInformation) + "|Angemeldet als " + member +
           "; die Anmeldung gilt bis *. Kein Schlüsselbund gefunden: Das RefreshToken steht in "
           "{CONFIG}, nur für Sie lesbar.";
}
const QString kSignedInAsBert = signedInAs("bert");
const QString kReplaceAnna =
    QString::number(app::vbYesNo | app::vbQuestion | app::vbDefaultButton2) +
    "|Angemeldet ist bert, in {DB} sind aber die Bewertungen von anna gespeichert. Mit der "
    "Anmeldung wird bert das Mitglied dieses Ordners; die Bewertungen von anna bleiben "
    "gespeichert, werden aber nicht mehr angezeigt. Fortfahren?";
} // namespace

// The consent page agrees for bert at once (auto) or refuses (deny). Offered
// at the first start or chosen from the menu, the dialog takes what the user
// pastes; what it says when it stays open, the boxes after, and whether the
// configuration was written. Signed in, a check lists bert's ratings with
// their givers and items, and an item opens in the browser.
void SignInWindowTest::aSignIn_data() {
    QTest::addColumn<QString>("stored"); // the configuration's member
    QTest::addColumn<bool>("fromMenu");  // else the first start's offer
    QTest::addColumn<QString>("paste");  // address, code, other state, or the text itself
    QTest::addColumn<int>("answer");     // to the question before another member
    QTest::addColumn<bool>("exchanged"); // the code went to the marketplace
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("boxes"); // after the offer
    QTest::addColumn<QString>("member");    // in the configuration after; empty: nothing written
    const QStringList none;
    row("the landed page's address", "", false, "address", kYes, true, "",
        QStringList{kSignedInAsBert}, "bert");
    row("the code alone, from the menu", "", true, "code", kYes, true, "",
        QStringList{kSignedInAsBert}, "bert");
    row("the same member, other case", "BERT", false, "address", kYes, true, "",
        QStringList{kSignedInAsBert}, "bert");
    row("another member, Ja", "anna", false, "address", kYes, true, "",
        QStringList{kReplaceAnna, kSignedInAsBert}, "bert");
    row("another member, Nein", "anna", false, "address", kNo, true, "", QStringList{kReplaceAnna},
        "");
    row("refused", "", false, "deny", kYes, false,
        "Sie haben Notenschau den Zugriff auf Ihr eBay-Konto nicht erlaubt. Es wurde nichts "
        "geändert.",
        none, "");
    row("words", "", true, "ich habe zugestimmt", kYes, false,
        "Bitte fügen Sie die ganze Adresse der Seite ein, auf der eBay Sie nach der Zustimmung "
        "abgesetzt hat (sie enthält „code=“), oder nur den Code.",
        none, "");
    // Refused by the marketplace once sent: the dialog takes input again.
    row("a made-up code", "", true, "v^1.1#erfunden", kYes, true,
        "Der Code ist abgelaufen oder wurde schon verwendet: Er gilt nur etwa 5 Minuten und nur "
        "einmal. Bitte melden Sie sich noch einmal an.",
        none, "");
    row("another sign-in's address", "", false, "other state", kYes, false,
        "Die eingefügte Adresse gehört zu einer anderen Anmeldung. Bitte melden Sie sich noch "
        "einmal an und fügen Sie die neue Adresse ein.",
        none, "");
}

void SignInWindowTest::aSignIn() {
    QFETCH(QString, paste);
    QFETCH(QString, member);
    const bool fromMenu = fetch<bool>("fromMenu");
    const bool refused = paste == QLatin1String("deny");
    QCOMPARE(sim->admin("consent", {{"mode", refused ? "deny" : "auto"}, {"member", "bert"}})
                 .value("mode")
                 .toString(),
             refused ? "deny" : "auto");
    testsupport::MessageBoxAnswerer boxes;
    boxes.answer(fromMenu ? kNo : kYes);
    if (fetch<QStringList>("boxes").contains(kReplaceAnna))
        boxes.answer(fetch<int>("answer"));
    boxes.answer(app::vbOK);
    whenTheDialogOpens(refused ? QStringLiteral("address") : paste);
    const QString stored = fetch<QString>("stored");
    frmAnzeige& w = window(stored);
    const QByteArray before = config();
    if (fromMenu) {
        QVERIFY(!visit.opened); // the offer declined
        choose(w, "keyAnmelden");
    }
    QVERIFY(visit.opened);
    QVERIFY(visit.ended);
    QVERIFY2(visit.consent.startsWith(
                 sim->baseUrl() + "/oauth2/authorize?client_id=notenschau&redirect_uri=" + kRuName +
                 "&response_type=code&scope="),
             qPrintable(visit.consent));
    QCOMPARE(visit.shown, visit.consent);
    QCOMPARE(visit.copied, visit.consent);
    QTEST(visit.busy, "exchanged");
    QTEST(visit.message, "message");
    if (!visit.message.isEmpty()) {
        QCOMPARE(visit.pasteAfter, visit.pasted);
        QVERIFY(visit.usableAfter);
    }
    compareBoxes(boxes, QStringList{kOffer} + fetch<QStringList>("boxes"));
    QCOMPARE(boxes.unexpected, 0);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    if (member.isEmpty()) {
        QCOMPARE(config(), before);
        QCOMPARE(modini::settings().username, stored);
        QVERIFY(!w.menu().action(QStringLiteral("keyAbmelden"))->isVisible());
        return;
    }
    // Written, and taken: the member from the identity, the token, the expiry.
    QVERIFY(config().contains("Username=" + member.toUtf8() + '\n'));
    QCOMPARE(modini::settings().username, member);
    QVERIFY(!modini::marktplatz().refreshToken.isEmpty());
    // The simulator's refresh tokens live 47304000 s; the day is the local one.
    const QDate until = QDate::fromString(modini::marktplatz().anmeldungBis, Qt::ISODate);
    QCOMPARE(until, QDateTime::currentDateTime().addSecs(47304000).date());
    QVERIFY(boxes.shown.last().text.contains(until.toString("dd.MM.yyyy")));
    QCOMPARE(w.lbluser()->text(), "Standard-User: " + member);
    QVERIFY(w.menu().action(QStringLiteral("keyAbmelden"))->isVisible());
    QVERIFY(!w.lblAnmeldung()->isVisible());

    aCheckListsBertUnmasked(w, boxes);
}

// Signing out forgets the token and the expiry, keeps the member, and hides
// "Abmelden", which is there only while signed in.
void SignInWindowTest::signingOut_data() {
    QTest::addColumn<bool>("signedIn");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("signedOut"); // after
    row("signed in, Ja", true, kYes, true);
    row("signed in, Nein", true, kNo, false);
    row("not signed in", false, kNo, true);
}

void SignInWindowTest::signingOut() {
    QFETCH(bool, signedIn);
    QFETCH(bool, signedOut);
    testsupport::MessageBoxAnswerer boxes;
    boxes.answer(fetch<int>("answer"));
    frmAnzeige& w =
        window("anna", signedIn ? "RefreshToken=rt-anna\nAnmeldungBis=2028-06-01\n" : "");
    QAction* signOut = w.menu().action(QStringLiteral("keyAbmelden"));
    QCOMPARE(signOut->text(), QStringLiteral("Abmelden"));
    QCOMPARE(signOut->isVisible(), signedIn);
    QCOMPARE(w.menu().action(QStringLiteral("keyAnmelden"))->text(),
             QStringLiteral("Bei eBay anmelden…"));
    if (signedIn) {
        choose(w, "keyAbmelden");
        compareBoxes(boxes, {QString::number(app::vbYesNo | app::vbQuestion) +
                             "|Abmelden: Notenschau vergisst die Anmeldung von anna bei eBay. Die "
                             "gespeicherten Bewertungen bleiben. Fortfahren?"});
    } else {
        compareBoxes(boxes, {kOffer});
    }
    QCOMPARE(boxes.unexpected, 0);
    QCOMPARE(config().contains("rt-anna"), !signedOut);
    QCOMPARE(config().contains("2028-06-01"), !signedOut);
    QCOMPARE(modini::marktplatz().refreshToken.isEmpty(), signedOut);
    QCOMPARE(modini::marktplatz().anmeldungBis.isEmpty(), signedOut);
    QVERIFY(config().contains("Username=anna\n"));
    QCOMPARE(signOut->isVisible(), !signedOut);
}

// From 30 days before the sign-in runs out the window says so, at the start
// and after a check, a day later here.
void SignInWindowTest::theExpiryNotice_data() {
    QTest::addColumn<QString>("until");
    QTest::addColumn<QString>("atStart");
    QTest::addColumn<QString>("afterCheck");
    const QString n = "Ihre Anmeldung bei eBay %1. Bitte melden Sie sich neu an.";
    row("31 days ahead", "2027-01-08", "", n.arg("läuft am 08.01.2027 ab"));
    row("30 days ahead", "2027-01-07", n.arg("läuft am 07.01.2027 ab"),
        n.arg("läuft am 07.01.2027 ab"));
    row("run out", "2026-12-07", n.arg("ist am 07.12.2026 abgelaufen"),
        n.arg("ist am 07.12.2026 abgelaufen"));
}

void SignInWindowTest::theExpiryNotice() {
    QFETCH(QString, atStart);
    QFETCH(QString, afterCheck);
    testsupport::FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(12, 0)));
    testsupport::MessageBoxAnswerer boxes;
    boxes.answer(kNo).answer(kNo).answer(kNo);
    frmAnzeige& w = window(
        "anna", "RefreshToken=rt-anna\nAnmeldungBis=" + fetch<QString>("until").toUtf8() + "\n");
    QCOMPARE(w.lblAnmeldung()->text(), atStart);
    QCOMPARE(w.lblAnmeldung()->isVisible(), !atStart.isEmpty());
    QVERIFY(boxes.shown.isEmpty()); // not modal
    clock.advanceSecs(24 * 3600);
    w.ZorButton1_Click();
    QVERIFY(!boxes.shown.isEmpty()); // the check ran
    QCOMPARE(w.lblAnmeldung()->text(), afterCheck);
    QVERIFY(w.lblAnmeldung()->isVisible());
}

// Revoked by the marketplace, the sign-in is offered again after the run's
// message; signed in again, the next check works.
void SignInWindowTest::aSignInTheMarketplaceNoLongerTakes_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("boxes");
    const QString ranOut = QString::number(app::vbCritical) +
                           "|eBay nimmt Ihre Anmeldung nicht mehr an: Sie ist abgelaufen oder "
                           "wurde widerrufen. Bitte melden Sie sich neu an.";
    const QString again =
        QString::number(app::vbYesNo | app::vbQuestion) + "|Jetzt bei eBay anmelden?";
    row("Nein", kNo, QStringList{ranOut, again});
    row("Ja", kYes, QStringList{ranOut, again, signedInAs("anna")});
}

void SignInWindowTest::aSignInTheMarketplaceNoLongerTakes() {
    const bool again = fetch<int>("answer") == kYes;
    sim->admin("consent", {{"mode", "auto"}, {"member", "anna"}});
    testsupport::MessageBoxAnswerer boxes;
    boxes.answer(app::vbOK).answer(fetch<int>("answer")).answer(app::vbOK);
    frmAnzeige& w = window("anna", "RefreshToken=rt-anna\nAnmeldungBis=2028-06-01\n");
    QCOMPARE(sim->admin("revoke", {{"member", "anna"}}).value("revoked").toInt(), 1);
    whenTheDialogOpens(QStringLiteral("address"));
    w.ZorButton1_Click();
    compareBoxes(boxes, fetch<QStringList>("boxes"));
    QCOMPARE(boxes.unexpected, 0);
    QCOMPARE(visit.opened, again);
    QCOMPARE(config().contains("RefreshToken=rt-anna\n"), !again);
    QCOMPARE(w.liste().rowCount(), 1);
    if (!again)
        return;
    boxes.answer(kYes);
    w.ZorButton1_Click();
    QCOMPARE(boxes.shown.last().text, QStringLiteral("Sie haben 30 neue Bewertungen. Sollen die "
                                                     "neuen Bewertungen geladen werden?"));
    QCOMPARE(w.liste().rowCount(), 31);
}

QTEST_MAIN(SignInWindowTest)
#include "tst_signInWindow.moc"
