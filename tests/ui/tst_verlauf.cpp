// "Verlauf und Suche": the months of the chart and their share, the search,
// paging and kinds, the item page, the menu, the chart's colours, and the
// export, on the real window and a real database.
#include "standInDesktop.h"
#include "store/connection.h"
#include "store/exportWriter.h"
#include "storeFixture.h"
#include "testData.h"
#include "ui/controls/menuAdapter.h"
#include "ui/dialogs/frmVerlauf.h"
#include "ui/forms.h"
#include "ui/main/feedbackList.h"
#include "ui/main/frmAnzeige.h"

#include <QAction>
#include <QBarSet>
#include <QChartView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedBarSeries>
#include <QtTest>
#include <unistd.h>

using testsupport::fetch;
using testsupport::row;
using ui::Form;
using ui::frmVerlauf;
using Range = ui::VerlaufModel::Range;

namespace {

const QDateTime kNow(QDate(2024, 4, 15), QTime(12, 0));

// "kind|dd.MM.yyyy hh:mm[|text|giver|item]" as the store keeps it.
void add(const QStringList& ratings, const QString& member = "anna") {
    for (const QString& r : ratings) {
        QStringList f = r.split('|');
        f.resize(5);
        if (!modData::save_Bewerungen(f[0].toShort(), f[2], "K", f[1], f[3], f[4], member, 0))
            qFatal("not stored: %s", qPrintable(r));
    }
}

// A CSV file as a strict reader takes it: BOM, ";", CRLF after every record,
// quotes doubled inside quoted fields, nothing else after a closing quote.
QList<QStringList> readCsv(const QString& path) {
    const QByteArray bytes = testsupport::readFile(path);
    if (!bytes.startsWith("\xEF\xBB\xBF"))
        qFatal("no BOM");
    const QString t = QString::fromUtf8(bytes.mid(3));
    static const QRegularExpression field(R"(("(?:[^"]|"")*"|[^;"\r\n]*)(;|\r\n))");
    QList<QStringList> records{{}};
    for (qsizetype i = 0; i < t.size();) {
        const QRegularExpressionMatch m = field.match(
            t, i, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch())
            qFatal("not CSV at %lld", qint64(i));
        const QString f = m.captured(1);
        records.last() << (f.startsWith('"') ? f.mid(1, f.size() - 2).replace("\"\"", "\"") : f);
        if (m.captured(2) == "\r\n")
            records << QStringList();
        i = m.capturedEnd();
    }
    records.removeLast(); // after the last line break
    return records;
}

QList<QStringList> readJson(const QString& path) {
    QList<QStringList> rows;
    for (const QJsonValue v : QJsonDocument::fromJson(testsupport::readFile(path)).array()) {
        rows << QStringList();
        for (const char* key : {"Datum", "Art", "K/V", "Mitglied", "Artikel", "Text", "Antwort"})
            rows.last() << v.toObject().value(key).toString();
    }
    return rows;
}

} // namespace

class VerlaufTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::StoreFixture> store;
    std::unique_ptr<testsupport::FixedClock> clock;

    frmVerlauf& open(Range range = Range::Year) {
        frmVerlauf& w = Form<frmVerlauf>::get();
        w.showMember();
        w.showRange(range);
        return w;
    }
    static QStringList items(const frmVerlauf& w) {
        QStringList items;
        for (int k = 2; k <= w.liste().rowCount(); ++k)
            items << w.liste().captions(k).at(4).trimmed();
        return items;
    }
    static QString listed(const frmVerlauf& w) {
        return w.scopeLabel()->text() + ": " + w.captionLabel()->text();
    }
    void search(frmVerlauf& w, const QString& words) {
        w.searchField()->setText(words); // typed keys would be Latin-1 only
        QTest::keyClick(w.searchField(), Qt::Key_Return);
    }

private slots:
    void init() {
        clock = std::make_unique<testsupport::FixedClock>(kNow);
        store = std::make_unique<testsupport::StoreFixture>();
    }
    void cleanup() {
        Form<frmVerlauf>::unload();
        Form<ui::frmAnzeige>::unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        store.reset();
        clock.reset();
    }

    void theMonthsOfTheChart_data() {
        QTest::addColumn<QStringList>("ratings");
        QTest::addColumn<Range>("range");
        QTest::addColumn<QString>("months"); // first..last (count): the months with ratings
        QTest::newRow("local month edges")
            << QStringList{"1|31.03.2024 23:30", "1|01.04.2024 00:00", "3|01.03.2024 00:00",
                           "2|29.02.2024 23:59"}
            << Range::Year << "2023-05..2024-04 (12): 2024-02 0/1/0, 2024-03 1/0/1, 2024-04 1/0/0";
        QTest::newRow("a later rating ends the range")
            << QStringList{"1|10.06.2024 08:00"} << Range::Year
            << "2023-07..2024-06 (12): 2024-06 1/0/0";
        QTest::newRow("five years") << QStringList{"3|01.05.2019 00:00", "3|30.04.2019 23:59"}
                                    << Range::FiveYears << "2019-05..2024-04 (60): 2019-05 0/0/1";
        QTest::newRow("all from the first rating, placeholders aside")
            << QStringList{"0|01.01.2020 10:00", "2|05.11.2021 10:00"} << Range::All
            << "2021-11..2024-04 (30): 2021-11 0/1/0";
        QTest::newRow("all without ratings")
            << QStringList{} << Range::All << "2024-04..2024-04 (1): ";
    }
    void theMonthsOfTheChart() {
        add(fetch<QStringList>("ratings"));
        const frmVerlauf& w = open(fetch<Range>("range"));
        const auto& months = w.model().months();
        const QList<QBarSet*> bars = w.bars()->barSets(); // what the chart shows of them
        QStringList counted;
        for (int i = 0; i < bars[0]->count(); ++i) {
            const QString kinds =
                QString("%1/%2/%3").arg(bars[0]->at(i)).arg(bars[1]->at(i)).arg(bars[2]->at(i));
            if (kinds != "0/0/0")
                counted << months[size_t(i)].month.toString("yyyy-MM ") + kinds;
        }
        QCOMPARE(months.front().month.toString("yyyy-MM..") +
                     months.back().month.toString("yyyy-MM") +
                     QString(" (%1): ").arg(bars[0]->count()) + counted.join(", "),
                 fetch<QString>("months"));
    }

    void theTwelveMonthShare_data() {
        QTest::addColumn<QStringList>("ratings");
        QTest::addColumn<QString>("shares"); // of each month of the year to December 2024
        QTest::newRow("neutral aside, months before the range counted")
            << QStringList{"1|10.01.2024 10:00", "1|11.01.2024 10:00", "1|12.01.2024 10:00",
                           "3|13.01.2024 10:00", "3|10.12.2023 10:00", "2|10.06.2024 10:00"}
            << QString("60.0 ").repeated(11) + "75.0";
        QTest::newRow("a stretch without any has none")
            << QStringList{"1|10.03.2023 10:00", "2|10.05.2024 10:00"}
            << "100.0 100.0" + QString(" -").repeated(10);
    }
    void theTwelveMonthShare() {
        clock->set(QDateTime(QDate(2024, 12, 15), QTime(12, 0)));
        add(fetch<QStringList>("ratings"));
        const frmVerlauf& w = open();
        QStringList shares;
        for (const std::optional<double>& s : w.model().shares())
            shares << (s ? QString::number(*s, 'f', 1) : "-");
        QCOMPARE(shares.join(' '), fetch<QString>("shares"));
    }

    void searching_data() {
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("found");
        row("every word, any case", "LIEFERUNG gerne", "Anzeige: 1 - 1 von 1: 110000000123");
        row("umlaut", "köln", "Anzeige: 1 - 1 von 1: 220000000456");
        row("capital umlaut", "überpünktlich", "Anzeige: 1 - 1 von 1: ???");
        row("giver", "bärbel", "Anzeige: 1 - 1 von 1: 220000000456");
        row("item number", "330000000789", "Anzeige: 1 - 1 von 1: 330000000789");
        row("newest first", "wieder", "Anzeige: 1 - 2 von 2: 330000000789,110000000123");
        row("none", "lieferung köln", "Keine Bewertungen zu „lieferung köln“ gefunden.: ");
        row("empty: all", "", "Anzeige: 1 - 4 von 4: 330000000789,220000000456,110000000123,???");
    }
    void searching() {
        add({"1|01.04.2024 10:00|Schnelle Lieferung, gerne wieder!|mueller_1|110000000123",
             "1|02.04.2024 10:00|Herzliche Grüße aus Köln|Bärbel|220000000456",
             "3|03.04.2024 10:00|Nie wieder; \"Betrug\"|schulze|330000000789",
             "2|31.03.2024 10:00|ÜBERPÜNKTLICH geliefert|ötzi|???"});
        add({"1|04.04.2024 10:00|Lieferung gerne wieder, aus Köln|bärbel|330000000789"}, "otto");
        frmVerlauf& w = open();
        search(w, fetch<QString>("words"));
        QCOMPARE(w.captionLabel()->text() + ": " + items(w).join(','), fetch<QString>("found"));
    }

    void pagesKindsAndMonthsOfAList() {
        store->addRatings("anna", 450, QDateTime(QDate(2024, 4, 10), QTime(12, 0)), {1, 1, 3});
        frmVerlauf& w = open();
        testsupport::MessageBoxAnswerer boxes;
        search(w, "Bewertung");
        const QStringList pages{"Anzeige: 1 - 200 von 450", "Anzeige: 201 - 400 von 450",
                                "Anzeige: 401 - 450 von 450"};
        for (const QString& page : pages) {
            QCOMPARE(w.captionLabel()->text(), page);
            QCOMPARE(w.nextButton()->isEnabled(), page != pages.last());
            w.nextButton()->click();
        }
        QCOMPARE(items(w).first(), "100400"); // the 401st newest
        w.kindButton(3)->click();
        QCOMPARE(listed(w), "Suche nach „Bewertung“: Anzeige: 1 - 150 von 150");
        search(w, "?!"); // nothing to search for: said so, the list kept
        QVERIFY(boxes.shown.size() == 1 && boxes.shown[0].text.startsWith("Bitte geben Sie"));
        QCOMPARE(w.captionLabel()->text(), "Anzeige: 1 - 150 von 150");
        // A click on a month's bar lists that month, of the kind chosen.
        emit w.bars()->clicked(10, w.bars()->barSets()[0]);
        QCOMPARE(listed(w), "Bewertungen im März 2024: Anzeige: 1 - 74 von 74");
        emit w.bars()->clicked(0, w.bars()->barSets()[0]);
        QCOMPARE(listed(w), "Bewertungen im Mai 2023: Keine negativen Bewertungen im Mai 2023.");
        w.kindButton(0)->click();
        for (Qt::Key key : {Qt::Key_End, Qt::Key_Left, Qt::Key_Return}) // April, March, listed
            QTest::keyClick(w.chartView(), key);
        QVERIFY(w.monthInfo()->text().startsWith("März 2024 · Positiv: 147 · Neutral: 0 · "));
        QCOMPARE(listed(w), "Bewertungen im März 2024: Anzeige: 1 - 200 von 221");
        QCOMPARE(w.liste().captions(2).at(2), " 31.03.2024 23:00");
    }

    void aRecentItemOpensItsPage() { // by the main window's rules, tested there
        add({"1|10.04.2024 10:00|gut|g|123456789012"});
        testsupport::StandInDesktop desktop;
        desktop.setBrowser("{browser} %u");
        emit open().liste().zurAuktion(2);
        QCOMPARE(desktop.started("browser"),
                 "browser|http://cgi.ebay.de/ws/eBayISAPI.dll?ViewItem&item=123456789012&rd=1");
    }

    void theMenuShowsTheMemberOfTheMainWindow() {
        store->addRatings("anna", 3, kNow);
        store->addRatings("bert", 5, kNow, {1}, true);
        ui::frmAnzeige& main = Form<ui::frmAnzeige>::get();
        main.Form_Load();
        modGlobal::sFremdUser = "bert";
        for (bool foreign : {false, true}) {
            modGlobal::bFremdModus = foreign;
            main.menu().action("keyVerlauf")->trigger();
            QTRY_VERIFY(Form<frmVerlauf>::isLoaded() && Form<frmVerlauf>::get().isVisible());
            const frmVerlauf& w = Form<frmVerlauf>::get();
            QCOMPARE(w.memberLabel()->text() + ": " + w.captionLabel()->text(),
                     foreign ? "Fremd-User: bert: Anzeige: 1 - 5 von 5"
                             : "Standard-User: anna: Anzeige: 1 - 3 von 3");
            QTest::keyClick(Form<frmVerlauf>::get().searchField(), Qt::Key_Escape);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!Form<frmVerlauf>::isLoaded());
        }
    }

    void whatWasStoredMeanwhileShowsOnReturning() {
        add({"1|01.04.2024 10:00|gut"});
        frmVerlauf& w = open();
        search(w, "gut");
        QWidget elsewhere;
        elsewhere.show();
        elsewhere.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
        add({"3|02.04.2024 10:00|gut"});
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(w.model().months().back().total() + w.model().total(), 4); // chart and list
    }

    void theChartStacksGreenGreyRedBottomUp() {
        add({"1|01.03.2024 10:00", "1|02.03.2024 10:00", "1|03.03.2024 10:00", "2|04.03.2024 10:00",
             "2|05.03.2024 10:00", "3|06.03.2024 10:00", "3|07.03.2024 10:00"});
        frmVerlauf& w = open();
        QVERIFY(w.model().monthTip(10).endsWith("Negativ: 2\n12 Monate bis März 2024: 60,0 % "
                                                "positiv (von positiven und negativen)"));
        const QImage image = w.chartView()->viewport()->grab().toImage();
        const QPoint foot =
            w.chartView()->mapFromScene(w.chart()->mapToPosition({10, 0}, w.bars()));
        const QPoint top = w.chartView()->mapFromScene(w.chart()->plotArea().topLeft());
        const QList<QPair<QColor, QChar>> colours{
            {QColor(40, 190, 60), 'G'}, {QColor(170, 170, 170), 'N'}, {QColor(220, 40, 40), 'R'}};
        QString seen;
        for (int y = foot.y(); y > top.y(); --y)
            for (const auto& [colour, mark] : colours)
                if (image.pixel(foot.x(), y) == colour.rgb() && !seen.endsWith(mark))
                    seen += mark;
        QCOMPARE(seen, "GNR");
    }

    void exportingWhatIsListed_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("written");
        row("CSV", "liste.csv", ui::ListExport::csvFilter(), "liste.csv");
        row("JSON by its filter", "liste", ui::ListExport::jsonFilter(), "liste.json");
    }
    void exportingWhatIsListed() {
        const testsupport::UsualUmask umask;
        const QStringList texts{"\t=Sagt \"danke\"; bis bald",
                                "Zeile eins",
                                "Grüße – äöü ß € 👍",
                                "=SUMME(A1)",
                                "-",
                                " Rand "};
        for (int n = 1; n <= 6; ++n)
            add({QString("%1|0%2.04.2024 10:00|%3|Käufer;%2|1000%2")
                     .arg(n % 3 + 1)
                     .arg(n)
                     .arg(texts[n - 1])});
        add({"1|01.03.2024 10:00|nicht gelistet|x|1"});
        // Only files of earlier versions hold line breaks.
        modGlobal::cnDB->exec("UPDATE Bewertungeneigen SET Bewertungstext = Bewertungstext || "
                              "char(13, 10) || 'Zeile zwei' WHERE Artikel = '10002'");
        frmVerlauf& w = open();
        w.showMonth(11); // April 2024
        QTemporaryDir dir;
        w.setFileChooser([&](auto, auto, const QString& suggested, auto, QString* selected) {
            *selected = fetch<QString>("filter");
            return suggested.endsWith("/Bewertungen anna 2024-04.csv") &&
                           QFileInfo(suggested).absoluteDir().exists()
                       ? dir.filePath(fetch<QString>("chosen"))
                       : QString();
        });
        testsupport::MessageBoxAnswerer boxes;
        w.exportButton()->click();
        const QString path = dir.filePath(fetch<QString>("written"));
        QCOMPARE(boxes.shown.value(0).text, "6 Bewertungen wurden nach „" + path + "“ exportiert.");
        QCOMPARE(QFile::permissions(path) & 0x0FFF, QFile::ReadUser | QFile::WriteUser);
        const bool csv = path.endsWith(".csv");
        QList<QStringList> rows = csv ? readCsv(path) : readJson(path);
        if (csv)
            QCOMPARE(rows.takeFirst(),
                     QString("Datum;Art;K/V;Mitglied;Artikel;Text;Antwort").split(';'));
        QCOMPARE(rows.size(), 6);
        for (int n = 6; n >= 1; --n) // newest first; a formula stays text in a spreadsheet
            QCOMPARE(rows[6 - n],
                     QStringList({csv ? QString("0%1.04.2024 10:00").arg(n)
                                      : QString("2024-04-0%1T10:00").arg(n),
                                  QStringList{"positiv", "neutral", "negativ"}[n % 3], "K",
                                  QString("Käufer;%1").arg(n), QString("1000%1").arg(n),
                                  (csv && (n == 1 || n == 4) ? "'" : "") + texts[n - 1] +
                                      (n == 2 ? "\r\nZeile zwei" : ""),
                                  QString()}));
    }

    void aFailedOrCancelledExportLeavesNoFile_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("message");
        row("no folder", "fehlt/x.csv", "Den Ordner „%1/fehlt“ gibt es nicht.");
        row("a folder", "ordner.csv", "„%1/ordner.csv“ ist ein Ordner.");
        row("read-only", "nur/x.csv", "In den Ordner „%1/nur“ darf nicht geschrieben werden.");
        row("cancelled", "x.csv", "");
    }
    void aFailedOrCancelledExportLeavesNoFile() {
        if (::geteuid() == 0 && QTest::currentDataTag() == QString("read-only"))
            QSKIP("root writes into a read-only folder");
        store->addRatings("anna", 1200, kNow);
        const bool cancel = fetch<QString>("message").isEmpty();
        QTemporaryDir dir;
        for (const char* folder : {"ordner.csv", "nur"})
            QDir(dir.path()).mkdir(folder);
        QFile(dir.filePath("nur")).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        const QString target = dir.filePath(fetch<QString>("target"));
        QFile earlier(target); // a cancel keeps what was there
        QVERIFY(!cancel || (earlier.open(QIODevice::WriteOnly) && earlier.write("alt") == 3));
        earlier.close();
        const auto entries = [&] {
            return QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
        };
        const QStringList before = entries();
        testsupport::MessageBoxAnswerer boxes;
        if (cancel) {
            const store::ExportResult r =
                store::exportRatings(target, store::ExportFormat::Csv, modData::Table::Own, "anna",
                                     {}, [](qint64 written) { return written < 1000; });
            QVERIFY(r.cancelled && !r.ok && r.rows == 0);
        } else {
            frmVerlauf& w = open();
            w.setFileChooser([&](auto...) { return target; });
            w.exportButton()->click();
            QCOMPARE(boxes.shown.value(0).text, fetch<QString>("message").arg(dir.path()) +
                                                    "\nEs wurde keine Datei geschrieben.");
        }
        QCOMPARE(earlier.open(QIODevice::ReadOnly) ? earlier.readAll() : "", cancel ? "alt" : "");
        QCOMPARE(entries(), before);
    }
};

QTEST_MAIN(VerlaufTest)
#include "tst_verlauf.moc"
