#include "app/sysInfoLookup.h"

#include "base/programFolder.h"

#include <QStandardPaths>

namespace app {

QStringList systemInfoPrograms() {
    return {QStringLiteral("kinfocenter"),         QStringLiteral("gnome-system-monitor"),
            QStringLiteral("mate-system-monitor"), QStringLiteral("xfce4-taskmanager"),
            QStringLiteral("hardinfo2"),           QStringLiteral("hardinfo")};
}

std::optional<QString> registryValue(qint32 root, const QString& key, const QString& value) {
    auto is = [](const QString& a, const char* b) {
        return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
    };
    if (root != HKEY_LOCAL_MACHINE)
        return std::nullopt;
    if (is(key, kSysInfoKey) && is(value, kSysInfoValue)) {
        for (const QString& program : systemInfoPrograms()) {
            const QString path = QStandardPaths::findExecutable(program);
            if (!path.isEmpty())
                return path;
        }
        return std::nullopt;
    }
    if (is(key, kToolsKey) && is(value, kToolsValue))
        return base::inProgramFolder(QStringLiteral("Bin"));
    return std::nullopt;
}

} // namespace app
