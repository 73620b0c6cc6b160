// The splash window, the one-instance windows, and the main window's start.
#include "answerers.h"
#include "storeFixture.h"
#include "ui/dialogs/frmSplash.h"
#include "ui/forms.h"
#include "ui/main/frmAnzeige.h"

#include <QFrame>
#include <QLabel>
#include <QtTest>

using ui::Form;
using ui::frmSplash;

class StartupTest : public QObject {
    Q_OBJECT

    static void settle() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

private slots:
    void aKeyPressClosesTheSplash() {
        Form<frmSplash>::get().show();
        QVERIFY(QTest::qWaitForWindowExposed(&Form<frmSplash>::get()));
        QTest::keyClick(&Form<frmSplash>::get(), Qt::Key_A);
        QVERIFY(!Form<frmSplash>::isLoaded());
        settle();
    }

    void aClickOnTheFrameClosesTheSplash() {
        frmSplash& splash = Form<frmSplash>::get();
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        auto* frame = splash.findChild<QFrame*>(QStringLiteral("Frame1"));
        QVERIFY(frame);
        QTest::mouseClick(frame, Qt::LeftButton);
        QVERIFY(!Form<frmSplash>::isLoaded());
        settle();
    }

    void aClosedWindowComesBackAsNew() {
        frmSplash* first = &Form<frmSplash>::get();
        first->lblProductName()->setText(QStringLiteral("geändert"));
        QPointer<frmSplash> watch(first);
        first->close();
        settle();
        QVERIFY(watch.isNull());
        QCOMPARE(Form<frmSplash>::get().lblProductName()->text(),
                 QStringLiteral("Notenschau wird gestartet.........."));
        Form<frmSplash>::unload();
        settle();
    }

    // Shown, the user read and the splash gone: tst_mainWindow
    // theFirstStartWithAnEmptyDatabase. A file others may read is said once.
    void theMainWindowLoads_data() {
        QTest::addColumn<bool>("othersMayRead");
        QTest::newRow("private file") << false;
        QTest::newRow("others may read it") << true;
    }
    void theMainWindowLoads() {
        QFETCH(bool, othersMayRead);
        testsupport::StoreFixture store(QStringLiteral("anna"));
        if (othersMayRead)
            QFile::setPermissions(store.databasePath(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        testsupport::ErrorAnswerer answers;
        testsupport::MessageBoxAnswerer boxes;
        ui::frmAnzeige& main = Form<ui::frmAnzeige>::get();
        main.Form_Load();
        QCOMPARE(answers.reports.size(), 0);
        QCOMPARE(boxes.shown.size(), othersMayRead ? 1 : 0);
        if (othersMayRead)
            QVERIFY(
                boxes.shown.at(0).text.contains(QStringLiteral("von anderen Benutzern gelesen")));
        Form<ui::frmAnzeige>::unload();
        settle();
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
