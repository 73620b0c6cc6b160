#pragma once

#include <functional>
#include <QDateTime>

namespace base {

// The program's notion of "now". Tests install a fixed or stepping clock.
class Clock {
public:
    using Source = std::function<QDateTime()>;

    static QDateTime now();
    static qint64 nowMSecsSinceEpoch();

    // Installs a replacement clock; an empty function restores the system clock.
    static void set(Source source);
};

} // namespace base
