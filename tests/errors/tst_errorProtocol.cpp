// The error protocol: its text byte for byte, and the log that every error
// appends to.
#include "answerers.h"
#include "base/programFolder.h"
#include "errors/errPtnr.h"
#include "errors/procedure.h"

#include <QtTest>

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void failing() {
    errors::Procedure p("[modTest] Public Function failing() As Long");
    p.step([] { errors::raise(errors::RuntimeError::DivisionByZero); });
}

} // namespace

class ErrorProtocolTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFolder> folder;

private slots:
    void init() {
        folder = std::make_unique<testsupport::ProgramFolder>();
        app::setExecutableName(QStringLiteral("notenschau"));
        errors::ErrPtnr& partner = errors::ErrPtnr::instance();
        partner.trace().clear();
        partner.SetProgInfo({});
        partner.setSystemInfo(errors::SystemInfo{QStringLiteral("Linux"),
                                                 QStringLiteral("6.1.0-18-amd64"),
                                                 QStringLiteral("#1 SMP Debian 6.1.76-1"),
                                                 {}});
    }
    void cleanup() {
        errors::ErrPtnr::instance().setSystemInfo(std::nullopt);
        app::setExecutableName({});
        folder.reset();
    }

    void theLogHoldsTheProtocolByteForByte() {
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
        QCOMPARE(readFile(folder->file(QStringLiteral("notenschau.EPT"))), expected);
        QCOMPARE(errors::ErrPtnr::instance().progInfo(), QStringLiteral("notenschau  V1.0.0"));
    }

    void anEmptyTraceGivesNoTraceLines() {
        testsupport::FixedClock clock(QDateTime(QDate(2026, 12, 24), QTime(23, 59, 59)));
        const QString text = errors::buildProtocol(
            QStringLiteral("x  V1.0.0"), {13, QStringLiteral("Typen unverträglich"), "m", "p", 0},
            {}, clock.now(), {});
        QVERIFY(text.contains(QStringLiteral("CALLSTACK:\r\n------")));
        QVERIFY(text.contains(QStringLiteral("Datum/Uhrzeit:\t12-24-2026 / 23:59:59\r\n")));
        QVERIFY(text.contains(QStringLiteral("Build:\t   \r\n")));
    }

    void threeErrorsLeaveThreeProtocols() {
        testsupport::ErrorAnswerer answers;
        answers.answer(errors::NextStatement).answer(errors::NextStatement).answer(errors::Retry);
        answers.answer(errors::LeaveProcedure);
        failing();
        failing();
        failing(); // retried once: that is the fourth error
        const QByteArray log = readFile(folder->file(QStringLiteral("notenschau.EPT")));
        QCOMPARE(log.count("F E H L E R P R O T O K O L L"), 4);
        QVERIFY(log.endsWith("-\r\n\r\n"));
        // Never shortened: the next error appends behind what is there.
        answers.answer(errors::LeaveProcedure);
        failing();
        const QByteArray longer = readFile(folder->file(QStringLiteral("notenschau.EPT")));
        QVERIFY(longer.startsWith(log));
        QCOMPARE(longer.count("F E H L E R P R O T O K O L L"), 5);
    }

    void anUnwritableLogDoesNotStopTheDialog() {
        // A folder in place of the log file makes every append fail.
        QVERIFY(QDir(folder->path()).mkdir(QStringLiteral("notenschau.EPT")));
        testsupport::ErrorAnswerer answers;
        answers.answer(errors::LeaveProcedure);
        failing();
        QCOMPARE(answers.reports.size(), 1);
        QCOMPARE(answers.unexpected, 0);
    }

    void theTraceOfTwentyGivesTwentyLines() {
        static const char* const sigs[22] = {
            "[m] Sub a()", "[m] Sub b()", "[m] Sub c()", "[m] Sub d()", "[m] Sub e()",
            "[m] Sub f()", "[m] Sub g()", "[m] Sub h()", "[m] Sub i()", "[m] Sub j()",
            "[m] Sub k()", "[m] Sub l()", "[m] Sub m()", "[m] Sub n()", "[m] Sub o()",
            "[m] Sub p()", "[m] Sub q()", "[m] Sub r()", "[m] Sub s()", "[m] Sub t()",
            "[m] Sub u()", "[m] Sub v()"};
        for (const char* s : sigs)
            errors::Procedure p(s);
        const QString text = errors::ErrPtnr::instance().protocol({});
        const qsizetype from = text.indexOf(QStringLiteral("CALLSTACK:\r\n")) + 12;
        const qsizetype to = text.indexOf(QStringLiteral("-----"), from);
        QCOMPARE(text.mid(from, to - from).count(QStringLiteral("\r\n")), 20);
    }

    void lpstrStopsAtTheFirstNul() {
        QCOMPARE(errors::LPSTRToVBString(QStringLiteral("Service Pack 3") + QChar(0) + "xyz"),
                 QStringLiteral("Service Pack 3"));
        QCOMPARE(errors::LPSTRToVBString(QStringLiteral("kein Ende")), QString());
    }
};

QTEST_GUILESS_MAIN(ErrorProtocolTest)
#include "tst_errorProtocol.moc"
