#include "app/ratingPrefs.h"

#include "app/profileEdit.h"
#include "app/profileFile.h"
#include "app/vbConvert.h"

namespace app {

namespace {
const QString kBewerten = QStringLiteral("Bewerten");
const QString kAutomatisch = QStringLiteral("Automatisch");
const QString kVorlagen = QStringLiteral("Bewertungsvorlagen");
constexpr int kDefaultTemplates = 3;
} // namespace

RatingPrefs readRatingPrefs(const QString& configFile) {
    const ProfileFile ini = ProfileFile::load(configFile);
    RatingPrefs prefs;
    // Anything that is no Boolean leaves it off: rating on its own needs a clear yes.
    prefs.automatisch = toBoolean(ini.value(kBewerten, kAutomatisch, {})).value_or(false);
    for (int n = 1;; ++n) {
        const std::optional<QString> text =
            ini.value(kVorlagen, QStringLiteral("Vorlage%1").arg(n));
        if (!text && n > kDefaultTemplates)
            break;
        prefs.vorlagen << text.value_or(QString());
    }
    return prefs;
}

base::Result<bool> writeRateAutomatically(const QString& configFile, bool on) {
    return writePrivateText(
        configFile,
        withSettings(readProfileText(configFile),
                     {{kBewerten, kAutomatisch, on ? QStringLiteral("1") : QStringLiteral("0")}}));
}

} // namespace app
