// The window's own checks at [Main] Intervall: no question and no message
// box, the list read again where the user has it, a line of what came of it,
// and the desktop notice when the window is not the active one. The real
// window, the simulator, a stand-in notification service on a private bus.
#include "answerers.h"
#include "app/checkLock.h"
#include "app/windowLink.h"
#include "guiDriver.h"
#include "processRun.h"
#include "retrieval/clsTalmBewertungen.h"
#include "retrieval/quietCheck.h"
#include "testData.h"
#include "ui/forms.h"
#include "ui/main/feedbackList.h"
#include "ui/main/frmAnzeige.h"
#include "windowFixture.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using testsupport::fetch;
using ui::Form;
using ui::frmAnzeige;

class IntervalCheckTest : public QObject, testsupport::WindowFixture {
    Q_OBJECT
    QTemporaryDir temp;

    frmAnzeige& openWindow(const QByteArray& mainLines) {
        return WindowFixture::openWindow(QStringLiteral("anna"), {}, {},
                                         "checkInet=False\n" + mainLines);
    }
    // Runs one check as the timer would and waits for its end.
    void checkNow(frmAnzeige& w) {
        QSignalSpy done(&w, &frmAnzeige::intervalCheckDone);
        w.intervalCheck();
        QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 20000);
    }
    QString line(const QString& rest) const {
        return QStringLiteral("Automatische Prüfung um \\d\\d:\\d\\d") + rest;
    }

private slots:
    void initTestCase() {
        QVERIFY(temp.isValid());
        qRegisterMetaType<retrieval::QuietCheckOutcome>();
        QVERIFY(startSim({"--member", "anna:12", "--reference", "2026-11-30T12:00:00Z"}));
    }
    void init() {
        sim->admin("clear");
        sim->admin("member", QUrlQuery{{"user", "anna"}, {"count", "12"}});
        retrieval::clsTalmBewertungen::clearTokenCache();
    }
    void cleanup() {
        Form<frmAnzeige>::unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        store.reset();
    }
    void cleanupTestCase() { closeAll(); }

    void theSetting_data() {
        QTest::addColumn<QByteArray>("mainLines");
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<QString>("said");
        testsupport::row("none", QByteArray(), 0, "");
        testsupport::row("never", QByteArray("Intervall=0\n"), 0, "");
        testsupport::row("every ten minutes", QByteArray("Intervall=10\n"), 600000, "");
        testsupport::row("too short", QByteArray("Intervall=1\n"), 0,
                         "Der Wert \"1\" von Intervall im Abschnitt [Main] der Datei ");
    }
    void theSetting() {
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK);
        frmAnzeige& w = openWindow(fetch<QByteArray>("mainLines"));
        const int ms = fetch<int>("intervalMs");
        QCOMPARE(w.intervalTimer() != nullptr, ms > 0);
        if (ms > 0)
            QCOMPARE(w.intervalTimer()->remainingTime() > ms - 5000, true);
        const QString said = fetch<QString>("said");
        QCOMPARE(boxes.shown.size(), said.isEmpty() ? 0 : 1);
        if (!said.isEmpty())
            QVERIFY2(boxes.shown[0].text.startsWith(said), qPrintable(boxes.shown[0].text));
    }

    // Whatever the outcome: no box, no progress window, the line says it.
    void aQuietCheck_data() {
        QTest::addColumn<int>("arrived");
        QTest::addColumn<bool>("lockHeld");
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<QString>("said");
        QTest::addColumn<int>("rows");
        testsupport::row("new ratings", 3, false, QStringList(), line(": 3 neue Bewertungen\\."),
                         16);
        testsupport::row("nothing new", 0, false, QStringList(),
                         line(": keine neuen Bewertungen\\."), 13);
        testsupport::row("another check runs", 3, true, QStringList(),
                         line(" ausgelassen: eine andere Prüfung lief\\."), 13);
        testsupport::row(
            "the marketplace fails", 3, false,
            QStringList{"status", "on=api", "status=500", "count=9"},
            line(" fehlgeschlagen: Der Marktplatz meldet eine Störung \\(HTTP-Status 500\\)\\..*"),
            13);
    }
    void aQuietCheck() {
        testsupport::MessageBoxAnswerer boxes;
        frmAnzeige& w = openWindow("Intervall=60\n");
        checkNow(w); // the first twelve
        QCOMPARE(w.liste().rowCount(), 13);
        if (const int arrived = fetch<int>("arrived"))
            sim->admin("add", QUrlQuery{{"user", "anna"}, {"count", QString::number(arrived)}});
        if (const QStringList fault = fetch<QStringList>("fault"); !fault.isEmpty())
            QVERIFY(sim->fault(fault.first(), fault.mid(1)));
        app::CheckLock other(store->databasePath());
        if (fetch<bool>("lockHeld"))
            QCOMPARE(other.tryTake().kind, app::CheckLockState::Kind::Taken);
        const int before = stat("entries");
        bool modalShown = false;
        testsupport::onNextModal([&](QWidget*) { modalShown = true; }, 300);
        checkNow(w);
        QCOMPARE(boxes.shown.size(), 0);
        QVERIFY(!modalShown);
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(fetch<QString>("said")))
                     .match(w.lblPruefung()->toolTip())
                     .hasMatch(),
                 qPrintable(w.lblPruefung()->toolTip()));
        QVERIFY(w.lblPruefung()->isVisible());
        // In sight: the menu bar gives the line its room.
        QTRY_VERIFY(w.lblPruefung()->visibleRegion().boundingRect().width() > 100);
        QTRY_COMPARE(w.liste().rowCount(), fetch<int>("rows"));
        if (fetch<bool>("lockHeld"))
            QCOMPARE(stat("entries"), before);
        QVERIFY(w.button(ui::FeedbackView::ZorButton1)->isEnabled());
        QVERIFY(w.intervalTimer()->isActive());
    }

    // None while the window is the active one; when it is not, one notice,
    // and its "Anzeigen" brings the window back.
    void aNoticeWhileAway_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("forward");
        testsupport::row("Anzeigen chosen", "anzeigen", true);
        testsupport::row("closed unread", "schliessen", false);
    }
    void aNoticeWhileAway() {
        const QString record = temp.filePath(QStringLiteral("notices.jsonl"));
        QFile::remove(record);
        QProcess service;
        testsupport::startProcess(service, QStringLiteral(NOTIFY_STAND_IN),
                                  {record, fetch<QString>("answer")});
        QVERIFY(service.waitForReadyRead(20000));
        QCOMPARE(service.readLine(), QByteArray("ready\n"));
        frmAnzeige& w = openWindow("Intervall=60\nMelden=alle\n");
        QVERIFY(QTest::qWaitForWindowActive(&w));
        checkNow(w); // the first twelve, seen in the window itself

        QWidget elsewhere;
        elsewhere.show();
        elsewhere.activateWindow();
        QTRY_VERIFY(!w.isActiveWindow());
        sim->admin("add", QUrlQuery{{"user", "anna"}, {"count", "2"}});
        checkNow(w);
        QTRY_VERIFY(QFileInfo(record).size() > 0);
        const bool forward = fetch<bool>("forward");
        if (forward)
            QTRY_VERIFY(w.isActiveWindow());
        QTest::qWait(600);
        QCOMPARE(w.isActiveWindow(), forward);
        service.kill();
        service.waitForFinished();
        QFile f(record);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> calls = f.readAll().trimmed().split('\n');
        QCOMPARE(calls.size(), 1);
        const QJsonObject call = QJsonDocument::fromJson(calls.first()).object();
        QVERIFY2(call["summary"].toString().startsWith("2 neue Bewertungen"),
                 qPrintable(call["summary"].toString()));
        QCOMPARE(w.liste().rowCount(), 15);
    }

    // A start from a notice while the window is open: all own ratings from
    // the newest, in front, whatever the window showed.
    void neuesteShowsTheNewest() {
        frmAnzeige& w = openWindow("Intervall=60\n");
        checkNow(w);
        w.button(ui::FeedbackView::Command1)->click();
        QVERIFY(w.lblinfo()->text() != QStringLiteral("Anzeige: 1 - 12 von 12"));
        w.showMinimized();
        QVERIFY(app::sendToWindow(store->folder().path(), app::WindowCommand::Neueste));
        QTRY_COMPARE(w.lblinfo()->text(), QStringLiteral("Anzeige: 1 - 12 von 12"));
        QVERIFY(!w.isMinimized());
    }
};

QTEST_MAIN(IntervalCheckTest)
#include "tst_intervalCheck.moc"
