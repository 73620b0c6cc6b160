#pragma once

#include <QFileDevice>
#include <QString>

// Files and folders that hold ratings or what was done with them: only
// their owner may read them, whatever the umask.
namespace base {

inline constexpr QFileDevice::Permissions kPrivateFile =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Makes a new, empty file of mode 0600; fails when the name is taken.
// errno tells why on failure.
bool createPrivateFile(const QString& path);

// Makes the folder with mode 0700 when it is not there (its parents as
// usual); an existing folder keeps its mode.
bool makePrivateFolder(const QString& path);

// Whether group or others may read the file.
bool readableByOthers(const QString& path);

// A warning line for a database file that others may read; empty when they
// may not.
QString readableByOthersWarning(const QString& path);

} // namespace base
