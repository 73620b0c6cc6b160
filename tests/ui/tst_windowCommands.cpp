// The main window's menu commands, item page and launcher link: the real window and
// database, the real launcher over a socket in the test's own runtime folder.
#include "app/modGlobal.h"
#include "guiDriver.h"
#include "processRun.h"
#include "standInDesktop.h"
#include "store/modData.h"
#include "storeFixture.h"
#include "testData.h"
#include "ui/controls/menuAdapter.h"
#include "ui/dialogs/frmuser.h"
#include "ui/forms.h"
#include "ui/main/frmAnzeige.h"
#include "ui/modGlobalMain.h"

#include <csignal>
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <unistd.h>

using launcher::LauncherLink;
using testsupport::fetch;
using testsupport::row;
using ui::Form;
using ui::frmAnzeige;

namespace {

const QString kItem = QStringLiteral("http://cgi.ebay.de/ws/eBayISAPI.dll?ViewItem&item=42");

// A running launcher; the lines on its stdout are the commands it got.
struct Launcher {
    QProcess process;
    QByteArray out;
    QStringList commands;
    Launcher() {
        testsupport::startProcess(process, QStringLiteral(LAUNCHER_PATH), {});
        (void)QTest::qWaitFor([&] { return process.readAllStandardError().contains("bereit"); },
                              60000);
    }
    ~Launcher() {
        ::kill(pid_t(process.processId()), SIGCONT);
        process.terminate();
        process.waitForFinished();
    }
    bool received(const QString& command) {
        return QTest::qWaitFor(
            [&] {
                out += process.readAllStandardOutput();
                commands = QString::fromUtf8(out.left(out.lastIndexOf('\n'))).split('\n');
                return commands.contains(command);
            },
            60000);
    }
};

int send(const QString& value) {
    return testsupport::runProcess(QStringLiteral(LAUNCHER_PATH), {"--senden", value}).code;
}

} // namespace

class WindowCommandsTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtime;
    std::unique_ptr<testsupport::StoreFixture> store;

    // Three own ratings, or one with this item number and date.
    frmAnzeige& load(const QByteArray& mainLines = "checkInet=False\nKuntaBrowser=True\n",
                     const QString& artikel = {}, const QDateTime& when = {}) {
        store = std::make_unique<testsupport::StoreFixture>("anna", QByteArray(), mainLines);
        if (artikel.isEmpty())
            store->addRatings("anna", 3, QDateTime(QDate(2026, 11, 1), QTime(9, 0)));
        else if (!modData::save_Bewerungen(1, "gut", "K", when.toString("dd.MM.yyyy hh:mm"), "g",
                                           artikel, "anna", 0))
            qFatal("rating not stored");
        Form<frmAnzeige>::get().Form_Load();
        return Form<frmAnzeige>::get();
    }

    // Clicks a menu item (by key, or by id for one without a command) and
    // waits until the menu's timer has run it.
    static void choose(frmAnzeige& w, const QVariant& item) {
        QPointer<QTimer> timer = w.findChild<QTimer*>(QStringLiteral("Timer1"));
        if (item.typeId() == QMetaType::QString)
            w.menu().action(item.toString())->trigger();
        else
            w.SmartMenuXP1_Click(item.toInt());
        QVERIFY(timer->isActive());
        QTRY_VERIFY(!timer || !timer->isActive());
    }

private slots:
    void initTestCase() { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path())); }
    void cleanup() {
        Form<frmAnzeige>::unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        store.reset();
    }

    void menuCommandsThatOpen() {
        frmAnzeige& w = load();
        const QString help = store->folder().file(QStringLiteral("Help/hilfe.htm"));
        QDir().mkpath(QFileInfo(help).path());
        QFile(help).open(QIODevice::WriteOnly);
        for (const QString& page : {help, modGlobal::sFeedbackURL}) {
            testsupport::StandInDesktop desktop;
            desktop.setBrowser(QStringLiteral("{browser} %u"));
            choose(w, page == help ? "keyhelp" : "keyBewertungen");
            QCOMPARE(desktop.started("xdg-open"), "xdg-open|" + page);
        }
        QString modal;
        testsupport::onNextModal([&](QWidget* dialog) {
            modal = dialog->objectName();
            dialog->close();
        });
        choose(w, QStringLiteral("keyabout"));
        QCOMPARE(modal, QStringLiteral("frmAbout"));
        choose(w, QStringLiteral("keyexit"));
        QVERIFY(!Form<frmAnzeige>::isLoaded());
    }

    void deletingTheOwnRatings_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("info");
        QTest::addColumn<QString>("stored");
        row("No", int(app::vbNo), "Anzeige: 1 - 3 von 3", "3");
        row("Yes", int(app::vbYes), "keine Bewertungen vorhanden!", "0");
    }
    void deletingTheOwnRatings() {
        frmAnzeige& w = load();
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(fetch<int>("answer"));
        for (int id : {1, 3, 6, 9, 11, 13}) // the two menus and four separators: nothing
            choose(w, id);
        QCOMPARE(w.lblinfo()->text(), QStringLiteral("Anzeige: 1 - 3 von 3"));
        choose(w, QStringLiteral("keyDelete"));
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text + '|' + boxes.shown[0].title,
                 QStringLiteral("Sind Sie sicher das die eigenen Bewertungen in der Datenbank "
                                "gelöscht werden sollen?|Eigene Bewertungen löschen"));
        QCOMPARE(boxes.shown[0].style, app::vbYesNo | app::vbCritical);
        QCOMPARE(w.lblinfo()->text(), fetch<QString>("info"));
        QCOMPARE(w.lblsumme(1)->text(), fetch<QString>("stored"));
        QCOMPARE(QString::number(modData::read_Anzahl("anna")), fetch<QString>("stored"));
    }

    void theItemPage_data() {
        QTest::addColumn<QString>("artikel");
        QTest::addColumn<int>("daysAgo");
        QTest::addColumn<bool>("opens");
        row("underlined", "123456789012", 90, true);
        row("not underlined", "123456789012", 91, false);
        row("with letters", "12ab34", 1, false);
        row("with address parts", "1&item=2", 1, false);
    }
    void theItemPage() {
        const QDateTime now(QDate(2026, 11, 30), QTime(12, 0));
        testsupport::FixedClock clock(now);
        frmAnzeige& w = load("checkInet=False\n", fetch<QString>("artikel"),
                             now.addDays(-fetch<int>("daysAgo")));
        testsupport::StandInDesktop desktop;
        // Without a browser a wrong attempt shows its message at once.
        if (fetch<bool>("opens"))
            desktop.setBrowser(QStringLiteral("{browser} %u"));
        testsupport::MessageBoxAnswerer boxes;
        w.zur_Auktion(2);
        QCOMPARE(boxes.shown.size(), 0);
        if (fetch<bool>("opens"))
            QCOMPARE(desktop.started("browser"),
                     "browser|http://cgi.ebay.de/ws/eBayISAPI.dll?ViewItem&item=123456789012&rd=1");
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
        QCOMPARE(desktop.started("browser"), "browser|--new-window|" + kItem); // by the launcher
        w.cmdClose()->click();
        QVERIFY(launcher.received("NS-Close"));
        QCOMPARE(launcher.commands, QStringList({"NS", "AWBR:" + kItem, "NS-Close"}));
    }

    void requestsFromTheLauncher() {
        Launcher launcher;
        frmAnzeige& w = load("checkInet=True\nPruefHost1=eins.invalid\nPruefHost2=zwei.invalid\n");
        QVERIFY(launcher.received("NS"));
        testsupport::MessageBoxAnswerer boxes;
        for (int n = 1; n <= 2; ++n) { // the same request twice is two requests
            QCOMPARE(send("Open"), 0);
            QTRY_VERIFY_WITH_TIMEOUT(boxes.shown.size() >= n, 60000);
        }
        QCOMPARE(boxes.shown[1].text, QStringLiteral("Es besteht keine Verbindung zum Internet!"));
        QSignalSpy asked(&w, &frmAnzeige::foreignMemberRequested);
        // The member's analysis: its profile (here without a connection),
        // then the dialog, closed again.
        testsupport::onNextModal(
            [](QWidget* modal) {
                if (auto* dialog = qobject_cast<ui::frmuser*>(modal))
                    dialog->cmdCancel()->click();
            },
            60000);
        const QString name(64, QLatin1Char('y'));
        for (const QString& value : {QStringLiteral("nochda"), QString(), QStringLiteral("nix"),
                                     QStringLiteral("tab\tname"), QString(65, 'x'), name})
            QCOMPARE(send(value), 0);
        // In order: a wrong one taken would come first.
        QTRY_VERIFY_WITH_TIMEOUT(!asked.isEmpty(), 60000);
        QCOMPARE(asked[0][0].toString(), name);
        QVERIFY(!w.isMaximized());
        QTRY_VERIFY(!ui::Form<ui::frmuser>::isLoaded());
        QCOMPARE(boxes.shown.size(), 3);
        QCOMPARE(boxes.shown[2].text, QStringLiteral("Es besteht keine Verbindung zum Internet!"));
    }

    void withoutALiveLauncherNothingWaits() {
        QCOMPARE(send("Open"), 1);
        testsupport::StandInDesktop desktop;
        desktop.setBrowser(QStringLiteral("{browser} %u"));
        {
            Launcher killed; // leaves its socket behind
            killed.process.kill();
            killed.process.waitForFinished();
        }
        QVERIFY(!load().launcherLink().isConnected());
        modGlobal::OpenLink(kItem);
        QCOMPARE(desktop.started("browser"), "browser|" + kItem);
        cleanup();
        Launcher stopped; // takes the connection, never answers
        QCOMPARE(testsupport::runProcess(LAUNCHER_PATH, {}).code, 1); // one at a time
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
};

QTEST_MAIN(WindowCommandsTest)
#include "tst_windowCommands.moc"
