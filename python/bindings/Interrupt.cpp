// SPDX-License-Identifier: MIT
#include "Interrupt.h"

#include "CTransactionControl.h"

#include <atomic>
#include <pybind11/pybind11.h>

namespace {

// Read by the signal handler, so only lock-free atomics and what they guard.
std::atomic<CTransactionControl *> g_control{nullptr};
struct sigaction g_chained = {};
int g_depth = 0;
unsigned long g_mainThread = 0;

void OnInterrupt(int signal, siginfo_t *info, void *context)
{
    if (CTransactionControl *control = g_control.load())
        control->RequestCancel();
    if ((g_chained.sa_flags & SA_SIGINFO) != 0) {
        g_chained.sa_sigaction(signal, info, context);
    } else if (g_chained.sa_handler != SIG_DFL && g_chained.sa_handler != SIG_IGN) {
        g_chained.sa_handler(signal);
    }
}

} // namespace

void CInterruptScope::NoteMainThread()
{
    g_mainThread = PyThread_get_thread_ident();
}

CInterruptScope::CInterruptScope(CTransactionControl &control)
{
    if (PyThread_get_thread_ident() != g_mainThread)
        return;
    m_active = true;
    m_previous = g_control.exchange(&control);
    if (g_depth++ > 0)
        return;
    struct sigaction current = {};
    if (sigaction(SIGINT, nullptr, &current) != 0)
        return;
    // With the default action Ctrl+C ends the program anyway; an ignored one stays ignored.
    const bool function = (current.sa_flags & SA_SIGINFO) != 0 ||
                          (current.sa_handler != SIG_DFL && current.sa_handler != SIG_IGN);
    if (!function)
        return;
    g_chained = current;
    struct sigaction ours = {};
    ours.sa_sigaction = OnInterrupt;
    ours.sa_flags = SA_SIGINFO | (current.sa_flags & SA_RESTART);
    sigemptyset(&ours.sa_mask);
    m_installed = sigaction(SIGINT, &ours, nullptr) == 0;
}

CInterruptScope::~CInterruptScope()
{
    if (!m_active)
        return;
    if (--g_depth == 0 && m_installed)
        sigaction(SIGINT, &g_chained, nullptr);
    g_control.store(m_previous);
}

void CInterruptScope::RaisePending()
{
    if (PyErr_CheckSignals() != 0)
        throw pybind11::error_already_set();
}
