// What `cmake --install` puts into a clean folder (DESTDIR), checked by
// running it: the tools and their manual pages, the desktop entry and the
// metainfo by Debian's validators, the package by lintian, and a user's
// set-up made from the installed folder.
#include "marktsimProcess.h"
#include "processRun.h"
#include "testData.h"
#include "version.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using testsupport::ProcessResult;

class InstalledLayout : public QObject {
    Q_OBJECT
    QTemporaryDir root;
    QString deb;
    QString lib() const { return root.path() + "/usr/lib/notenschau"; }
    QString share() const { return root.path() + "/usr/share"; }
    QString text(const QString& path) const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    // A validator Debian ships, run on an installed file.
    void validate(const char* tool, const QStringList& args) {
        const QString program = QStandardPaths::findExecutable(tool);
        if (program.isEmpty())
            QSKIP(qPrintable(
                QStringLiteral("%1 fehlt (scripts/install-deps.sh installiert es)").arg(tool)));
        const ProcessResult r = testsupport::runProcess(program, args);
        QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
    }

private slots:
    // The Debian package, unpacked; without Debian's packaging tools what
    // `cmake --install` puts into a clean folder, and so in a sanitized build.
    void initTestCase() {
        QProcess make;
        QStringList args{"--install", NOTENSCHAU_BUILD_DIR, "--prefix", "/usr"};
#ifdef NOTENSCHAU_NO_PACKAGE
        const char* noPackage = "ein Build mit Sanitizern wird nicht verpackt";
#else
        const char* noPackage = QStandardPaths::findExecutable("dpkg-shlibdeps").isEmpty()
                                    ? "dpkg-shlibdeps (dpkg-dev) fehlt"
                                    : nullptr;
#endif
        if (noPackage) {
            qInfo("%s: geprüft wird cmake --install, nicht das Paket", noPackage);
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("DESTDIR", root.path());
            make.setProcessEnvironment(env);
        } else {
            args = QStringList{"--config", NOTENSCHAU_BUILD_DIR "/CPackConfig.cmake",
                               "-G",       "DEB",
                               "-B",       root.path() + "/paket"};
        }
        testsupport::startProcess(make, noPackage ? CMAKE_COMMAND : CPACK_COMMAND, args);
        const ProcessResult r = testsupport::finishProcess(make);
        QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
        const QStringList debs = QDir(root.path() + "/paket").entryList({"*.deb"});
        if (debs.isEmpty())
            return;
        const QString arch =
            testsupport::runProcess("dpkg", {"--print-architecture"}).out.trimmed();
        QCOMPARE(debs, QStringList{"notenschau_" NOTENSCHAU_VERSION_TEXT "-1_" + arch + ".deb"});
        deb = root.path() + "/paket/" + debs.first();
        QCOMPARE(testsupport::runProcess("dpkg-deb", {"-x", deb, root.path()}).code, 0);
    }

    // Debian's packages that a fresh system must pull in.
    void theDependencies() {
        if (deb.isEmpty())
            QSKIP("kein Paket gebaut");
        const QString depends = testsupport::runProcess("dpkg-deb", {"-f", deb, "Depends"}).out;
        for (const char* package :
             {"libqt6widgets6", "libqt6network6", "libsqlcipher0", "xdg-utils", "ca-certificates"})
            QVERIFY2(depends.contains(QLatin1String(package)), qPrintable(depends));
    }

    // The tools on the path lead to the installed folder, and run from there.
    void theTools_data() {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("said");
        const QString version = NOTENSCHAU_VERSION_TEXT;
        QTest::newRow("cli") << "notenschau-cli" << QStringList{"--version"} << version;
        QTest::newRow("set-up") << "notenschau-einrichten" << QStringList{"--version"} << version;
        QTest::newRow("db") << "notenschau-db" << QStringList{"create", root.path() + "/neu.db"}
                            << "Datenbank angelegt";
        QTest::newRow("launcher") << "notenschau-launcher" << QStringList{"--help"}
                                  << "Starter für Notenschau";
    }
    void theTools() {
        QFETCH(QString, tool);
        QCOMPARE(QFileInfo(root.path() + "/usr/bin/" + tool).symLinkTarget(), lib() + "/" + tool);
        const ProcessResult r =
            testsupport::runProcess(lib() + "/" + tool, testsupport::fetch<QStringList>("args"));
        QVERIFY2((r.out + r.err).contains(testsupport::fetch<QString>("said")),
                 qPrintable(r.out + r.err));
    }

    // Each tool's manual page names every option its --help names, and its
    // exit codes.
    void theManualPages_data() {
        QTest::addColumn<QString>("tool");
        for (const char* tool :
             {"notenschau-cli", "notenschau-db", "notenschau-launcher", "notenschau-einrichten"})
            QTest::newRow(tool) << tool;
    }
    void theManualPages() {
        QFETCH(QString, tool);
        const ProcessResult help = testsupport::runProcess(lib() + "/" + tool, {"--help"});
        QCOMPARE(help.code, 0);
        const QString gz = share() + "/man/man1/" + tool + ".1.gz";
        const ProcessResult page = testsupport::runProcess("gzip", {"-dc", gz});
        QVERIFY2(page.code == 0, qPrintable(page.err));
        QString roff = page.out;
        roff.replace("\\-", "-").replace("\\e", "\\");
        QVERIFY(roff.contains(".TH " + tool.toUpper() + " 1 "));
        QVERIFY(roff.contains(".SH RÜCKGABEWERTE\n"));
        QStringList options;
        auto it = QRegularExpression("(?<![\\w-])--[a-z][a-z-]+").globalMatch(help.out);
        while (it.hasNext())
            options << it.next().captured();
        QVERIFY(options.contains("--help"));
        for (const QString& option : options)
            QVERIFY2(roff.contains(option), qPrintable(option));
        // gzip -n: no name and no time in the header, as Debian wants.
        QFile f(gz);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.read(8).mid(3).toHex(), "0000000000");
    }

    // Debian's own check of the package finds no error and nothing to warn
    // about; the overrides the package ships say why for each.
    void theLintianVerdict() {
        if (deb.isEmpty())
            QSKIP("kein Paket gebaut");
        const QString lintian = QStandardPaths::findExecutable("lintian");
        if (lintian.isEmpty())
            QSKIP("lintian fehlt (scripts/install-deps.sh installiert es)");
        const ProcessResult r = testsupport::runProcess(lintian, {"--no-tag-display-limit", deb});
        const QStringList complaints = r.out.split('\n').filter(QRegularExpression("^[EW]: "));
        QVERIFY2(complaints.isEmpty(), qPrintable(complaints.join('\n')));
        QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
    }

    // The menu entry starts a tool that is installed, with an icon of the
    // theme in every size, and the metainfo names the entry and the version.
    void theDesktopEntry() {
        const QString entry = share() + "/applications/de.notenschau.Notenschau.desktop";
        const QString desktop = text(entry);
        const QString exec = QRegularExpression("\nExec=(\\S+)").match(desktop).captured(1);
        QVERIFY(QFileInfo(root.path() + "/usr/bin/" + exec).isSymLink());
        const QString icon = QRegularExpression("\nIcon=(\\S+)").match(desktop).captured(1);
        for (int size : {16, 32, 48, 64, 128, 256})
            QVERIFY(QFile::exists(QStringLiteral("%1/icons/hicolor/%2x%2/apps/%3.png")
                                      .arg(share())
                                      .arg(size)
                                      .arg(icon)));
        const QString meta = text(share() + "/metainfo/de.notenschau.Notenschau.metainfo.xml");
        QVERIFY(meta.contains("<launchable type=\"desktop-id\">" + QFileInfo(entry).fileName()));
        QVERIFY(meta.contains("<release version=\"" NOTENSCHAU_VERSION_TEXT "\""));
        validate("desktop-file-validate", {entry});
    }
    // The timer and its service where the user's systemd finds them.
    void theScheduledCheck() {
        const QString units = root.path() + "/usr/lib/systemd/user/notenschau-pruefen.";
        QVERIFY(text(units + "timer").contains("\nOnCalendar=hourly\n"));
        QVERIFY(text(units + "service")
                    .contains("\nExecStart=%h/.local/share/notenschau/programm/notenschau-cli "
                              "pruefen --ja --melden\n"));
    }
    void theMetainfo() {
        validate("appstreamcli", {"validate", "--no-net",
                                  share() + "/metainfo/de.notenschau.Notenschau.metainfo.xml"});
    }

    // The installed set-up tool fills a user's folder from the installed one.
    void aSetUpFromTheInstalledFolder() {
        marktsim::SimProcess sim;
        QVERIFY2(sim.start({"--member", "anna:3"}), qPrintable(sim.errorString()));
        const QString folder = root.path() + "/home/programm";
        const ProcessResult r = testsupport::runProcess(
            lib() + "/notenschau-einrichten",
            {"--mitglied", "anna", "--client-id", "notenschau", "--client-secret", "geheim",
             "--api-url", sim.baseUrl(), "--ordner", folder});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(QFile::symLinkTarget(folder + "/images/notenschau.png"),
                 lib() + "/images/notenschau.png");
        QVERIFY(
            text(folder + "/Bin/config.INI").startsWith(text(lib() + "/Bin/config.INI").left(40)));
        const ProcessResult list = testsupport::runProcess(folder + "/notenschau-cli", {"liste"});
        QVERIFY2(list.code == 0, qPrintable(list.err));
    }
};

QTEST_MAIN(InstalledLayout)
#include "tst_installedLayout.moc"
