// The desktop notice after a check: which kinds call for one, its summary,
// the three comments shown and their escaping.
#include "retrieval/newRatingsNotice.h"
#include "retrieval/quietCheck.h"
#include "testData.h"

#include <QTest>

using retrieval::NoticeKinds;
using testsupport::fetch;

namespace {

// "n": negative, "u": neutral, "p": positive, newest first.
std::vector<store::ShownRating> ratings(const QString& kinds) {
    std::vector<store::ShownRating> stored;
    int i = 0;
    for (const QChar k : kinds) {
        const feedback::Kind kind = k == 'n'   ? feedback::Kind::Negative
                                    : k == 'u' ? feedback::Kind::Neutral
                                               : feedback::Kind::Positive;
        ++i;
        stored.push_back({QString::number(int(kind)), kind, QStringLiteral("Text %1").arg(i), "V",
                          QStringLiteral("0%1.12.2026 10:00").arg(i), QStringLiteral("k%1").arg(i),
                          "", QString::number(i), ""});
    }
    return stored;
}

} // namespace

class NewRatingsNotice : public QObject {
    Q_OBJECT

private slots:
    void composed_data() {
        QTest::addColumn<QString>("kinds");
        QTest::addColumn<QString>("melden");
        QTest::addColumn<QString>("notice"); // summary|urgency|body; empty: none
        const QString three = "Text 1 (k1, 01.12.2026)\nText 2 (k2, 02.12.2026)\n"
                              "Text 3 (k3, 03.12.2026)";
        testsupport::row("eine negative", QString("n"), QString(),
                         QString("1 neue Bewertung, davon 1 negativ|2|Text 1 (k1, 01.12.2026)"));
        testsupport::row("zwei, eine negativ", QString("pn"), QString(),
                         QString("2 neue Bewertungen, davon 1 negativ|2|Text 2 (k2, 02.12.2026)"));
        testsupport::row("negativ und neutral, drei gezeigt", QString("unupu"), QString(),
                         "5 neue Bewertungen, davon 1 negativ und 3 neutral|2|" + three);
        testsupport::row("nur neutral", QString("u"), QString("neutral"),
                         QString("1 neue Bewertung, davon 1 neutral|1|Text 1 (k1, 01.12.2026)"));
        testsupport::row("nur positive", QString("ppp"), QString(), QString());
        testsupport::row("nur positive, alle", QString("ppp"), QString("alle"),
                         QString("3 neue Bewertungen|1|"));
        testsupport::row("positive gemeldet", QString("p"), QString("positiv"),
                         QString("1 neue Bewertung|1|"));
        testsupport::row("aus", QString("nnu"), QString("aus"), QString());
        testsupport::row("nur negative gewollt", QString("u"), QString("negativ"), QString());
    }
    void composed() {
        const auto kinds = retrieval::noticeKindsOf(fetch<QString>("melden"), "config.INI");
        QVERIFY(std::holds_alternative<NoticeKinds>(kinds));
        const std::optional<app::Notice> notice =
            retrieval::newRatingsNotice(ratings(fetch<QString>("kinds")), std::get<0>(kinds));
        QCOMPARE(
            notice ? QString("%1|%2|%3").arg(notice->summary).arg(notice->urgency).arg(notice->body)
                   : QString(),
            fetch<QString>("notice"));
    }

    void escaped() {
        std::vector<store::ShownRating> stored = ratings("n");
        stored[0].text = "<b>Nie</b> &\nwieder";
        stored[0].member = "a<b>";
        QCOMPARE(retrieval::newRatingsNotice(stored, {})->body,
                 QString("&lt;b&gt;Nie&lt;/b&gt; &amp; wieder (a&lt;b&gt;, 01.12.2026)"));
    }

    void wrongValue() {
        const auto kinds = retrieval::noticeKindsOf("negativ,schlecht", "/p/Bin/config.INI");
        QCOMPARE(std::get<QString>(kinds),
                 QString("Der Wert \"negativ,schlecht\" von Melden im Abschnitt [Main] der Datei "
                         "/p/Bin/config.INI ist weder alle noch aus noch eine Liste aus positiv, "
                         "neutral und negativ, mit Kommas getrennt."));
        QCOMPARE(std::get<NoticeKinds>(retrieval::noticeKindsOf(" Neutral , Positiv", "")),
                 (NoticeKinds{true, true, false}));
    }

    // [Main] Intervall: -1 stands for the message.
    void intervals_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("minutes");
        testsupport::row("empty", "", 0);
        testsupport::row("never", "0", 0);
        testsupport::row("shortest", " 5 ", 5);
        testsupport::row("a day", "1440", 1440);
        testsupport::row("too short", "4", -1);
        testsupport::row("too long", "1441", -1);
        testsupport::row("negative", "-10", -1);
        testsupport::row("words", "stündlich", -1);
    }
    void intervals() {
        const auto read = retrieval::checkIntervalOf(fetch<QString>("value"), "/p/Bin/config.INI");
        const int minutes = fetch<int>("minutes");
        if (minutes >= 0) {
            QCOMPARE(std::get<int>(read), minutes);
            return;
        }
        QCOMPARE(std::get<QString>(read),
                 "Der Wert \"" + fetch<QString>("value") +
                     "\" von Intervall im Abschnitt [Main] der Datei /p/Bin/config.INI ist keine "
                     "Minutenzahl: 0 für nie, sonst 5 bis 1440.");
    }

    void checkLines_data() {
        using Kind = retrieval::QuietCheckOutcome::Kind;
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("added");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("line");
        testsupport::row("stored", int(Kind::Stored), 1, "",
                         "Automatische Prüfung um 09:05: 1 neue Bewertung.");
        testsupport::row("stored, cut short", int(Kind::Stored), 3, "Nicht alle kamen an.",
                         "Automatische Prüfung um 09:05: 3 neue Bewertungen. Nicht alle kamen an.");
        testsupport::row("nothing new", int(Kind::NothingNew), 0, "",
                         "Automatische Prüfung um 09:05: keine neuen Bewertungen.");
        testsupport::row("busy", int(Kind::Busy), 0, "",
                         "Automatische Prüfung um 09:05 ausgelassen: eine andere Prüfung lief.");
        testsupport::row("failed", int(Kind::Failed), 0, "Keine Verbindung.",
                         "Automatische Prüfung um 09:05 fehlgeschlagen: Keine Verbindung.");
    }
    void checkLines() {
        retrieval::QuietCheckOutcome outcome;
        outcome.kind = retrieval::QuietCheckOutcome::Kind(fetch<int>("kind"));
        outcome.added = fetch<int>("added");
        outcome.message = fetch<QString>("message");
        QCOMPARE(retrieval::quietCheckLine(outcome, QTime(9, 5, 40)), fetch<QString>("line"));
    }
};

QTEST_GUILESS_MAIN(NewRatingsNotice)
#include "tst_newRatingsNotice.moc"
