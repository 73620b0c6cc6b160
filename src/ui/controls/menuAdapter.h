#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;

namespace ui {

// The window's menu bar behind the operations the main window needs: add an
// item, enable an item by key, a click notification with the item's id, and
// the key of an id.
class MenuAdapter : public QObject {
    Q_OBJECT
public:
    enum ItemType { TopLevel = 0, Command = 1, Separator = 3 };
    // Shortcut modifier values: 1 Shift, 2 Ctrl, 4 Alt.
    explicit MenuAdapter(QMenuBar* bar, QObject* parent = nullptr);

    // parent: empty for a top-level item, else the parent's key. Returns the
    // new item's id; throws a run-time error for an unknown parent.
    int addItem(const QString& parent, const QString& key, int type, const QString& caption,
                int shortcutModifiers = 0, int shortcutKey = 0);
    void enableItem(const QString& key, bool enabled);
    bool isEnabled(const QString& key) const;
    QString keyOf(int id) const;
    int itemCount() const { return int(m_items.size()); }
    QAction* action(const QString& key) const;

signals:
    void itemClicked(int id);

private:
    struct Item {
        QString key;
        QString parent;
        int type = Command;
        QAction* action = nullptr;
        QMenu* menu = nullptr;
    };
    const Item* find(const QString& key) const;

    QMenuBar* m_bar;
    std::vector<Item> m_items; // id = index + 1
};

} // namespace ui
