// SPDX-License-Identifier: MIT
#pragma once

class CTransactionControl;

// Ctrl+C, SIGTERM and SIGHUP for the command-line program: the first of them asks the
// running transaction to stop at its next report; the program then switches the adapter
// off, prints what it has, and dies by that signal (DieIfInterrupted), so that a shell loop
// or make stops too. A second one ends the program at once, as the handler resets itself.
namespace CliInterrupt {

// Installs the handler; `control` (may be null) receives the cancel request. Call
// Uninstall() before `control` goes away.
void Install(CTransactionControl *control);
void Uninstall();
bool WasInterrupted();
// 128 + the number of the signal that interrupted the program (130 after a Ctrl+C).
int ExitStatus();
// After an interrupt: flushes the streams and raises the signal again with its default
// action, which ends the process. Returns (doing nothing) when there was no interrupt.
// Call it last, once everything is cleaned up.
void DieIfInterrupted();

} // namespace CliInterrupt
