// "notenschau-cli pruefen --melden" on a private session bus, with a stand-in
// for the desktop's notification service: which checks give a notice, what it
// says, what "Anzeigen" starts, and a clean end without any service or bus.
#include "marktsimProcess.h"
#include "processRun.h"
#include "storeFixture.h"
#include "testData.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using testsupport::fetch;
using testsupport::row;

class NoticeTest : public QObject {
    Q_OBJECT
    marktsim::SimProcess sim;
    QTemporaryDir temp;

    void addRating(const QString& kind, const QString& text, const QString& giver) {
        static int id = 0;
        const QJsonObject rating{{"feedbackId", QString::number(900000 + ++id)},
                                 {"commentType", kind},
                                 {"commentText", text},
                                 {"giver", giver}};
        QVERIFY(
            !sim.admin("add", QUrlQuery("user=anna"), QJsonDocument(rating).toJson()).isEmpty());
    }

private slots:
    void initTestCase() {
        QVERIFY2(sim.start({"--member", "anna:0"}), qPrintable(sim.errorString()));
        QVERIFY(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"));
    }

    // The new ratings of a check (P positive, U neutral, N negative), the
    // setting, the service's answer ("-": no service on the bus), and what
    // the service was sent (DATUM: any date); whether "Anzeigen" started the
    // folder's program.
    void aCheckThatStoredRatings_data() {
        QTest::addColumn<QString>("kinds");
        QTest::addColumn<QString>("melden"); // [Main] Melden; empty: not set
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("summary"); // empty: no notice
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("urgency");
        QTest::addColumn<bool>("started");
        QTest::addColumn<QString>("said"); // on stderr
        row("a negative, by default", "PN", "", "", "2 neue Bewertungen, davon 1 negativ",
            "Kaputt &amp; &lt;zu spät&gt; (k***2, DATUM)", 2, false, "");
        row("neutral and negatives, three of them in the body", "NUNN", "", "",
            "4 neue Bewertungen, davon 3 negativ und 1 neutral",
            "Kaputt &amp; &lt;zu spät&gt; (k***1, DATUM)\nGeht so (k***2, DATUM)\nKaputt &amp; "
            "&lt;zu "
            "spät&gt; (k***3, DATUM)",
            2, false, "");
        row("only positives, by default", "PP", "", "", "", "", 0, false, "");
        row("only positives, alle", "P", "alle", "", "1 neue Bewertung", "", 1, false, "");
        row("aus", "N", "aus", "", "", "", 0, false, "");
        row("Anzeigen chosen", "U", "", "anzeigen", "1 neue Bewertung, davon 1 neutral",
            "Geht so (k***1, DATUM)", 1, true, "");
        row("closed unread", "U", "", "schliessen", "1 neue Bewertung, davon 1 neutral",
            "Geht so (k***1, DATUM)", 1, false, "");
        row("no service", "N", "", "-", "", "", 0, false,
            "Keine Desktop-Benachrichtigung möglich: kein Benachrichtigungsdienst auf dem "
            "Sitzungsbus\n");
    }
    void aCheckThatStoredRatings() {
        sim.admin("member", QUrlQuery("user=anna&count=0"));
        const QString melden = fetch<QString>("melden");
        testsupport::StoreFixture store(
            QStringLiteral("anna"), testsupport::marktplatz(sim.baseUrl()),
            "checkInet=False\n" +
                (melden.isEmpty() ? QByteArray() : "Melden=" + melden.toUtf8() + '\n'));
        // The folder's program, as "Anzeigen" starts it.
        const QString program = store.folder().file(QStringLiteral("notenschau"));
        const QString startedFile = temp.filePath(QStringLiteral("gestartet"));
        QFile::remove(startedFile);
        QFile script(program);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(("#!/bin/sh\ntouch '" + startedFile + "'\n").toUtf8());
        script.close();
        script.setPermissions(script.permissions() | QFile::ExeOwner);

        const QString record = temp.filePath(QStringLiteral("notices.jsonl"));
        QFile::remove(record);
        QProcess service;
        const QString answer = fetch<QString>("answer");
        if (answer != QLatin1String("-")) {
            testsupport::startProcess(service, QStringLiteral(NOTIFY_STAND_IN), {record, answer});
            QVERIFY(service.waitForReadyRead(20000));
            QCOMPARE(service.readLine(), QByteArray("ready\n"));
        }
        int n = 0;
        for (const QChar kind : fetch<QString>("kinds")) {
            const QString giver = QStringLiteral("k_%1").arg(++n);
            if (kind == 'P')
                addRating("POSITIVE", "Alles bestens", giver);
            else if (kind == 'U')
                addRating("NEUTRAL", "Geht so", giver);
            else
                addRating("NEGATIVE", "Kaputt & <zu spät>", giver);
        }
        // Unanswered, a notice is waited for only briefly here.
        qputenv("NOTENSCHAU_MELDEN_WARTEN_MS", answer.isEmpty() ? "1000" : "20000");
        const testsupport::ProcessResult r =
            testsupport::runProcess(NOTENSCHAU_CLI_PATH, {"--ordner", store.folder().path(),
                                                          "pruefen", "--ja", "--melden"});
        service.kill();
        service.waitForFinished();
        QCOMPARE(r.code, 0);
        QTEST(r.err, "said");

        QFile f(record);
        const QList<QByteArray> calls =
            f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().split('\n') : QList<QByteArray>{};
        const QString summary = fetch<QString>("summary");
        QCOMPARE(calls.size(), summary.isEmpty() ? 0 : 1);
        if (summary.isEmpty())
            return;
        const QJsonObject call = QJsonDocument::fromJson(calls.first()).object();
        QCOMPARE(call["summary"].toString(), summary);
        const QString body =
            QRegularExpression::escape(fetch<QString>("body"))
                .replace(QStringLiteral("DATUM"), QStringLiteral("\\d\\d\\.\\d\\d\\.\\d{4}"));
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(body))
                     .match(call["body"].toString())
                     .hasMatch(),
                 qPrintable(call["body"].toString()));
        QCOMPARE(call["hints"]["urgency"].toString(), QString(QChar(fetch<int>("urgency"))));
        QCOMPARE(call["hintTypes"]["urgency"].toString(), QStringLiteral("uchar"));
        QCOMPARE(call["actions"].toArray(),
                 (QJsonArray{"default", "Anzeigen", "anzeigen", "Anzeigen"}));
        QCOMPARE(call["app"].toString(), QStringLiteral("Notenschau"));
        QTRY_COMPARE(QFile::exists(startedFile), fetch<bool>("started"));
    }

    // Without a session bus the check ends as it would without --melden.
    void noBusAtAll() {
        sim.admin("member", QUrlQuery("user=anna&count=0"));
        testsupport::StoreFixture store(QStringLiteral("anna"),
                                        testsupport::marktplatz(sim.baseUrl()));
        addRating("NEGATIVE", "Kaputt", "k_1");
        const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/notenschau-test-bus");
        const testsupport::ProcessResult r =
            testsupport::runProcess(NOTENSCHAU_CLI_PATH, {"--ordner", store.folder().path(),
                                                          "pruefen", "--ja", "--melden"});
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains("Gespeichert: 1 neue Bewertung, insgesamt 1."), qPrintable(r.out));
        QCOMPARE(r.err, QStringLiteral("Keine Desktop-Benachrichtigung möglich: keine Verbindung "
                                       "zum Sitzungsbus (D-Bus)\n"));
    }
};

QTEST_GUILESS_MAIN(NoticeTest)
#include "tst_notice.moc"
