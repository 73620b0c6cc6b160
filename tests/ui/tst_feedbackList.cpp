// The rating list: rows, the 90-day rule, images, scrolling, the mouse, and
// what it paints.
#include "answerers.h"
#include "testData.h"
#include "ui/main/feedbackList.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

using ui::FeedbackList;

using testsupport::fetch;

class FeedbackListTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FeedbackList> list;
    std::unique_ptr<testsupport::FixedClock> clock;

    void addRow(int image, const QString& date, const QString& text = QStringLiteral("gut"),
                const QString& item = QStringLiteral("4711")) {
        list->subAddListe(image, text, QStringLiteral("V"), date, QStringLiteral("geber"), item);
    }

private slots:
    void init() {
        // Late in the day: the time of day must play no part.
        clock =
            std::make_unique<testsupport::FixedClock>(QDateTime(QDate(2026, 12, 6), QTime(23, 59)));
        list = std::make_unique<FeedbackList>();
        list->resize(900, 300);
        list->subInitListe();
    }
    void cleanup() {
        list.reset();
        clock.reset();
    }

    // After set-up and after clearing, however often: the header alone.
    void onlyTheHeaderAfterSetUpAndClearing() {
        const auto headerOnly = [this] {
            QCOMPARE(list->rowCount(), 1);
            QVERIFY(list->isHeader(1));
            QCOMPARE(list->captions(1), QStringList({" Bemerkungstext", " K/V", " Datum",
                                                     " Ebay-User", " Artikelnummer"}));
            QCOMPARE(list->image(1), 0);
            QVERIFY(!list->isOpenable(1));
            const QScrollBar* bar = list->scrListe();
            QCOMPARE(QList<int>({bar->value(), bar->minimum(), bar->maximum()}),
                     QList<int>({1, 1, 1}));
        };
        headerOnly();
        for (int i = 0; i < 30; ++i)
            addRow(1, QStringLiteral("01.11.2026 10:00"));
        list->scrListe()->setValue(20);
        list->subClearListe();
        headerOnly();
        list->subClearListe();
        headerOnly();
    }

    void theNinetyDayRule_data() {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("openable");
        QTest::newRow("90 days, early") << "07.09.2026 00:01"
                                        << "4711" << true;
        QTest::newRow("91 days, late") << "06.09.2026 23:58"
                                       << "4711" << false;
        QTest::newRow("today") << "06.12.2026 08:00"
                               << "4711" << true;
        QTest::newRow("future") << "01.02.2027 10:00"
                                << "4711" << true;
        QTest::newRow("placeholder") << "01.01.1970 00:00"
                                     << "4711" << false;
        QTest::newRow("unreadable") << "kein Datum"
                                    << "4711" << false;
        QTest::newRow("none stored") << ""
                                     << "4711" << false;
        QTest::newRow("the word Datum") << "Datum"
                                        << "4711" << false;
        // The marketplace leaves the item out for masked buyers.
        QTest::newRow("today, no item") << "06.12.2026 08:00"
                                        << " " << false;
    }
    void theNinetyDayRule() {
        addRow(1, fetch<QString>("date"), QStringLiteral("gut"), fetch<QString>("item"));
        QCOMPARE(list->isOpenable(2), fetch<bool>("openable"));
    }

    void imagesByValue() {
        for (int value : {1, 2, 3, 0, 4, -1})
            addRow(value, QStringLiteral("01.01.2020 10:00"));
        list->subAddListe(1, "a", "b", "c", "d", "e", true); // a header never has an image
        QList<int> images;
        for (int k = 2; k <= 8; ++k)
            images << list->image(k);
        QCOMPARE(images, QList<int>({1, 2, 3, 0, 0, 0, 0}));
    }

    // The newest page costs no widgets.
    void scrollingInWholeRows() {
        const int before = int(list->findChildren<QWidget*>().size());
        for (int i = 0; i < 200; ++i)
            addRow(1 + i % 3, QStringLiteral("01.11.2026 10:00"));
        QCOMPARE(int(list->findChildren<QWidget*>().size()), before);
        QCOMPARE(list->scrListe()->maximum(), 201);
        QCOMPARE(list->scrListe()->value(), 1); // adding rows never scrolls
        QCOMPARE(list->scrListe()->pageStep(), 10);

        list->setFocus();
        QTest::keyClick(list.get(), Qt::Key_Down);
        QCOMPARE(list->firstVisibleRow(), 2);
        QTest::keyClick(list.get(), Qt::Key_PageDown);
        QCOMPARE(list->firstVisibleRow(), 7);
        QTest::keyClick(list.get(), Qt::Key_PageUp);
        QTest::keyClick(list.get(), Qt::Key_PageUp);
        QCOMPARE(list->firstVisibleRow(), 1);

        // Row v sits at the top of the frame after scrolling to v.
        list->scrListe()->setValue(12);
        const QRect top = list->cellRect(12, 2);
        QCOMPARE(top.top(), 1); // one gap below the frame's inner edge
        QCOMPARE(list->cellAt(QPoint(100, top.center().y())).row, 12);
    }

    void doubleClickOpensColumnsTwoToSix() {
        addRow(1, QStringLiteral("01.12.2026 10:00"));
        addRow(2, QStringLiteral("01.01.2000 10:00"));
        list->show();
        QVERIFY(QTest::qWaitForWindowExposed(list.get()));
        QSignalSpy opened(list.get(), &FeedbackList::zurAuktion);
        for (int column = 1; column <= 6; ++column)
            QTest::mouseDClick(list->surface(), Qt::LeftButton, {},
                               list->cellRect(2, column).center());
        QCOMPARE(opened.count(), 5);
        QCOMPARE(opened.first().first().toInt(), 2);
        // A row that is not recent still reaches the handler, which decides.
        QTest::mouseDClick(list->surface(), Qt::LeftButton, {}, list->cellRect(3, 4).center());
        QCOMPARE(opened.last().first().toInt(), 3);
    }

    void theMouseOverTheListTakesTheFocus() {
        QWidget window;
        auto* other = new QLineEdit(&window);
        auto* inWindow = new FeedbackList(&window);
        inWindow->setGeometry(0, 40, 900, 300);
        inWindow->subInitListe();
        inWindow->subAddListe(1, "gut", "V", "01.12.2026 10:00", "geber", "4711");
        window.resize(900, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        other->setFocus();
        QVERIFY(other->hasFocus());
        const QPointF at = inWindow->cellRect(2, 5).center();
        QMouseEvent move(QEvent::MouseMove, at, inWindow->surface()->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(inWindow->surface(), &move);
        QVERIFY(inWindow->hasFocus());
        QCOMPARE(inWindow->surface()->cursor().shape(), Qt::PointingHandCursor);
    }

    void paintsGridImagesAndABoldHeader() {
        addRow(1, QStringLiteral("01.12.2026 10:00"), QStringLiteral("Bemerkungstext"));
        addRow(3, QStringLiteral("01.12.2026 10:00"));
        list->resize(1000, 200);
        const QImage shot = list->grab().toImage();
        auto at = [&](int x, int y) {
            return shot.pixelColor(list->surface()->mapTo(list.get(), QPoint(x, y)));
        };
        // The gap above row 1 and between rows shows the grey surface.
        QCOMPARE(at(100, 0), QColor(128, 128, 128));
        QCOMPARE(at(100, list->cellRect(2, 2).top() - 1), QColor(128, 128, 128));
        // A green mark in row 2's image cell, a red one in row 3's.
        const QColor green = at(list->cellRect(2, 1).left() + 8, list->cellRect(2, 1).top() + 8);
        QVERIFY2(green.green() > 150 && green.red() < 100, qPrintable(green.name()));
        const QColor red = at(list->cellRect(3, 1).left() + 8, list->cellRect(3, 1).top() + 8);
        QVERIFY2(red.red() > 150 && red.green() < 100, qPrintable(red.name()));
        // The header's caption is bold: more ink than the same text in a plain row.
        auto ink = [&](int row) {
            const QRect r =
                list->cellRect(row, 2).adjusted(0, 0, -list->cellRect(row, 2).width() / 2, 0);
            int dark = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    dark += at(x, y).lightness() < 128;
            return dark;
        };
        QVERIFY(ink(2) > 0);
        QVERIFY2(ink(1) > ink(2), qPrintable(QStringLiteral("%1 vs %2").arg(ink(1)).arg(ink(2))));
    }
};

QTEST_MAIN(FeedbackListTest)
#include "tst_feedbackList.moc"
