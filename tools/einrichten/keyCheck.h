#pragma once

#include "setup.h"

#include <functional>
#include <memory>

namespace retrieval {
class clsTalmBewertungen;
}

namespace setup {

// Asks the marketplace, with the given keys, for the member's count of
// ratings: one token request and one count request. The answer arrives
// later from the event loop; destroying the check drops it.
class KeyCheck {
public:
    using Done = std::function<void(const Outcome&)>;

    KeyCheck();
    ~KeyCheck();
    KeyCheck(const KeyCheck&) = delete;
    KeyCheck& operator=(const KeyCheck&) = delete;

    // The values must have passed checkLocally.
    void start(const Values& values, Done done);

private:
    void end(const Outcome& outcome);

    std::unique_ptr<retrieval::clsTalmBewertungen> m_source;
    Done m_done;
    QString m_member;
    qint32 m_total = 0;
};

// The same check, waited for in an event loop of its own.
Outcome checkKeys(const Values& values);

} // namespace setup
