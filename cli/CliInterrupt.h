// SPDX-License-Identifier: MIT
#pragma once

class CTransactionControl;

// Ctrl+C for the command-line program: the first SIGINT asks the running transaction to
// stop at its next report (the program then switches the adapter off and exits 130); a
// second one ends the program at once, as the handler resets itself.
namespace CliInterrupt {

// Installs the handler; `control` (may be null) receives the cancel request. Call
// Uninstall() before `control` goes away.
void Install(CTransactionControl *control);
void Uninstall();
bool WasInterrupted();

} // namespace CliInterrupt
