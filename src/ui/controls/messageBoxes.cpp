#include "ui/controls/messageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

namespace ui {
namespace {
struct ButtonDef {
    int result;
    QMessageBox::StandardButton button;
};

std::vector<ButtonDef> buttonsOf(int set) {
    switch (set) {
    case app::vbOKCancel:
        return {{app::vbOK, QMessageBox::Ok}, {app::vbCancel, QMessageBox::Cancel}};
    case app::vbAbortRetryIgnore:
        return {{app::vbAbort, QMessageBox::Abort},
                {app::vbRetry, QMessageBox::Retry},
                {app::vbIgnore, QMessageBox::Ignore}};
    case app::vbYesNoCancel:
        return {{app::vbYes, QMessageBox::Yes},
                {app::vbNo, QMessageBox::No},
                {app::vbCancel, QMessageBox::Cancel}};
    case app::vbYesNo:
        return {{app::vbYes, QMessageBox::Yes}, {app::vbNo, QMessageBox::No}};
    case app::vbRetryCancel:
        return {{app::vbRetry, QMessageBox::Retry}, {app::vbCancel, QMessageBox::Cancel}};
    default:
        return {{app::vbOK, QMessageBox::Ok}};
    }
}

QMessageBox::Icon iconOf(int icon) {
    switch (icon) {
    case app::vbCritical:
        return QMessageBox::Critical;
    case app::vbQuestion:
        return QMessageBox::Question;
    case app::vbExclamation:
        return QMessageBox::Warning;
    case app::vbInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QString germanCaption(QMessageBox::StandardButton b) {
    switch (b) {
    case QMessageBox::Yes:
        return QStringLiteral("&Ja");
    case QMessageBox::No:
        return QStringLiteral("&Nein");
    case QMessageBox::Cancel:
        return QStringLiteral("Abbrechen");
    case QMessageBox::Abort:
        return QStringLiteral("&Abbrechen");
    case QMessageBox::Retry:
        return QStringLiteral("&Wiederholen");
    case QMessageBox::Ignore:
        return QStringLiteral("&Ignorieren");
    default:
        return QStringLiteral("OK");
    }
}
} // namespace

int QtMessageBoxPresenter::show(const app::MessageBoxRequest& request) {
    QMessageBox box(iconOf(request.icon()), request.title, request.text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    const std::vector<ButtonDef> defs = buttonsOf(request.buttons());
    const int defaultIndex = (request.style & app::vbDefaultButton3)   ? 2
                             : (request.style & app::vbDefaultButton2) ? 1
                                                                       : 0;
    for (size_t i = 0; i < defs.size(); ++i) {
        QPushButton* b = box.addButton(defs[i].button);
        b->setText(germanCaption(defs[i].button));
        if (int(i) == std::min<int>(defaultIndex, int(defs.size()) - 1))
            box.setDefaultButton(b);
    }
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const ButtonDef& d : defs)
        if (d.button == clicked)
            return d.result;
    // Closed by the window frame: the answer of the Cancel or only button.
    return defs.size() == 1 ? defs.front().result : app::vbCancel;
}

} // namespace ui
