#include "base/clock.h"

namespace base {
namespace {
Clock::Source& source() {
    static Clock::Source s;
    return s;
}
} // namespace

QDateTime Clock::now() {
    return source() ? source()() : QDateTime::currentDateTime();
}

qint64 Clock::nowMSecsSinceEpoch() {
    return source() ? source()().toMSecsSinceEpoch() : QDateTime::currentMSecsSinceEpoch();
}

void Clock::set(Source s) {
    source() = std::move(s);
}

} // namespace base
