// SPDX-License-Identifier: MIT
#include "WriteConfirmation.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>

namespace {

QSet<QString> &confirmedTargets()
{
    static QSet<QString> targets;
    return targets;
}

QString targetKey(const SWriteTarget &target)
{
    return QStringList{target.operation, target.part, target.address, target.adapter}.join(
        QChar(u'\x1f'));
}

} // namespace

namespace WriteConfirmation {

bool confirm(QWidget *parent, const SWriteTarget &target)
{
    const QString key = targetKey(target);
    if (confirmedTargets().contains(key))
        return true;

    QMessageBox box(QMessageBox::Warning, target.operation,
                    QObject::tr("%1 %2 at %3 on adapter %4?")
                        .arg(target.operation, target.part, target.address, target.adapter),
                    QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("writeConfirmation"));
    box.setInformativeText(target.detail);
    QPushButton *accept = box.addButton(target.operation, QMessageBox::AcceptRole);
    accept->setObjectName(QStringLiteral("confirmButton"));
    QPushButton *cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    auto *again = new QCheckBox(QObject::tr("Don't ask again for this session"), &box);
    again->setObjectName(QStringLiteral("dontAskAgain"));
    box.setCheckBox(again);
    box.exec();
    if (box.clickedButton() != accept)
        return false;
    if (again->isChecked())
        confirmedTargets().insert(key);
    return true;
}

void forgetChoices()
{
    confirmedTargets().clear();
}

} // namespace WriteConfirmation
