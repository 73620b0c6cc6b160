// Reading date texts in three tries.
#include "app/funCDate.h"

#include <QtTest>

class FunCDateTest : public QObject {
    Q_OBJECT
private slots:
    void dates_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected");
        const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0));
        QTest::newRow("full") << "22.11.2004 14:03" << QDateTime(QDate(2004, 11, 22), QTime(14, 3));
        QTest::newRow("seconds") << "22.11.2004 14:03:59"
                                 << QDateTime(QDate(2004, 11, 22), QTime(14, 3, 59));
        QTest::newRow("short year, letters")
            << "22.11.04 abc" << QDateTime(QDate(2004, 11, 22), QTime(0, 0));
        QTest::newRow("short year 1999") << "01.02.99" << QDateTime(QDate(1999, 2, 1), QTime(0, 0));
        QTest::newRow("no date") << "Datum" << zero;
        QTest::newRow("empty") << "" << zero;
        QTest::newRow("31 February") << "31.02.2020 10:00" << zero;
        QTest::newRow("placeholder")
            << "01.01.1970 00:00" << QDateTime(QDate(1970, 1, 1), QTime(0, 0));
    }
    void dates() {
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        QCOMPARE(modGlobal::funCDate(text), expected);
    }
};

QTEST_GUILESS_MAIN(FunCDateTest)
#include "tst_funCDate.moc"
