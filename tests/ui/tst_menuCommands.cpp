// The main window's menu commands and its item page: the real window on a
// real database, the desktop's programs as recording stand-ins.
#include "answerers.h"
#include "app/modGlobal.h"
#include "guiDriver.h"
#include "standInDesktop.h"
#include "store/modData.h"
#include "storeFixture.h"
#include "testData.h"
#include "ui/controls/menuAdapter.h"
#include "ui/forms.h"
#include "ui/main/frmAnzeige.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QtTest>

using testsupport::fetch;
using ui::Form;
using ui::frmAnzeige;

class MenuCommandsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::StoreFixture> store;

    frmAnzeige& load(const QString& artikel = {}, const QDateTime& when = {}) {
        store = std::make_unique<testsupport::StoreFixture>(QStringLiteral("anna"));
        if (artikel.isEmpty())
            store->addRatings(QStringLiteral("anna"), 3,
                              QDateTime(QDate(2026, 11, 1), QTime(9, 0)));
        else if (!modData::save_Bewerungen(1, "gut", "K", when.toString("dd.MM.yyyy hh:mm"),
                                           "geber", artikel, "anna", 0))
            qFatal("rating not stored");
        frmAnzeige& w = Form<frmAnzeige>::get();
        w.Form_Load();
        return w;
    }

    // Clicks a menu item (by its key, or by id for items without a command)
    // and waits until the menu's timer has run the command.
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
    void cleanup() {
        Form<frmAnzeige>::unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        store.reset();
    }

    void commandsThatOpenPages_data() {
        QTest::addColumn<QString>("key");
        QTest::newRow("Hilfe") << "keyhelp";
        QTest::newRow("Bewertungen abgeben") << "keyBewertungen";
    }
    void commandsThatOpenPages() {
        QFETCH(QString, key);
        frmAnzeige& w = load();
        const QString help = store->folder().file(QStringLiteral("Help/hilfe.htm"));
        QDir().mkpath(QFileInfo(help).path());
        QFile(help).open(QIODevice::WriteOnly);
        testsupport::StandInDesktop desktop;
        desktop.setBrowser(QStringLiteral("{browser} %u"));
        choose(w, key);
        QCOMPARE(desktop.startedWith(QStringLiteral("xdg-open")),
                 QStringList{key == "keyhelp" ? help : modGlobal::sFeedbackURL});
    }

    void infoShowsTheAboutBoxModally() {
        frmAnzeige& w = load();
        QString shown;
        testsupport::onNextModal([&](QWidget* modal) {
            shown = modal->objectName();
            modal->close();
        });
        choose(w, QStringLiteral("keyabout"));
        QCOMPARE(shown, QStringLiteral("frmAbout"));
    }

    void beendenClosesTheWindow() {
        frmAnzeige& w = load();
        choose(w, QStringLiteral("keyexit"));
        QVERIFY(!Form<frmAnzeige>::isLoaded());
    }

    void deletingTheOwnRatings_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("info");
        QTest::addColumn<QString>("positive");
        QTest::newRow("No") << int(app::vbNo) << "Anzeige: 1 - 3 von 3"
                            << "3";
        QTest::newRow("Yes") << int(app::vbYes) << "keine Bewertungen vorhanden!"
                             << "0";
    }
    void deletingTheOwnRatings() {
        frmAnzeige& w = load();
        testsupport::MessageBoxAnswerer boxes;
        boxes.answer(fetch<int>("answer"));
        choose(w, QStringLiteral("keyDelete"));
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].text, QStringLiteral("Sind Sie sicher das die eigenen Bewertungen "
                                                     "in der Datenbank gelöscht werden sollen?"));
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Eigene Bewertungen löschen"));
        QCOMPARE(boxes.shown[0].style, app::vbYesNo | app::vbCritical);
        QCOMPARE(w.lblinfo()->text(), fetch<QString>("info"));
        QCOMPARE(w.lblsumme(1)->text(), fetch<QString>("positive"));
        QCOMPARE(QString::number(modData::read_Anzahl("anna")), fetch<QString>("positive"));
    }

    void itemsWithoutACommandDoNothing() {
        frmAnzeige& w = load();
        testsupport::MessageBoxAnswerer boxes;
        for (int id : {1, 3, 6, 8, 10}) // the two menus and three separators
            choose(w, id);
        QCOMPARE(boxes.shown.size(), 0);
        QVERIFY(Form<frmAnzeige>::isLoaded());
        QCOMPARE(w.lblinfo()->text(), QStringLiteral("Anzeige: 1 - 3 von 3"));
    }

    void theItemPage_data() {
        QTest::addColumn<QString>("artikel");
        QTest::addColumn<int>("daysAgo");
        QTest::addColumn<bool>("opens");
        QTest::newRow("underlined") << "123456789012" << 90 << true;
        QTest::newRow("not underlined") << "123456789012" << 91 << false;
        QTest::newRow("with letters") << "12ab34" << 1 << false;
        QTest::newRow("with address parts") << "1&item=2" << 1 << false;
    }
    void theItemPage() {
        QFETCH(QString, artikel);
        const QDateTime now(QDate(2026, 11, 30), QTime(12, 0));
        testsupport::FixedClock clock(now);
        frmAnzeige& w = load(artikel, now.addDays(-fetch<int>("daysAgo")));
        testsupport::StandInDesktop desktop;
        // Without a browser a wrong attempt shows its message at once.
        const bool opens = fetch<bool>("opens");
        if (opens)
            desktop.setBrowser(QStringLiteral("{browser} %u"));
        testsupport::MessageBoxAnswerer boxes;
        w.zur_Auktion(2);
        QCOMPARE(boxes.shown.size(), 0);
        if (opens)
            QCOMPARE(desktop.startedWith(QStringLiteral("browser")),
                     QStringList{QString(modGlobal::sArtikelURL).replace("[#Artikel#]", artikel)});
    }
};

QTEST_MAIN(MenuCommandsTest)
#include "tst_menuCommands.moc"
