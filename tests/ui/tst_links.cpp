// Opening pages in the default browser, with stand-ins for the desktop's
// programs started for real; the rules of an Exec line; the about box with
// its links and the system-information program.
#include "answerers.h"
#include "app/desktopOpen.h"
#include "app/sysInfoLookup.h"
#include "base/programFolder.h"
#include "standInDesktop.h"
#include "testData.h"
#include "ui/dialogs/frmAbout.h"
#include "ui/forms.h"
#include "ui/modGlobalMain.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using testsupport::fetch;
using testsupport::row;
using testsupport::StandInDesktop;
using About = ui::Form<ui::frmAbout>;

class LinksTest : public QObject {
    Q_OBJECT

private slots:
    void anExecLine_data() {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QString>("command"); // program and arguments, "|" between
        const QString a = QStringLiteral("https://a.de/1");
        QTest::newRow("%u") << QStringLiteral("firefox %u") << "firefox|" + a;
        QTest::newRow("no code") << QStringLiteral("netsurf --neu") << "netsurf|--neu|" + a;
        QTest::newRow("quotes, escapes, codes dropped")
            << QStringLiteral("\"/opt/Mein Browser\" --n=\"a \\\"b\\\"\" %i %c %k --p=100%% %U %u")
            << "/opt/Mein Browser|--n=a \"b\"|--p=100%|" + a;
        QTest::newRow("an open quote") << QStringLiteral("x \"abc %u") << QString();
        QTest::newRow("nothing") << QStringLiteral("  %i ") << QString();
    }
    void anExecLine() {
        QCOMPARE(app::desktopEntryCommand(fetch<QString>("exec"), "https://a.de/1").join('|'),
                 fetch<QString>("command"));
        QCOMPARE(app::desktopEntryCommand("x %u %f", "/h.htm"),
                 QStringList({"x", "file:///h.htm"}));
    }

    void openLink_data() {
        QTest::addColumn<int>("announcer");
        QTest::addColumn<QString>("exec");
        QTest::addColumn<bool>("openNew");
        QTest::addColumn<QString>("address"); // HELP: the program's help file
        QTest::addColumn<QString>("outcome");
        const QString i = QStringLiteral("http://cgi.ebay.de/ws/eBayISAPI.dll?ViewItem&item=7");
        const QString failed = QStringLiteral("Webseite konnte nicht geladen werden!|Error|48");
        const int settings = StandInDesktop::XdgSettings;
        QTest::newRow("new window")
            << settings << "{browser} --new %u" << true << i << "browser|--new|" + i;
        QTest::newRow("xdg-mime") << int(StandInDesktop::XdgMime) << "{browser} %U" << true << i
                                  << "browser|" + i;
        QTest::newRow("the desktop") << settings << "{browser}" << false << i << "xdg-open|" + i;
        QTest::newRow("help") << settings << "{browser}" << false << "HELP"
                              << "xdg-open|HELP";
        QTest::newRow("no browser")
            << int(StandInDesktop::None) << "" << false << i
            << "Der StandardBrowser kann nicht geöffnet werden|Browser nicht gefunden...|48";
        QTest::newRow("does not start") << settings << "/nirgends/netsurf" << true << i << failed;
        for (const char* refused : {"file:///etc/passwd", "javascript:alert(1)", "--kiosk",
                                    "http://a.de/x y", "http://a.de/\x01", "/etc/passwd"})
            QTest::addRow("refused %s", refused)
                << settings << "{browser}" << true << refused << failed;
    }
    void openLink() {
        testsupport::ProgramFolder folder;
        const QString help = folder.file(QStringLiteral("Help/hilfe.htm"));
        QDir().mkpath(folder.file(QStringLiteral("Help")));
        QFile(help).open(QIODevice::WriteOnly);
        StandInDesktop desktop;
        desktop.setBrowser(fetch<QString>("exec"),
                           StandInDesktop::Announcer(fetch<int>("announcer")));
        testsupport::MessageBoxAnswerer boxes;
        modGlobal::OpenLink(fetch<QString>("address").replace("HELP", help),
                            fetch<bool>("openNew"));
        const QString expected = fetch<QString>("outcome").replace("HELP", help);
        QCOMPARE(desktop.outcome(boxes, expected.section('|', 0, 0)), expected);
    }

    void theAboutBox() {
        StandInDesktop desktop;
        ui::frmAbout& about = About::get();
        about.show();
        QCOMPARE(about.lblVersion()->text(), QStringLiteral("Version 1.0.0"));
        QCOMPARE(about.lblAdress()->text(),
                 QStringLiteral("Notenschau Software GbR\nLindenstraße 14\n04109 Leipzig\n\n"
                                "mail   support@notenschau.de\nweb  www.notenschau.de"));
        QTest::mouseClick(about.lblAdress(), Qt::LeftButton); // a web address without a scheme
        QCOMPARE(desktop.started("xdg-open"), QStringLiteral("xdg-open|http://www.notenschau.de"));
        for (const QString link : {"mailto:support@notenschau.de", "http://notenschau.de/k",
                                   "https://notenschau.de/s"}) {
            about.subLink(link); // as it is: it has a scheme
            QTRY_COMPARE_WITH_TIMEOUT(desktop.started("xdg-open"), "xdg-open|" + link, 30000);
        }
        about.cmdOK()->click();
        QVERIFY(!About::isLoaded());
    }

    void systemInformation_data() {
        QTest::addColumn<QStringList>("inPath");
        QTest::addColumn<bool>("inBin");
        QTest::addColumn<QString>("outcome");
        row("found first", QStringList{"hardinfo", "gnome-system-monitor"}, true,
            "gnome-system-monitor");
        row("found second", QStringList{}, true, "systeminfo");
        row("none", QStringList{"systeminfo"}, false,
            "Systeminformationsprogramm zur Zeit nicht verfügbar.|Notenschau|0");
    }
    void systemInformation() {
        testsupport::ProgramFolder folder;
        StandInDesktop desktop;
        desktop.onlyStandIns();
        for (const QString& program : fetch<QStringList>("inPath"))
            desktop.addProgram(program);
        if (fetch<bool>("inBin"))
            desktop.addProgram(QStringLiteral("systeminfo"), folder.file(QStringLiteral("Bin")));
        testsupport::MessageBoxAnswerer boxes;
        About::get().cmdSysInfo()->click();
        About::unload();
        const QString expected = fetch<QString>("outcome");
        QCOMPARE(desktop.outcome(boxes, expected), expected);
    }

    void aValueMustFitTheBuffer() {
        testsupport::ProgramFolder folder;
        QString value = QStringLiteral("alt");
        base::setProgramFolder('/' + QString(1019, 'a')); // with "/Bin" and the NUL: 1025 bytes
        QVERIFY(!ui::frmAbout::GetKeyValue(app::HKEY_LOCAL_MACHINE, "notenschau\\TOOLS",
                                           app::kToolsValue, value));
        QCOMPARE(value, QString());
    }
};

QTEST_MAIN(LinksTest)
#include "tst_links.moc"
