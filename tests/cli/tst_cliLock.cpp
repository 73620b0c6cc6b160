// One check at a time per program folder: a second notenschau-cli pruefen is
// refused while the first loads, or waits for it with --warten, and the lock
// of a run that is gone is taken over; processes against the simulator.
#include "answerers.h"
#include "marktsimProcess.h"
#include "processRun.h"
#include "store/schema.h"
#include "storeFixture.h"
#include "testData.h"

#include <QLockFile>
#include <QTest>

using testsupport::fetch;
using testsupport::ProcessResult;

class CliLock : public QObject {
    Q_OBJECT
    marktsim::SimProcess sim;
    std::unique_ptr<testsupport::ProgramFolder> folder;

    QString lockPath() const { return folder->file("noten.db-pruefung.lock"); }
    QStringList call(const QStringList& args) const {
        return QStringList{"--ordner", folder->path(), "pruefen", "--ja"} + args;
    }
    ProcessResult pruefen(const QStringList& args = {}) {
        return testsupport::runProcess(NOTENSCHAU_CLI_PATH, call(args));
    }
    // A first run that holds the lock while the marketplace takes its time.
    void startSlowRun(QProcess& first) {
        QVERIFY(sim.fault("delay", {"on=entries", "ms=3000"}));
        testsupport::startProcess(first, NOTENSCHAU_CLI_PATH, call({}));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(lockPath()).size() > 0, 10000);
    }
    QString busy(qint64 pid) const {
        return QStringLiteral("Eine Prüfung läuft bereits (Prozess %1). Bitte versuchen Sie es "
                              "gleich noch einmal.\n")
            .arg(pid);
    }

private slots:
    void initTestCase() {
        QVERIFY2(sim.start({"--member", "anna:12", "--reference", "2026-11-30T12:00:00Z"}),
                 qPrintable(sim.errorString()));
    }
    void init() {
        sim.admin("clear");
        sim.admin("member", QUrlQuery{{"user", "anna"}, {"count", "12"}});
        folder = std::make_unique<testsupport::ProgramFolder>();
        store::createDatabase(folder->file("noten.db"));
        folder->writeConfig("[Main]\nDatabase=noten.db\ncheckInet=False\n[User]\nUsername=anna\n" +
                            testsupport::marktplatz(sim.baseUrl()));
    }

    void aSecondRunIsRefusedOrWaits() {
        QProcess first;
        startSlowRun(first);
        const qint64 pid = first.processId();
        const ProcessResult refused = pruefen();
        QCOMPARE(refused.code, 8);
        QCOMPARE(refused.err, busy(pid));
        QCOMPARE(refused.out, QString());

        QProcess waiting;
        testsupport::startProcess(waiting, NOTENSCHAU_CLI_PATH, call({"--warten"}));
        const ProcessResult firstEnd = testsupport::finishProcess(first);
        QCOMPARE(firstEnd.code, 0);
        QVERIFY2(firstEnd.out.endsWith("Gespeichert: 12 neue Bewertungen, insgesamt 12.\n"),
                 qPrintable(firstEnd.out));
        const ProcessResult waited = testsupport::finishProcess(waiting);
        QCOMPARE(waited.code, 0);
        QVERIFY2(waited.err.startsWith(QStringLiteral("Eine Prüfung läuft bereits (Prozess %1); "
                                                      "es wird gewartet, bis sie endet.\n")
                                           .arg(pid)),
                 qPrintable(waited.err));
        QVERIFY2(waited.out.contains("Es sind keine neuen Bewertungen eingegangen"),
                 qPrintable(waited.out));
        QVERIFY(!QFile::exists(lockPath()));
    }

    // Killed: its process is gone. Number reused: the file names a process
    // that runs, this test, but nobody holds the lock.
    void aLockLeftBehindIsTakenOver_data() {
        QTest::addColumn<bool>("killed");
        testsupport::row("killed", true);
        testsupport::row("number reused", false);
    }
    void aLockLeftBehindIsTakenOver() {
        if (fetch<bool>("killed")) {
            QProcess first;
            startSlowRun(first);
            first.kill();
            QVERIFY(first.waitForFinished());
            sim.admin("clear");
        } else {
            QLockFile mine(lockPath());
            QVERIFY(mine.tryLock(0));
            QFile file(lockPath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray content = file.readAll();
            file.close();
            mine.unlock();
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        QVERIFY(QFileInfo(lockPath()).size() > 0);
        const ProcessResult next = pruefen();
        QCOMPARE(next.code, 0);
        QCOMPARE(next.err, QString());
        QVERIFY2(next.out.endsWith("Gespeichert: 12 neue Bewertungen, insgesamt 12.\n"),
                 qPrintable(next.out));
    }
};

QTEST_GUILESS_MAIN(CliLock)
#include "tst_cliLock.moc"
