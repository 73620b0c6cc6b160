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

    std::unique_ptr<testsupport::StoreFixture> store;

    static void settle() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    // The items' keys by id, "," between.
    static QString keys(const ui::MenuAdapter& menu) {
        QStringList keys;
        for (int id = 1; id <= menu.itemCount(); ++id)
            keys << menu.keyOf(id);
        return keys.join(',');
    }

    frmAnzeige& load() {
        frmAnzeige& w = Form<frmAnzeige>::get();
        w.Form_Load();
        return w;
    }

private slots:
    void init() { store = std::make_unique<testsupport::StoreFixture>(); }
    void cleanup() {
        Form<frmAnzeige>::unload();
        settle();
        store.reset();
    }

    // A database file others may read is said once, and nothing else.
    void theFirstStartWithAnEmptyDatabase_data() {
        QTest::addColumn<bool>("othersMayRead");
        QTest::newRow("private file") << false;
        QTest::newRow("others may read it") << true;
    }
    void theFirstStartWithAnEmptyDatabase() {
        QFETCH(bool, othersMayRead);
        if (othersMayRead)
            QFile::setPermissions(store->databasePath(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        testsupport::ErrorAnswerer answers;
        testsupport::MessageBoxAnswerer boxes;
        frmAnzeige& w = load();
        QCOMPARE(answers.reports.size(), 0);
        QCOMPARE(boxes.shown.size(), othersMayRead ? 1 : 0);
        if (othersMayRead)
            QVERIFY(boxes.shown[0].text.contains("von anderen Benutzern gelesen"));
        QCOMPARE(w.liste().rowCount(), 1);
        for (auto b : {FeedbackView::Command1, FeedbackView::Command2, FeedbackView::Command3,
                       FeedbackView::cmdnext, FeedbackView::cmdprev, FeedbackView::cmdalleanzeigen})
            QVERIFY2(!w.button(b)->isEnabled(), qPrintable(w.button(b)->objectName()));
        QVERIFY(w.button(FeedbackView::ZorButton1)->isEnabled() &&
                w.button(FeedbackView::ZorButton1)->isVisible());
        QVERIFY(!w.cmdback()->isVisible() && w.cmdClose()->isEnabled());
        QVERIFY(w.menu().isEnabled("keyFile") && w.menu().isEnabled("keyFile1"));
        QCOMPARE(w.lbluser()->text(), QStringLiteral("Standard-User: anna"));
        QCOMPARE(w.lblinfo()->text(), QStringLiteral("keine Bewertungen vorhanden"));
        QVERIFY(w.isMaximized());
        QVERIFY(!Form<ui::frmSplash>::isLoaded());
    }

    void aStartShowsTheFirstPage() {
        store->addRatings(QStringLiteral("anna"), 250, QDateTime(QDate(2026, 11, 1), QTime(9, 0)),
                          {1, 1, 1, 2});
        frmAnzeige& w = load();
        QCOMPARE(w.liste().rowCount(), 201);
        QCOMPARE(w.lblinfo()->text(), QStringLiteral("Anzeige: 1 - 200 von 250"));
        QCOMPARE(w.lblsumme(1)->text() + ' ' + w.lblsumme(2)->text() + ' ' + w.lblsumme(3)->text(),
                 "188 62 0");
        QCOMPARE(w.lblProzente()->text(), QStringLiteral("Positive Bewertungen : 100 % "));
        QVERIFY(w.button(FeedbackView::cmdnext)->isEnabled());
        QVERIFY(!w.button(FeedbackView::cmdalleanzeigen)->isEnabled());
        QVERIFY(!w.progressBar()->isVisible());

        QTest::mouseClick(w.button(FeedbackView::cmdnext), Qt::LeftButton);
        QCOMPARE(w.lblinfo()->text(), QStringLiteral("Anzeige: 201 - 250 von 250"));
        QVERIFY(w.button(FeedbackView::cmdprev)->isEnabled());
    }

    void theMenu() {
        frmAnzeige& w = load();
        QCOMPARE(keys(w.menu()), "keyFile,keyuser,,keyAnmelden,keyAbmelden,,keyabout,keyhelp,,"
                                 "keyexit,keyFile1,keyDelete,,keyBewertungen,keyOffen,keyVerlauf,"
                                 "keyVollstaendig");
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
        QCOMPARE(keys(menu), "x,keyFile,keyFile,keyFile1,keyDelete,,keyBewertungen,keyOffen,"
                             "keyVerlauf,keyVollstaendig");
    }

    void closingUnloadsEveryWindow() {
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
        QCOMPARE(
            QList<int>({l.cmdCloseLeft, l.zorButton1Left, l.cmdbackLeft, l.frame1Left, l.cmdnextTop,
                        l.cmdprevTop, l.frame1Top, l.lblProzenteTop, l.picture2Left}),
            QList<int>({12080, 10440, 10440, 8960, 5270, 5270, 5240, 5330, 7425}));
    }

    void aRestoredWindowKeepsItsMinimumSize() {
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
