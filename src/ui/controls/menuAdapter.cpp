#include "ui/controls/menuAdapter.h"

#include "errors/runtimeError.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace ui {

MenuAdapter::MenuAdapter(QMenuBar* bar, QObject* parent) : QObject(parent), m_bar(bar) {}

const MenuAdapter::Item* MenuAdapter::find(const QString& key) const {
    if (key.isEmpty())
        return nullptr;
    for (const Item& item : m_items)
        if (item.key == key)
            return &item;
    return nullptr;
}

int MenuAdapter::addItem(const QString& parent, const QString& key, int type,
                         const QString& caption, int shortcutModifiers, int shortcutKey) {
    Item item{key, parent, type, nullptr, nullptr};
    const int id = int(m_items.size()) + 1;
    if (parent.isEmpty()) {
        item.menu = m_bar->addMenu(caption);
        item.action = item.menu->menuAction();
    } else {
        const Item* owner = find(parent);
        if (!owner || !owner->menu)
            errors::raise(errors::RuntimeError::InvalidCall);
        if (type == Separator) {
            item.action = owner->menu->addSeparator();
        } else {
            item.action = owner->menu->addAction(caption);
            if (shortcutKey) {
                int mods = 0;
                if (shortcutModifiers & 1)
                    mods |= Qt::SHIFT;
                if (shortcutModifiers & 2)
                    mods |= Qt::CTRL;
                if (shortcutModifiers & 4)
                    mods |= Qt::ALT;
                item.action->setShortcut(QKeySequence(mods | shortcutKey));
            }
            connect(item.action, &QAction::triggered, this, [this, id] { emit itemClicked(id); });
        }
    }
    m_items.push_back(item);
    return id;
}

QAction* MenuAdapter::action(const QString& key) const {
    const Item* item = find(key);
    return item ? item->action : nullptr;
}

void MenuAdapter::enableItem(const QString& key, bool enabled) {
    const Item* item = find(key);
    if (!item)
        errors::raise(errors::RuntimeError::InvalidCall);
    item->action->setEnabled(enabled);
}

bool MenuAdapter::isEnabled(const QString& key) const {
    const Item* item = find(key);
    return item && item->action->isEnabled();
}

QString MenuAdapter::keyOf(int id) const {
    if (id < 1 || id > int(m_items.size()))
        return {};
    return m_items[size_t(id - 1)].key;
}

} // namespace ui
