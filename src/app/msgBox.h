#pragma once

#include <QString>

namespace app {

// Button sets, icons and default-button flags, combined with "|" as the
// program's messages are written.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
};

enum MsgBoxResult : int {
    vbOK = 1,
    vbCancel = 2,
    vbAbort = 3,
    vbRetry = 4,
    vbIgnore = 5,
    vbYes = 6,
    vbNo = 7,
};

struct MessageBoxRequest {
    QString text;
    int style = vbOKOnly;
    QString title; // already resolved: the application title when none was given

    int buttons() const { return style & 0x0F; }
    int icon() const { return style & 0xF0; }
};

// Whoever shows message boxes: the GUI's dialog, a headless tool's console,
// or a test's answerer.
class MessageBoxPresenter {
public:
    virtual ~MessageBoxPresenter() = default;
    virtual int show(const MessageBoxRequest& request) = 0;
};

// Shows a message box and returns the button pressed. Without a presenter the
// message goes to stderr and the default button is returned.
int MsgBox(const QString& prompt, int style = vbOKOnly, const QString& title = {});

// Installs a presenter (not owned); returns the previous one. nullptr restores
// the console fallback.
MessageBoxPresenter* setMessageBoxPresenter(MessageBoxPresenter* presenter);

// The title every message box carries when it has none of its own.
QString applicationTitle();

// The button a box returns when nobody chooses: its default button.
int defaultButton(int style);

} // namespace app
