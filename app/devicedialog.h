// SPDX-License-Identifier: MIT
#pragma once

#include "CVtlAdapterAccess.h"
#include "VtlTypes.h"

#include <QDialog>
#include <QList>
#include <QTimer>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;

// Picks the adapter to connect to, the bus speed and, on the model that has them, the
// internal pull-ups. It connects nothing itself: the caller reads the three choices.
class DeviceDialog : public QDialog
{
    Q_OBJECT

public:
    // `speedActions` stay the caller's; each carries its speed code as data, and the
    // checked one is pre-selected.
    DeviceDialog(const QList<QAction *> &speedActions, bool pullUpsEnabled, QWidget *parent);

    // Makes the adapter current when it is listed, as the one the user worked with last.
    void preselect(const SVtlDeviceEntry &device);
    std::optional<SVtlDeviceEntry> selectedDevice() const;
    QAction *selectedSpeedAction() const;
    bool pullUpsEnabled() const;

public Q_SLOTS:
    void refresh();
    void updateDeviceOptions();

private:
    // Whether the adapter can be opened, asked once per adapter while the dialog is open.
    const SVtlAdapterAccess &accessOf(const SVtlDeviceEntry &device);
    void updateHint();
    // Refreshes when adapters were plugged in or out since the last refresh.
    void followAttachedAdapters();

    QComboBox *m_deviceBox = nullptr;
    QComboBox *m_speedBox = nullptr;
    QCheckBox *m_pullUpsBox = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    QList<QAction *> m_speedActions;
    std::vector<SVtlDeviceEntry> m_devices;
    QLabel *m_hintLabel = nullptr;
    QTimer m_pollTimer;
    std::map<std::pair<EVtlType, std::wstring>, SVtlAdapterAccess> m_access;
    // The serial numbers of the listed adapters that another program shares.
    std::set<std::wstring> m_shared;
};
