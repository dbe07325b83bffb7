// SPDX-License-Identifier: MIT
#include "mainwindow.h"

#include "AdapterConnection.h"
#include "AdapterSharing.h"
#include "AddressField.h"
#include "CBusSession.h"
#include "EepromPanel.h"
#include "CWatchPart.h"
#include "ConnectionStatus.h"
#include "MainWindowShared.h"
#include "ReturnKeyHook.h"
#include "TransferFields.h"
#include "UserTransaction.h"
#include "aboutdialog.h"
#include "ui_mainwindow.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QSettings>
#include <QStatusBar>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString SETTINGS_WINDOW_GEOMETRY = u"window/geometry"_s;
const QString SETTINGS_WINDOW_STATE = u"window/state"_s;

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
    , m_session(std::make_unique<CBusSession>())
    , m_user(new UserTransaction(*m_session, this))
{
    ui->setupUi(this);
    setWindowTitle(tr("Vantrel I2C Tool"));

    setupOptionActions();
    setupTable();
    setupStatusBar();

    m_address =
        new AddressField(ui->cmb_i2c_device, ui->actionAddress7Bit, ui->actionAddress8Bit, this);
    connect(m_address, &AddressField::notationTriggered, this,
            &MainWindow::onAddressFormatTriggered);
    m_fields = std::make_unique<TransferFields>(
        TransferFields::SWidgets{ui->edit_write, ui->cmb_startstop, ui->spin_read}, *m_address,
        this);

    connect(ui->actionConnect, &QAction::triggered, this, &MainWindow::onConnect);
    connect(ui->actionDisconnect, &QAction::triggered, this, &MainWindow::onDisconnect);
    connect(ui->actionI2cSearch, &QAction::triggered, this, &MainWindow::onI2cSearch);
    connect(ui->actionAbout, &QAction::triggered, this, &MainWindow::onAbout);
    connect(ui->actionExit, &QAction::triggered, this, &QWidget::close);
    ui->actionExit->setShortcuts(QKeySequence::Quit);
    // Return in the read count reads, as Return in the write field writes.
    new ReturnKeyHook(ui->spin_read, [this] {
        ui->spin_read->interpretText();
        onRead();
    });
    connect(ui->btn_i2c_search, &QPushButton::clicked, this, &MainWindow::onI2cSearch);
    connect(ui->tbtn_write_clear, &QToolButton::clicked, ui->edit_write, &QLineEdit::clear);
    connect(ui->btn_write, &QPushButton::clicked, this, &MainWindow::onWrite);
    connect(ui->edit_write, &QLineEdit::returnPressed, this, &MainWindow::onWrite);
    connect(ui->btn_read, &QPushButton::clicked, this, &MainWindow::onRead);
    connect(ui->btn_write_read, &QPushButton::clicked, this, &MainWindow::onWriteRead);
    connect(ui->actionWriteRead, &QAction::triggered, this, &MainWindow::onWriteRead);
    connect(m_user, &UserTransaction::runningChanged, this, &MainWindow::setTransactionRunning);
    connect(m_session.get(), &CBusSession::stateChanged, this, &MainWindow::updateUiState);
    connect(m_session.get(), &CBusSession::connectionLost, this, &MainWindow::handleConnectionLost);

    m_sharing = new AdapterSharing(*m_session, ui->actionShareAdapter, this);
    connect(m_sharing, &AdapterSharing::sharingChanged, this, &MainWindow::showSharing);
    connect(m_sharing, &AdapterSharing::clientRecord, this, &MainWindow::addClientRow);
    connect(m_sharing, &AdapterSharing::statusMessage, this, &MainWindow::showStatusMessage);

    setupProjects();
    setupDocks();
    setupTabOrder();
    restoreWindowState();
    updateUiState();
}

MainWindow::~MainWindow()
{
    m_watch->shutdown();
    // The server answers its clients through the session, so it goes first.
    m_sharing->shutdown();
    // The session lets its worker finish, then releases the driver, which switches the
    // adapter's I2C function off: that must happen while everything else is still intact.
    m_session->disconnect(this);
    m_session.reset();
    delete ui;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Bytes edited in the EEPROM view but never programmed exist nowhere else.
    if (m_eeprom != nullptr && !m_eeprom->mayDiscardEdits(tr("Closing the window"))) {
        event->ignore();
        return;
    }
    // A transaction still running is cancelled and awaited: the window closes only once
    // the worker has let go of the adapter.
    m_watch->stop();
    m_user->cancelAndWait();
    QSettings settings;
    settings.setValue(SETTINGS_WINDOW_GEOMETRY, saveGeometry());
    settings.setValue(SETTINGS_WINDOW_STATE, saveState(0));
    QMainWindow::closeEvent(event);
}

void MainWindow::setupOptionActions()
{
    m_adapter = new AdapterConnection(*m_session,
                                      {{ui->actionSpeed10k, EI2cSpeed::Speed10k},
                                       {ui->actionSpeed50k, EI2cSpeed::Speed50k},
                                       {ui->actionSpeed100k, EI2cSpeed::Speed100k},
                                       {ui->actionSpeed400k, EI2cSpeed::Speed400k},
                                       {ui->actionSpeed1000k, EI2cSpeed::Speed1000k}},
                                      ui->actionPullUps, this);

    connect(m_adapter->speedGroup(), &QActionGroup::triggered, this, &MainWindow::onSpeedTriggered);
    connect(ui->actionPullUps, &QAction::triggered, this, &MainWindow::onPullUpsTriggered);
}

void MainWindow::setupTable()
{
    m_table = new COutputTable({ui->table_data, ui->cmb_bytes_per_line, ui->cmb_offset_format,
                                ui->actionCopyReport, ui->actionCopyData, ui->actionCopyDataAsShown,
                                ui->actionTableClear, ui->actionUndoClear, ui->actionShowTime,
                                ui->actionShowAscii, ui->actionSaveLog, ui->actionShowOrigin},
                               this);
    connect(m_table, &COutputTable::statusMessage, this, &MainWindow::showStatusMessage);
}

void MainWindow::setupTabOrder()
{
    // Row by row through the fields, then the table, then the projects dock; the other
    // docks follow in the order of the View menu.
    const QList<QWidget *> chain = {
        ui->cmb_i2c_device,     ui->btn_i2c_search,   ui->edit_write,        ui->tbtn_write_clear,
        ui->btn_write,          ui->tbtn_write_save,  ui->cmb_startstop,     ui->spin_read,
        ui->btn_read,           ui->tbtn_read_save,   ui->btn_write_read,    ui->btn_write_read_save,
        ui->cmb_bytes_per_line, ui->cmb_offset_format, ui->table_data,       ui->edit_projects_filter,
        ui->tree_projects,      ui->btn_projects_new, ui->btn_projects_reload, ui->btn_projects_folder};
    for (qsizetype i = 1; i < chain.size(); ++i)
        setTabOrder(chain.at(i - 1), chain.at(i));
}

void MainWindow::setupStatusBar()
{
    m_status = new ConnectionStatus(statusBar(), this);
}

void MainWindow::restoreWindowState()
{
    const QSettings settings;
    restoreGeometry(settings.value(SETTINGS_WINDOW_GEOMETRY).toByteArray());
    restoreState(settings.value(SETTINGS_WINDOW_STATE).toByteArray(), 0);
    ui->actionProjects->setChecked(!ui->dock_projects->isHidden());
}

void MainWindow::showStatusMessage(const QString &text)
{
    statusBar()->showMessage(text, STATUS_MESSAGE_MS);
}

void MainWindow::onAbout()
{
    AboutDialog dialog(this);
    dialog.exec();
}
