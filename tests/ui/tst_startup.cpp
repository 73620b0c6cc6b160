// The splash window and the one-instance windows.
#include "ui/dialogs/frmSplash.h"
#include "ui/forms.h"

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
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
