// Opening pages in the desktop's default browser (stand-ins for the desktop's
// programs, started for real), the rules of a desktop entry's Exec line, and
// the about box with its links and the system-information program.
#include "answerers.h"
#include "app/desktopOpen.h"
#include "app/modGlobal.h"
#include "app/sysInfoLookup.h"
#include "base/programFolder.h"
#include "standInDesktop.h"
#include "testData.h"
#include "ui/dialogs/frmAbout.h"
#include "ui/forms.h"
#include "ui/modGlobalMain.h"
#include "version.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using testsupport::fetch;
using testsupport::StandInDesktop;

class LinksTest : public QObject {
    Q_OBJECT

    static void expectBox(const testsupport::MessageBoxAnswerer& boxes, const QString& text,
                          const QString& title, int icon) {
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, text);
        QCOMPARE(boxes.shown[0].title, title);
        QCOMPARE(boxes.shown[0].style, app::vbOKOnly | icon);
    }

private slots:
    void anExecLineBecomesAProgramAndItsArguments_data() {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("command");
        const QString a = QStringLiteral("https://cgi.ebay.de/1");
        QTest::newRow("%u") << "firefox %u" << a << QStringList{"firefox", a};
        QTest::newRow("%U after an option")
            << "chromium --new-window %U" << a << QStringList{"chromium", "--new-window", a};
        QTest::newRow("no field code") << "netsurf" << a << QStringList{"netsurf", a};
        QTest::newRow("quotes, escapes, dropped codes")
            << "\"/opt/Mein Browser/run\" --name=\"a \\\"b\\\"\" %i %c %k %f" << a
            << QStringList{"/opt/Mein Browser/run", "--name=a \"b\"", a};
        QTest::newRow("%% and a second code")
            << "x --p=100%% %u %U" << a << QStringList{"x", "--p=100%", a};
        QTest::newRow("a local file as URL")
            << "x %u"
            << "/tmp/h.htm" << QStringList{"x", "file:///tmp/h.htm"};
        QTest::newRow("a local file as path") << "x %F"
                                              << "/tmp/h.htm" << QStringList{"x", "/tmp/h.htm"};
        QTest::newRow("an open quote") << "x \"abc %u" << a << QStringList{};
        QTest::newRow("nothing") << "  %i " << a << QStringList{};
    }
    void anExecLineBecomesAProgramAndItsArguments() {
        QFETCH(QString, exec);
        QFETCH(QString, address);
        QCOMPARE(app::desktopEntryCommand(exec, address), fetch<QStringList>("command"));
    }

    void openLink_data() {
        QTest::addColumn<int>("announcer");
        QTest::addColumn<QString>("exec");
        QTest::addColumn<bool>("openNew");
        QTest::addColumn<QString>("address"); // "HELP": the program's help file
        QTest::addColumn<QString>("program"); // the stand-in started, or the box's text
        // The stand-in's arguments, or the box's title.
        QTest::addColumn<QStringList>("arguments");
        const QString item = QStringLiteral("http://cgi.ebay.de/ws/eBayISAPI.dll?ViewItem&item=7");
        const QString noBrowser = QStringLiteral("Der StandardBrowser kann nicht geöffnet werden");
        const QString failed = QStringLiteral("Webseite konnte nicht geladen werden!");
        const int settings = StandInDesktop::XdgSettings;
        QTest::newRow("new window") << settings << "{browser} --new-window %u" << true << item
                                    << "browser" << QStringList{"--new-window", item};
        QTest::newRow("named by xdg-mime") << int(StandInDesktop::XdgMime) << "{browser} %U" << true
                                           << item << "browser" << QStringList{item};
        QTest::newRow("to the desktop")
            << settings << "{browser} %u" << false << item << "xdg-open" << QStringList{item};
        QTest::newRow("help file") << settings << "{browser} %u" << false << "HELP"
                                   << "xdg-open" << QStringList{"HELP"};
        QTest::newRow("no browser") << int(StandInDesktop::None) << "" << true << item << noBrowser
                                    << QStringList{"Browser nicht gefunden..."};
        QTest::newRow("entry without a file") << settings << "" << false << item << noBrowser
                                              << QStringList{"Browser nicht gefunden..."};
        QTest::newRow("browser does not start")
            << settings << "/nirgends/netsurf %u" << true << item << failed << QStringList{"Error"};
        for (const char* refused : {"file:///etc/passwd", "javascript:alert(1)", "--kiosk",
                                    "http://a.de/x y", "/etc/passwd", "http:///ohne-host"})
            QTest::addRow("refused %s", refused)
                << settings << "{browser} %u" << true << refused << failed << QStringList{"Error"};
    }
    void openLink() {
        QFETCH(QString, address);
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        testsupport::ProgramFolder folder;
        QDir(folder.path()).mkpath(QStringLiteral("Help"));
        QFile(folder.file(QStringLiteral("Help/hilfe.htm"))).open(QIODevice::WriteOnly);
        const QString help = folder.file(QStringLiteral("Help/hilfe.htm"));
        address.replace(QStringLiteral("HELP"), help);
        arguments.replaceInStrings(QStringLiteral("HELP"), help);
        StandInDesktop desktop;
        QFETCH(int, announcer);
        desktop.setBrowser(fetch<QString>("exec"), StandInDesktop::Announcer(announcer));
        testsupport::MessageBoxAnswerer boxes;
        modGlobal::OpenLink(address, fetch<bool>("openNew"));
        if (program.contains(QLatin1Char(' ')))
            return expectBox(boxes, program, arguments[0], app::vbExclamation);
        QCOMPARE(boxes.shown.size(), 0);
        QCOMPARE(desktop.startedWith(program), arguments);
    }

    void theAboutBox() {
        ui::frmAbout& about = ui::Form<ui::frmAbout>::get();
        QCOMPARE(about.windowTitle(), QStringLiteral("Info"));
        QCOMPARE(about.lblTitle()->text(), QStringLiteral("Notenschau"));
        QCOMPARE(about.lblVersion()->text(), QStringLiteral("Version " NOTENSCHAU_VERSION_TEXT));
        const QStringList lines = ui::frmAbout::addressBlock().split(QLatin1Char('\r'));
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines.mid(3),
                 QStringList({"", "mail   support@notenschau.de", "web  www.notenschau.de"}));
        QCOMPARE(about.lblAdress()->text().split(QLatin1Char('\n')), lines);
        QVERIFY(about.lblLizenz()->text().startsWith(QStringLiteral("\nCopyright")));
        QVERIFY(!about.picture1()->pixmap().isNull());
        QCOMPARE(about.cmdSysInfo()->text(), QStringLiteral("System-Info..."));
        StandInDesktop desktop;
        about.show();
        QTest::mouseClick(about.lblAdress(), Qt::LeftButton);
        QCOMPARE(desktop.startedWith("xdg-open"), QStringList{"http://www.notenschau.de"});
        about.cmdOK()->click();
        QVERIFY(!ui::Form<ui::frmAbout>::isLoaded());
    }

    void subLink_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("opened");
        QTest::newRow("bare host and path") << "www.notenschau.de/kuntaoffice"
                                            << "http://www.notenschau.de/kuntaoffice";
        QTest::newRow("http") << "http://www.notenschau.de"
                              << "http://www.notenschau.de";
        QTest::newRow("mailto") << "mailto:support@notenschau.de"
                                << "mailto:support@notenschau.de";
    }
    void subLink() {
        StandInDesktop desktop;
        ui::Form<ui::frmAbout>::get().subLink(fetch<QString>("link"));
        QCOMPARE(desktop.startedWith("xdg-open"), QStringList{fetch<QString>("opened")});
        ui::Form<ui::frmAbout>::unload();
    }

    void systemInformation_data() {
        QTest::addColumn<QStringList>("inPath");
        QTest::addColumn<bool>("inBin");
        QTest::addColumn<QString>("started"); // empty: the message
        QTest::newRow("found first")
            << QStringList{"hardinfo", "gnome-system-monitor"} << true << "gnome-system-monitor";
        QTest::newRow("found second") << QStringList{} << true << "systeminfo";
        QTest::newRow("none") << QStringList{"systeminfo"} << false << "";
    }
    void systemInformation() {
        QFETCH(QString, started);
        testsupport::ProgramFolder folder;
        StandInDesktop desktop;
        desktop.onlyStandIns();
        for (const QString& program : fetch<QStringList>("inPath"))
            desktop.addProgram(program);
        if (fetch<bool>("inBin"))
            desktop.addProgram(QStringLiteral("systeminfo"), folder.file(QStringLiteral("Bin")));
        testsupport::MessageBoxAnswerer boxes;
        ui::Form<ui::frmAbout>::get().cmdSysInfo()->click();
        ui::Form<ui::frmAbout>::unload();
        if (started.isEmpty())
            return expectBox(boxes, "Systeminformationsprogramm zur Zeit nicht verfügbar.",
                             "Notenschau", 0);
        QCOMPARE(boxes.shown.size(), 0);
        QCOMPARE(desktop.startedWith(started), QStringList{});
    }

    void aValueThatDoesNotFitTheBuffer() {
        testsupport::ProgramFolder folder;
        app::setProgramFolder(QLatin1Char('/') + QString(1019, QLatin1Char('a')));
        QString value = QStringLiteral("alt");
        QVERIFY(!ui::frmAbout::GetKeyValue(app::HKEY_LOCAL_MACHINE, app::kToolsKey,
                                           app::kToolsValue, value));
        QCOMPARE(value, QString());
        app::setProgramFolder(QLatin1Char('/') + QString(1018, QLatin1Char('a')));
        QVERIFY(ui::frmAbout::GetKeyValue(app::HKEY_LOCAL_MACHINE, "notenschau\\TOOLS",
                                          app::kToolsValue, value));
        QVERIFY(!ui::frmAbout::GetKeyValue(0, app::kToolsKey, app::kToolsValue, value));
    }
};

QTEST_MAIN(LinksTest)
#include "tst_links.moc"
