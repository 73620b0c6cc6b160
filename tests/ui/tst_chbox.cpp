// The program's own check box, driven by the mouse and the keyboard.
#include "ui/controls/chbox.h"
#include "ui/controls/propertyBag.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>
#include <QVBoxLayout>

using ui::chbox;

class ChboxTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> window;
    chbox* box = nullptr;
    QLineEdit* other = nullptr;
    QStringList events;

    // Dark pixels inside the box: the check mark, as the user sees it.
    int markPixels() {
        const QRect inner = box->img(0)->geometry().adjusted(3, 3, -4, -4);
        const QImage shot = box->grab(inner).toImage();
        int dark = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                dark += qGray(shot.pixel(x, y)) < 100;
        return dark;
    }
    // The darkest pixel of the caption: black text, or greyed.
    int captionInk() {
        const QImage shot = box->grab(box->lbl()->geometry()).toImage();
        int ink = 255;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                ink = std::min(ink, qGray(shot.pixel(x, y)));
        return ink;
    }

private slots:
    void init() {
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        box = new chbox;
        other = new QLineEdit;
        layout->addWidget(box);
        layout->addWidget(other);
        box->setCaption(QStringLiteral("Negative Bewertungen"));
        events.clear();
        connect(box, &chbox::Click, this, [this] { events << QStringLiteral("Click"); });
        connect(box, &chbox::KeyPress, this,
                [this](int& KeyAscii) { events << QStringLiteral("KeyPress %1").arg(KeyAscii); });
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    void cleanup() { window.reset(); }

    void clickToggles_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<bool>("captionEnabled");
        for (bool enabled : {true, false}) {
            const char* state = enabled ? "enabled" : "greyed";
            for (const char* where : {"box", "caption", "surface"})
                QTest::addRow("%s, %s", where, state) << QString::fromLatin1(where) << enabled;
        }
    }
    void clickToggles() {
        QFETCH(QString, where);
        QFETCH(bool, captionEnabled);
        box->setCaptionEnabled(captionEnabled);
        const QPoint at = where == "box"       ? box->img(0)->geometry().center()
                          : where == "caption" ? box->lbl()->geometry().center()
                                               : QPoint(box->width() - 3, box->height() / 2);
        QCOMPARE(markPixels(), 0);
        QTest::mouseClick(box, Qt::LeftButton, {}, at);
        QVERIFY(box->Value());
        QVERIFY(markPixels() > 10);
        QCOMPARE(events, QStringList{"Click"});
        QTest::mouseClick(box, Qt::LeftButton, {}, at);
        QVERIFY(!box->Value());
        QCOMPARE(markPixels(), 0);
        QCOMPARE(events, QStringList({"Click", "Click"}));
        QTest::mouseClick(box, Qt::RightButton, {}, at);
        QCOMPARE(events.size(), 2);
        // The control keeps taking the focus and shows its frame over its whole surface.
        QVERIFY(box->hasFocus() && box->shFoc()->isVisible());
        QCOMPARE(box->shFoc()->geometry(), box->rect());
        other->setFocus();
        QVERIFY(!box->shFoc()->isVisible());
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
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        box->setFocus();
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key(key), text, {});
        QCOMPARE(events, expected);
        QCOMPARE(box->Value(), expected.contains("Click"));
    }

    void writingValueRaisesNoClick() {
        QSignalSpy changed(box, &chbox::PropertyChanged);
        box->setValue(true);
        QVERIFY(box->Value() && markPixels() > 10);
        box->setValue(false);
        QVERIFY(!box->Value() && markPixels() == 0);
        QVERIFY(events.isEmpty());
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.at(0).at(0).toString(), "Value");
    }

    void disabledCaptionIsGreyed() {
        const int black = captionInk();
        box->setCaptionEnabled(false);
        QVERIFY(!box->Enabled() && box->isEnabled());
        QVERIFY2(captionInk() > black + 60, qPrintable(QString::number(captionInk())));
    }

    void readProperties_data() {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("value");
        QTest::newRow("all three")
            << QVariantMap{{"Caption", "Neutrale"}, {"Enabled", true}, {"Value", true}}
            << "Neutrale" << true << true;
        QTest::newRow("any letter case, as texts")
            << QVariantMap{{"cAPTION", "x"}, {"ENABLED", "-1"}, {"value", "True"}} << "x" << true
            << true;
        QTest::newRow("no Enabled")
            << QVariantMap{{"Caption", "y"}, {"Value", 0}} << "y" << false << false;
        QTest::newRow("nothing") << QVariantMap{} << "" << false << false;
        QTest::newRow("unreadable Value is passed over")
            << QVariantMap{{"Caption", "z"}, {"Enabled", "false"}, {"Value", "ja"}} << "z" << false
            << false;
    }
    void readProperties() {
        QFETCH(QVariantMap, stored);
        QFETCH(QString, caption);
        QFETCH(bool, enabled);
        QFETCH(bool, value);
        ui::PropertyBag bag;
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            bag.WriteProperty(it.key(), it.value());
        box->UserControl_ReadProperties(bag);
        QCOMPARE(box->Caption(), caption);
        QCOMPARE(box->Enabled(), enabled);
        QCOMPARE(box->Value(), value);
        QCOMPARE(markPixels() > 10, value);
        QVERIFY(events.isEmpty());

        // Saved again, always all three, read back by any spelling.
        ui::PropertyBag saved;
        box->UserControl_WriteProperties(saved);
        QCOMPARE(saved.count(), 3);
        QCOMPARE(saved.ReadProperty("CAPTION").toString(), caption);
        QCOMPARE(saved.ReadProperty("enabled").toBool(), enabled);
        QCOMPARE(saved.ReadProperty("VaLuE").toBool(), value);
    }
};

QTEST_MAIN(ChboxTest)
#include "tst_chbox.moc"
