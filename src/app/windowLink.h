#pragma once

#include <optional>
#include <QByteArray>
#include <QString>

// What other processes of a program folder tell its open window, over a
// local socket of the user's own: one command per line, UTF-8.
//
//   NEU      the store changed: read the page shown again
//   ZEIGEN   come to the front
//   NEUESTE  come to the front with the newest own ratings (a notice's "Anzeigen")
namespace app {

enum class WindowCommand { Neu, Zeigen, Neueste };

// Longest line the window reads; a longer one ends the connection.
inline constexpr qint64 kMaxWindowLine = 256;

QByteArray encodeWindowCommand(WindowCommand command);
// A line without its end; nullopt: no command of ours.
std::optional<WindowCommand> decodeWindowCommand(QByteArray line);

// The socket of the window of that program folder, in the user's runtime
// folder: two folders never share one.
QString windowSocketPath(const QString& programFolder);

// Hands the command to the window of that folder when one listens; an
// absent window is no error. Waits at most timeoutMs. True when it was sent.
bool sendToWindow(const QString& programFolder, WindowCommand command, int timeoutMs = 500);

} // namespace app
