// What every layer shares: the summary's percentage line, and the German
// texts of the library's own dialogs.
#include "base/qtTranslations.h"
#include "base/ratingSummary.h"
#include "testData.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QtTest>

using testsupport::fetch;

class BaseTest : public QObject {
    Q_OBJECT

private slots:
    void percentages_data() {
        QTest::addColumn<qint64>("pos");
        QTest::addColumn<qint64>("neg");
        QTest::addColumn<QString>("line");
        QTest::newRow("200/2") << qint64(200) << qint64(2) << "Positive Bewertungen : 99 % ";
        QTest::newRow("3/1") << qint64(3) << qint64(1) << "Positive Bewertungen : 66,7 % ";
        QTest::newRow("5/5") << qint64(5) << qint64(5) << "Positive Bewertungen : 0 %";
        QTest::newRow("1/0") << qint64(1) << qint64(0) << "Positive Bewertungen : 100 % ";
        QTest::newRow("0/0") << qint64(0) << qint64(0) << "Positive Bewertungen : 0 %";
        QTest::newRow("half to even")
            << qint64(80) << qint64(1) << "Positive Bewertungen : 98,8 % ";
        QTest::newRow("30 million")
            << qint64(30000000) << qint64(3000000) << "Positive Bewertungen : 90 % ";
    }
    void percentages() {
        QCOMPARE(base::prozenteText(fetch<qint64>("pos"), fetch<qint64>("neg")),
                 fetch<QString>("line"));
    }

    void theLibrarysDialogsSpeakGerman() { // the export's file dialog among them
        QVERIFY(base::installQtTranslations(*qApp));
        QDialogButtonBox box(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
        QCOMPARE(box.button(QDialogButtonBox::Save)->text() + " " +
                     box.button(QDialogButtonBox::Cancel)->text(),
                 "Speichern Abbrechen");
    }
};

QTEST_MAIN(BaseTest)
#include "tst_base.moc"
