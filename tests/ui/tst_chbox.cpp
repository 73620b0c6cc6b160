// The program's own check box, driven by the mouse and the keyboard.
#include "testData.h"
#include "ui/controls/chbox.h"
#include "ui/controls/propertyBag.h"

#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

using ui::chbox;

using testsupport::fetch;

class ChboxTest : public QObject {
    Q_OBJECT

    std::unique_ptr<chbox> box;
    QStringList events;

    // Dark pixels in a part of the control, as the user sees it.
    int dark(QRect part) {
        const QImage shot = box->grab(part & box->rect().adjusted(1, 1, -1, -1)).toImage();
        int count = 0;
        for (int i = 0; i < shot.width() * shot.height(); ++i)
            count += qGray(shot.pixel(i % shot.width(), i / shot.width())) < 100;
        return count;
    }
    bool checkMarkShown() { return dark(box->img(0)->geometry().adjusted(3, 3, -4, -4)) > 10; }
    bool captionBlack() { return dark(box->lbl()->geometry()) > 0; }

private slots:
    void init() {
        box = std::make_unique<chbox>(); // the size the search dialog gives it
        box->resize(ui::Twips::of(box.get()).toPx(QRect(0, 0, 1935, 255)).size());
        box->setCaption(QStringLiteral("Negative Bewertungen"));
        events.clear();
        connect(box.get(), &chbox::Click, this, [this] { events << "Click"; });
        connect(box.get(), &chbox::KeyPress, this,
                [this](int& KeyAscii) { events << QStringLiteral("KeyPress %1").arg(KeyAscii); });
        box->show();
        QVERIFY(QTest::qWaitForWindowActive(box.get()));
    }
    void cleanup() { box.reset(); }

    // Points in twips: inside the box, on the caption, on the surface between them.
    void clickToggles_data() {
        QTest::addColumn<QPoint>("where");
        QTest::addColumn<bool>("captionEnabled");
        for (auto [name, where] :
             {std::pair("box", QPoint(120, 140)), {"caption", {600, 130}}, {"surface", {262, 130}}})
            for (bool enabled : {true, false})
                QTest::addRow("%s, %s", name, enabled ? "enabled" : "greyed") << where << enabled;
    }
    void clickToggles() {
        QFETCH(bool, captionEnabled);
        box->setCaptionEnabled(captionEnabled);
        QCOMPARE(captionBlack(), captionEnabled);
        box->clearFocus();
        QVERIFY(!box->shFoc()->isVisible());
        const QPoint at =
            ui::Twips::of(box.get()).toPx(QRect(fetch<QPoint>("where"), QSize())).topLeft();
        QTest::mouseClick(box.get(), Qt::RightButton, {}, at); // does nothing
        for (bool checked : {true, false}) {
            QTest::mouseClick(box.get(), Qt::LeftButton, {}, at);
            QCOMPARE(box->Value(), checked);
            QCOMPARE(checkMarkShown(), checked);
            QCOMPARE(events, QStringList(checked ? 1 : 2, "Click"));
        }
        // It took the focus and shows its frame over its whole surface.
        QVERIFY(box->hasFocus() && box->shFoc()->isVisible());
        QCOMPARE(box->shFoc()->geometry(), box->rect());
    }

    void keys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("space") << int(Qt::Key_Space) << " " << QStringList{"Click", "KeyPress 32"};
        QTest::newRow("enter") << int(Qt::Key_Return) << "\r" << QStringList{"KeyPress 13"};
        QTest::newRow("letter") << int(Qt::Key_A) << "A" << QStringList{"KeyPress 65"};
        QTest::newRow("euro sign") << int(Qt::Key_E) << "€" << QStringList{"KeyPress 128"};
        QTest::newRow("arrow") << int(Qt::Key_Down) << "" << QStringList{};
    }
    void keys() {
        QFETCH(QStringList, expected);
        box->setFocus();
        QTest::sendKeyEvent(QTest::Click, box.get(), Qt::Key(fetch<int>("key")),
                            fetch<QString>("text"), {});
        QCOMPARE(events, expected);
        QVERIFY(box->Value() == expected.contains("Click") && checkMarkShown() == box->Value());
    }

    // Stored as "name=value;...": names in any letter case, values as texts.
    void storedPropertiesAndValue_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("value");
        QTest::addColumn<QString>("caption");
        QTest::newRow("all three") << "cAPTION=x;ENABLED=-1;value=True" << true << true << "x";
        QTest::newRow("no Enabled") << "Caption=y;Value=1" << false << true << "y";
        QTest::newRow("nothing") << "" << false << false << "";
        QTest::newRow("unreadable Value") << "Enabled=false;Value=ja" << false << false << "";
        QTest::newRow("unreadable Enabled") << "Enabled=ja;Value=0,5" << true << true << "";
    }
    void storedPropertiesAndValue() {
        ui::PropertyBag bag, saved;
        for (const QString& entry : fetch<QString>("stored").split(';', Qt::SkipEmptyParts))
            bag.WriteProperty(entry.section('=', 0, 0), entry.section('=', 1));
        for (const ui::PropertyBag* source : {&bag, &saved}) { // what is saved loads the same
            box->UserControl_ReadProperties(*source);
            QTEST(box->Caption(), "caption");
            QTEST(box->Enabled(), "enabled");
            QTEST(box->Value(), "value");
            box->UserControl_WriteProperties(saved);
        }
        QCOMPARE(checkMarkShown(), box->Value());
        QCOMPARE(captionBlack(), box->Enabled() && !box->Caption().isEmpty());
        // Writing Value shows the other box and raises no Click.
        QSignalSpy changed(box.get(), &chbox::PropertyChanged);
        box->setValue(!box->Value());
        QCOMPARE(checkMarkShown(), box->Value());
        QCOMPARE(changed, QList<QVariantList>{{"Value"}});
        QVERIFY(events.isEmpty());
    }
};

QTEST_MAIN(ChboxTest)
#include "tst_chbox.moc"
