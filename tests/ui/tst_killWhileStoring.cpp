// A kill -9 while the fetched lines are being stored leaves the database
// whole, with none or all of that run's ratings.
#include "app/modGlobal.h"
#include "store/connection.h"
#include "store/modData.h"
#include "store/schema.h"
#include "storeFixture.h"

#include <csignal>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

class KillWhileStoringTest : public QObject {
    Q_OBJECT
private slots:
    void noneOrAll() {
        testsupport::StoreFixture store(QStringLiteral("anna"));
        const QString db = store.databasePath();
        modGlobal::cnDB.reset(); // the probe is the only writer
        qint64 expected = 0;
        int killed = 0;
        QRandomGenerator random(20261206);
        for (int run = 0; run < 12; ++run) {
            QProcess probe;
            probe.start(QStringLiteral(STORE_LINES_PROBE),
                        {store.folder().path(), QString::number(run)});
            QVERIFY(probe.waitForStarted());
            QVERIFY(probe.waitForReadyRead(10000));
            QCOMPARE(probe.readLine().trimmed(), QByteArray("START"));
            if (probe.waitForFinished(int(random.bounded(400)))) {
                QCOMPARE(probe.readAll().trimmed(), QByteArray("DONE"));
            } else {
                ::kill(pid_t(probe.processId()), SIGKILL);
                QVERIFY(probe.waitForFinished(5000));
                ++killed;
            }
            auto connection = store::Connection::open(db, store::databasePassword());
            QCOMPARE(connection->pragma("PRAGMA integrity_check"), QStringLiteral("ok"));
            auto count = connection->prepare("SELECT count(*) FROM Bewertungeneigen");
            QVERIFY(count.next());
            const qint64 rows = count.int64(0);
            QVERIFY2(rows == expected || rows == expected + 10000,
                     qPrintable(QStringLiteral("run %1: %2 rows, expected %3 or %4")
                                    .arg(run)
                                    .arg(rows)
                                    .arg(expected)
                                    .arg(expected + 10000)));
            expected = rows;
        }
        QVERIFY2(killed > 0, "no run was killed in the middle");
    }
};

QTEST_GUILESS_MAIN(KillWhileStoringTest)
#include "tst_killWhileStoring.moc"
