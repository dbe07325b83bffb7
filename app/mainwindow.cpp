#include "mainwindow.h"

#include "AddressFormat.h"
#include "CVtlI2c.h"
#include "I2cTypes.h"
#include "VtlVersion.h"
#include "aboutdialog.h"
#include "ui_mainwindow.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QColor>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QSettings>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString SETTINGS_WINDOW_GEOMETRY = u"window/geometry"_s;
const QString SETTINGS_WINDOW_STATE = u"window/state"_s;
const QString SETTINGS_BYTES_PER_LINE = u"table/bytesPerLine"_s;
const QString SETTINGS_OFFSET_DECIMAL = u"table/offsetDecimal"_s;

const QColor STATUS_COLOR_ACTIVE = QColor(0x4C, 0xAF, 0x50).darker(120);
const QColor STATUS_COLOR_INACTIVE = QColor(0x60, 0x7D, 0x8B);

const QString ICON_CONNECTED = u":/icons/res/png/usb_green_32px.png"_s;
const QString ICON_DISCONNECTED = u":/icons/res/png/usb_grey_32px.png"_s;

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
    ui->cmb_i2c_device->lineEdit()->setPlaceholderText(formatAddress(0x50));
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
    connect(ui->btn_i2c_search, &QPushButton::clicked, this, &MainWindow::onI2cSearch);
    connect(ui->actionTableClear, &QAction::triggered, ui->table_data,
            [table = ui->table_data] { table->setRowCount(0); });
    connect(ui->tbtn_write_clear, &QToolButton::clicked, ui->edit_write, &QLineEdit::clear);
    connect(ui->btn_write, &QPushButton::clicked, this, &MainWindow::onWrite);
    connect(ui->edit_write, &QLineEdit::returnPressed, this, &MainWindow::onWrite);
    connect(ui->btn_read, &QPushButton::clicked, this, &MainWindow::onRead);
    connect(&m_presenceTimer, &QTimer::timeout, this, &MainWindow::onPresenceTimer);

    setupProjects();
    restoreWindowState();
    updateUiState();
}

MainWindow::~MainWindow()
{
    m_presenceTimer.stop();
    // The driver switches the adapter's I2C function off on destruction, which must
    // happen while everything else is still intact.
    m_i2c.reset();
    delete ui;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
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

void MainWindow::setupTable()
{
    QTableWidget *table = ui->table_data;
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    QComboBox *bytesBox = ui->cmb_bytes_per_line;
    for (int i = 0; i < bytesBox->count(); ++i) {
        bool ok = false;
        const int value = bytesBox->itemText(i).toInt(&ok);
        bytesBox->setItemData(i, ok ? value : 0);
    }

    const QSettings settings;
    bool storedOk = false;
    const int stored =
        settings.value(SETTINGS_BYTES_PER_LINE, bytesBox->currentData()).toInt(&storedOk);
    // An unreadable value must not fall through as 0, which would pick "Full".
    const int storedIndex = storedOk ? bytesBox->findData(stored) : -1;
    if (storedIndex >= 0)
        bytesBox->setCurrentIndex(storedIndex);
    connect(bytesBox, &QComboBox::currentIndexChanged, this, &MainWindow::onBytesPerLineChanged);

    const bool decimal = settings.value(SETTINGS_OFFSET_DECIMAL, false).toBool();
    ui->cmb_offset_format->setCurrentIndex(decimal ? 1 : 0);
    connect(ui->cmb_offset_format, &QComboBox::currentIndexChanged, this,
            &MainWindow::onBytesPerLineChanged);

    table->setContextMenuPolicy(Qt::CustomContextMenu);
    table->addActions({ui->actionCopyReport, ui->actionCopyData, ui->actionCopyDataAsShown});
    connect(table, &QWidget::customContextMenuRequested, this, &MainWindow::onTableContextMenu);

    connect(ui->actionCopyReport, &QAction::triggered, this,
            [this] { copyTableRows(ETableCopy::Report); });
    connect(ui->actionCopyData, &QAction::triggered, this,
            [this] { copyTableRows(ETableCopy::Data); });
    connect(ui->actionCopyDataAsShown, &QAction::triggered, this,
            [this] { copyTableRows(ETableCopy::DataAsShown); });
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

void MainWindow::setupProjects()
{
    connect(ui->tbtn_write_save, &QToolButton::clicked, this, &MainWindow::onWriteSave);
    connect(ui->tbtn_read_save, &QToolButton::clicked, this, &MainWindow::onReadSave);
    connect(ui->actionProjects_Folder, &QAction::triggered, this, &MainWindow::onProjectsFolder);

    ui->actionProjects->setCheckable(true);
    ui->actionProjects->setChecked(!ui->dock_projects->isHidden());
    connect(ui->actionProjects, &QAction::triggered, ui->dock_projects, &QWidget::setVisible);
    // A dock that is merely covered (tabbed, window minimised) keeps its check; only a
    // dock the user closed loses it. The handler holds the two objects themselves, since
    // the base class destructor may still hide the dock after the form object is gone.
    connect(ui->dock_projects, &QDockWidget::visibilityChanged, this,
            [action = ui->actionProjects, dock = ui->dock_projects](bool visible) {
                action->setChecked(visible || !dock->isHidden());
            });
}

void MainWindow::restoreWindowState()
{
    const QSettings settings;
    restoreGeometry(settings.value(SETTINGS_WINDOW_GEOMETRY).toByteArray());
    restoreState(settings.value(SETTINGS_WINDOW_STATE).toByteArray(), 0);
    ui->actionProjects->setChecked(!ui->dock_projects->isHidden());
}

void MainWindow::updateUiState()
{
    const bool connected = isConnected();

    ui->actionConnect->setEnabled(!connected);
    ui->actionDisconnect->setEnabled(connected);
    ui->actionI2cSearch->setEnabled(connected);
    ui->btn_i2c_search->setEnabled(connected);
    ui->btn_write->setEnabled(connected);
    ui->btn_read->setEnabled(connected);

    for (QAction *action : m_speedGroup->actions()) {
        const auto speed = static_cast<EI2cSpeed>(action->data().toInt());
        action->setEnabled(!connected || m_i2c->IsSpeedSupported(speed));
    }
    ui->actionPullUps->setEnabled(!connected || m_i2c->HasPullUpSwitch());
    ui->actionConnect->setIcon(QIcon(connected ? ICON_CONNECTED : ICON_DISCONNECTED));

    const QColor &color = connected ? STATUS_COLOR_ACTIVE : STATUS_COLOR_INACTIVE;
    const QString state = connected ? tr("Connected") : tr("No device connected");
    m_statusLabel->setText(
        u"<span style=\"color:%1; font-weight:bold\">%2</span>"_s.arg(color.name(), state));

    m_infoWidget->setVisible(connected);
    if (!connected)
        return;
    m_productLabel->setText(QString::fromStdWString(m_i2c->GetProductName()));
    m_serialLabel->setText(tr("SN %1").arg(QString::fromStdWString(m_i2c->GetSerialNumber())));
    m_firmwareLabel->setText(tr("FW %1").arg(uint(m_i2c->GetFirmware()), 4, 16, QChar(u'0')));
}

bool MainWindow::isConnected() const
{
    return m_i2c != nullptr && m_i2c->IsConnected();
}

QString MainWindow::formatAddress(unsigned char address) const
{
    return AddressFormat::format(address, isAddress8Bit());
}

bool MainWindow::isAddress8Bit() const
{
    return ui->actionAddress8Bit->isChecked();
}

void MainWindow::copyTableRows(ETableCopy /*mode*/) {}

void MainWindow::onConnect() {}

void MainWindow::onDisconnect() {}

void MainWindow::onI2cSearch() {}

void MainWindow::onWrite() {}

void MainWindow::onRead() {}

void MainWindow::onAbout()
{
    AboutDialog dialog(this);
    dialog.exec();
}

void MainWindow::onSpeedTriggered(QAction * /*action*/) {}

void MainWindow::onPullUpsTriggered(bool /*checked*/) {}

void MainWindow::onAddressFormatTriggered() {}

void MainWindow::onPresenceTimer() {}

void MainWindow::onLoadCommand(uint8_t /*address*/, const SI2cCommand & /*command*/) {}

void MainWindow::onExecuteCommand(uint8_t /*address*/, const SI2cCommand & /*command*/) {}

void MainWindow::onWriteSave() {}

void MainWindow::onReadSave() {}

void MainWindow::onProjectsFolder() {}

void MainWindow::onBytesPerLineChanged() {}

void MainWindow::onTableContextMenu(const QPoint & /*pos*/) {}
