// Decoding fetched text: URL escapes, numeric references, entities, blanks
// and line breaks, and the reading of a reference's number. The escapes the
// decoder makes itself (BaseConvert from 10 to 16) are the rows of decodes.
#include "answerers.h"
#include "errors/errPtnr.h"
#include "store/modHTML2Text.h"
#include "testData.h"

#include <QtTest>

using namespace modHTML2Text;

using testsupport::fetch;
using testsupport::row;

class HtmlDecodeTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFolder> folder;

private slots:
    void init() { folder = std::make_unique<testsupport::ProgramFolder>(); }
    void cleanup() { folder.reset(); }

    void decodes_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        row("escapes", "Gr%FC%DFe", QStringLiteral("Grüße"));
        row("escaped percent, later pass", "a%2541", "aA");
        row("lower-case escape stays", "a%4f", "a%4f");
        row("two blanks", "a  b", "a b");
        row("CR LF", "a\r\nb", "a b");
        row("references", "&#65;&#66;", "AB");
        row("four digits stay", "&#8364;", "&#8364;");
        row("empty reference stays", "&#;", "&#;");
        row("tag keeps its blanks", "<a  href=x>", "<a  href=x>");
        row("apostrophe", "it's", "it`s");
        // and beyond the table
        row("code 128 is the euro", "&#128; %80", QStringLiteral("€ €"));
        row("escapes below 32 stay", "a%0Ab", "a%0Ab");
        // "%34" gives "4"; the "%41" it makes is decoded by a later pass, the
        // "%24" is not: its pass has already run.
        row("escape made for a later pass", "%%341", "A");
        row("escape made for a past pass", "%2%34", "%24");
        row("hex reference is code 0", "a&#x41;b", QString("a") + QChar(0) + "b");
        row("reference with blanks", "&# 6 ;", QString(QChar(6)));
        row("no semicolon", "&#65", "&#65");
        row("reference inside a tag stays", "<b &#65;>&#65;", "<b &#65;>A");
        row("line breaks in a tag become blanks", "<a\r\nb>", "<a  b>");
        row("blank run after a tag", "<b>  x", "<b> x");
        row("entities in order", "&amp;lt; &gt;&lt;", "&lt; ><");
        row("escaped apostrophe", "%27x%27", "`x`");
        row("empty", "", "");
        // A code no character has stays as text, the rest of the comment with it.
        row("reference above 255 stays", "a&#999;b c", "a&#999;b c");
        row("negative reference stays", "kaputt &#-5; aber da", "kaputt &#-5; aber da");
    }
    void decodes() {
        testsupport::ErrorAnswerer answers;
        QCOMPARE(HTMLDecode(fetch<QString>("input")), fetch<QString>("expected"));
        QCOMPARE(answers.reports.size(), 0);
    }

    void longTextWithEveryKindOfInput() {
        QString text;
        for (int i = 0; i < 10000; ++i)
            text += QStringLiteral("O'Neil  &amp; %FC\r\n&#65;");
        const QString decoded = HTMLDecode(text);
        QCOMPARE(decoded.size(), 10000 * QStringLiteral("O`Neil & ü A").size());
        QVERIFY(decoded.startsWith(QStringLiteral("O`Neil & ü AO`Neil")));
    }

    // Many starts of references and no end: still one pass.
    void manyOpenReferences() {
        const QString text = QStringLiteral("&#").repeated(50000) + "abcdef;";
        QCOMPARE(HTMLDecode(text), text);
    }

    // A reference's number as VB reads it, beyond what the decodes rows pass:
    // digits, blanks, a sign, letters and nothing.
    void funCLng_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("too big") << "99999999999" << 0;
        QTest::newRow("decimal comma rounds to even") << "2,5" << 2;
        QTest::newRow("decimal comma rounds up") << "2,51" << 3;
        QTest::newRow("hex prefix") << "&H41" << 65;
    }
    void funCLng() {
        testsupport::ErrorAnswerer answers;
        QCOMPARE(modHTML2Text::funCLng(fetch<QString>("text")), fetch<int>("expected"));
        QCOMPARE(answers.reports.size(), 0);
    }
};

QTEST_GUILESS_MAIN(HtmlDecodeTest)
#include "tst_htmlDecode.moc"
