// Answering a rating through the window: the reply line in the list, which
// rows offer "Antworten…", the dialog's countdown, and a reply sent to the
// simulator showing at once.
#include "answerers.h"
#include "app/modGlobal.h"
#include "app/modini.h"
#include "guiDriver.h"
#include "retrieval/ownUpdateRun.h"
#include "retrieval/sellerCalls.h"
#include "store/ratingStoring.h"
#include "store/replyStoring.h"
#include "testData.h"
#include "ui/dialogs/replyDialog.h"
#include "ui/forms.h"
#include "ui/main/feedbackList.h"
#include "ui/main/frmAnzeige.h"
#include "windowFixture.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using testsupport::fetch;
using testsupport::row;
using ui::Form;
using ui::frmAnzeige;

class ReplyDialogTest : public QObject, testsupport::WindowFixture {
    Q_OBJECT

    std::vector<store::FetchedRating> loaded;

    static int rowOf(const frmAnzeige& w, const QString& id) {
        for (int k = 2; k <= w.liste().rowCount(); ++k)
            if (w.liste().ratingId(k) == id)
                return k;
        return 0;
    }

private slots:
    void initTestCase() {
        QVERIFY(startSim({"--member", "anna:20", "--refresh-token", "rt-anna:anna", "--reference",
                          "2026-11-30T12:00:00Z"}));
        openStore("anna", "RefreshToken=rt-anna\n");
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbYes).answer(app::vbOK);
        retrieval::OwnUpdateRun run(modini::settings());
        QEventLoop loop;
        connect(&run, &retrieval::LoadRun::closed, &loop, &QEventLoop::quit);
        run.checkneueBewertungen();
        if (!run.isClosed())
            loop.exec();
        loaded = run.result().ratings;
        QCOMPARE(int(loaded.size()), 20);
        // Two placeholders stand for ratings the marketplace counts and did not deliver.
        QVERIFY(store::storeFetched(modData::Table::Own, "anna", loaded,
                                    store::StoreMode::MakeUpTotal, 22)
                    .ok);
        QCOMPARE(store::storeReply("anna", loaded.at(2).id, {"Schon beantwortet", "ENTERED"}),
                 QString());
        Form<frmAnzeige>::get().Form_Load();
    }
    void cleanupTestCase() { closeAll(); }

    // Only an own, delivered rating without a reply can be answered; a row
    // with a reply shows it on a second line.
    void listRows() {
        frmAnzeige& w = Form<frmAnzeige>::get();
        const ui::FeedbackList& list = w.liste();
        QCOMPARE(list.rowCount(), 23);
        const int replied = rowOf(w, loaded.at(2).id);
        QCOMPARE(replied, 4);
        QCOMPARE(list.reply(replied), QStringLiteral("Schon beantwortet"));
        QCOMPARE(ui::FeedbackList::replyCaption(list.reply(replied)),
                 QStringLiteral("Antwort: Schon beantwortet"));
        QVERIFY(list.cellRect(replied, 2).height() > 2 * list.cellRect(3, 2).height());
        QCOMPARE(list.cellAt(list.cellRect(replied, 2).bottomLeft() + QPoint(5, 0)).row, replied);
        QCOMPARE(list.cellAt(list.cellRect(5, 3).center()).row, 5);
        QCOMPARE(QList<bool>({w.canAnswer(1), w.canAnswer(2), w.canAnswer(replied), w.canAnswer(22),
                              w.canAnswer(23)}),
                 QList<bool>({false, true, false, false, false}));
        QCOMPARE(w.answerAction()->text(), QStringLiteral("Antworten…"));
        QCOMPARE(w.answerAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+R")));

        // The same ratings as a foreign member's: not the user's to answer.
        modGlobal::sFremdUser = QStringLiteral("bert");
        modGlobal::bFremdModus = true;
        w.saveTemp(loaded);
        QCOMPARE(list.ratingId(2), loaded.at(0).id);
        QVERIFY(!w.canAnswer(2));
        w.cmdback_Click();
        QVERIFY(w.canAnswer(2));
    }

    void countdown_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        row("leer", QString(), QString("Noch 500 Zeichen"));
        row("Danke", QString("Danke"), QString("Noch 495 Zeichen"));
        row("500", QString(500, 'a'), QString("Noch 0 Zeichen"));
        row("501", QString(501, 'a'), QString("1 Zeichen zu viel"));
    }
    void countdown() {
        const auto target = store::ownRating("anna", loaded.at(0).id);
        QVERIFY(target);
        ui::ReplyDialog dialog(*target, {[] { return modini::settings(); }, {}});
        QCOMPARE(dialog.countdown()->text(), QStringLiteral("Noch 500 Zeichen"));
        dialog.text()->setPlainText(fetch<QString>("text"));
        QCOMPARE(dialog.countdown()->text(), fetch<QString>("shown"));
    }

    // Without a sign-in the text stays, and the sign-in is offered.
    void notSignedInOffersSignIn() {
        const auto target = store::ownRating("anna", loaded.at(1).id);
        QVERIFY(target);
        int signIns = 0;
        ui::ReplyDialog dialog(*target, {[] {
                                             app::Settings s = modini::settings();
                                             s.marktplatz.refreshToken.clear();
                                             return s;
                                         },
                                         [&] { ++signIns; }});
        dialog.show();
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK).answer(app::vbYes);
        dialog.text()->setPlainText(QStringLiteral("Danke"));
        dialog.senden()->click();
        QTRY_COMPARE(signIns, 1);
        QCOMPARE(boxes.shown.size(), 2);
        QCOMPARE(boxes.shown.at(0).text, retrieval::notSignedInText());
        QCOMPARE(boxes.shown.at(1).text, QStringLiteral("Jetzt bei eBay anmelden?"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.text()->toPlainText(), QStringLiteral("Danke"));
        QCOMPARE(store::ownRating("anna", loaded.at(1).id)->reply, QString());
    }

    // An empty text is refused in the dialog, which stays open; a reply sent
    // from Strg+R's row shows in the list at once.
    void sendFromTheWindow() {
        frmAnzeige& w = Form<frmAnzeige>::get();
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK);
        bool stayedOpen = false;
        testsupport::onNextModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<ui::ReplyDialog*>(modal);
            QVERIFY(dialog);
            dialog->text()->setPlainText("  ");
            dialog->senden()->click();
            stayedOpen = dialog->isVisible() && dialog->text()->toPlainText() == "  ";
            dialog->text()->setPlainText(QStringLiteral("Vielen Dank für Ihren Kauf!"));
            dialog->senden()->click();
        });
        w.liste().setCurrentRow(2);
        w.answerAction()->trigger();
        QVERIFY(stayedOpen);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown.at(0).text,
                 QStringLiteral("Die Antwort ist leer. Bitte schreiben Sie eine Antwort."));
        QCOMPARE(w.liste().reply(2), QStringLiteral("Vielen Dank für Ihren Kauf!"));
        QVERIFY(!w.canAnswer(2));
        QCOMPARE(store::ownRating("anna", loaded.at(0).id)->reply,
                 QStringLiteral("Vielen Dank für Ihren Kauf!"));
        QCOMPARE(stat("respond_to_feedback"), 1);
    }
};

QTEST_MAIN(ReplyDialogTest)
#include "tst_replyDialog.moc"
