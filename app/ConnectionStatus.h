// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

struct SBusAdapterInfo;
class QLabel;
class QStatusBar;
class QWidget;

// The status bar's side of the connection: the state text, the connected adapter's product
// name, serial number, firmware and bus speed, whether the window shares it with other
// programs, and the program version at the right.
class ConnectionStatus : public QObject
{
    Q_OBJECT

public:
    // Builds the labels into `statusBar`; the window owns them through the status bar.
    ConnectionStatus(QStatusBar *statusBar, QWidget *window);

    // The adapter shown as connected, or with null the disconnected state (the adapter
    // labels keep their last texts, hidden).
    void show(const SBusAdapterInfo *adapter);
    // "shared, 2 clients" after the adapter while the window serves it; nothing otherwise.
    void showSharing(bool serving, int clients);

private:
    QLabel *m_statusLabel = nullptr;
    QWidget *m_infoWidget = nullptr;
    QLabel *m_productLabel = nullptr;
    QLabel *m_serialLabel = nullptr;
    QLabel *m_firmwareLabel = nullptr;
    QLabel *m_speedLabel = nullptr;
    QWidget *m_sharedSeparator = nullptr;
    QLabel *m_sharedLabel = nullptr;
    QLabel *m_versionLabel = nullptr;
};
