// The error dialog as a user meets it: the real window, answered by pressing
// its buttons.
#include "answerers.h"
#include "base/programFolder.h"
#include "errors/procedure.h"
#include "guiDriver.h"
#include "testData.h"
#include "ui/dialogs/errPtnrDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using testsupport::readFile;

namespace {

// A Long function whose middle step divides by zero until the divisor is set.
struct Calculation {
    QStringList steps;
    qint32 divisor = 0;
    qint32 run() {
        errors::Procedure p("[modRechnen] Public Function Quote(lWert As Long) As Long");
        qint32 result = 0;
        p.step([&] { steps << "vorher"; });
        p.step([&] {
            steps << "teilen";
            if (divisor == 0)
                errors::raise(errors::RuntimeError::DivisionByZero);
            result = 100 / divisor;
        });
        p.step([&] {
            steps << "nachher";
            result += 1;
        });
        return result;
    }
};

class MailCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

void otherError() {
    errors::Procedure other("[modAnders] Sub Anders()");
    other.step([] { errors::raise(errors::RuntimeError::Overflow); });
}

} // namespace

class ErrPtnrDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFolder> folder;
    std::unique_ptr<ui::ErrPtnrDialog> dialog;
    errors::ErrorChooser* previous = nullptr;

    // At the next error: a button of the protocol's, then leave.
    void protocolButtonThenLeave(int button) {
        testsupport::onNextModal([this, button](QWidget*) {
            dialog->cmdProtocol(button)->click();
            dialog->cmdContinue(errors::LeaveProcedure)->click();
        });
    }

private slots:
    void init() {
        folder = std::make_unique<testsupport::ProgramFolder>();
        base::setExecutableName(QStringLiteral("notenschau"));
        dialog = std::make_unique<ui::ErrPtnrDialog>();
        previous = errors::ErrPtnr::instance().setChooser(dialog.get());
    }
    void cleanup() {
        errors::ErrPtnr::instance().setTerminator({});
        errors::ErrPtnr::instance().setChooser(previous);
        dialog.reset();
        base::setExecutableName({});
        folder.reset();
    }

    // Each button, and closing by the frame. The cause is mended while the
    // dialog is open, which only a retry makes use of.
    void theChoices_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("steps");
        const QStringList failed{"vorher", "teilen"};
        QTest::newRow("next statement")
            << int(errors::NextStatement) << 1 << QStringList{"vorher", "teilen", "nachher"};
        QTest::newRow("leave") << int(errors::LeaveProcedure) << 0 << failed;
        QTest::newRow("retry") << int(errors::Retry) << 26
                               << QStringList{"vorher", "teilen", "teilen", "nachher"};
        QTest::newRow("end program") << int(errors::EndProgram) << 0 << failed;
        QTest::newRow("closed by the frame") << -1 << 0 << failed;
    }
    void theChoices() {
        QFETCH(int, button);
        Calculation c;
        testsupport::onNextModal([&](QWidget* w) {
            c.divisor = 4;
            if (button < 0)
                w->close();
            else
                dialog->cmdContinue(button)->click();
        });
        errors::ErrPtnr::instance().setTerminator([] { throw errors::ProgramEnded{}; });
        if (button == errors::EndProgram)
            QVERIFY_THROWS_EXCEPTION(errors::ProgramEnded, c.run());
        else
            QTEST(c.run(), "result");
        QTEST(c.steps, "steps");
    }

    // An error in an event handled while the dialog is open waits for its
    // turn and gets the user's own answer.
    void aSecondErrorGetsItsOwnAnswer() {
        Calculation first;
        QStringList shown;
        int second = 0;
        testsupport::onNextModal([&](QWidget*) {
            QTimer::singleShot(0, dialog.get(), [&] {
                shown << dialog->lblError(2)->text();
                dialog->cmdContinue(errors::LeaveProcedure)->click();
                shown << dialog->lblError(2)->text();
                dialog->cmdContinue(errors::NextStatement)->click();
            });
            errors::Procedure other("[modAnders] Function Anders() As Long");
            other.step([] { errors::raise(errors::RuntimeError::Overflow); });
            other.step([&] { second = 1; });
        });
        QCOMPARE(first.run(), 0);
        QCOMPARE(first.steps, QStringList({"vorher", "teilen"}));
        QCOMPARE(second, 1);
        QCOMPARE(shown, QStringList({"Quote", "Anders"}));
        QVERIFY(!dialog->isVisible());
    }

    void whatTheDialogShows() {
        QStringList labels, trace;
        QString progInfo;
        bool hourglass = true;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        testsupport::onNextModal([&](QWidget*) {
            for (int i = 0; i < 4; ++i)
                labels << dialog->lblError(i)->text();
            for (int i = 0; i < dialog->lstCallStack()->count(); ++i)
                trace << dialog->lstCallStack()->item(i)->text();
            progInfo = dialog->lblProgInfo()->text();
            hourglass = QApplication::overrideCursor() != nullptr;
            dialog->cmdContinue(errors::LeaveProcedure)->click();
        });
        Calculation().run();
        QCOMPARE(labels, QStringList({"11 (Division durch Null)", "modRechnen", "Quote", "2"}));
        QVERIFY(!trace.isEmpty());
        QVERIFY(trace.first().endsWith(
            QStringLiteral(" [modRechnen] Public Function Quote(lWert As Long) As Long")));
        QCOMPARE(progInfo, QStringLiteral("notenschau  V1.0.0"));
        QVERIFY(!hourglass);
    }

    void savingTheProtocol() {
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK);
        const QString path = folder->file(QStringLiteral("notenschau.ERR"));
        protocolButtonThenLeave(0);
        Calculation().run();
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text,
                 "Das Fehlerprotokoll wurde in die Datei '" + path + "' geschrieben !");
        QCOMPARE(boxes.shown[0].buttons(), int(app::vbOKOnly));
        QCOMPARE(boxes.shown[0].icon(), 0);
        // The protocol's text is tst_procedure's.
        const QByteArray first = readFile(path);
        QVERIFY(first.contains("Prozedur:\tQuote\r\n"));

        // Answered No: nothing is written and nothing more is said.
        boxes.answer(app::vbNo);
        protocolButtonThenLeave(0);
        otherError();
        QCOMPARE(boxes.shown.size(), 2);
        QCOMPARE(boxes.shown[1].text, "Vorhandene Datei '" + path + "' überschreiben ?");
        QCOMPARE(boxes.shown[1].buttons(), int(app::vbYesNo));
        QCOMPARE(boxes.shown[1].icon(), 0);
        QCOMPARE(boxes.shown[1].title, app::applicationTitle());
        QCOMPARE(readFile(path), first);

        // Answered Yes: replaced by the new protocol.
        boxes.answer(app::vbYes).answer(app::vbOK);
        protocolButtonThenLeave(0);
        otherError();
        QVERIFY(readFile(path).contains("Modul:\tmodAnders\r\n"));

        // Cannot be written: the user is told in a box of its own.
        QVERIFY(QFile::remove(path) && QDir().mkpath(path));
        boxes.answer(app::vbYes).answer(app::vbOK);
        protocolButtonThenLeave(0);
        Calculation().run();
        QVERIFY(boxes.shown.last().text.startsWith(
            "Das Fehlerprotokoll konnte nicht in die Datei '" + path + "' geschrieben werden:\n"));
        QCOMPARE(boxes.shown.last().icon(), int(app::vbExclamation));
        QCOMPARE(boxes.unexpected, 0);
    }

    void mailPutsTheProtocolOnTheClipboard() {
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(app::vbOK);
        MailCatcher mail;
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &mail, "open");
        protocolButtonThenLeave(1);
        Calculation().run();
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        QCOMPARE(boxes.unexpected, 0);
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown[0].text.startsWith(
            QStringLiteral("Es wird jetzt Ihr Standard-Email-Programm")));
        QCOMPARE(mail.opened.size(), 1);
        QCOMPARE(mail.opened[0].scheme(), QStringLiteral("mailto"));
        QVERIFY(QGuiApplication::clipboard()->text().contains(
            QStringLiteral("Fehler-Nr:\t11 (Division durch Null)\r\n")));
    }
};

QTEST_MAIN(ErrPtnrDialogTest)
#include "tst_errPtnrDialog.moc"
