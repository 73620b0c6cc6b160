#include "app/applicationKeys.h"

#include "app/profileFile.h"

#include <QtGlobal>

namespace app {

namespace {
constexpr char kVariable[] = "NOTENSCHAU_ANWENDUNG";
}

QString applicationKeysPath(const QString& configured) {
    if (QString named = qEnvironmentVariable(kVariable); !named.isEmpty())
        return named;
    return configured.isEmpty() ? QStringLiteral("/etc/notenschau/anwendung.ini") : configured;
}

QString configuredKeysFile(const ProfileFile& config) {
    return config.value(QStringLiteral("Marktplatz"), QStringLiteral("Anwendung"), QString())
        .trimmed();
}

void useApplicationKeysFile(const QString& path) {
    // The environment carries it to the programs started from here as well.
    qputenv(kVariable, path.toLocal8Bit());
}

ApplicationKeys readApplicationKeys(const ProfileFile& file) {
    const auto key = [&file](const char* name) {
        return file.value(QStringLiteral("Anwendung"), QLatin1String(name), QString()).trimmed();
    };
    return {key("ClientId"), key("ClientSecret"), key("RuName"), key("ApiUrl"), key("AnmeldeUrl")};
}

} // namespace app
