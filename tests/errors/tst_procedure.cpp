// The error convention: what each choice in the error dialog does to the
// failing procedure, the deviations, and the trace.
#include "answerers.h"
#include "errors/errPtnr.h"
#include "errors/procedure.h"

#include <QtTest>

using errors::Handling;
using errors::Procedure;

namespace {

qint32 divide(qint32 a, qint32 b) {
    if (b == 0)
        errors::raise(errors::RuntimeError::DivisionByZero);
    return a / b;
}

// A Long function whose second step divides by zero.
struct Sample {
    QStringList steps;
    int attempts = 0;
    qint32 zero = 0;

    qint32 run() {
        Procedure p("[modTest] Public Function run(x As Long) As Long");
        qint32 result = 0;
        p.step([&] { steps << "a"; });
        p.step([&] {
            ++attempts;
            result = divide(10, zero);
            steps << "b";
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

} // namespace

class ProcedureTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        errors::ErrPtnr::instance().trace().clear();
        m_folder = std::make_unique<testsupport::ProgramFolder>();
    }
    void cleanup() { m_folder.reset(); }

    // What each choice does to the failing step, in the procedure itself
    // (run) or in its caller when the error is passed up. A retry that
    // succeeds and the end of the program are pressed in tst_errPtnrDialog's
    // theChoices.
    void choices_data() {
        QTest::addColumn<bool>("passedUp");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("steps");
        const auto row = [](const char* name, bool passedUp, const QList<int>& answers, int result,
                            const QStringList& steps) {
            QTest::newRow(name) << passedUp << answers << result << steps;
        };
        const QList<int> retryLeave{errors::Retry, errors::LeaveProcedure};
        row("next statement", false, {errors::NextStatement}, 7, {"a", "c"});
        // Leaving returns what the result holds.
        row("leave", false, {errors::LeaveProcedure}, 0, {"a"});
        row("unknown choice leaves", false, {42}, 0, {"a"});
        row("retry, then leave", false, retryLeave, 0, {"a"});
        row("passed up, next", true, {errors::NextStatement}, 0, {"call", "next"});
        row("passed up, retry calls again", true, retryLeave, 0, {"call", "call"});
    }
    void choices() {
        QFETCH(bool, passedUp);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, steps);
        testsupport::ErrorAnswerer answerer;
        for (int a : answers)
            answerer.answer(a);
        Sample s;
        if (passedUp)
            caller(s.steps);
        else
            QTEST(s.run(), "result");
        QCOMPARE(s.steps, steps);
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

    // Leaving silently: tst_storeWrites writersWithoutConnectionFailSilently.
    void skippingSilentlyNeverAsks() {
        testsupport::ErrorAnswerer answers;
        QStringList steps;
        {
            Procedure p("[frmAnzeige] Private Sub pbuildmenus()", Handling::SkipSilently);
            p.step([] { errors::raise(5); });
            p.step([&] { steps << "skipped on"; });
        }
        QCOMPARE(steps, QStringList({"skipped on"}));
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
    }

private:
    std::unique_ptr<testsupport::ProgramFolder> m_folder;
};

QTEST_GUILESS_MAIN(ProcedureTest)
#include "tst_procedure.moc"
