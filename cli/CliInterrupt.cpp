// SPDX-License-Identifier: MIT
#include "CliInterrupt.h"

#include "CTransactionControl.h"

#include <atomic>
#include <csignal>

namespace CliInterrupt {

namespace {

std::atomic<CTransactionControl *> s_control{nullptr};
std::atomic<bool> s_interrupted{false};

static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler may only touch "
                                                      "lock-free atomics");
static_assert(std::atomic<CTransactionControl *>::is_always_lock_free,
              "a signal handler may only touch lock-free atomics");

extern "C" void OnSigint(int)
{
    s_interrupted.store(true);
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
    action.sa_handler = OnSigint;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
}

void Uninstall()
{
    s_control.store(nullptr);
    std::signal(SIGINT, SIG_DFL);
}

bool WasInterrupted()
{
    return s_interrupted.load();
}

} // namespace CliInterrupt
