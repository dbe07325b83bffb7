// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QWidget;

// What an operation that changes a chip is about to touch, named so that the user can
// tell it from the chip next to it.
struct SWriteTarget
{
    QString operation; // the verb on the accept button and in the title: "Erase"
    QString part;      // "24C02", "INA226 CONFIGURATION"
    QString address;   // as the window shows addresses: "0x50"
    QString adapter;   // the adapter's serial number
    QString detail;    // what exactly happens: "256 bytes from 0x0000 are set to 0xFF."
};

// Asks before an operation writes to a chip. The question names the part, the address and
// the adapter; Cancel is the default button, so Return and Escape take the safe answer.
// "Don't ask again for this session" holds for the same operation on the same target only.
namespace WriteConfirmation {

bool confirm(QWidget *parent, const SWriteTarget &target);
// Forgets every "don't ask again" choice (the program's choices live as long as it runs).
void forgetChoices();

} // namespace WriteConfirmation
