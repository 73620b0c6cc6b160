// One instance per user: a second start ends silently while the first runs,
// a crashed first instance does not block the next start, and a start that
// fails in the error dialog does not linger holding the lock. A logout's
// signal ends the window as "Beenden" does, closing the database.
#include "answerers.h"
#include "app/modGlobal.h"
#include "app/singleInstance.h"
#include "errors/errPtnr.h"
#include "processRun.h"
#include "storeFixture.h"

#include <csignal>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class SingleInstanceTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtimeDir;

    std::unique_ptr<QProcess> start(const QString& program = QStringLiteral(NOTENSCHAU_EXE),
                                    const QStringList& arguments = {}) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p->setProcessEnvironment(env);
        testsupport::startProcess(*p, program, arguments);
        return p;
    }

    // The process the lock file names; 0 when there is none.
    qint64 lockHolder() const {
        qint64 pid = 0;
        QLockFile lock(runtimeDir.filePath(QStringLiteral("notenschau.lock")));
        return lock.getLockInfo(&pid, nullptr, nullptr) ? pid : 0;
    }

    static void kill(QProcess& p) {
        ::kill(pid_t(p.processId()), SIGKILL);
        p.waitForFinished(5000);
    }

private slots:
    void initTestCase() {
        QVERIFY(runtimeDir.isValid());
        QFile::setPermissions(runtimeDir.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // A second start ends silently while the first runs; a crashed first
    // instance leaves its lock file behind and still does not block the next.
    void oneInstanceAtATime() {
        auto first = start();
        QTRY_COMPARE_WITH_TIMEOUT(lockHolder(), first->processId(), 20000);
        const testsupport::ProcessResult second = testsupport::finishProcess(*start());
        QCOMPARE(second.code, 0);
        QCOMPARE(second.out, QString());
        QCOMPARE(second.err, QString());
        QCOMPARE(first->state(), QProcess::Running);
        kill(*first);

        auto next = start();
        QTRY_COMPARE_WITH_TIMEOUT(lockHolder(), next->processId(), 20000);
        QCOMPARE(testsupport::finishProcess(*start()).code, 0);
        QCOMPARE(next->state(), QProcess::Running);
        kill(*next);
    }

    // The signals a desktop sends at logout, and Ctrl+C in a terminal: the
    // database is closed as after "Beenden", so the next start finds no
    // marker of an unclean close.
    void aSignalEndsTheWindowAsBeenden_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void aSignalEndsTheWindowAsBeenden() {
        QFETCH(int, signalNumber);
        testsupport::StoreFixture store;
        store.addRatings(QStringLiteral("anna"), 3, QDateTime::currentDateTime());
        modGlobal::resetGlobals(); // the child opens the file, this process lets go
        const QString marker = store.databasePath() + QStringLiteral(".offen");
        QVERIFY(!QFile::exists(marker));

        auto window = start(QStringLiteral(STARTUP_PROBE),
                            {store.folder().path(), QString::number(errors::LeaveProcedure)});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 20000);
        QTest::qWait(500); // mostly in the event loop by now; a start in progress ends the same
        ::kill(pid_t(window->processId()), signalNumber);
        const testsupport::ProcessResult r = testsupport::finishProcess(*window);
        QCOMPARE(window->exitStatus(), QProcess::NormalExit);
        QCOMPARE(r.code, 0);
        QVERIFY(!QFile::exists(marker));
        QVERIFY(!QFile::exists(store.databasePath() + QStringLiteral("-wal")));
        QCOMPARE(lockHolder(), 0);
    }

    // checkInet=yes stops the main window's load with error 13; left in the
    // error dialog, the start ends instead of keeping a hidden window alive.
    void aStartLeftInTheErrorDialogEnds() {
        testsupport::ProgramFolder folder;
        folder.writeConfig("[Main]\ncheckInet=yes\n");
        const testsupport::ProcessResult r = testsupport::finishProcess(
            *start(QStringLiteral(STARTUP_PROBE),
                   {folder.path(), QString::number(errors::LeaveProcedure)}));
        QCOMPARE(r.code, 1);
        QFile log(folder.file(QStringLiteral("startup_probe.EPT")));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("Prozedur:\tForm_Load\r\n"));
        QCOMPARE(lockHolder(), 0);
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_singleInstance.moc"
