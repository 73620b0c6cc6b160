#pragma once

#include <array>
#include <QString>
#include <QStringList>

namespace errors {

// The trace of the procedures entered most recently: at most 20, newest first.
// Entering a procedure is on every hot path, so an entry stores the signature
// literal and the time; the item text is made only when someone reads it.
class CallTrace {
public:
    static constexpr int kCapacity = 20;

    // signature must be a string with static storage (a literal).
    void enter(const char* signature);
    // For texts made at run time; returns the item text.
    QString enter(const QString& signature);

    int size() const { return m_size; }
    QStringList items() const; // "hh:mm:ss " + signature, newest first
    void clear();

private:
    struct Entry {
        qint64 msecs = 0;
        const char* literal = nullptr;
        QString text;
    };
    Entry& push();
    static QString itemText(const Entry& e);

    std::array<Entry, kCapacity> m_ring{};
    int m_head = 0; // index of the newest entry
    int m_size = 0;
};

} // namespace errors
