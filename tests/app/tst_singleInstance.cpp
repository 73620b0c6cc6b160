// One instance per user: a second start ends silently while the first runs,
// and a crashed first instance does not block the next start.
#include <QtTest>

#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

class SingleInstanceTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtimeDir;

    std::unique_ptr<QProcess> start() {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p->setProcessEnvironment(env);
        p->start(QStringLiteral(NOTENSCHAU_EXE), {});
        return p;
    }

    bool waitForLock() {
        const QString lock = runtimeDir.filePath(QStringLiteral("notenschau.lock"));
        for (int i = 0; i < 200 && !QFile::exists(lock); ++i)
            QTest::qWait(50);
        return QFile::exists(lock);
    }

    static void kill(QProcess& p) {
        ::kill(pid_t(p.processId()), SIGKILL);
        p.waitForFinished(5000);
    }

private slots:
    void initTestCase() {
        QVERIFY(runtimeDir.isValid());
        QFile::setPermissions(runtimeDir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                     QFile::ExeOwner);
    }

    void aSecondStartEndsSilently() {
        auto first = start();
        QVERIFY(first->waitForStarted());
        QVERIFY(waitForLock());

        auto second = start();
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(second->readAllStandardOutput(), QByteArray());
        QCOMPARE(second->readAllStandardError(), QByteArray());

        QCOMPARE(first->state(), QProcess::Running);
        kill(*first);
    }

    void aCrashedInstanceDoesNotBlockTheNext() {
        auto first = start();
        QVERIFY(first->waitForStarted());
        QVERIFY(waitForLock());
        kill(*first); // its lock file stays behind

        auto next = start();
        QVERIFY(next->waitForStarted());
        QVERIFY2(!next->waitForFinished(1500), "the next start gave up");
        // And it holds the lock now: one more start ends at once.
        auto third = start();
        QVERIFY(third->waitForFinished(10000));
        QCOMPARE(third->exitCode(), 0);
        QCOMPARE(next->state(), QProcess::Running);
        kill(*next);
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_singleInstance.moc"
