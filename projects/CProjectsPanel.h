// SPDX-License-Identifier: MIT
#pragma once

#include "CI2cDeviceFile.h"
#include "DeviceFolder.h"
#include "SI2cCommand.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class CProjectsFilterModel;
class CProjectsModel;
class QAbstractButton;
class QEvent;
class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPoint;
class QTreeView;
class QWidget;

// The projects dock: every device file of the projects folder as a filterable tree of devices
// and their commands, kept in step with the folder on disk, with the editing of devices and
// commands. A controller, not a widget: it drives widgets that the main window's form owns.
//
// Editing never holds an index into the device list across a modal window (menu, dialog,
// message box), since the file watcher may reload the folder while one is open: an operation
// names its device by file path and its command by content, reads the file again once the
// window has closed and changes what is on disk then, or gives up with a message.
class CProjectsPanel : public QObject
{
    Q_OBJECT

public:
    // The dock's widgets; not owned.
    struct SWidgets
    {
        QTreeView *tree = nullptr;
        QLineEdit *filter = nullptr;
        QLabel *description = nullptr;
        QAbstractButton *newButton = nullptr;
        QAbstractButton *reloadButton = nullptr;
        QAbstractButton *folderButton = nullptr;
    };

    CProjectsPanel(const SWidgets &widgets, std::function<QString(unsigned char)> formatAddress,
                   std::function<std::optional<unsigned char>(const QString &)> parseAddress,
                   std::function<std::optional<unsigned char>()> currentAddress, QWidget *parent);

    QString GetFolder() const;
    void SetFolder(const QString &folder);
    static QString DefaultFolder();
    // Registers one more device file (a resource path) that the very first start copies into
    // an empty projects folder beside the built-in example. Call before the panel is created.
    static void AddFirstStartExample(const QString &resourcePath);
    // Saves a command configured in the main window into the current device, asking for a
    // label (and for a new device when none is current).
    void AddCommand(SI2cCommand command);
    // The devices of the folder as loaded last.
    const QList<CI2cDeviceFile> &GetDevices() const { return m_devices; }
    // Writes `file` into the folder as a new device under a file name of its own (and a
    // device name of its own: " (0x41)" and then a number are added when the name is taken)
    // and selects it; the new file's path, or empty after a message when it failed.
    QString AddDevice(CI2cDeviceFile file);
    // Makes the device of that file the current row.
    void SelectDevice(const QString &path);
    // Shows the device addresses again, in the notation now in force.
    void RefreshAddresses();
    // Gives the command of the device at `address` that equals `command` the decoding, in
    // its file; the command as stored, or nothing (with a message) when it is gone.
    std::optional<SI2cCommand> SetCommandValue(unsigned char address, const SI2cCommand &command,
                                               const SValueDecoding &value);

protected:
    // Return on a stored command runs it, as a double click does.
    bool eventFilter(QObject *watched, QEvent *event) override;

Q_SIGNALS:
    void deviceSelected(unsigned char address);
    void commandSelected(unsigned char address, const SI2cCommand &command);
    void commandExecuteRequested(unsigned char address, const SI2cCommand &command);
    // The context menu's "Watch" on a read or write/read command.
    void commandWatchRequested(unsigned char address, const SI2cCommand &command);
    // The device of the current row (a device or one of its commands) is the file at
    // `path` now; empty when the current row belongs to no device.
    void currentDeviceChanged(const QString &path);

private Q_SLOTS:
    void reload();
    void onFilterChanged(const QString &text);
    void onClicked(const QModelIndex &index);
    void onDoubleClicked(const QModelIndex &index);
    void onCurrentChanged(const QModelIndex &index);
    void onContextMenu(const QPoint &pos);
    void onNewDevice();
    void onOpenFolder();
    void onExpandedChanged();

private:
    // A label chosen for a command, with the device file as it was on disk once the prompt
    // closed and the position of the command being renamed in it (-1 for a new command).
    struct SLabelChoice
    {
        CI2cDeviceFile file;
        QString label;
        int command = -1;
    };

    // A row of the tree by what it shows: a device file and a command position (-1 for the
    // device row itself or an error row).
    struct SRowKey
    {
        QString path;
        int command = -1;
    };

    void prepareFolder();
    void rebuildModel();
    void selectItem(const QString &filePath, int commandIndex);
    int deviceIndexAt(const QModelIndex &index) const;
    int commandIndexAt(const QModelIndex &index) const;

    int createDevice();
    bool editDevice(CI2cDeviceFile &file, bool isNew);
    void showDeviceProperties(int device);
    bool saveDevice(const CI2cDeviceFile &file);
    void deleteDevice(int device);
    std::optional<QString> promptLabel(const QString &title, const QString &prompt,
                                       const QString &text, const CI2cDeviceFile &file,
                                       int exceptIndex);
    void renameCommand(int device, int command);
    void deleteCommand(int device, int command);
    void moveCommand(int device, int command, int delta);
    void editCommand(int device, int command);
    // "New Sequence..." and "Add Command...": a new command of the device, entered in its
    // dialog and appended to the device's file.
    void newCommand(int device, bool sequence);
    // The device a sequence made of log rows goes to: the one at the address its transfers
    // name, else the user's choice; -1 when the user cancelled or there is no device.
    int sequenceTarget(const SI2cCommand &command);
    bool isDeviceNameTaken(const QString &name, const QString &excludePath) const;
    QString uniqueFilePath(const QString &name) const;
    void deleteErrorFile(const QString &path);

    // Finding things again after a modal window.
    void reloadIfPending();
    std::optional<CI2cDeviceFile> readDeviceAgain(const QString &path);
    std::optional<CI2cDeviceFile> readSameDevice(const CI2cDeviceFile &before);
    static bool isSameDevice(const CI2cDeviceFile &a, const CI2cDeviceFile &b);
    int findDevice(const QString &path) const;
    static int findCommand(const CI2cDeviceFile &file, const SI2cCommand &command, int hint);
    std::optional<SLabelChoice> chooseLabel(const QString &title, const QString &prompt,
                                            QString text, CI2cDeviceFile file,
                                            const SI2cCommand *renamed, int command);
    void warnChangedMeanwhile(const QString &title, const QString &path);
    void warnLabelTaken(const QString &title, const QString &label, const QString &device);
    bool isCommand(int device, int command) const;

    void updateWatcher();
    void saveExpanded() const;
    void restoreExpanded();
    void expandAllRows();
    void followCurrentRow();

    SWidgets m_widgets;
    std::function<QString(unsigned char)> m_formatAddress;
    std::function<std::optional<unsigned char>(const QString &)> m_parseAddress;
    std::function<std::optional<unsigned char>()> m_currentAddress;
    QWidget *m_dialogParent = nullptr;
    CProjectsModel *m_model = nullptr;
    CProjectsFilterModel *m_proxy = nullptr;
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer m_reloadTimer;
    QString m_folder;
    QList<CI2cDeviceFile> m_devices;
    QList<SRefusedDeviceFile> m_fileErrors;
    QSet<QString> m_expanded;
    bool m_restoringExpanded = false;
    // The row the user last made current, kept while the filter hides it so that it becomes
    // current again when it is shown again.
    SRowKey m_currentRow;
};
