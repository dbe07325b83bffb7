// SPDX-License-Identifier: MIT
#pragma once

#include <csignal>

class CTransactionControl;

// Ctrl+C while a call waits on the bus with the GIL released. Python only runs its signal
// handlers on the main thread between bytecodes, which a thread blocked on the bus never
// reaches; so while a scope lives on the main thread, SIGINT first asks the scope's control
// to stop the running job at its next report and then goes on to the handler that was
// installed (Python's, which marks the signal for the interpreter). Once the job has
// stopped, RaisePending runs Python's handler, which raises KeyboardInterrupt (or whatever
// the program's own handler does). On other threads a scope does nothing, as Python
// delivers signals to the main thread only.
class CInterruptScope
{
public:
    explicit CInterruptScope(CTransactionControl &control);
    ~CInterruptScope();

    CInterruptScope(const CInterruptScope &) = delete;
    CInterruptScope &operator=(const CInterruptScope &) = delete;

    // Runs the Python signal handlers of a pending signal; throws their exception. Call with
    // the GIL held, after the job has ended.
    static void RaisePending();

    // Called once at import, on the thread that Python treats as its main thread.
    static void NoteMainThread();

private:
    bool m_active = false;
    bool m_installed = false;
    CTransactionControl *m_previous = nullptr;
};
