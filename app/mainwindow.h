#pragma once

#include "SI2cCommand.h"

#include <QMainWindow>
#include <QTimer>

#include <cstdint>
#include <memory>

class CProjectsPanel;
class CVtlI2c;
class QAction;
class QActionGroup;
class QCloseEvent;
class QLabel;
class QPoint;

namespace Ui {
class MainWindow;
}

// The one window of the tool: address and byte input, the output table, the adapter
// connection and the projects dock.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // What copyTableRows puts on the clipboard.
    enum class ETableCopy
    {
        Report = 0,
        Data = 1,
        DataAsShown = 2,
    };

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    MainWindow(const MainWindow &) = delete;
    MainWindow &operator=(const MainWindow &) = delete;

protected:
    void closeEvent(QCloseEvent *event) override;

private Q_SLOTS:
    void onConnect();
    void onDisconnect();
    void onI2cSearch();
    void onWrite();
    void onRead();
    void onAbout();
    void onSpeedTriggered(QAction *action);
    void onPullUpsTriggered(bool checked);
    void onAddressFormatTriggered();
    void onPresenceTimer();
    void onLoadCommand(uint8_t address, const SI2cCommand &command);
    void onExecuteCommand(uint8_t address, const SI2cCommand &command);
    void onWriteSave();
    void onReadSave();
    void onProjectsFolder();
    void onBytesPerLineChanged();
    void onTableContextMenu(const QPoint &pos);

private:
    void setupOptionActions();
    void setupTable();
    void setupStatusBar();
    void setupProjects();
    void restoreWindowState();

    void updateUiState();
    bool isConnected() const;

    QString formatAddress(unsigned char address) const;
    bool isAddress8Bit() const;

    void copyTableRows(ETableCopy mode);

    Ui::MainWindow *ui = nullptr;
    std::unique_ptr<CVtlI2c> m_i2c;
    QTimer m_presenceTimer;
    QActionGroup *m_speedGroup = nullptr;
    QActionGroup *m_addressGroup = nullptr;
    CProjectsPanel *m_projects = nullptr;
    bool m_address8Bit = false;
    QLabel *m_statusLabel = nullptr;
    QWidget *m_infoWidget = nullptr;
    QLabel *m_productLabel = nullptr;
    QLabel *m_serialLabel = nullptr;
    QLabel *m_firmwareLabel = nullptr;
    QLabel *m_versionLabel = nullptr;
};
