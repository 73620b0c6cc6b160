#include "store/lineStoring.h"

#include "app/modGlobal.h"
#include "app/msgBox.h"
#include "app/vbConvert.h"
#include "store/modData.h"

namespace lineStoring {
namespace {

const QString kUnknown = QStringLiteral("???");

bool commitOrSay(modData::Batch& batch) {
    if (batch.commit())
        return true;
    app::MsgBox(QStringLiteral("Die neuen Bewertungen konnten nicht in die Datenbank geschrieben "
                               "werden. Es wurde nichts davon gespeichert; die gespeicherten "
                               "Bewertungen sind unverändert."),
                app::vbCritical | app::vbOKOnly);
    return false;
}

} // namespace

qint16 ratingValue(const QString& field) {
    return app::CInt(app::CLng(field));
}

bool storeOwn(errors::Procedure& p, const Progress& progress) {
    using namespace modGlobal;
    auto batch = modData::beginBatch();
    const QStringList lines = colNeueBewertungen;
    for (qint32 i = 1; i <= lines.size(); ++i) {
        const bool going = p.step([&] {
            const QStringList f = lines.at(i - 1).split(kSeparator);
            if (f.size() < 6)
                errors::raise(errors::RuntimeError::SubscriptOutOfRange);
            const qint16 value = ratingValue(f.at(0));
            const QString member = f.at(4).isEmpty() ? kUnknown : f.at(4);
            modData::save_Bewerungen(value, f.at(1), f.at(2), f.at(3), member, f.at(5),
                                     sStandardUser, i, f.value(6));
            if (progress)
                progress(i);
        });
        if (!going)
            return commitOrSay(batch);
    }
    p.step([&] {
        const qint32 stored = modData::read_Anzahl(sStandardUser);
        for (qint32 j = 1; j <= lAnzahlBewertungen - stored; ++j)
            modData::save_Bewerungen(0, kPlaceholderText, kUnknown,
                                     QStringLiteral("01.01.1970 00:00"), kUnknown, kUnknown,
                                     sStandardUser, j);
    });
    return commitOrSay(batch);
}

bool storeForeign(errors::Procedure& p, const Progress& progress,
                  const std::function<void()>& yield) {
    using namespace modGlobal;
    auto batch = modData::beginBatch();
    const QStringList lines = colNeueBewertungen;
    for (qint32 i = 1; i <= lines.size(); ++i) {
        const bool going = p.step([&] {
            const QString& line = lines.at(i - 1);
            if (line.contains(kSeparator)) {
                const QStringList f = line.split(kSeparator);
                const qint16 value = ratingValue(f.at(0));
                const QString member = f.value(4).isEmpty() ? kUnknown : f.value(4);
                QString artikel = f.value(5);
                modData::save_BewertungenTemp(value, f.value(1), f.value(2), f.value(3), member,
                                              artikel, sFremdUser, i, f.value(6));
            }
            if (yield)
                yield();
            if (progress)
                progress(i);
        });
        if (!going)
            break;
    }
    return commitOrSay(batch);
}

} // namespace lineStoring
