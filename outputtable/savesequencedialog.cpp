// SPDX-License-Identifier: MIT
#include "savesequencedialog.h"

#include "TableSequence.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

using namespace Qt::StringLiterals;

SaveSequenceDialog::SaveSequenceDialog(QList<TableCopy::SRow> rows, bool toProject, QWidget *parent)
    : QDialog(parent)
    , m_rows(std::move(rows))
{
    setWindowTitle(tr("Save as Sequence"));
    m_summary = new QLabel(this);
    m_summary->setObjectName(u"lbl_sequence_summary"_s);
    m_summary->setWordWrap(true);
    m_delays = new QCheckBox(tr("Keep the pauses between the rows as delays"), this);
    m_delays->setObjectName(u"chk_sequence_delays"_s);
    m_preview = new QPlainTextEdit(this);
    m_preview->setObjectName(u"edit_sequence_preview"_s);
    m_preview->setReadOnly(true);
    m_preview->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_toProject = buttons->addButton(tr("Save to Project..."), QDialogButtonBox::AcceptRole);
    m_toProject->setObjectName(u"btn_sequence_project"_s);
    m_toProject->setVisible(toProject);
    m_toFile = buttons->addButton(tr("Save to File..."), QDialogButtonBox::AcceptRole);
    m_toFile->setObjectName(u"btn_sequence_file"_s);
    connect(m_toProject, &QPushButton::clicked, this, [this] { finish(EDestination::Project); });
    connect(m_toFile, &QPushButton::clicked, this, [this] { finish(EDestination::File); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_delays, &QCheckBox::toggled, this, &SaveSequenceDialog::onDelaysToggled);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_delays);
    layout->addWidget(m_preview);
    layout->addWidget(buttons);
    onDelaysToggled();
}

void SaveSequenceDialog::onDelaysToggled()
{
    m_recording = TableSequence::FromRows(m_rows, m_delays->isChecked());
    const int used = int(m_rows.size()) - m_recording.skipped;
    QString summary = tr("%n selected row(s) become steps.", nullptr, used);
    if (m_recording.skipped > 0) {
        summary += u'\n' + tr("%n row(s) skipped: only writes, reads and write/reads that went "
                              "through can be sent again (not errors, searches or summaries).",
                              nullptr, m_recording.skipped);
    }
    m_summary->setText(summary);
    m_preview->setPlainText(m_recording.lines.join(u'\n'));
    m_toProject->setEnabled(!m_recording.lines.isEmpty());
    m_toFile->setEnabled(!m_recording.lines.isEmpty());
}

void SaveSequenceDialog::finish(EDestination destination)
{
    m_destination = destination;
    accept();
}
