// SPDX-License-Identifier: MIT
#include "DiscardQuestion.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace DiscardQuestion {

bool confirm(QWidget *dialog)
{
    return QMessageBox::question(
               dialog, dialog->windowTitle(),
               QCoreApplication::translate("DiscardQuestion", "Discard the changes?"),
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

} // namespace DiscardQuestion
