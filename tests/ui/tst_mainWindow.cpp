// The main window: its start on an empty and a filled database, the menu, the
// two modes, closing, and the layout rules.
#include "answerers.h"
#include "app/modGlobal.h"
#include "storeFixture.h"
#include "ui/controls/menuAdapter.h"
#include "ui/dialogs/frmSplash.h"
#include "ui/forms.h"
#include "ui/main/feedbackList.h"
#include "ui/main/frmAnzeige.h"
#include "ui/main/windowLayout.h"
#include "ui/modGlobalMain.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

using ui::FeedbackView;
using ui::Form;
using ui::frmAnzeige;

class MainWindowTest : public QObject {
    Q_OBJECT

    static void settle() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    frmAnzeige& load() {
        frmAnzeige& w = Form<frmAnzeige>::get();
        w.Form_Load();
        return w;
    }

private slots:
    void cleanup() {
        Form<frmAnzeige>::unload();
        settle();
    }

    void theFirstStartWithAnEmptyDatabase() {
        testsupport::StoreFixture store(QStringLiteral("anna"));
        frmAnzeige& w = load();
        QCOMPARE(w.liste().rowCount(), 1);
        for (auto b : {FeedbackView::Command1, FeedbackView::Command2, FeedbackView::Command3,
                       FeedbackView::cmdnext, FeedbackView::cmdprev, FeedbackView::cmdalleanzeigen})
            QVERIFY2(!w.button(b)->isEnabled(), qPrintable(w.button(b)->objectName()));
        QVERIFY(w.button(FeedbackView::ZorButton1)->isEnabled());
        QVERIFY(w.button(FeedbackView::ZorButton1)->isVisible());
        QVERIFY(!w.cmdback()->isVisible());
        QVERIFY(w.cmdClose()->isEnabled());
        QVERIFY(w.menu().isEnabled(QStringLiteral("keyFile")));
        QVERIFY(w.menu().isEnabled(QStringLiteral("keyFile1")));
        QCOMPARE(w.lbluser()->text(), QStringLiteral("Standard-User: anna"));
        QCOMPARE(w.lblinfo()->text(), QStringLiteral("keine Bewertungen vorhanden"));
        QVERIFY(w.isMaximized());
        QVERIFY(!Form<ui::frmSplash>::isLoaded());
    }

    void aStartShowsTheFirstPage() {
        testsupport::StoreFixture store(QStringLiteral("anna"));
        store.addRatings(QStringLiteral("anna"), 250, QDateTime(QDate(2026, 11, 1), QTime(9, 0)),
                         {1, 1, 1, 2});
        frmAnzeige& w = load();
        QCOMPARE(w.liste().rowCount(), 201);
        QCOMPARE(w.lblinfo()->text(), QStringLiteral("Anzeige: 1 - 200 von 250"));
        QCOMPARE(w.lblsumme(1)->text(), QStringLiteral("188"));
        QCOMPARE(w.lblsumme(2)->text(), QStringLiteral("62"));
        QCOMPARE(w.lblsumme(3)->text(), QStringLiteral("0"));
        QCOMPARE(w.lblProzente()->text(), QStringLiteral("Positive Bewertungen : 100 % "));
        QVERIFY(w.button(FeedbackView::cmdnext)->isEnabled());
        QVERIFY(!w.button(FeedbackView::cmdalleanzeigen)->isEnabled());
        QVERIFY(!w.progressBar()->isVisible());

        QTest::mouseClick(w.button(FeedbackView::cmdnext), Qt::LeftButton);
        QCOMPARE(w.lblinfo()->text(), QStringLiteral("Anzeige: 201 - 250 von 250"));
        QVERIFY(w.button(FeedbackView::cmdprev)->isEnabled());
    }

    void theMenu() {
        testsupport::StoreFixture store;
        frmAnzeige& w = load();
        QCOMPARE(w.menu().itemCount(), 13);
        const QStringList keys = {
            "keyFile",        "keyuser",  "",          "keyabout", "keyhelp",        "",
            "keyexit",        "keyFile1", "keyDelete", "",         "keyBewertungen", "keyVerlauf",
            "keyVollstaendig"};
        for (int id = 1; id <= 13; ++id)
            QCOMPARE(w.menu().keyOf(id), keys[id - 1]);
        QCOMPARE(w.menu().action(QStringLiteral("keyexit"))->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_B));
        // A failing add is passed over silently: here "keyFile" names a
        // command, which cannot hold the items of the settings menu.
        QMenuBar bar;
        ui::MenuAdapter menu(&bar);
        menu.addItem({}, "x", ui::MenuAdapter::TopLevel, "x");
        menu.addItem("x", "keyFile", ui::MenuAdapter::Command, "x");
        testsupport::ErrorAnswerer answers;
        modGlobal::pbuildmenus(menu);
        QCOMPARE(answers.reports.size(), 0);
        QStringList built;
        for (int id = 1; id <= menu.itemCount(); ++id)
            built << menu.keyOf(id);
        QCOMPARE(built.join(','),
                 "x,keyFile,keyFile,keyFile1,keyDelete,,keyBewertungen,keyVerlauf,keyVollstaendig");
    }

    void closingUnloadsEveryWindow() {
        testsupport::StoreFixture store;
        frmAnzeige& w = load();
        Form<ui::frmSplash>::get(); // another window still loaded
        QPointer<frmAnzeige> watch(&w);
        QTest::mouseClick(w.cmdClose(), Qt::LeftButton);
        settle();
        QVERIFY(watch.isNull());
        QVERIFY(!Form<frmAnzeige>::isLoaded());
        QVERIFY(!Form<ui::frmSplash>::isLoaded());
    }

    void theLayoutAtTheStartSize() {
        const ui::WindowLayout l =
            ui::computeWindowLayout(ui::kStartClientWidth, ui::kStartClientHeight);
        QCOMPARE(l.picContainer, QRect(120, 960, 13435, 4210));
        QCOMPARE(l.cmdCloseLeft, 12080);
        QCOMPARE(l.zorButton1Left, 10440);
        QCOMPARE(l.cmdbackLeft, 10440);
        QCOMPARE(l.frame1Left, 8960);
        QCOMPARE(l.cmdnextTop, 5270);
        QCOMPARE(l.cmdprevTop, 5270);
        QCOMPARE(l.frame1Top, 5240);
        QCOMPARE(l.lblProzenteTop, 5330);
        QCOMPARE(l.picture2Left, 7425);
    }

    void aRestoredWindowKeepsItsMinimumSize() {
        testsupport::StoreFixture store;
        frmAnzeige& w = load();
        w.showNormal();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.resize(300, 200);
        settle();
        const ui::Twips twips = ui::Twips::of(&w);
        QVERIFY(twips.toTwips(w.frameGeometry().width()) >= ui::kMinOuterWidth - 15);
        QVERIFY(twips.toTwips(w.frameGeometry().height()) >= ui::kMinOuterHeight - 15);
        // The list and the buttons moved with the size.
        QCOMPARE(w.cmdClose()->geometry().right() + 1, w.width() - twips.toPx(100));
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainWindow.moc"
