// SPDX-License-Identifier: MIT
#include "mainwindow.h"

#include "CTransactionRunner.h"
#include "CVtlI2c.h"
#include "EventHook.h"
#include "I2cTypes.h"
#include "MainWindowShared.h"
#include "VtlVersion.h"
#include "aboutdialog.h"
#include "ui_mainwindow.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QSettings>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString SETTINGS_WINDOW_GEOMETRY = u"window/geometry"_s;
const QString SETTINGS_WINDOW_STATE = u"window/state"_s;

constexpr int PRESENCE_INTERVAL_MS = 1000;
constexpr int STATUS_SPACING = 12;
constexpr int ADDRESS_MIN_CONTENTS = 6;
constexpr int READ_COUNT_MAX = 65535;

QFrame *newSeparator(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    setWindowTitle(tr("Vantrel I2C Tool"));

    setupOptionActions();
    setupTable();
    setupStatusBar();

    ui->cmb_i2c_device->setEditable(true);
    ui->cmb_i2c_device->setInsertPolicy(QComboBox::NoInsert);
    ui->cmb_i2c_device->lineEdit()->setPlaceholderText(formatAddress(PLACEHOLDER_ADDRESS));
    ui->cmb_i2c_device->setMinimumContentsLength(ADDRESS_MIN_CONTENTS);
    ui->edit_write->setPlaceholderText(tr("Hex bytes without address, e.g. 01 A5 FF"));
    ui->spin_read->setRange(1, READ_COUNT_MAX);
    ui->spin_read->setValue(1);
    m_presenceTimer.setInterval(PRESENCE_INTERVAL_MS);

    connect(ui->actionConnect, &QAction::triggered, this, &MainWindow::onConnect);
    connect(ui->actionDisconnect, &QAction::triggered, this, &MainWindow::onDisconnect);
    connect(ui->actionI2cSearch, &QAction::triggered, this, &MainWindow::onI2cSearch);
    connect(ui->actionAbout, &QAction::triggered, this, &MainWindow::onAbout);
    connect(ui->actionExit, &QAction::triggered, this, &QWidget::close);
    ui->actionExit->setShortcuts(QKeySequence::Quit);
    // Return in the read count reads, as Return in the write field writes.
    new EventHook(ui->spin_read, [this](QEvent *event) {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (!plain || (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter))
            return false;
        ui->spin_read->interpretText();
        onRead();
        return true;
    });
    connect(ui->btn_i2c_search, &QPushButton::clicked, this, &MainWindow::onI2cSearch);
    connect(ui->tbtn_write_clear, &QToolButton::clicked, ui->edit_write, &QLineEdit::clear);
    connect(ui->btn_write, &QPushButton::clicked, this, &MainWindow::onWrite);
    connect(ui->edit_write, &QLineEdit::returnPressed, this, &MainWindow::onWrite);
    connect(ui->btn_read, &QPushButton::clicked, this, &MainWindow::onRead);
    connect(ui->btn_write_read, &QPushButton::clicked, this, &MainWindow::onWriteRead);
    connect(ui->actionWriteRead, &QAction::triggered, this, &MainWindow::onWriteRead);
    connect(&m_presenceTimer, &QTimer::timeout, this, &MainWindow::onPresenceTimer);

    setupProjects();
    setupWatch();
    restoreWindowState();
    updateUiState();
}

MainWindow::~MainWindow()
{
    m_presenceTimer.stop();
    // The worker lets go of the driver before the driver goes.
    m_runner.reset();
    // The driver switches the adapter's I2C function off on destruction, which must
    // happen while everything else is still intact.
    m_i2c.reset();
    delete ui;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A transaction or watch reading still running is cancelled and awaited: the window
    // closes only once the worker has let go of the adapter.
    stopWatch();
    if (isBusBusy()) {
        m_runner->Cancel();
        m_runner->Wait();
    }
    QSettings settings;
    settings.setValue(SETTINGS_WINDOW_GEOMETRY, saveGeometry());
    settings.setValue(SETTINGS_WINDOW_STATE, saveState(0));
    QMainWindow::closeEvent(event);
}

void MainWindow::setupOptionActions()
{
    const std::pair<QAction *, EI2cSpeed> speeds[] = {
        {ui->actionSpeed10k, EI2cSpeed::Speed10k},     {ui->actionSpeed50k, EI2cSpeed::Speed50k},
        {ui->actionSpeed100k, EI2cSpeed::Speed100k},   {ui->actionSpeed400k, EI2cSpeed::Speed400k},
        {ui->actionSpeed1000k, EI2cSpeed::Speed1000k},
    };
    m_speedGroup = new QActionGroup(this);
    m_speedGroup->setExclusive(true);
    for (const auto &[action, speed] : speeds) {
        action->setCheckable(true);
        action->setData(static_cast<int>(speed));
        m_speedGroup->addAction(action);
    }
    if (m_speedGroup->checkedAction() == nullptr)
        ui->actionSpeed100k->setChecked(true);

    m_addressGroup = new QActionGroup(this);
    m_addressGroup->setExclusive(true);
    for (QAction *action : {ui->actionAddress7Bit, ui->actionAddress8Bit}) {
        action->setCheckable(true);
        m_addressGroup->addAction(action);
    }
    if (m_addressGroup->checkedAction() == nullptr)
        ui->actionAddress7Bit->setChecked(true);
    m_address8Bit = ui->actionAddress8Bit->isChecked();

    ui->actionPullUps->setCheckable(true);

    connect(m_speedGroup, &QActionGroup::triggered, this, &MainWindow::onSpeedTriggered);
    connect(ui->actionPullUps, &QAction::triggered, this, &MainWindow::onPullUpsTriggered);
    connect(m_addressGroup, &QActionGroup::triggered, this, &MainWindow::onAddressFormatTriggered);
}

void MainWindow::setupStatusBar()
{
    auto *container = new QWidget(this);
    m_statusLabel = new QLabel(container);
    m_statusLabel->setObjectName(u"label_status"_s);
    m_infoWidget = new QWidget(container);
    m_infoWidget->setObjectName(u"widget_adapter_info"_s);
    m_productLabel = new QLabel(m_infoWidget);
    m_productLabel->setObjectName(u"label_product"_s);
    m_serialLabel = new QLabel(m_infoWidget);
    m_serialLabel->setObjectName(u"label_serial"_s);
    m_firmwareLabel = new QLabel(m_infoWidget);
    m_firmwareLabel->setObjectName(u"label_firmware"_s);

    auto *infoLayout = new QHBoxLayout(m_infoWidget);
    infoLayout->setContentsMargins(0, 0, 0, 0);
    infoLayout->setSpacing(STATUS_SPACING);
    for (QLabel *label : {m_productLabel, m_serialLabel, m_firmwareLabel}) {
        infoLayout->addWidget(newSeparator(m_infoWidget));
        infoLayout->addWidget(label);
    }

    auto *containerLayout = new QHBoxLayout(container);
    containerLayout->setContentsMargins(0, 0, 0, 0);
    containerLayout->setSpacing(STATUS_SPACING);
    containerLayout->addWidget(m_statusLabel);
    containerLayout->addWidget(m_infoWidget);
    statusBar()->addWidget(container, 0);

    m_versionLabel = new QLabel(tr("v%1").arg(QString::fromLatin1(VTL_APP_VERSION)), this);
    m_versionLabel->setObjectName(u"label_version"_s);
    m_versionLabel->setStyleSheet(u"color:%1"_s.arg(STATUS_COLOR_INACTIVE.name()));
    statusBar()->setStyleSheet(u"QStatusBar::item { border: none; }"_s);
    statusBar()->addPermanentWidget(m_versionLabel, 0);
}

void MainWindow::restoreWindowState()
{
    const QSettings settings;
    restoreGeometry(settings.value(SETTINGS_WINDOW_GEOMETRY).toByteArray());
    restoreState(settings.value(SETTINGS_WINDOW_STATE).toByteArray(), 0);
    ui->actionProjects->setChecked(!ui->dock_projects->isHidden());
}

void MainWindow::onAbout()
{
    AboutDialog dialog(this);
    dialog.exec();
}
