// The error convention: what each choice in the error dialog does to the
// failing procedure, the deviations, the trace, and the protocol every error
// leaves: its text byte for byte, and the log it is appended to.
#include "answerers.h"
#include "base/programFolder.h"
#include "errors/errPtnr.h"
#include "errors/procedure.h"
#include "testData.h"

#include <QtTest>

using errors::Handling;
using errors::Procedure;

using testsupport::readFile;

using testsupport::fetch;

namespace {

// A Long function whose second step divides by zero.
struct Sample {
    QStringList steps;
    int attempts = 0;

    qint32 run() {
        Procedure p("[modTest] Public Function run(x As Long) As Long");
        qint32 result = 0;
        p.step([&] { steps << "a"; });
        p.step([&] {
            ++attempts;
            errors::raise(errors::RuntimeError::DivisionByZero);
        });
        p.step([&] {
            steps << "c";
            result += 7;
        });
        return result;
    }
};

void passingOn() {
    Procedure p("[modTest] Private Sub passingOn()", Handling::PassOn);
    p.step([] { errors::raise(errors::RuntimeError::TypeMismatch); });
}

void caller(QStringList& steps) {
    Procedure p("[modTest] Public Sub caller()");
    p.step([&] {
        steps << "call";
        passingOn();
        steps << "after call, same step";
    });
    p.step([&] { steps << "next"; });
}

void failing() {
    errors::Procedure p("[modTest] Public Function failing() As Long");
    p.step([] { errors::raise(errors::RuntimeError::DivisionByZero); });
}

} // namespace

class ProcedureTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_folder = std::make_unique<testsupport::ProgramFolder>();
        base::setExecutableName(QStringLiteral("notenschau"));
        errors::ErrPtnr& partner = errors::ErrPtnr::instance();
        partner.trace().clear();
        partner.SetProgInfo({});
        partner.setSystemInfo(
            errors::SystemInfo{"Linux", "6.1.0-18-amd64", "#1 SMP Debian 6.1.76-1", {}});
    }
    void cleanup() {
        errors::ErrPtnr::instance().setSystemInfo(std::nullopt);
        base::setExecutableName({});
        m_folder.reset();
    }

    // What each choice does to the failing step, in the procedure itself
    // (run) or in its caller when the error is passed up. Next statement,
    // leave, a retry that succeeds and the end of the program are pressed in
    // tst_errPtnrDialog's theChoices.
    void choices_data() {
        QTest::addColumn<bool>("passedUp");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QStringList>("steps");
        const auto row = [](const char* name, bool passedUp, const QList<int>& answers,
                            const QStringList& steps) {
            QTest::newRow(name) << passedUp << answers << steps;
        };
        const QList<int> retryLeave{errors::Retry, errors::LeaveProcedure};
        row("unknown choice leaves", false, {42}, {"a"});
        row("retry, then leave", false, retryLeave, {"a"});
        row("passed up, next", true, {errors::NextStatement}, {"call", "next"});
        row("passed up, retry calls again", true, retryLeave, {"call", "call"});
    }
    void choices() {
        QFETCH(bool, passedUp);
        QFETCH(QList<int>, answers);
        testsupport::ErrorAnswerer answerer;
        for (int a : answers)
            answerer.answer(a);
        // What the command line's exit codes rest on.
        const errors::ErrorWatch watch;
        Sample s;
        if (passedUp)
            caller(s.steps);
        else
            QCOMPARE(s.run(), 0); // left before the step that adds 7
        QCOMPARE(s.steps, fetch<QStringList>("steps"));
        QVERIFY(watch.seen());
        QCOMPARE(answerer.reports.size(), answers.size());
        QCOMPARE(answerer.unexpected, 0);
        const errors::ErrorReport& r = answerer.reports.front();
        QCOMPARE(r.numberText(), passedUp ? QStringLiteral("13 (Typen unverträglich)")
                                          : QStringLiteral("11 (Division durch Null)"));
        QCOMPARE(r.module, QStringLiteral("modTest"));
        QCOMPARE(r.procedure, passedUp ? QStringLiteral("caller") : QStringLiteral("run"));
        QCOMPARE(r.line, passedUp ? 1 : 2);
        if (!passedUp)
            QCOMPARE(s.attempts, answers.size());
    }

    // Leaving silently: tst_store writersWithoutConnectionFailSilently.
    void skippingSilentlyNeverAsks() {
        testsupport::ErrorAnswerer answers;
        const errors::ErrorWatch watch;
        QStringList steps;
        {
            Procedure p("[frmAnzeige] Private Sub pbuildmenus()", Handling::SkipSilently);
            p.step([] { errors::raise(5); });
            p.step([&] { steps << "skipped on"; });
        }
        QCOMPARE(steps, QStringList({"skipped on"}));
        QVERIFY(!watch.seen());
        QCOMPARE(answers.reports.size(), 0);
        QCOMPARE(answers.unexpected, 0);
    }

    void exitSkipsTheRest() {
        QStringList steps;
        Procedure p("[modTest] Sub early()");
        p.step([&] {
            steps << "1";
            p.exit();
            steps << "1b";
        });
        QVERIFY(!p.step([&] { steps << "2"; }));
        QCOMPARE(steps, QStringList({"1", "1b"}));
    }

    void foreignExceptionsBecomeRuntimeErrors() {
        testsupport::ErrorAnswerer answers;
        answers.answer(errors::NextStatement).answer(errors::NextStatement);
        Procedure p("[modTest] Sub foreign()");
        p.step([] { throw std::bad_alloc(); });
        p.step([] { throw std::runtime_error("kaputt"); });
        QCOMPARE(answers.reports.at(0).number, 7);
        QCOMPARE(answers.reports.at(1).number, 5);
        QCOMPARE(answers.reports.at(1).description, QStringLiteral("kaputt"));
        QCOMPARE(answers.reports.at(1).line, 2);
    }

    void traceKeepsTheTwentyNewestNewestFirst() {
        testsupport::FixedClock clock(QDateTime(QDate(2026, 3, 2), QTime(14, 5, 11)));
        for (const QByteArray& signature : testsupport::signatures(25)) {
            Procedure p(signature.constData());
            clock.advanceSecs(1);
        }
        const QStringList items = errors::ErrPtnr::instance().trace().items();
        QCOMPARE(items.size(), 20);
        QCOMPARE(items.first(), QStringLiteral("14:05:35 [m] Sub p25()"));
        QCOMPARE(items.last(), QStringLiteral("14:05:16 [m] Sub p06()"));
        // Untraced procedures leave no item.
        Procedure::untraced("[frmAnzeige] Private Sub enableAll(flag As Boolean)",
                            Handling::SkipSilently);
        QCOMPARE(errors::ErrPtnr::instance().trace().items().first(), items.first());
        // The protocol lists the same twenty.
        const QString text = errors::ErrPtnr::instance().protocol({});
        const qsizetype from = text.indexOf(QStringLiteral("CALLSTACK:\r\n")) + 12;
        const qsizetype to = text.indexOf(QStringLiteral("-----"), from);
        QCOMPARE(text.mid(from, to - from).count(QStringLiteral("\r\n")), 20);
    }

    void theLogHoldsTheProtocolByteForByte() {
        const testsupport::UsualUmask umask;
        testsupport::FixedClock clock(QDateTime(QDate(2026, 3, 2), QTime(14, 5, 11)));
        testsupport::ErrorAnswerer answers;
        answers.answer(errors::LeaveProcedure);
        {
            errors::Procedure main("[modGlobal] Sub Main()");
            clock.advanceSecs(1);
            failing();
        }
        const QByteArray expected =
            "----------------------------------------------------------------------\r\n"
            "F E H L E R P R O T O K O L L vom ErrorPartner\r\n"
            "----------------------------------------------------------------------\r\n"
            "PROGRAMM-INFOS:\r\n"
            "          notenschau  V1.0.0\r\n"
            "----------------------------------------------------------------------\r\n"
            "FEHLERBESCHREIBUNG:\r\n"
            "          Fehler-Nr:\t11 (Division durch Null)\r\n"
            "          Modul:\tmodTest\r\n"
            "          Prozedur:\tfailing\r\n"
            "          Zeilen-Nr.:\t1\r\n"
            "          Datum/Uhrzeit:\t03-02-2026 / 14:05:12\r\n"
            "----------------------------------------------------------------------\r\n"
            "CALLSTACK:\r\n"
            "          14:05:12 [modTest] Public Function failing() As Long\r\n"
            "          14:05:11 [modGlobal] Sub Main()\r\n"
            "----------------------------------------------------------------------\r\n"
            "SYSTEMINFO:\r\n"
            "          Plattform:\tLinux\r\n"
            "          Version:\t6.1.0-18-amd64\r\n"
            "          Build:\t#1 SMP Debian 6.1.76-1   \r\n"
            "----------------------------------------------------------------------\r\n"
            "\r\n";
        QCOMPARE(readFile(logFile()), expected);
    }

    void anEmptyTraceGivesNoTraceLines() {
        const QString text = errors::buildProtocol(
            QStringLiteral("x  V1.0.0"), {13, QStringLiteral("Typen unverträglich"), "m", "p", 0},
            {}, QDateTime::currentDateTime(), {});
        QVERIFY(text.contains(QStringLiteral("CALLSTACK:\r\n------")));
        QVERIFY(text.contains(QStringLiteral("Build:\t   \r\n")));
    }

    void threeErrorsLeaveThreeProtocols() {
        testsupport::ErrorAnswerer answers;
        answers.answer(errors::NextStatement).answer(errors::NextStatement).answer(errors::Retry);
        answers.answer(errors::LeaveProcedure);
        failing();
        failing();
        failing(); // retried once: that is the fourth error
        const QByteArray log = readFile(logFile());
        QCOMPARE(log.count("F E H L E R P R O T O K O L L"), 4);
        QVERIFY(log.endsWith("-\r\n\r\n"));
        // What went wrong with whose ratings is nobody else's business.
        QCOMPARE(QFile::permissions(logFile()) & 0x0FFF, QFile::ReadUser | QFile::WriteUser);
    }

    void anUnwritableLogDoesNotStopTheDialog() {
        // A folder in place of the log file makes every append fail.
        QVERIFY(QDir(m_folder->path()).mkdir(QStringLiteral("notenschau.EPT")));
        testsupport::ErrorAnswerer answers;
        answers.answer(errors::LeaveProcedure);
        failing();
        QCOMPARE(answers.reports.size(), 1);
        QCOMPARE(answers.unexpected, 0);
    }

private:
    std::unique_ptr<testsupport::ProgramFolder> m_folder;
    QString logFile() const { return m_folder->file(QStringLiteral("notenschau.EPT")); }
};

QTEST_GUILESS_MAIN(ProcedureTest)
#include "tst_procedure.moc"
