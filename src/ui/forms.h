#pragma once

#include <QPointer>
#include <QWidget>

namespace ui {

// A window that exists once: loaded on first use, destroyed when it closes,
// and loaded afresh, at its design state, by the next use.
template <class T> class Form {
public:
    static T& get() {
        if (!instance()) {
            T* w = new T();
            w->setAttribute(Qt::WA_DeleteOnClose);
            instance() = w;
        }
        return *instance();
    }
    static bool isLoaded() { return !instance().isNull(); }
    static void unload() {
        if (T* w = instance().data()) {
            instance() = nullptr;
            // Deleted later: unload may be called from the window's own handler.
            if (!w->close())
                w->hide();
            w->deleteLater();
        }
    }

private:
    static QPointer<T>& instance() {
        static QPointer<T> p;
        return p;
    }
};

} // namespace ui
