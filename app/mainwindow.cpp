#include "mainwindow.h"

#include "AddressFormat.h"
#include "CI2cDeviceFile.h"
#include "CProjectsPanel.h"
#include "CVtlDeviceFactory.h"
#include "CVtlI2c.h"
#include "HexFormat.h"
#include "I2cTypes.h"
#include "TableCopy.h"
#include "TransferText.h"
#include "VtlVersion.h"
#include "aboutdialog.h"
#include "devicedialog.h"
#include "outputcelldelegate.h"
#include "ui_mainwindow.h"

#include <QActionGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QColor>
#include <QFontMetricsF>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>

#include <algorithm>
#include <cmath>
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

const QColor TABLE_COLOR_ERROR = QColor(0xF4, 0x43, 0x36);

constexpr int PRESENCE_INTERVAL_MS = 1000;
constexpr int STATUS_MESSAGE_MS = 5000;
constexpr int STATUS_SPACING = 12;
constexpr int ADDRESS_MIN_CONTENTS = 6;
constexpr int READ_COUNT_MAX = 65535;
constexpr unsigned char PLACEHOLDER_ADDRESS = 0x50;
// The search leaves out the reserved addresses 0x00..0x07 and 0x78..0x7F.
constexpr unsigned SEARCH_FIRST = 0x08;
constexpr unsigned SEARCH_LAST = 0x77;
constexpr int COLUMN_TYPE = 0;
constexpr int COLUMN_FLAGS = 1;
constexpr int COLUMN_DATA = 2;

EI2cSpeed speedOf(const QAction *action)
{
    return static_cast<EI2cSpeed>(action->data().toInt());
}

// The wait cursor for as long as a blocking bus operation runs.
class WaitCursor
{
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

// The view copies its current cell on Ctrl+C by itself whenever the copy actions are
// disabled; with no row selected, copying must do nothing.
class CopyKeyGuard : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy)) {
            const auto *view = qobject_cast<QAbstractItemView *>(watched);
            if (view != nullptr && !view->selectionModel()->hasSelection())
                return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

QTableWidgetItem *newTableItem(const QString &text, const QFont *font, bool error)
{
    auto *item = new QTableWidgetItem(text);
    if (font != nullptr)
        item->setFont(*font);
    item->setTextAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (error)
        item->setForeground(QBrush(TABLE_COLOR_ERROR));
    return item;
}

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
    // Rows and the Type and Flags columns are sized to their contents here, when a row
    // is added or re-rendered (sizeTableRow, fitTableColumns): the header's own
    // measuring would go through every row again on every change, which freezes the
    // window once the table holds thousands of rows.
    table->horizontalHeader()->setSectionResizeMode(COLUMN_TYPE, QHeaderView::Fixed);
    table->horizontalHeader()->setSectionResizeMode(COLUMN_FLAGS, QHeaderView::Fixed);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->setItemDelegate(new OutputCellDelegate(table));
    table->setWordWrap(false);
    resetTableColumns();
    connect(table->model(), &QAbstractItemModel::rowsRemoved, this, [this] {
        if (ui->table_data->rowCount() == 0)
            resetTableColumns();
    });
    // A read of 64 KiB is one row thousands of lines tall; it must scroll within itself.
    table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);

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
    // The copy actions, and so their shortcuts, follow the selection, not only while
    // the context menu is open.
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::updateCopyActions);
    updateCopyActions();
    table->installEventFilter(new CopyKeyGuard(table));
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

QString MainWindow::lastDriverError() const
{
    return m_i2c ? QString::fromStdString(m_i2c->GetLastError()) : QString();
}

bool MainWindow::checkConnectionLost()
{
    if (m_i2c != nullptr && m_i2c->IsPresent())
        return false;
    handleConnectionLost();
    return true;
}

void MainWindow::handleConnectionLost()
{
    // The timer stops first, so that it cannot report the loss again while the message
    // is up.
    m_presenceTimer.stop();
    m_i2c.reset();
    updateUiState();
    QMessageBox::critical(this, tr("Device"), tr("Connection to the Vantrel was lost."));
}

void MainWindow::onConnect()
{
    DeviceDialog dialog(m_speedGroup->actions(), ui->actionPullUps->isChecked(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::optional<SVtlDeviceEntry> device = dialog.selectedDevice();
    if (!device)
        return;
    if (QAction *speedAction = dialog.selectedSpeedAction())
        speedAction->setChecked(true);
    ui->actionPullUps->setChecked(dialog.pullUpsEnabled());

    std::unique_ptr<CVtlI2c> driver = CVtlDeviceFactory::Create(device->type);
    if (!driver)
        return;
    // Set before connecting, so the choice goes out with the configuration.
    if (driver->HasPullUpSwitch())
        driver->SetPullUpsEnabled(ui->actionPullUps->isChecked());
    const QAction *speedAction = m_speedGroup->checkedAction();
    const EI2cSpeed speed = speedAction ? speedOf(speedAction) : EI2cSpeed::Speed100k;
    if (!driver->Connect(device->serial, speed)) {
        QMessageBox::critical(
            this, tr("Device"),
            tr("Connect failed:\n%1").arg(QString::fromStdString(driver->GetLastError())));
        return;
    }
    m_i2c = std::move(driver);
    m_presenceTimer.start();
    updateUiState();
}

void MainWindow::onDisconnect()
{
    m_presenceTimer.stop();
    m_i2c.reset();
    updateUiState();
}

void MainWindow::onPresenceTimer()
{
    if (m_i2c != nullptr && m_i2c->IsConnected() && !m_i2c->IsPresent())
        handleConnectionLost();
}

void MainWindow::onSpeedTriggered(QAction *action)
{
    if (!isConnected())
        return;
    if (m_i2c->SetSpeed(speedOf(action))) {
        statusBar()->showMessage(tr("I2C speed set to %1").arg(action->text()), STATUS_MESSAGE_MS);
        return;
    }
    if (!m_i2c->IsPresent()) {
        handleConnectionLost();
        return;
    }
    QMessageBox::critical(this, tr("I2C Speed"),
                          tr("Setting the speed failed:\n%1").arg(lastDriverError()));
    // The presence timer may have dropped the adapter while the message was up.
    if (m_i2c == nullptr)
        return;
    for (QAction *speedAction : m_speedGroup->actions()) {
        if (speedOf(speedAction) == m_i2c->GetSpeed())
            speedAction->setChecked(true);
    }
}

void MainWindow::onPullUpsTriggered(bool checked)
{
    if (!isConnected() || !m_i2c->HasPullUpSwitch())
        return;
    if (m_i2c->SetPullUpsEnabled(checked)) {
        statusBar()->showMessage(checked ? tr("Internal pull-ups enabled")
                                         : tr("Internal pull-ups disabled"),
                                 STATUS_MESSAGE_MS);
        return;
    }
    if (!m_i2c->IsPresent()) {
        handleConnectionLost();
        return;
    }
    QMessageBox::critical(this, tr("Pull-ups"),
                          tr("Switching the pull-ups failed:\n%1").arg(lastDriverError()));
    if (m_i2c != nullptr)
        ui->actionPullUps->setChecked(m_i2c->GetPullUpsEnabled());
}

std::optional<unsigned char> MainWindow::parseAddress(const QString &text, bool eightBit) const
{
    return AddressFormat::parse(text, eightBit);
}

std::optional<unsigned char> MainWindow::currentAddress() const
{
    return parseAddress(ui->cmb_i2c_device->currentText(), isAddress8Bit());
}

void MainWindow::warnInvalidAddress(const QString &title)
{
    QMessageBox::warning(this, title,
                         tr("Invalid I2C address. Enter a hex address in the selected format, "
                            "e.g. \"%1\".")
                             .arg(formatAddress(PLACEHOLDER_ADDRESS)));
}

void MainWindow::onAddressFormatTriggered()
{
    const bool wasEightBit = m_address8Bit;
    m_address8Bit = isAddress8Bit();
    if (wasEightBit == m_address8Bit)
        return;

    QComboBox *box = ui->cmb_i2c_device;
    const QString typed = box->currentText();
    const std::optional<unsigned char> current = parseAddress(typed, wasEightBit);
    for (int i = 0; i < box->count(); ++i) {
        if (const auto address = parseAddress(box->itemText(i), wasEightBit))
            box->setItemText(i, formatAddress(*address));
    }
    // Renaming the current entry rewrites the edit text, which must show the typed
    // address in the new notation, or stay as typed when it was no address.
    box->setEditText(current ? formatAddress(*current) : typed);
    box->lineEdit()->setPlaceholderText(formatAddress(PLACEHOLDER_ADDRESS));
    if (m_projects != nullptr)
        m_projects->RefreshAddresses();
}

void MainWindow::onWrite()
{
    if (!isConnected())
        return;
    const int mode = ui->cmb_startstop->currentIndex();
    const bool start = TransferText::generatesStart(mode);
    std::optional<unsigned char> address;
    if (start) {
        address = currentAddress();
        if (!address) {
            warnInvalidAddress(tr("Write"));
            return;
        }
    }
    const std::optional<std::vector<unsigned char>> bytes =
        CI2cDeviceFile::HexToBytes(ui->edit_write->text());
    if (!bytes || (!start && bytes->empty())) {
        QMessageBox::warning(this, tr("Write"),
                             tr("Invalid input. Enter hex bytes, e.g. \"01 A5 FF\"."));
        return;
    }

    std::vector<unsigned char> buffer;
    buffer.reserve(bytes->size() + 1);
    if (start)
        buffer.push_back(static_cast<unsigned char>(*address << 1));
    buffer.insert(buffer.end(), bytes->begin(), bytes->end());
    SI2cWriteResult result;
    const bool ok = m_i2c->Write(buffer, result, start, TransferText::generatesStop(mode));
    if (!ok && checkConnectionLost())
        return;

    const QString type = TransferText::writeType(mode, ui->cmb_startstop->currentText(),
                                                 start ? formatAddress(*address) : QString());
    addTableRow(type, TransferText::writeFlags(result, ok, lastDriverError()), *bytes, !ok);
}

void MainWindow::onRead()
{
    if (!isConnected())
        return;
    const std::optional<unsigned char> address = currentAddress();
    if (!address) {
        warnInvalidAddress(tr("Read"));
        return;
    }
    SI2cReadResult result;
    bool ok = false;
    {
        const WaitCursor wait;
        ok = m_i2c->Read(*address, static_cast<unsigned long long>(ui->spin_read->value()), result);
    }
    if (!ok && checkConnectionLost())
        return;
    addTableRow(tr("Read %1").arg(formatAddress(*address)),
                TransferText::readFlags(result, ok, lastDriverError()), result.data, !ok);
}

void MainWindow::onI2cSearch()
{
    if (!isConnected())
        return;
    const QString remembered = ui->cmb_i2c_device->currentText();
    QStringList found;
    {
        const WaitCursor wait;
        for (unsigned address = SEARCH_FIRST; address <= SEARCH_LAST; ++address) {
            if (m_i2c->Probe(static_cast<unsigned char>(address)))
                found << formatAddress(static_cast<unsigned char>(address));
        }
    }
    // A silent address is just a failed probe; only a missing adapter ends the search.
    if (checkConnectionLost())
        return;

    QComboBox *box = ui->cmb_i2c_device;
    box->clear();
    box->addItems(found);
    const int again = found.indexOf(remembered);
    if (again >= 0)
        box->setCurrentIndex(again);
    addTableRow(tr("Search"), QString(),
                found.isEmpty() ? tr("No device found") : found.join(", "_L1), false);
}

QString MainWindow::formatHexLines(const QByteArray &bytes, int perLine, bool offsetDecimal)
{
    return HexFormat::lines(bytes, perLine, offsetDecimal);
}

int MainWindow::bytesPerLine() const
{
    return ui->cmb_bytes_per_line->currentData(Qt::UserRole).toInt();
}

bool MainWindow::isOffsetDecimal() const
{
    return ui->cmb_offset_format->currentIndex() == 1;
}

void MainWindow::addTableRow(const QString &type, const QString &flags, const QString &text,
                             bool error)
{
    appendTableRow(type, flags, text, nullptr, text.count(u'\n') + 1, error);
}

void MainWindow::addTableRow(const QString &type, const QString &flags,
                             const std::vector<unsigned char> &bytes, bool error)
{
    const QByteArray raw(reinterpret_cast<const char *>(bytes.data()),
                         static_cast<qsizetype>(bytes.size()));
    const int perLine = bytesPerLine();
    appendTableRow(type, flags, formatHexLines(raw, perLine, isOffsetDecimal()), &raw,
                   HexFormat::lineCount(raw.size(), perLine), error);
}

void MainWindow::appendTableRow(const QString &type, const QString &flags, const QString &dataText,
                                const QByteArray *bytes, qsizetype lines, bool error)
{
    QTableWidget *table = ui->table_data;
    const QFont &fixed = cellDelegate()->fixedFont();
    QTableWidgetItem *dataItem = newTableItem(dataText, &fixed, error);
    if (bytes != nullptr)
        dataItem->setData(Qt::UserRole, *bytes);

    const int row = table->rowCount();
    table->insertRow(row);
    table->setItem(row, COLUMN_TYPE, newTableItem(type, nullptr, error));
    table->setItem(row, COLUMN_FLAGS, newTableItem(flags, &fixed, error));
    table->setItem(row, COLUMN_DATA, dataItem);
    sizeTableRow(row, lines);
    fitTableColumns(type, flags);
    table->scrollToBottom();
}

OutputCellDelegate *MainWindow::cellDelegate() const
{
    return static_cast<OutputCellDelegate *>(ui->table_data->itemDelegate());
}

void MainWindow::sizeTableRow(int row, qsizetype lines)
{
    QTableWidget *table = ui->table_data;
    const int grid = table->showGrid() ? 1 : 0;
    const int height = std::max(OutputCellDelegate::textHeight(1, table->font()),
                                OutputCellDelegate::textHeight(lines, cellDelegate()->fixedFont()));
    const QHeaderView *header = table->verticalHeader();
    table->setRowHeight(
        row, std::clamp(height + grid, header->minimumSectionSize(), header->maximumSectionSize()));
}

void MainWindow::fitTableColumns(const QString &type, const QString &flags)
{
    QTableWidget *table = ui->table_data;
    QHeaderView *header = table->horizontalHeader();
    const int grid = table->showGrid() ? 1 : 0;
    const auto fit = [&](int column, const QString &text, const QFont &font) {
        const int width = cellDelegate()->cellWidth(text, font, table) + grid;
        if (width > header->sectionSize(column))
            header->resizeSection(column, width);
    };
    fit(COLUMN_TYPE, type, table->font());
    fit(COLUMN_FLAGS, flags, cellDelegate()->fixedFont());
}

void MainWindow::resetTableColumns()
{
    QHeaderView *header = ui->table_data->horizontalHeader();
    for (const int column : {COLUMN_TYPE, COLUMN_FLAGS})
        header->resizeSection(column, header->sectionSizeHint(column));
}

void MainWindow::onBytesPerLineChanged()
{
    const int perLine = bytesPerLine();
    const bool decimal = isOffsetDecimal();
    QSettings settings;
    settings.setValue(SETTINGS_BYTES_PER_LINE, perLine);
    settings.setValue(SETTINGS_OFFSET_DECIMAL, decimal);

    QTableWidget *table = ui->table_data;
    std::vector<std::pair<int, qsizetype>> resized;
    for (int row = 0; row < table->rowCount(); ++row) {
        QTableWidgetItem *item = table->item(row, COLUMN_DATA);
        if (item == nullptr)
            continue;
        const QVariant stored = item->data(Qt::UserRole);
        if (stored.typeId() != QMetaType::QByteArray)
            continue;
        const QByteArray bytes = stored.toByteArray();
        item->setText(formatHexLines(bytes, perLine, decimal));
        resized.emplace_back(row, HexFormat::lineCount(bytes.size(), perLine));
    }
    // All heights in one sweep after the texts, with the header's updates off: each
    // height change re-places every row below it, and a text change asks for the place.
    QHeaderView *header = table->verticalHeader();
    header->setUpdatesEnabled(false);
    for (const auto &[row, lines] : resized)
        sizeTableRow(row, lines);
    header->setUpdatesEnabled(true);
}

void MainWindow::updateCopyActions()
{
    const bool selected = ui->table_data->selectionModel()->hasSelection();
    for (QAction *action : {ui->actionCopyReport, ui->actionCopyData, ui->actionCopyDataAsShown})
        action->setEnabled(selected);
}

void MainWindow::copyTableRows(ETableCopy mode)
{
    const QTableWidget *table = ui->table_data;
    QList<int> rows;
    for (const QItemSelectionRange &range : table->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows << row;
    }
    if (rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());

    const auto textOf = [table](int row, int column) {
        const QTableWidgetItem *item = table->item(row, column);
        return item ? item->text() : QString();
    };
    QList<TableCopy::SRow> entries;
    entries.reserve(rows.size());
    for (const int row : std::as_const(rows)) {
        TableCopy::SRow entry{textOf(row, COLUMN_TYPE), textOf(row, COLUMN_FLAGS),
                              textOf(row, COLUMN_DATA), std::nullopt};
        if (const QTableWidgetItem *item = table->item(row, COLUMN_DATA)) {
            const QVariant stored = item->data(Qt::UserRole);
            if (stored.typeId() == QMetaType::QByteArray)
                entry.bytes = stored.toByteArray();
        }
        entries << entry;
    }

    QString text;
    switch (mode) {
    case ETableCopy::Report:
        text = TableCopy::report(entries);
        break;
    case ETableCopy::Data:
        text = TableCopy::data(entries);
        break;
    case ETableCopy::DataAsShown:
        text = TableCopy::dataAsShown(entries);
        break;
    }
    QGuiApplication::clipboard()->setText(text);
    statusBar()->showMessage(tr("%n row(s) copied", nullptr, int(rows.size())), STATUS_MESSAGE_MS);
}

void MainWindow::onTableContextMenu(const QPoint &pos)
{
    QTableWidget *table = ui->table_data;
    updateCopyActions();
    ui->actionTableClear->setEnabled(table->rowCount() > 0);

    QMenu menu(this);
    menu.addActions({ui->actionCopyReport, ui->actionCopyData, ui->actionCopyDataAsShown});
    menu.addSeparator();
    menu.addAction(ui->actionTableClear);
    menu.exec(table->viewport()->mapToGlobal(pos));
    // The clear action also sits in the tool bar, where it is always available.
    ui->actionTableClear->setEnabled(true);
}

void MainWindow::onAbout()
{
    AboutDialog dialog(this);
    dialog.exec();
}

void MainWindow::onLoadCommand(uint8_t /*address*/, const SI2cCommand & /*command*/) {}

void MainWindow::onExecuteCommand(uint8_t /*address*/, const SI2cCommand & /*command*/) {}

void MainWindow::onWriteSave() {}

void MainWindow::onReadSave() {}

void MainWindow::onProjectsFolder() {}
