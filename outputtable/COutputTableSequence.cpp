// SPDX-License-Identifier: MIT
// Save as Sequence: the selected transfer rows as steps of a new project command or of a
// sequence file.
#include "COutputFile.h"
#include "COutputTable.h"
#include "TableSequence.h"
#include "savesequencedialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTableWidget>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString SEQUENCE_SUFFIX = u"i2cseq"_s;

} // namespace

void COutputTable::SetSequenceStore(std::function<void(const QStringList &)> store)
{
    m_sequenceStore = std::move(store);
}

void COutputTable::onSaveAsSequence()
{
    const QList<int> indexes = selectedRows();
    if (indexes.isEmpty())
        return;
    QWidget *window = m_ui.table->window();
    SaveSequenceDialog dialog(rows(indexes), bool(m_sequenceStore), window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QStringList lines = dialog.lines();
    if (dialog.destination() == SaveSequenceDialog::EDestination::Project) {
        m_sequenceStore(lines);
        return;
    }

    const QString title = tr("Save as Sequence");
    const QString suggested =
        QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
            .filePath(u"sequence."_s + SEQUENCE_SUFFIX);
    QString path =
        QFileDialog::getSaveFileName(window, title, suggested, tr("Sequence files (*.i2cseq)"));
    if (path.isEmpty())
        return;
    // An existing stream or device keeps its name; a new name gets the suffix.
    const QFileInfo typed(path);
    if (typed.suffix().isEmpty() && !(typed.exists() && !typed.isFile())) {
        path += (path.endsWith(u'.') ? QString() : u"."_s) + SEQUENCE_SUFFIX;
        if (QFileInfo::exists(path) &&
            QMessageBox::question(window, title,
                                  tr("%1 already exists.\nDo you want to replace it?")
                                      .arg(QDir::toNativeSeparators(path))) != QMessageBox::Yes)
            return;
    }
    COutputFile file(path);
    if (!file.Write(TableSequence::FileText(lines).toUtf8())) {
        QMessageBox::critical(window, title,
                              tr("Could not save the file:\n%1\n\n%2")
                                  .arg(QDir::toNativeSeparators(path), file.GetLastError()));
        return;
    }
    Q_EMIT statusMessage(tr("Sequence saved to %1").arg(QDir::toNativeSeparators(path)));
}
