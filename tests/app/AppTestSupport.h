// SPDX-License-Identifier: MIT
#pragma once

#include "CSimAdapter.h"
#include "CSimBus.h"
#include "ReportLines.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QStringList>
#include <QTableWidget>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

// One message box as the user saw it.
struct SSeenBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool windowConnected = false; // Disconnect was enabled while the box was up
    QString detail;               // the informative text under the message
};

// Answers every modal window that comes up while it lives: message boxes are recorded
// and closed with OK, other dialogs go to `onDialog` (accepted when it is not set).
// It polls, so it also catches boxes that a timer opens long after the test's action.
class CModalWatcher : public QObject
{
public:
    std::function<void(QDialog *)> onDialog;
    std::function<bool()> isConnected;
    QList<SSeenBox> boxes;
    int dialogs = 0;

    CModalWatcher()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { Poll(); });
        m_timer.start();
    }

private:
    void Poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal == nullptr || m_handled.contains(modal))
            return;
        m_handled << modal;
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            boxes << SSeenBox{box->windowTitle(), box->text(), box->icon(),
                              isConnected ? isConnected() : false, box->informativeText()};
            box->done(QMessageBox::Ok);
        } else if (auto *dialog = qobject_cast<QDialog *>(modal)) {
            ++dialogs;
            if (onDialog)
                onDialog(dialog);
            else
                dialog->accept();
        }
    }

    QTimer m_timer;
    QList<QPointer<QWidget>> m_handled;
};

inline QStringList ReportLines(const std::shared_ptr<CSimAdapter> &adapter)
{
    return ReportLines(adapter->GetSpecialReports());
}

template <typename T>
T *Child(const QObject &root, const QString &name)
{
    T *child = root.findChild<T *>(name);
    if (child == nullptr)
        qFatal("no child %s", qPrintable(name));
    return child;
}

inline QAction *ActionOf(const QObject &window, const char *name)
{
    return Child<QAction>(window, QString::fromLatin1(name));
}

// The texts of one output table row: type, flags and data (columns 0 to 2; the time
// column after them has texts of its own).
inline QStringList RowTexts(const QTableWidget &table, int row)
{
    QStringList texts;
    for (int column = 0; column < 3; ++column) {
        const QTableWidgetItem *item = table.item(row, column);
        texts << (item ? item->text() : QStringLiteral("<none>"));
    }
    return texts;
}

// Selects the device list entry with this text in the adapter dialog, sets the rest as
// the handler wants it and presses OK.
inline std::function<void(QDialog *)> ChooseDevice(const QString &entry,
                                                   std::function<void(QDialog *)> adjust = {})
{
    return [entry, adjust](QDialog *dialog) {
        auto *devices = dialog->findChild<QComboBox *>(QStringLiteral("cmb_device"));
        if (devices != nullptr)
            devices->setCurrentIndex(devices->findText(entry));
        if (adjust)
            adjust(dialog);
        auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        buttons->button(QDialogButtonBox::Ok)->click();
    };
}

// Connects the window to the adapter listed under `entry` in the adapter dialog.
inline bool ConnectWindow(QObject &window, CModalWatcher &watcher, const QString &entry,
                          std::function<void(QDialog *)> adjust = {})
{
    watcher.onDialog = ChooseDevice(entry, std::move(adjust));
    ActionOf(window, "actionConnect")->trigger();
    watcher.onDialog = {};
    return ActionOf(window, "actionDisconnect")->isEnabled();
}
