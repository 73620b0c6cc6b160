#include "storeFixture.h"

#include "app/modGlobal.h"
#include "store/modData.h"
#include "store/schema.h"

namespace testsupport {

StoreFixture::StoreFixture(const QString& standardUser, const QByteArray& extraSections,
                           const QByteArray& mainLines) {
    modGlobal::resetGlobals();
    store::createDatabase(databasePath());
    m_folder.writeConfig("[Main]\nDatabase=" + databasePath().toUtf8() + "\n" + mainLines +
                         "[User]\nUsername=" + standardUser.toUtf8() + "\n" + extraSections);
    modData::InitDB();
}

StoreFixture::~StoreFixture() {
    modGlobal::resetGlobals();
}

void StoreFixture::addRatings(const QString& user, int n, const QDateTime& newest,
                              const QList<int>& kinds, bool foreign) {
    auto batch = modData::beginBatch();
    for (int i = 0; i < n; ++i) {
        const qint16 kind = qint16(kinds.at(i % kinds.size()));
        const QString date =
            newest.addSecs(-3600LL * i).toString(QStringLiteral("dd.MM.yyyy hh:mm"));
        QString artikel = QString::number(100000 + i);
        const QString text = QStringLiteral("Bewertung %1").arg(i + 1);
        const bool saved =
            foreign
                ? modData::save_BewertungenTemp(kind, text, QStringLiteral("V"), date,
                                                QStringLiteral("geber%1").arg(i), artikel, user, 0)
                : modData::save_Bewerungen(kind, text, QStringLiteral("V"), date,
                                           QStringLiteral("geber%1").arg(i), artikel, user, 0);
        if (!saved)
            qFatal("StoreFixture: rating %d of %s not stored", i, qPrintable(user));
    }
    batch.commit();
}

} // namespace testsupport
