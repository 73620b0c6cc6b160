#include "errors/systemInfo.h"

#include <sys/utsname.h>

namespace errors {

SystemInfo currentSystemInfo() {
    SystemInfo info;
    struct utsname u {};
    if (::uname(&u) == 0) {
        info.platform = QString::fromLocal8Bit(u.sysname);
        info.version = QString::fromLocal8Bit(u.release);
        info.build = QString::fromLocal8Bit(u.version);
    }
    return info;
}

QString LPSTRToVBString(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? QString() : text.left(nul);
}

} // namespace errors
