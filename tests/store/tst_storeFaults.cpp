// Opening the database and the faults around it: files that cannot be
// opened end the program with its message; a killed process or a full disk
// leaves the file whole, with a batch stored entirely or not at all.
#include "errors/errPtnr.h"
#include "errors/procedure.h"
#include "processRun.h"
#include "testDatabase.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>
#include <signal.h>
#include <sys/mount.h>

using namespace modData;
using storetest::countIn;
using storetest::integrity;
using testsupport::runProcess;

namespace {

const QString kMessage = QStringLiteral(" Die Datenbank ist zur Zeit nicht erreichbar.");

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void writeConfig(const testsupport::ProgramFolder& folder, const QString& dbPath) {
    folder.writeConfig("[Main]\nDatabase=" + dbPath.toUtf8() + "\n[User]\nUsername=ich\n");
}

// Stores n ratings with comments of `size` characters in one batch.
int storeBatch(int n, int size, const QString& user = "ich") {
    const QString text(size, QChar(u'x'));
    auto batch = beginBatch();
    int stored = 0;
    for (int i = 0; i < n; ++i)
        stored +=
            save_Bewerungen(1, text, "KV", storetest::minuteText(i), "k", "1", user, i) ? 1 : 0;
    return batch.commit() ? stored : -1;
}

constexpr int kRatings = 10000;

// Starts store_probe on a batch of kRatings; its output until the batch began.
QByteArray startBatch(QProcess& probe, const QString& folder, const QString& tag) {
    probe.start(STORE_PROBE, {"batch", folder, QString::number(kRatings), tag});
    QByteArray out;
    while (!out.contains("BEGIN") && probe.waitForReadyRead(30000))
        out += probe.readAllStandardOutput();
    return out;
}

} // namespace

class StoreFaultsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFolder> folder;

private slots:
    void init() {
        modGlobal::resetGlobals();
        folder = std::make_unique<testsupport::ProgramFolder>();
        errors::ErrPtnr::instance().setTerminator([] { throw errors::ProgramEnded{}; });
    }
    void cleanup() {
        errors::ErrPtnr::instance().setTerminator({});
        modGlobal::resetGlobals();
        folder.reset();
    }

    void unreachableDatabase_data() {
        QTest::addColumn<QString>("kind");
        for (const char* k : {"missing file", "empty path", "wrong key", "not a database",
                              "empty file", "directory", "damaged page"})
            QTest::newRow(k) << QString::fromLatin1(k);
    }
    // The message, then the end; no error dialog, and the file as it was.
    void unreachableDatabase() {
        QFETCH(QString, kind);
        QString path = folder->file("noten.db");
        if (kind == "wrong key") {
            store::createDatabase(path, "anders");
        } else if (kind == "not a database") {
            writeAll(path, QByteArray("kein Datenbankinhalt ").repeated(200));
        } else if (kind == "empty file") {
            writeAll(path, {});
        } else if (kind == "directory") {
            QDir(folder->path()).mkdir("noten.db");
        } else if (kind == "empty path") {
            path.clear();
        } else if (kind == "damaged page") {
            store::createDatabase(path);
            writeConfig(*folder, path);
            modData::InitDB();
            QCOMPARE(storeBatch(300, 500), 300);
            modGlobal::resetGlobals();
            QByteArray bytes = readAll(path);
            QVERIFY(bytes.size() > 100000);
            const qsizetype at = bytes.size() / 2;
            for (qsizetype i = 0; i < 64; ++i)
                bytes[at + i] = char(bytes[at + i] ^ 0x5A);
            writeAll(path, bytes);
        }
        writeConfig(*folder, path);
        const bool isFile = kind != "directory" && !path.isEmpty();
        const QByteArray before = isFile ? readAll(path) : QByteArray();

        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK);
        testsupport::ErrorAnswerer errorsShown;
        QVERIFY_THROWS_EXCEPTION(errors::ProgramEnded, modData::InitDB());
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, kMessage);
        QCOMPARE(boxes.shown[0].style, app::vbOKOnly | app::vbCritical);
        QCOMPARE(boxes.shown[0].title, app::applicationTitle());
        QCOMPARE(errorsShown.reports.size(), 0);
        QVERIFY(!modGlobal::cnDB);
        if (isFile)
            QCOMPARE(readAll(path), before);
        QVERIFY(!QFile::exists(path + "-wal"));
    }

    // The real end of the process, seen from outside.
    void unreachableDatabaseEndsTheProcess() {
        writeConfig(*folder, folder->file("fehlt.db"));
        const testsupport::ProcessResult r = runProcess(STORE_PROBE, {"initdb", folder->path()});
        QCOMPARE(r.code, EXIT_FAILURE);
        QCOMPARE(r.out, "MSGBOX|" + kMessage + "|16|" + app::applicationTitle() + "\n");
    }

    void openingSettings() {
        storetest::Database db;
        store::Connection& c = *modGlobal::cnDB;
        QCOMPARE(c.journalMode(), QStringLiteral("wal"));
        QCOMPARE(c.pragma("PRAGMA synchronous"), QStringLiteral("2")); // FULL
        QCOMPARE(c.pragma("PRAGMA temp_store"), QStringLiteral("2"));  // MEMORY
        QVERIFY(c.pragma("PRAGMA busy_timeout").toInt() >= 1000);
        QCOMPARE(c.pragma("PRAGMA user_version"), QString::number(store::kSchemaVersion));
    }

    // Another process holding the file does not keep the program out.
    void sharedWithAnotherProcess() {
        storetest::Database db;
        QVERIFY(save_Bewerungen(1, "t", "KV", "01.01.2020 10:00", "k", "1", "ich", 1));
        QVERIFY(runProcess(STORE_PROBE, {"batch", db.folder().path(), "100", "nebenan"})
                    .out.contains("COMMITTED"));
        QCOMPARE(read_Anzahl("ich"), 101);
    }

    void createTool() {
        const QString path = folder->file("neu.db");
        QCOMPARE(runProcess(NOTENSCHAU_DB, {"create", path}).code, 0);
        writeConfig(*folder, path);
        modData::InitDB();
        QVERIFY(modGlobal::cnDB);
        QCOMPARE(read_Anzahl("ich"), 0);
        modGlobal::resetGlobals();

        const QByteArray before = readAll(path);
        const testsupport::ProcessResult again = runProcess(NOTENSCHAU_DB, {"create", path});
        QCOMPARE(again.code, 1);
        QVERIFY(again.err.contains("existiert bereits"));
        QCOMPARE(readAll(path), before);
        QCOMPARE(runProcess(NOTENSCHAU_DB, {"drop", path}).code, 2);
    }

    // kill -9 at a random moment of a 10,000-rating batch, 20 times: the file
    // is whole each time and holds every batch entirely or not at all.
    void killedInTheMiddleOfABatch() {
        const QString path = folder->file("noten.db");
        store::createDatabase(path);
        writeConfig(*folder, path);

        // One undisturbed run tells how long a batch takes here.
        QElapsedTimer timer;
        QProcess probe;
        QVERIFY(startBatch(probe, folder->path(), "ganz").contains("BEGIN"));
        timer.start();
        QVERIFY(probe.waitForFinished(120000));
        const int batchMs = std::max<int>(int(timer.elapsed()), 20);
        qint64 stored = kRatings;
        QCOMPARE(countIn(path, "SELECT count(*) FROM Bewertungeneigen"), stored);

        int killedMidway = 0;
        for (int round = 0; round < 20; ++round) {
            const QString tag = "r" + QString::number(round);
            QProcess child;
            QByteArray out = startBatch(child, folder->path(), tag);
            QVERIFY(out.contains("BEGIN"));
            QThread::msleep(QRandomGenerator::global()->bounded(batchMs + batchMs / 5));
            ::kill(pid_t(child.processId()), SIGKILL);
            QVERIFY(child.waitForFinished(30000));
            out += child.readAllStandardOutput();

            QCOMPARE(integrity(path), QStringLiteral("ok"));
            const QByteArray pattern =
                "SELECT count(*) FROM Bewertungeneigen WHERE FeedbackID LIKE '" + tag.toUtf8() +
                "-%'";
            const qint64 ofRound = countIn(path, pattern.constData());
            if (out.contains("COMMITTED"))
                QCOMPARE(ofRound, qint64(kRatings));
            QVERIFY2(ofRound == 0 || ofRound == kRatings, qPrintable(QString::number(ofRound)));
            killedMidway += ofRound == 0 ? 1 : 0;
            stored += ofRound;
            QCOMPARE(countIn(path, "SELECT count(*) FROM Bewertungeneigen"), stored);
        }
        qInfo("batch %d ms; %d of 20 runs killed before their commit", batchMs, killedMidway);
        QVERIFY(killedMidway > 0);
    }

    // The database may grow only a little: the batch fails as a whole.
    void fullDiskBySizeLimit() {
        storetest::Database db;
        QCOMPARE(storeBatch(20, 100), 20);
        const int pages = modGlobal::cnDB->pragma("PRAGMA page_count").toInt();
        const QByteArray limit = "PRAGMA max_page_count = " + QByteArray::number(pages + 40);
        modGlobal::cnDB->exec(limit.constData());
        checkFullBatch(db.databasePath(), 20, true);
    }

    void fullDiskOnASmallFileSystem() {
        QTemporaryDir mountPoint;
        if (::mount("tmpfs", QFile::encodeName(mountPoint.path()).constData(), "tmpfs", 0,
                    "size=400k") != 0)
            QSKIP("no permission to mount a small file system here");
        struct Unmount {
            QString at;
            ~Unmount() {
                modGlobal::resetGlobals();
                ::umount(QFile::encodeName(at).constData());
            }
        } unmount{mountPoint.path()};
        const QString path = mountPoint.path() + "/noten.db";
        store::createDatabase(path);
        writeConfig(*folder, path);
        modData::InitDB();
        QCOMPARE(storeBatch(20, 100), 20);
        checkFullBatch(path, 20, false);
    }

private:
    void checkFullBatch(const QString& path, qint64 before, bool failsWhileSaving) {
        testsupport::ErrorAnswerer answers;
        const QString text(2000, QChar(u'y'));
        auto batch = beginBatch();
        int firstFailure = -1;
        int storedAfterFailure = 0;
        for (int i = 0; i < 2000; ++i) {
            const bool ok = save_Bewerungen(2, text + QString::number(i), "KV",
                                            storetest::minuteText(100000 + i), "k", "1", "ich", i);
            if (!ok && firstFailure < 0)
                firstFailure = i;
            if (ok && firstFailure >= 0)
                ++storedAfterFailure;
        }
        // The rows may wait in the cache until the commit: then the commit
        // is where the disk fills.
        if (failsWhileSaving)
            QVERIFY(firstFailure > 0);
        if (firstFailure >= 0)
            QCOMPARE(storedAfterFailure, 0);
        QVERIFY(!batch.commit());
        QVERIFY(batch.failed());
        QVERIFY(!batch.fault().isEmpty());
        QCOMPARE(answers.reports.size(), 0); // the caller tells the user
        QCOMPARE(read_Anzahl("ich"), before);
        modGlobal::resetGlobals();
        QCOMPARE(integrity(path), QStringLiteral("ok"));
        QCOMPARE(countIn(path, "SELECT count(*) FROM Bewertungeneigen"), before);
    }
};

QTEST_GUILESS_MAIN(StoreFaultsTest)
#include "tst_storeFaults.moc"
