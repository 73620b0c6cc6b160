// The launcher link: the real window against the real notenschau-launcher
// over the real socket, in a runtime folder of the test's own.
#include "answerers.h"
#include "app/launcherLink.h"
#include "app/modGlobal.h"
#include "processRun.h"
#include "standInDesktop.h"
#include "storeFixture.h"
#include "ui/forms.h"
#include "ui/main/frmAnzeige.h"
#include "ui/modGlobalMain.h"

#include <csignal>
#include <QPushButton>
#include <QtTest>
#include <unistd.h>

using launcher::LauncherLink;
using ui::Form;
using ui::frmAnzeige;

namespace {

const QString kItem = QStringLiteral("http://cgi.ebay.de/ws/eBayISAPI.dll?ViewItem&item=42");

// A running launcher; the lines on its stdout are the commands it got.
struct Launcher {
    QProcess process;
    QStringList commands;

    Launcher() {
        testsupport::startProcess(process, QStringLiteral(LAUNCHER_PATH), {});
        QByteArray err;
        if (!QTest::qWaitFor(
                [&] { return (err += process.readAllStandardError()).contains("bereit"); }, 60000))
            qWarning("the launcher is not ready: %s", err.constData());
    }
    ~Launcher() {
        ::kill(pid_t(process.processId()), SIGCONT);
        process.terminate();
        process.waitForFinished();
    }
    bool received(const QString& command) {
        return QTest::qWaitFor(
            [&] {
                commands += QString::fromUtf8(process.readAllStandardOutput())
                                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
                return commands.contains(command);
            },
            60000);
    }
};

int send(const QString& value) {
    return testsupport::runProcess(QStringLiteral(LAUNCHER_PATH), {"--senden", value}).code;
}

} // namespace

class LauncherLinkTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtime;
    std::unique_ptr<testsupport::StoreFixture> store;

    frmAnzeige& load(const QByteArray& mainLines = "checkInet=False\nKuntaBrowser=True\n") {
        store = std::make_unique<testsupport::StoreFixture>(QStringLiteral("anna"), QByteArray(),
                                                            mainLines);
        frmAnzeige& w = Form<frmAnzeige>::get();
        w.Form_Load();
        return w;
    }

private slots:
    void initTestCase() { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path())); }
    void cleanup() {
        Form<frmAnzeige>::unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        store.reset();
    }

    void pagesGoOverTheLinkAndClosingSaysGoodbye() {
        testsupport::StandInDesktop desktop; // the launcher's desktop too
        desktop.setBrowser(QStringLiteral("{browser} --new-window %u"));
        Launcher launcher;
        frmAnzeige& w = load();
        QVERIFY(launcher.received("NS"));
        QCOMPARE(w.launcherLink().linkMode(), LauncherLink::Automatic);
        modGlobal::OpenLink(kItem, false);
        QVERIFY(launcher.received("AWBR:" + kItem));
        // The launcher opened it, in a new window of the browser.
        QCOMPARE(desktop.startedWith("browser"), QStringList({"--new-window", kItem}));
        w.cmdClose()->click();
        QVERIFY(launcher.received("NS-Close"));
        QCOMPARE(launcher.commands, QStringList({"NS", "AWBR:" + kItem, "NS-Close"}));
    }

    void openChecksForNewRatings() {
        Launcher launcher;
        load("checkInet=True\nPruefHost1=eins.invalid\nPruefHost2=zwei.invalid\n");
        QVERIFY(launcher.received("NS"));
        testsupport::MessageBoxAnswerer boxes;
        for (int n = 1; n <= 2; ++n) { // the same request twice is two requests
            QCOMPARE(send("Open"), 0);
            QTRY_COMPARE_WITH_TIMEOUT(boxes.shown.size(), n, 60000);
            QCOMPARE(boxes.shown.last().text,
                     QStringLiteral("Es besteht keine Verbindung zum Internet!"));
        }
    }

    void aMemberNameAsksForItsAnalysis() {
        Launcher launcher;
        frmAnzeige& w = load();
        QVERIFY(launcher.received("NS"));
        QVERIFY(w.isMaximized());
        QSignalSpy asked(&w, &frmAnzeige::foreignMemberRequested);
        testsupport::MessageBoxAnswerer boxes;
        for (const QString& value : {QStringLiteral("nochda"), QString(), QStringLiteral("nix"),
                                     QStringLiteral("tab\tname"), QString(65, QLatin1Char('x')),
                                     QString(64, QLatin1Char('y'))})
            QCOMPARE(send(value), 0);
        QTRY_COMPARE_WITH_TIMEOUT(asked.size(), 1, 60000);
        QCOMPARE(asked[0][0].toString(), QString(64, QLatin1Char('y')));
        QVERIFY(!w.isMaximized());
        QCOMPARE(boxes.shown.size(), 0);
    }

    void withoutALiveLauncherNothingWaits() {
        testsupport::StandInDesktop desktop;
        desktop.setBrowser(QStringLiteral("{browser} %u"));
        {
            Launcher killed; // leaves its socket behind
            killed.process.kill();
            killed.process.waitForFinished();
        }
        QVERIFY(QFile::exists(launcher::socketPath()));
        frmAnzeige& w = load();
        QVERIFY(!w.launcherLink().isConnected());
        modGlobal::OpenLink(kItem);
        QCOMPARE(desktop.startedWith("browser"), QStringList{kItem});
        cleanup();

        Launcher stopped; // takes the connection, never answers
        ::kill(pid_t(stopped.process.processId()), SIGSTOP);
        frmAnzeige& again = load();
        QVERIFY(again.launcherLink().isConnected());
        QCOMPARE(again.launcherLink().linkMode(), LauncherLink::None);
        again.cmdClose()->click();
        QVERIFY(!Form<frmAnzeige>::isLoaded());
    }

    void aSocketOfAnotherUserIsNotTrusted() {
        if (::geteuid() != 0)
            QSKIP("only root can give the socket to another user");
        Launcher launcher;
        QCOMPARE(::chown(QFile::encodeName(launcher::socketPath()).constData(), 65534, 65534), 0);
        QVERIFY(!load().launcherLink().isConnected());
    }

    void oneLauncherAtATime() {
        QCOMPARE(send("Open"), 1); // none runs
        Launcher first;
        const testsupport::ProcessResult second = testsupport::runProcess(LAUNCHER_PATH, {});
        QCOMPARE(second.code, 1);
        QVERIFY2(second.err.contains("läuft bereits"), qPrintable(second.err));
    }
};

QTEST_MAIN(LauncherLinkTest)
#include "tst_launcherLink.moc"
