// SPDX-License-Identifier: MIT
#include "WatchPanel.h"

#include "WatchPlot.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int MIN_INTERVAL_MS = 10;
constexpr int MAX_INTERVAL_MS = 3600000;
constexpr int DEFAULT_INTERVAL_MS = 500;
// A read brings at most 65,535 bytes, so the value starts at the last of them at most.
constexpr int MAX_OFFSET = 65534;
// A decimal number as C writes it: a dot as decimal mark, an optional exponent.
const QString C_NUMBER_PATTERN = u"[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?"_s;

QLineEdit *numberEdit(const QString &name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(C_NUMBER_PATTERN), edit));
    return edit;
}

QPushButton *button(const QString &name, const QString &text, const QString &icon, QWidget *parent)
{
    auto *result = new QPushButton(text, parent);
    result->setObjectName(name);
    if (!icon.isEmpty())
        result->setIcon(QIcon(icon));
    return result;
}

} // namespace

WatchPanel::WatchPanel(QWidget *parent)
    : QWidget(parent)
{
    createControls();
    createLayout();
    connectControls();
    setTarget(QString(), m_decoding);
}

void WatchPanel::createControls()
{
    m_targetLabel = new QLabel(this);
    m_targetLabel->setObjectName(u"label_watch_target"_s);
    m_targetLabel->setWordWrap(true);
    m_fromFieldsButton = button(u"btn_watch_from_fields"_s, tr("From Fields"), {}, this);

    m_intervalSpin = new QSpinBox(this);
    m_intervalSpin->setObjectName(u"spin_watch_interval"_s);
    m_intervalSpin->setRange(MIN_INTERVAL_MS, MAX_INTERVAL_MS);
    m_intervalSpin->setValue(DEFAULT_INTERVAL_MS);
    m_intervalSpin->setSuffix(tr(" ms"));
    m_intervalSpin->setGroupSeparatorShown(true);

    m_startButton =
        button(u"btn_watch_start"_s, tr("Start"), u":/icons/res/png/play-circle_32px.png"_s, this);
    m_stopButton =
        button(u"btn_watch_stop"_s, tr("Stop"), u":/icons/res/png/stop-circle_32px.png"_s, this);
    m_clearButton =
        button(u"btn_watch_clear"_s, tr("Clear"), u":/icons/res/png/restart-alt_32px.png"_s, this);
    m_exportButton = button(u"btn_watch_export"_s, tr("Export CSV..."), {}, this);
    m_saveDecodingButton = button(u"btn_watch_save_decoding"_s, tr("Save to Command"), {}, this);
    m_saveDecodingButton->setToolTip(tr("Store this decoding in the watched command's file"));

    m_offsetSpin = new QSpinBox(this);
    m_offsetSpin->setObjectName(u"spin_watch_offset"_s);
    m_offsetSpin->setRange(0, MAX_OFFSET);
    m_typeCombo = new QComboBox(this);
    m_typeCombo->setObjectName(u"cmb_watch_type"_s);
    for (const EValueType type : SValueDecoding::Types())
        m_typeCombo->addItem(SValueDecoding::TypeWord(type), int(type));
    m_scaleEdit = numberEdit(u"edit_watch_scale"_s, this);
    m_addEdit = numberEdit(u"edit_watch_add"_s, this);
    m_unitEdit = new QLineEdit(this);
    m_unitEdit->setObjectName(u"edit_watch_unit"_s);

    m_rawLabel = new QLabel(this);
    m_rawLabel->setObjectName(u"label_watch_raw"_s);
    m_rawLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_statsLabel = new QLabel(this);
    m_statsLabel->setObjectName(u"label_watch_stats"_s);
    m_statsLabel->setWordWrap(true);
    m_sourceNote = new QLabel(this);
    m_sourceNote->setObjectName(u"label_watch_source"_s);
    m_sourceNote->setWordWrap(true);
    m_sourceNote->setStyleSheet(u"color: #b05a00;"_s);
    m_sourceNote->hide();
    m_plot = new WatchPlot(this);
    m_plot->setObjectName(u"plot_watch"_s);
    m_plot->setLog(&m_log);
}

void WatchPanel::createLayout()
{
    auto *targetRow = new QHBoxLayout;
    targetRow->addWidget(m_targetLabel, 1);
    targetRow->addWidget(m_fromFieldsButton);

    auto *fields = new QGridLayout;
    const auto addField = [this, fields](int row, int column, const QString &text, QWidget *field) {
        auto *caption = new QLabel(text, this);
        caption->setBuddy(field);
        fields->addWidget(caption, row, 2 * column);
        fields->addWidget(field, row, 2 * column + 1);
    };
    addField(0, 0, tr("Offset"), m_offsetSpin);
    addField(0, 1, tr("Type"), m_typeCombo);
    addField(1, 0, tr("Scale"), m_scaleEdit);
    addField(1, 1, tr("Add"), m_addEdit);
    addField(2, 0, tr("Unit"), m_unitEdit);
    addField(2, 1, tr("Interval"), m_intervalSpin);
    fields->addWidget(m_saveDecodingButton, 3, 3, Qt::AlignRight);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_startButton);
    buttons->addWidget(m_stopButton);
    buttons->addWidget(m_clearButton);
    buttons->addStretch(1);
    buttons->addWidget(m_exportButton);

    auto *rawRow = new QHBoxLayout;
    rawRow->addWidget(new QLabel(tr("Raw:"), this));
    rawRow->addWidget(m_rawLabel, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(targetRow);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->addLayout(rawRow);
    layout->addWidget(m_statsLabel);
    layout->addWidget(m_sourceNote);
    layout->addWidget(m_plot, 1);
}

void WatchPanel::connectControls()
{
    connect(m_fromFieldsButton, &QPushButton::clicked, this, &WatchPanel::fromFieldsRequested);
    connect(m_startButton, &QPushButton::clicked, this, &WatchPanel::startRequested);
    connect(m_stopButton, &QPushButton::clicked, this, &WatchPanel::stopRequested);
    connect(m_clearButton, &QPushButton::clicked, this, &WatchPanel::clear);
    connect(m_exportButton, &QPushButton::clicked, this, &WatchPanel::onExport);
    connect(m_saveDecodingButton, &QPushButton::clicked, this, &WatchPanel::saveDecodingRequested);
    connect(m_offsetSpin, &QSpinBox::valueChanged, this, &WatchPanel::onDecodingEdited);
    connect(m_typeCombo, &QComboBox::currentIndexChanged, this, &WatchPanel::onDecodingEdited);
    for (QLineEdit *edit : {m_scaleEdit, m_addEdit, m_unitEdit})
        connect(edit, &QLineEdit::textChanged, this, &WatchPanel::onDecodingEdited);
}
