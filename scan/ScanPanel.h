// SPDX-License-Identifier: MIT
#pragma once

#include "ScanCells.h"

#include <QWidget>

#include <cstdint>
#include <vector>

class QPushButton;
class QTableWidget;

// The Bus Scan dock's content: the 8 x 16 grid of addresses laid out as the command line's
// detect grid (rows 0x00 to 0x70, columns 0 to F), the Scan and Identify buttons and a
// cell's context menu. It asks for work through its signals.
class ScanPanel : public QWidget
{
    Q_OBJECT

public:
    explicit ScanPanel(QWidget *parent = nullptr);

    // The 128 cells, by address.
    void showCells(const std::vector<SScanCell> &cells);
    void setIdentifyEnabled(bool enabled);

Q_SIGNALS:
    void scanRequested();
    void identifyRequested();
    void useAddressRequested(std::uint8_t address);
    void addToProjectsRequested(std::uint8_t address);
    void showRegistersRequested(std::uint8_t address);
    // The user wants Identify to read ID registers at `address` even where a part that can
    // sit there takes the register address as a command.
    void allowAnyByteRequested(std::uint8_t address);

private Q_SLOTS:
    void onContextMenu(const QPoint &pos);

private:
    QTableWidget *m_table = nullptr;
    QPushButton *m_scan = nullptr;
    QPushButton *m_identify = nullptr;
};
