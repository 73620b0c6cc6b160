// notenschau-db run as a user runs it: making, checking and backing up the
// database file.
#include "base/privateFiles.h"
#include "processRun.h"
#include "testData.h"
#include "testDatabase.h"

#include <QtTest>
#include <sys/stat.h>

using storetest::countIn;
using storetest::readFile;
using testsupport::ProcessResult;

using testsupport::fetch;

namespace {

ProcessResult tool(const QStringList& args) {
    return testsupport::runProcess(NOTENSCHAU_DB, args);
}

const char* kCount = "SELECT count(*) FROM Bewertungeneigen";

int modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

} // namespace

class DbToolTest : public QObject {
    Q_OBJECT

    std::unique_ptr<storetest::Database> db;
    QString path;

private slots:
    void init() {
        db = std::make_unique<storetest::Database>();
        db->addRatings("ich", 1000, QDateTime(QDate(2024, 1, 1), QTime(12, 0)), {1, 2, 3});
        path = db->databasePath();
    }
    void cleanup() { db.reset(); }

    void create() {
        const QString made = db->folder().file("neu.db");
        const QString copy = db->folder().file("kopie.db");
        {
            const testsupport::UsualUmask umask;
            QCOMPARE(tool({"create", made}).code, 0);
            QCOMPARE(tool({"sichern", made, copy}).code, 0);
        }
        // Readers never wait for a writer, from the first open on.
        auto open = store::Connection::open(made, store::databasePassword());
        QCOMPARE(open->journalMode(), QStringLiteral("wal"));
        // Only the owner may read the ratings, whatever the umask.
        for (const QString& file : {made, made + "-wal", made + "-shm", copy})
            QCOMPARE(modeOf(file), 0600);
        open.reset();
        QCOMPARE(countIn(made, kCount), 0);

        const QByteArray before = readFile(made);
        const ProcessResult again = tool({"create", made});
        QCOMPARE(again.code, 1);
        QVERIFY(again.err.contains("existiert bereits"));
        QCOMPARE(readFile(made), before);
        QCOMPARE(tool({"drop", made}).code, 2);
    }

    void check_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("sound") << "noten.db" << 0 << "Die Datenbank ist in Ordnung";
        QTest::newRow("readable by others")
            << "offen.db" << 0 << "kann von anderen Benutzern gelesen werden";
        QTest::newRow("0 bytes") << "leer.db" << 1 << "Tabelle Bewertungeneigen fehlt";
        QTest::newRow("dropped table") << "ohne.db" << 1 << "Tabelle BewertungenTemp fehlt";
        QTest::newRow("damaged") << "noten.db" << 1 << QStringLiteral("ist beschädigt");
        QTest::newRow("missing") << "fehlt.db" << 2 << "gibt es nicht";
        QTest::newRow("other key") << "anders.db" << 2 << QStringLiteral("Falscher Schlüssel");
        QTest::newRow("no path") << "" << 2 << "Aufruf:";
    }
    void check() {
        QFETCH(QString, file);
        QFETCH(int, code);
        modGlobal::resetGlobals();
        store::createDatabase(db->folder().file("anders.db"), "anders");
        store::createDatabase(db->folder().file("offen.db"));
        QFile::setPermissions(db->folder().file("offen.db"), base::kPrivateFile | QFile::ReadOther);
        storetest::writeAll(db->folder().file("leer.db"), {});
        QFile::setPermissions(db->folder().file("leer.db"), base::kPrivateFile);
        store::createDatabase(db->folder().file("ohne.db"));
        store::Connection::openRaw(db->folder().file("ohne.db"), store::databasePassword(), false)
            ->exec("DROP TABLE BewertungenTemp");
        if (file == "noten.db" && code == 1)
            storetest::damage(path);
        const ProcessResult r =
            tool(file.isEmpty() ? QStringList{"pruefen"}
                                : QStringList{"pruefen", db->folder().file(file)});
        QVERIFY2((r.out + r.err).contains(fetch<QString>("verdict")), qPrintable(r.out + r.err));
        QCOMPARE(r.err.contains("anderen Benutzern"), file == "offen.db");
        QCOMPARE(r.code, code);
    }

    // The program is in the middle of storing a batch: the copy holds what
    // was stored before it, whole, and opens with the same key.
    void backupWhileAnotherConnectionWrites() {
        const QString copy = db->folder().file("kopie.db");
        auto batch = modData::beginBatch();
        db->addRatings("ich", 500, QDateTime(QDate(2025, 1, 1), QTime(12, 0)));
        const ProcessResult r = tool({"sichern", path, copy});
        QCOMPARE(r.code, 0);
        QVERIFY(batch.commit());
        QCOMPARE(countIn(path, kCount), 1500);
        QCOMPARE(countIn(copy, kCount), 1000);
        QCOMPARE(storetest::integrity(copy), QStringLiteral("ok"));
    }

    // A target that cannot or must not be written: nothing partial is left.
    void backupRefused_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("code");
        QTest::newRow("existing target") << "da.db" << 2;
        QTest::newRow("existing target, --ueberschreiben") << "da.db --ueberschreiben" << 0;
        QTest::newRow("missing folder") << "fehlt/kopie.db" << 1;
        QTest::newRow("full file system") << "voll/kopie.db" << 1;
    }
    void backupRefused() {
        QFETCH(QString, target);
        QFETCH(int, code);
        QTemporaryDir targets;
        const QString full = targets.filePath("voll");
        QDir().mkpath(full);
        std::optional<storetest::SmallFileSystem> small;
        if (target.startsWith("voll") && !small.emplace(full, "size=64k").mounted)
            QSKIP("no permission to mount a file system here");
        storetest::writeAll(targets.filePath("da.db"), "alt");

        QStringList args = target.split(' ');
        args[0] = targets.filePath(args[0]);
        const ProcessResult r = tool(QStringList{"sichern", path} + args);
        QCOMPARE(r.code, code);
        QCOMPARE(QDir(targets.path()).entryList(QDir::Files), QStringList{"da.db"});
        QCOMPARE(QDir(full).entryList(QDir::Files), QStringList());
        if (code == 0)
            QCOMPARE(countIn(args[0], kCount), 1000);
        else
            QCOMPARE(readFile(targets.filePath("da.db")), QByteArray("alt"));
    }
};

QTEST_GUILESS_MAIN(DbToolTest)
#include "tst_dbTool.moc"
