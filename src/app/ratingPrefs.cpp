#include "app/ratingPrefs.h"

#include "app/profileEdit.h"

namespace app {

base::Result<bool> writeRateAutomatically(const QString& configFile, bool on) {
    const ProfileSetting setting{QStringLiteral("Bewerten"), QStringLiteral("Automatisch"),
                                 on ? QStringLiteral("1") : QStringLiteral("0")};
    return writePrivateText(configFile, withSettings(readProfileText(configFile), {setting}));
}

} // namespace app
