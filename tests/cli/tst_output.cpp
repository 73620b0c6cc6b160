// The listing writers with texts that other members may have written.
#include "output.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

class OutputTest : public QObject {
    Q_OBJECT

    static QString u16(std::initializer_list<char16_t> units) {
        return QString(reinterpret_cast<const QChar*>(units.begin()), qsizetype(units.size()));
    }

private slots:
    void fields_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tsv");
        QTest::addColumn<QString>("csv");
        QTest::addColumn<QString>("json");
        const QString bad = QStringLiteral("\uFFFD");
        QTest::newRow("plain") << "Alles gut"
                               << "Alles gut"
                               << "Alles gut"
                               << "\"Alles gut\"";
        QTest::newRow("escape sequence") << "a\x1b[2Jb"
                                         << "a" + bad + "[2Jb"
                                         << "a" + bad + "[2Jb"
                                         << "\"a\\u001b[2Jb\"";
        QTest::newRow("nul bell del") << u16({0, 7, 0x7f}) << bad + bad + bad << bad + bad + bad
                                      << "\"\\u0000\\u0007\\u007f\"";
        QTest::newRow("C1 control") << u16({'x', 0x9b, 'y'}) << "x" + bad + "y"
                                    << "x" + bad + "y"
                                    << "\"x\\u009by\"";
        QTest::newRow("tab, breaks, backslash") << "a\tb\nc\rd\\e"
                                                << "a\\tb\\nc\\rd\\\\e"
                                                << "\"a\tb\nc\nd\\e\""
                                                << "\"a\\tb\\nc\\rd\\\\e\"";
        QTest::newRow("crlf") << "x\r\ny"
                              << "x\\r\\ny"
                              << "\"x\ny\""
                              << "\"x\\r\\ny\"";
        QTest::newRow("comma and quote") << "er sagte \"gut\", danke"
                                         << "er sagte \"gut\", danke"
                                         << "\"er sagte \"\"gut\"\", danke\""
                                         << "\"er sagte \\\"gut\\\", danke\"";
        QTest::newRow("formula =") << "=HYPERLINK(\"x\")"
                                   << "=HYPERLINK(\"x\")"
                                   << "\"'=HYPERLINK(\"\"x\"\")\""
                                   << "\"=HYPERLINK(\\\"x\\\")\"";
        QTest::newRow("formula +") << "+1"
                                   << "+1"
                                   << "'+1"
                                   << "\"+1\"";
        QTest::newRow("formula -") << "-1+1"
                                   << "-1+1"
                                   << "'-1+1"
                                   << "\"-1+1\"";
        QTest::newRow("formula @") << "@SUM(A1)"
                                   << "@SUM(A1)"
                                   << "'@SUM(A1)"
                                   << "\"@SUM(A1)\"";
        QTest::newRow("lone surrogate")
            << u16({0xd800, 'b'}) << u16({0xd800, 'b'}) << u16({0xd800, 'b'}) << "\"\uFFFDb\"";
        QTest::newRow("pair") << u16({0xd83d, 0xde00}) << u16({0xd83d, 0xde00})
                              << u16({0xd83d, 0xde00}) << u16({'"', 0xd83d, 0xde00, '"'});
    }
    void fields() {
        QFETCH(QString, text);
        QFETCH(QString, tsv);
        QFETCH(QString, csv);
        QFETCH(QString, json);
        QCOMPARE(cli::tsvField(text), tsv);
        QCOMPARE(cli::csvField(text), csv);
        QCOMPARE(cli::jsonText(text), json + '\n');
        // Valid JSON that reads back as the text.
        QJsonParseError error;
        const QJsonArray parsed =
            QJsonDocument::fromJson(cli::utf8(cli::jsonText(QJsonArray{text})), &error).array();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(cli::utf8(parsed.at(0).toString()), cli::utf8(text));
    }

    void utf8_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("umlaut") << "Käse" << QByteArray("K\xc3\xa4se");
        QTest::newRow("high, then a letter") << u16({0xd800, 'b'})
                                             << QByteArray("\xef\xbf\xbd"
                                                           "b");
        QTest::newRow("low, then a letter") << u16({0xdc00, 'b'})
                                            << QByteArray("\xef\xbf\xbd"
                                                          "b");
        QTest::newRow("high, then a pair")
            << u16({0xd800, 0xd83d, 0xde00}) << QByteArray("\xef\xbf\xbd\xf0\x9f\x98\x80");
        QTest::newRow("high at the end") << u16({'a', 0xd800}) << QByteArray("a\xef\xbf\xbd");
    }
    void utf8() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(cli::utf8(text), bytes);
    }
};

QTEST_GUILESS_MAIN(OutputTest)
#include "tst_output.moc"
