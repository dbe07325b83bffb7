// SPDX-License-Identifier: MIT
#include "CliInterrupt.h"

#include "CTransactionControl.h"

#include <atomic>
#include <csignal>
#include <cstdio>

namespace CliInterrupt {

namespace {

std::atomic<CTransactionControl *> s_control{nullptr};
std::atomic<bool> s_interrupted{false};
std::atomic<int> s_signal{SIGINT};
constexpr int SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler may only touch "
                                                      "lock-free atomics");
static_assert(std::atomic<int>::is_always_lock_free,
              "a signal handler may only touch lock-free atomics");
static_assert(std::atomic<CTransactionControl *>::is_always_lock_free,
              "a signal handler may only touch lock-free atomics");

extern "C" void OnSignal(int number)
{
    if (!s_interrupted.exchange(true))
        s_signal.store(number);
    // RequestCancel is one store to a lock-free atomic, which is safe in a handler.
    CTransactionControl *control = s_control.load();
    if (control != nullptr)
        control->RequestCancel();
}

} // namespace

void Install(CTransactionControl *control)
{
    s_control.store(control);
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (const int number : SIGNALS) {
        // A signal the caller ignores stays ignored: a shell starts a background job with
        // SIGINT ignored, and a Ctrl+C meant for the foreground must not end it.
        struct sigaction previous = {};
        if (sigaction(number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        sigaction(number, &action, nullptr);
    }
}

void Uninstall()
{
    s_control.store(nullptr);
    for (const int number : SIGNALS) {
        struct sigaction current = {};
        if (sigaction(number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN)
            continue;
        std::signal(number, SIG_DFL);
    }
}

bool WasInterrupted()
{
    return s_interrupted.load();
}

int ExitStatus()
{
    return 128 + s_signal.load();
}

void DieIfInterrupted()
{
    if (!WasInterrupted())
        return;
    const int number = s_signal.load();
    std::fflush(nullptr);
    std::signal(number, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, number);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    std::raise(number);
}

} // namespace CliInterrupt
