#pragma once

#include <QString>
#include <string>

namespace store {

// A file beside the database ("<database>.offen") that every connection that
// may write to it holds a shared lock on while it is open. The last one to
// close cleanly removes it. A marker that is there but held by nobody was
// left by a connection that never closed (the process was killed, the
// machine went down), so the file deserves a full check before it is
// trusted again. Locks end with their process, however it ends.
class OpenMarker {
public:
    // Takes a share of the marker, making it when it is not there; held()
    // tells whether that worked (errno says why not).
    explicit OpenMarker(const QString& databasePath);
    OpenMarker(const OpenMarker&) = delete;
    OpenMarker& operator=(const OpenMarker&) = delete;
    // Lets go of the marker and leaves it where it is.
    ~OpenMarker();

    bool held() const { return m_fd >= 0; }
    // The marker was there and held by nobody when it was taken.
    bool wasLeft() const { return m_left; }
    // A clean close: removes the marker unless another connection holds it.
    void release();

private:
    std::string m_path; // encoded once: release() may run when the process ends
    int m_fd = -1;
    bool m_left = false;
};

} // namespace store
