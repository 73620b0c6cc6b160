#include "windowFixture.h"

#include "retrieval/clsTalmBewertungen.h"
#include "ui/controls/menuAdapter.h"
#include "ui/forms.h"
#include "ui/main/frmAnzeige.h"

#include <QAction>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

namespace testsupport {

bool WindowFixture::startSim(const QStringList& arguments) {
    retrieval::clsTalmBewertungen::Timing t = retrieval::clsTalmBewertungen::defaultTiming();
    t.http.retryWaitsMs = {50, 100};
    t.http.inactivityMs = 3000;
    t.http.deadlineMs = 10000;
    retrieval::clsTalmBewertungen::setDefaultTiming(t);
    retrieval::clsTalmBewertungen::clearTokenCache();
    sim = std::make_unique<marktsim::SimProcess>();
    if (sim->start(arguments))
        return true;
    qWarning("the simulator did not start: %s", qPrintable(sim->errorString()));
    return false;
}

void WindowFixture::openStore(const QString& user, const QByteArray& marktplatzLines,
                              const QByteArray& sections, const QByteArray& mainLines) {
    store = std::make_unique<StoreFixture>(
        user, marktplatz(sim->baseUrl()) + marktplatzLines + sections, mainLines);
}

ui::frmAnzeige& WindowFixture::openWindow(const QString& user, const QByteArray& marktplatzLines,
                                          const QByteArray& sections, const QByteArray& mainLines) {
    openStore(user, marktplatzLines, sections, mainLines);
    ui::frmAnzeige& w = ui::Form<ui::frmAnzeige>::get();
    w.Form_Load();
    return w;
}

void WindowFixture::closeAll() {
    ui::unloadOtherForms<ui::frmAnzeige>();
    ui::Form<ui::frmAnzeige>::unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    store.reset();
    sim.reset();
}

int WindowFixture::stat(const char* key) const {
    return sim->stats().value(QLatin1String(key)).toInt();
}

void WindowFixture::compareBoxes(const MessageBoxAnswerer& boxes,
                                 const QStringList& expected) const {
    QStringList shown;
    for (const app::MessageBoxRequest& r : boxes.shown)
        shown << QString::number(r.style) + '|' + r.text;
    QCOMPARE(shown.size(), expected.size());
    for (int i = 0; i < shown.size(); ++i) {
        const QString e = QString(expected[i])
                              .replace(QStringLiteral("{CONFIG}"), configFile())
                              .replace(QStringLiteral("{DB}"), store->databasePath());
        const QRegularExpression pattern(
            QRegularExpression::anchoredPattern(
                QRegularExpression::escape(e).replace(QStringLiteral("\\*"), QStringLiteral(".*"))),
            QRegularExpression::DotMatchesEverythingOption);
        // Boxes break their lines with \r alone.
        QVERIFY2(pattern.match(shown[i]).hasMatch() && !shown[i].contains('\n'),
                 qPrintable(shown[i]));
    }
}

void choose(ui::frmAnzeige& w, const char* key) {
    QPointer<QTimer> timer = w.findChild<QTimer*>(QStringLiteral("Timer1"));
    w.menu().action(QLatin1String(key))->trigger();
    QTRY_VERIFY(!timer || !timer->isActive());
}

} // namespace testsupport
