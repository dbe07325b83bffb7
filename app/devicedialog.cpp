// SPDX-License-Identifier: MIT
#include "devicedialog.h"

#include "BusServerDirectory.h"
#include "CVtlDeviceFactory.h"
#include "I2cTypes.h"
#include "SAdapterCapabilities.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int DEVICE_MIN_CONTENTS = 24;
// As often as the main window looks for a lost adapter.
constexpr int POLL_INTERVAL_MS = 1000;

EI2cSpeed speedOf(const QAction *action)
{
    return static_cast<EI2cSpeed>(action->data().toInt());
}

} // namespace

DeviceDialog::DeviceDialog(const QList<QAction *> &speedActions, bool pullUpsEnabled,
                           QWidget *parent)
    : QDialog(parent)
    , m_speedActions(speedActions)
{
    setWindowTitle(tr("Select device"));

    m_deviceBox = new QComboBox(this);
    m_deviceBox->setObjectName(u"cmb_device"_s);
    m_deviceBox->setMinimumContentsLength(DEVICE_MIN_CONTENTS);
    auto *refreshButton = new QPushButton(tr("Refresh"), this);
    refreshButton->setObjectName(u"btn_refresh"_s);
    auto *deviceRow = new QHBoxLayout;
    deviceRow->addWidget(m_deviceBox, 1);
    deviceRow->addWidget(refreshButton, 0);

    m_speedBox = new QComboBox(this);
    m_speedBox->setObjectName(u"cmb_speed"_s);
    for (const QAction *action : m_speedActions) {
        m_speedBox->addItem(action->text());
        if (action->isChecked())
            m_speedBox->setCurrentIndex(m_speedBox->count() - 1);
    }

    m_pullUpsBox = new QCheckBox(tr("Internal pull-ups"), this);
    m_pullUpsBox->setObjectName(u"chk_pullups"_s);
    m_pullUpsBox->setChecked(pullUpsEnabled);
    m_pullUpsBox->setToolTip(tr("Internal pull-up resistors on SDA/SCL (VantrelB only). Switch "
                                "off for external pull-ups or lower voltage levels."));

    auto *form = new QFormLayout;
    form->addRow(tr("Device"), deviceRow);
    form->addRow(tr("I2C speed"), m_speedBox);
    form->addRow(new QLabel(this), m_pullUpsBox);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->setObjectName(u"buttonBox"_s);

    // Shown only when no listed adapter can be used, telling what to do about it.
    m_hintLabel = new QLabel(this);
    m_hintLabel->setObjectName(u"label_hint"_s);
    m_hintLabel->setWordWrap(true);
    m_hintLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_hintLabel->hide();

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_hintLabel);
    layout->addWidget(m_buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(refreshButton, &QPushButton::clicked, this, &DeviceDialog::refresh);
    connect(m_deviceBox, &QComboBox::currentIndexChanged, this, &DeviceDialog::updateDeviceOptions);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_pollTimer.setInterval(POLL_INTERVAL_MS);
    connect(&m_pollTimer, &QTimer::timeout, this, [this] { followAttachedAdapters(); });
    m_pollTimer.start();

    refresh();
}

const SVtlAdapterAccess &DeviceDialog::accessOf(const SVtlDeviceEntry &device)
{
    const auto key = std::make_pair(device.type, device.serial);
    auto known = m_access.find(key);
    if (known == m_access.end())
        known = m_access.emplace(key, CVtlAdapterAccess::Check(device.type, device.serial)).first;
    return known->second;
}

void DeviceDialog::updateHint()
{
    const SVtlAdapterAccess *refused = nullptr;
    for (const SVtlDeviceEntry &device : m_devices) {
        const SVtlAdapterAccess &checked = accessOf(device);
        if (checked.access == EVtlAccess::Usable || checked.access == EVtlAccess::NotFound ||
            m_shared.contains(device.serial)) {
            m_hintLabel->hide();
            return;
        }
        // A permission problem is named before any other: it has a fix.
        if (refused == nullptr || checked.access == EVtlAccess::PermissionDenied)
            refused = &checked;
    }
    if (refused == nullptr) {
        m_hintLabel->setText(tr("No adapter is attached. Plug one in: it appears in the list as "
                                "soon as the system reports it."));
    } else if (refused->access == EVtlAccess::PermissionDenied) {
        m_hintLabel->setText(tr("The adapter cannot be opened: permission denied.\n%1")
                                 .arg(QString::fromStdString(CVtlAdapterAccess::PermissionHint())));
    } else {
        m_hintLabel->setText(
            tr("The adapter cannot be opened:\n%1").arg(QString::fromStdString(refused->error)));
    }
    m_hintLabel->show();
}

void DeviceDialog::followAttachedAdapters()
{
    const std::vector<SVtlDeviceEntry> attached = CVtlDeviceFactory::EnumerateDevices();
    const auto same = [](const SVtlDeviceEntry &a, const SVtlDeviceEntry &b) {
        return a.type == b.type && a.serial == b.serial;
    };
    if (!std::equal(attached.begin(), attached.end(), m_devices.begin(), m_devices.end(), same))
        refresh();
}

void DeviceDialog::preselect(const SVtlDeviceEntry &device)
{
    const auto found =
        std::find_if(m_devices.begin(), m_devices.end(), [&device](const SVtlDeviceEntry &entry) {
            return entry.type == device.type && entry.serial == device.serial;
        });
    if (found != m_devices.end())
        m_deviceBox->setCurrentIndex(int(found - m_devices.begin()));
}

std::optional<SVtlDeviceEntry> DeviceDialog::selectedDevice() const
{
    const int index = m_deviceBox->currentIndex();
    if (index < 0 || index >= static_cast<int>(m_devices.size()))
        return std::nullopt;
    return m_devices[static_cast<std::size_t>(index)];
}

QAction *DeviceDialog::selectedSpeedAction() const
{
    const int index = m_speedBox->currentIndex();
    if (index < 0 || index >= m_speedActions.size())
        return nullptr;
    return m_speedActions.at(index);
}

bool DeviceDialog::pullUpsEnabled() const
{
    return m_pullUpsBox->isChecked();
}

void DeviceDialog::refresh()
{
    const QString remembered = m_deviceBox->currentText();
    m_devices = CVtlDeviceFactory::EnumerateDevices();

    m_deviceBox->blockSignals(true);
    m_deviceBox->clear();
    m_shared.clear();
    for (const SVtlDeviceEntry &device : m_devices) {
        const SAdapterCapabilities *model = SAdapterCapabilities::OfModel(device.type);
        const QString typeName = model ? QString::fromStdWString(model->typeName) : QString();
        QString entry = tr("%1  SN %2").arg(typeName, QString::fromStdWString(device.serial));
        // Connecting to a shared adapter goes through the program that shares it.
        if (const auto owner = BusServerDirectory::FindServer(device.serial)) {
            m_shared.insert(device.serial);
            entry += tr("  (shared by %1 (pid %2))")
                         .arg(QString::fromStdString(owner->program))
                         .arg(owner->pid);
        } else if (accessOf(device).access == EVtlAccess::PermissionDenied) {
            entry += tr("  (no permission)");
        }
        m_deviceBox->addItem(entry);
    }
    // A list that holds entries always has one of them current, never the placeholder:
    // the remembered adapter when it is still attached, otherwise the first.
    const int again = m_deviceBox->findText(remembered, Qt::MatchExactly | Qt::MatchCaseSensitive);
    m_deviceBox->setCurrentIndex(again >= 0 ? again : (m_deviceBox->count() > 0 ? 0 : -1));
    m_deviceBox->blockSignals(false);

    const bool any = m_deviceBox->count() > 0;
    m_deviceBox->setEnabled(any);
    m_deviceBox->setPlaceholderText(tr("No device found"));
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(any);
    updateHint();
    updateDeviceOptions();
}

void DeviceDialog::updateDeviceOptions()
{
    auto *model = qobject_cast<QStandardItemModel *>(m_speedBox->model());
    if (model == nullptr)
        return;

    const std::optional<SVtlDeviceEntry> device = selectedDevice();
    const SAdapterCapabilities *capabilities =
        device ? SAdapterCapabilities::OfModel(device->type) : nullptr;

    int index100k = -1;
    for (int i = 0; i < m_speedActions.size(); ++i) {
        const EI2cSpeed speed = speedOf(m_speedActions.at(i));
        if (QStandardItem *item = model->item(i))
            item->setEnabled(capabilities == nullptr || capabilities->IsSpeedSupported(speed));
        if (speed == EI2cSpeed::Speed100k)
            index100k = i;
    }
    const QStandardItem *current = model->item(m_speedBox->currentIndex());
    if (current != nullptr && !current->isEnabled() && index100k >= 0)
        m_speedBox->setCurrentIndex(index100k);

    m_pullUpsBox->setEnabled(capabilities != nullptr && capabilities->hasPullUpSwitch);
}
