// SPDX-License-Identifier: MIT
#pragma once

// What the window benchmarks share: a shown main window on the offscreen platform, and
// a main() that keeps the window's settings in a private folder.
#include "BenchMain.h"
#include "mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <vector>

inline std::vector<unsigned char> BenchBytes(std::size_t count)
{
    std::vector<unsigned char> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7);
    return bytes;
}

// A shown main window with an empty table.
struct SBenchWindow
{
    MainWindow window;
    QTableWidget *table = nullptr;

    SBenchWindow()
    {
        window.show();
        table = window.findChild<QTableWidget *>(QStringLiteral("table_data"));
        Settle();
    }

    void Settle()
    {
        QCoreApplication::processEvents();
        table->viewport()->repaint();
    }

    void Fill(int rows, std::size_t bytesPerRow)
    {
        const std::vector<unsigned char> bytes = BenchBytes(bytesPerRow);
        for (int i = 0; i < rows; ++i)
            window.addTableRow(QStringLiteral("Read 0x50"), QStringLiteral("0x10"), bytes, false);
        Settle();
    }

    void ShowTime(bool shown)
    {
        window.findChild<QAction *>(QStringLiteral("actionShowTime"))->setChecked(shown);
        Settle();
    }

    void SetBytesPerLine(const QString &text)
    {
        auto *box = window.findChild<QComboBox *>(QStringLiteral("cmb_bytes_per_line"));
        box->setCurrentIndex(box->findText(text));
    }

    // Connects to the first adapter the dialog lists, at the checked speed.
    bool Connect()
    {
        QTimer::singleShot(0, qApp, [] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                dialog->accept();
        });
        window.findChild<QAction *>(QStringLiteral("actionConnect"))->trigger();
        return window.findChild<QAction *>(QStringLiteral("actionDisconnect"))->isEnabled();
    }
};

// The benchmark program's main(): settings written by the window go to a private
// folder, never the user's.
inline int RunWindowBenchmarks(int argc, char **argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    const QByteArray root = QDir(home.path()).absolutePath().toUtf8();
    qputenv("HOME", root);
    qputenv("XDG_CONFIG_HOME", root + "/.config");
    qputenv("XDG_DATA_HOME", root + "/.local/share");
    qputenv("XDG_DOCUMENTS_DIR", root + "/Documents");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brelmark"));
    QApplication::setApplicationName(QStringLiteral("vtl_i2c"));
    Q_INIT_RESOURCE(resources);

    return RunBenchmarks(argc, argv);
}
