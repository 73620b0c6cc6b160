// The listing writers with texts that other members may have written.
#include "output.h"
#include "testData.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using testsupport::fetch;
using testsupport::row;

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
        const QString x = QStringLiteral("\uFFFD");
        row("plain", "gut", "gut", "gut", "\"gut\"");
        row("escape sequence", "a\x1b[2J", "a" + x + "[2J", "a" + x + "[2J", "\"a\\u001b[2J\"");
        row("nul bell del", u16({0, 7, 0x7f}), x + x + x, x + x + x, "\"\\u0000\\u0007\\u007f\"");
        row("C1 control", u16({'x', 0x9b}), "x" + x, "x" + x, "\"x\\u009b\"");
        row("tab, breaks, backslash", "a\tb\nc\rd\\e", "a\\tb\\nc\\rd\\\\e", "\"a\tb\nc\nd\\e\"",
            "\"a\\tb\\nc\\rd\\\\e\"");
        row("crlf", "x\r\ny", "x\\r\\ny", "\"x\ny\"", "\"x\\r\\ny\"");
        row("comma, quote", "\"a\", b", "\"a\", b", "\"\"\"a\"\", b\"", "\"\\\"a\\\", b\"");
        row("formula =", "=A1,B1", "=A1,B1", "\"'=A1,B1\"", "\"=A1,B1\"");
        row("formula +", "+1", "+1", "'+1", "\"+1\"");
        row("formula -", "-1", "-1", "'-1", "\"-1\"");
        row("formula @", "@A1", "@A1", "'@A1", "\"@A1\"");
        row("formula after tab", "\t=A1", "\\t=A1", "'\t=A1", "\"\\t=A1\"");
        row("formula after cr", "\r=A1", "\\r=A1", "\"'\n=A1\"", "\"\\r=A1\"");
        row("lone surrogate", u16({0xd800, 'b'}), u16({0xd800, 'b'}), u16({0xd800, 'b'}),
            "\"" + x + "b\"");
    }
    void fields() {
        QFETCH(QString, text);
        QCOMPARE(cli::tsvField(text), fetch<QString>("tsv"));
        QCOMPARE(cli::csvField(text), fetch<QString>("csv"));
        QCOMPARE(cli::jsonText(text), fetch<QString>("json") + '\n');
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
        QTest::newRow("umlaut") << "Kä" << QByteArray::fromHex("4b c3a4");
        QTest::newRow("high, letter") << u16({0xd800, 'b'}) << QByteArray::fromHex("efbfbd 62");
        QTest::newRow("low, letter") << u16({0xdc00, 'b'}) << QByteArray::fromHex("efbfbd 62");
        QTest::newRow("high, pair")
            << u16({0xd800, 0xd83d, 0xde00}) << QByteArray::fromHex("efbfbd f09f9880");
        QTest::newRow("high at the end") << u16({'a', 0xd800}) << QByteArray::fromHex("61 efbfbd");
    }
    void utf8() { QCOMPARE(cli::utf8(fetch<QString>("text")), fetch<QByteArray>("bytes")); }
};

QTEST_GUILESS_MAIN(OutputTest)
#include "tst_output.moc"
