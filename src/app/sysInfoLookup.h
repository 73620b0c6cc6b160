#pragma once

#include <optional>
#include <QString>
#include <QStringList>

// What the about box reads from the system to find a system-information
// program, as two values under keys in the style of a registry.
namespace app {

inline constexpr qint32 HKEY_LOCAL_MACHINE = qint32(0x80000002u);

// The desktop's own system-information program: the first of
// systemInfoPrograms() found in PATH, as a full path.
inline constexpr char kSysInfoKey[] = "Desktop\\SystemInfo";
inline constexpr char kSysInfoValue[] = "PATH";
// The folder where a site may put its own program named kSysInfoProgram:
// the program folder's Bin folder.
inline constexpr char kToolsKey[] = "Notenschau\\Tools";
inline constexpr char kToolsValue[] = "SYSINFO";
inline constexpr char kSysInfoProgram[] = "systeminfo";

// The programs tried, in this order.
QStringList systemInfoPrograms();

// The value of a key below a root; none for an unknown root, key or value
// (compared without regard to case) or a program that is not there.
std::optional<QString> registryValue(qint32 root, const QString& key, const QString& value);

} // namespace app
