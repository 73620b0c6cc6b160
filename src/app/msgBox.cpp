#include "app/msgBox.h"

#include <cstdio>

namespace app {
namespace {
MessageBoxPresenter*& presenter() {
    static MessageBoxPresenter* p = nullptr;
    return p;
}
} // namespace

QString applicationTitle() {
    return QStringLiteral("Notenschau");
}

int defaultButton(int style) {
    static const int sets[6][3] = {{vbOK, vbOK, vbOK},           {vbOK, vbCancel, vbCancel},
                                   {vbAbort, vbRetry, vbIgnore}, {vbYes, vbNo, vbCancel},
                                   {vbYes, vbNo, vbNo},          {vbRetry, vbCancel, vbCancel}};
    const int set = style & 0x0F;
    if (set > 5)
        return vbOK;
    const int which = (style & vbDefaultButton3) ? 2 : (style & vbDefaultButton2) ? 1 : 0;
    return sets[set][which];
}

int MsgBox(const QString& prompt, int style, const QString& title) {
    MessageBoxRequest request{prompt, style, title.isEmpty() ? applicationTitle() : title};
    if (presenter())
        return presenter()->show(request);
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(request.title), qUtf8Printable(prompt));
    return defaultButton(style);
}

MessageBoxPresenter* setMessageBoxPresenter(MessageBoxPresenter* p) {
    MessageBoxPresenter* previous = presenter();
    presenter() = p;
    return previous;
}

} // namespace app
