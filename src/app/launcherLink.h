#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalSocket;

// The link between Notenschau and the launcher over a local socket in the
// user's runtime folder. One message per line, UTF-8:
//
//   LINK <application> <topic> <item>   client: send me the item's values
//   LINKED <item> | REFUSED <item>      launcher: the answer
//   VALUE <item> <text>                 launcher: the item's current value
//   EXECUTE <command>                   client: a command for the launcher
//   POKE <item> <text>                  sets the item's value
//   POKED <item>                        launcher: done
//
// Fields are separated by one blank; "%", blanks and control characters in
// a field are percent-encoded.
namespace launcher {

inline constexpr char kApplication[] = "ZorKuntaOffice";
inline constexpr char kTopic[] = "Talk";
inline constexpr char kItem[] = "txtNS";

// Longest line either side accepts; a longer one ends the connection.
inline constexpr qint64 kMaxLine = 16 * 1024;

// The launcher's socket: the user's runtime folder ($XDG_RUNTIME_DIR, else
// a folder of the user's own in the temporary folder) + "/ZorKuntaOffice".
QString socketPath();

struct Message {
    QString kind; // "LINK", "VALUE", ...
    QStringList fields;
    bool operator==(const Message&) const = default;
};

QByteArray encode(const Message& message);
// An unknown kind or a wrong number of fields gives a Message without kind.
Message decode(QByteArray line);

// The socket file is a socket owned by the current user.
bool ownedByCurrentUser(const QString& path);
// A folder that belongs to the current user and to nobody else.
bool privateFolder(const QString& path);
// The process at the other end of a connected socket runs as the current user.
bool peerIsCurrentUser(qintptr socketDescriptor);

// A member name as the launcher may send it: 1 to 64 characters, none of
// them a control character.
bool isMemberName(const QString& text);

// The client side: links to the launcher's item and sends it commands.
class LauncherLink : public QObject {
    Q_OBJECT
public:
    enum Mode { None = 0, Automatic = 1 };

    explicit LauncherLink(QObject* parent = nullptr);
    ~LauncherLink() override;

    // Connects and asks for the item. Returns at once: without a launcher
    // (or with one that is not the user's own) nothing happens; otherwise
    // the mode becomes Automatic when the launcher confirms.
    void open();
    // Ends the conversation; the mode is None again.
    void close();

    Mode linkMode() const { return m_mode; }
    bool isConnected() const;
    // The item's value as last received.
    QString text() const { return m_text; }

    // Sends a command while the mode is Automatic; false otherwise.
    bool execute(const QString& command);

signals:
    void linked();
    // The item's value changed; text() holds it.
    void changed();

private:
    void readLines();
    void drop();

    QLocalSocket* m_socket = nullptr;
    Mode m_mode = None;
    QString m_text;
};

} // namespace launcher
