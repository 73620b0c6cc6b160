#pragma once

#include <functional>
#include <QPointer>
#include <QWidget>
#include <vector>

namespace ui {

namespace detail {
// Unloaders of every window class used so far.
inline std::vector<void (*)()>& formRegistry() {
    static std::vector<void (*)()> r;
    return r;
}
} // namespace detail

// A window that exists once: loaded on first use, destroyed when it closes,
// and loaded afresh by the next use, so nothing of an earlier one carries over.
template <class T> class Form {
public:
    static T& get() {
        static const bool registered = [] {
            detail::formRegistry().push_back(&Form<T>::unload);
            return true;
        }();
        Q_UNUSED(registered);
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

// Unloads every window that is loaded, except the one given.
template <class Except> void unloadOtherForms() {
    for (void (*unload)() : detail::formRegistry())
        if (unload != &Form<Except>::unload)
            unload();
}

} // namespace ui
