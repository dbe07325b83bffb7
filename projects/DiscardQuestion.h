// SPDX-License-Identifier: MIT
#pragma once

class QWidget;

// The question before a dialog with edits closes without keeping them.
namespace DiscardQuestion {

// True when the user agrees to lose the edits of `dialog`; No is the default answer.
bool confirm(QWidget *dialog);

} // namespace DiscardQuestion
