#pragma once

#include "errors/runtimeError.h"

#include <exception>
#include <QString>
#include <utility>

namespace errors {

// How a procedure deals with a run-time error in one of its steps.
enum class Handling {
    Standard,      // the error dialog; the user's choice acts on the step
    SkipSilently,  // the failing step is passed over, no dialog
    PassOn,        // the error goes to the caller (whose step then fails)
    LeaveSilently, // the procedure is left at once, no dialog
};

// Thrown by a test's terminator in place of ending the process; never caught
// by a procedure.
struct ProgramEnded {};

// One running procedure. Its body is a sequence of steps; an error in a step
// is handled as the procedure's Handling says, and a choice in the error
// dialog acts on that step: retry it, go on with the next step, leave the
// procedure (every later step is skipped), or end the program.
//
//     Procedure p("[modData] Public Function read_Anzahl(sUser As String) As Long");
//     qint32 result = 0;
//     p.step([&] { ... });
//     p.step([&] { ... });
//     return result;
//
// The signature must be a string literal: it is kept, not copied.
class Procedure {
public:
    explicit Procedure(const char* signature, Handling handling = Handling::Standard);

    // A procedure that does not announce itself in the trace.
    static Procedure untraced(const char* signature, Handling handling);

    Procedure(const Procedure&) = delete;
    Procedure& operator=(const Procedure&) = delete;
    Procedure(Procedure&&) = default;

    // Runs one step. Returns false when the procedure has been left (before or
    // during this step): the caller of a loop breaks out then.
    template <class F> bool step(F&& body) {
        if (m_left)
            return false;
        ++m_line;
        for (;;) {
            try {
                body();
                return !m_left;
            } catch (...) {
                switch (failed(std::current_exception())) {
                case Outcome::Again:
                    continue;
                case Outcome::Next:
                    return true;
                case Outcome::Leave:
                    m_left = true;
                    m_leftOnError = true;
                    return false;
                }
            }
        }
    }

    // Leaves the procedure normally: every later step is skipped.
    void exit() { m_left = true; }
    bool active() const { return !m_left; }
    // Left because of an error (the dialog's "leave", or silently): what the
    // procedure set up for its later steps was not undone by them.
    bool leftOnError() const { return m_leftOnError; }

    // Changes the handling from here on (some procedures skip silently after
    // a certain point).
    void setHandling(Handling handling) { m_handling = handling; }

    // With Handling::PassOn: the source text put in front of a passed-on
    // error unless its source already names a procedure ("::").
    void setPassOnSource(const char* source) { m_passOnSource = source; }

    // The step number, used as the line of an error.
    int line() const { return m_line; }

    // "read_Anzahl" and "modData" from the signature.
    QString name() const;
    QString module() const;
    const char* signature() const { return m_signature; }

private:
    enum class Outcome { Again, Next, Leave };
    Procedure(const char* signature, Handling handling, bool traced);
    Outcome failed(const std::exception_ptr& error);

    const char* m_signature;
    Handling m_handling;
    const char* m_passOnSource = nullptr;
    int m_line = 0;
    bool m_left = false;
    bool m_leftOnError = false;
};

// The module and bare procedure name of a signature text such as
// "[frmAnzeige] Private Sub cmdnext_Click()".
QString signatureModule(const QString& signature);
QString signatureName(const QString& signature);

// Turns any exception into the program's run-time error.
RuntimeError asRuntimeError(const std::exception_ptr& error);

} // namespace errors
