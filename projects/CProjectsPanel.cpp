// SPDX-License-Identifier: MIT
#include "CProjectsPanel.h"

#include "CProjectsModel.h"
#include "ProjectsItemRoles.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTreeView>
#include <QUrl>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString SETTINGS_FOLDER = u"projects/folder"_s;
const QString SETTINGS_EXPANDED = u"projects/expanded"_s;
const QString SETTINGS_EXAMPLES = u"projects/examplesInstalled"_s;

const QString EXAMPLE_RESOURCE = u":/examples/bh1750.i2cdev"_s;

constexpr int RELOAD_DELAY_MS = 300;
constexpr int RESIZE_PRECISION_ROWS = 100;

// Read and write for the owner, read for everybody: a copy out of the read-only resources
// would otherwise stay read-only and could not be edited.
constexpr QFileDevice::Permissions EXAMPLE_PERMISSIONS = QFileDevice::Permissions(0x6644);

// Every path of the panel derives from the folder, so it is kept absolute and clean: the
// paths of the listed files and of new files then compare equal.
QString NormalizedFolder(const QString &folder)
{
    return QDir::cleanPath(QDir(folder).absolutePath());
}

QString DeviceFilePattern()
{
    return u"*."_s + CI2cDeviceFile::FILE_SUFFIX;
}

// Examples a program adds to the built-in one, such as the demo program's devices.
QStringList &FirstStartExamples()
{
    static QStringList examples;
    return examples;
}

void CopyExample(const QDir &folder, const QString &resourcePath)
{
    const QString target = folder.filePath(QFileInfo(resourcePath).fileName());
    if (QFile::copy(resourcePath, target))
        QFile::setPermissions(target, EXAMPLE_PERMISSIONS);
}

} // namespace

CProjectsPanel::CProjectsPanel(
    const SWidgets &widgets, std::function<QString(unsigned char)> formatAddress,
    std::function<std::optional<unsigned char>(const QString &)> parseAddress,
    std::function<std::optional<unsigned char>()> currentAddress, QWidget *parent)
    : QObject(parent)
    , m_widgets(widgets)
    , m_formatAddress(std::move(formatAddress))
    , m_parseAddress(std::move(parseAddress))
    , m_currentAddress(std::move(currentAddress))
    , m_dialogParent(parent)
{
    m_model = new CProjectsModel(0, 3, this);
    m_model->setHorizontalHeaderLabels({tr("Name"), tr("Type"), tr("Data")});
    m_proxy = new CProjectsFilterModel(this);
    m_proxy->setSourceModel(m_model);
    m_proxy->setRecursiveFilteringEnabled(true);
    m_proxy->setAutoAcceptChildRows(true);

    QTreeView *tree = m_widgets.tree;
    tree->setModel(m_proxy);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree->setUniformRowHeights(true);
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    // Long names keep their beginning and end; the tool tip holds the whole name.
    tree->setTextElideMode(Qt::ElideMiddle);
    tree->installEventFilter(this);
    QHeaderView *header = tree->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    // Measured over the rows in view and a sample around them instead of 1000 rows: the widths
    // are redone on every change of the tree, and laying out that much text made typing into
    // the filter lag.
    header->setResizeContentsPrecision(RESIZE_PRECISION_ROWS);

    m_widgets.filter->setPlaceholderText(tr("Filter..."));
    m_widgets.filter->setClearButtonEnabled(true);
    m_widgets.description->setWordWrap(true);
    // Descriptions come from files: text that looks like markup must show as written.
    m_widgets.description->setTextFormat(Qt::PlainText);
    m_widgets.description->clear();

    m_watcher = new QFileSystemWatcher(this);
    m_reloadTimer.setSingleShot(true);
    m_reloadTimer.setInterval(RELOAD_DELAY_MS);

    connect(m_widgets.filter, &QLineEdit::textChanged, this, &CProjectsPanel::onFilterChanged);
    connect(tree, &QAbstractItemView::clicked, this, &CProjectsPanel::onClicked);
    connect(tree, &QAbstractItemView::doubleClicked, this, &CProjectsPanel::onDoubleClicked);
    connect(tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CProjectsPanel::onCurrentChanged);
    connect(tree, &QWidget::customContextMenuRequested, this, &CProjectsPanel::onContextMenu);
    connect(tree, &QTreeView::expanded, this, &CProjectsPanel::onExpandedChanged);
    connect(tree, &QTreeView::collapsed, this, &CProjectsPanel::onExpandedChanged);
    connect(m_widgets.newButton, &QAbstractButton::clicked, this, &CProjectsPanel::onNewDevice);
    connect(m_widgets.reloadButton, &QAbstractButton::clicked, this, &CProjectsPanel::reload);
    connect(m_widgets.folderButton, &QAbstractButton::clicked, this, &CProjectsPanel::onOpenFolder);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, &m_reloadTimer,
            qOverload<>(&QTimer::start));
    connect(m_watcher, &QFileSystemWatcher::fileChanged, &m_reloadTimer,
            qOverload<>(&QTimer::start));
    connect(&m_reloadTimer, &QTimer::timeout, this, &CProjectsPanel::reload);

    const QSettings settings;
    m_folder = NormalizedFolder(settings.value(SETTINGS_FOLDER, DefaultFolder()).toString());
    const QStringList expanded = settings.value(SETTINGS_EXPANDED).toStringList();
    m_expanded = QSet<QString>(expanded.begin(), expanded.end());

    prepareFolder();
    reload();
}

QString CProjectsPanel::DefaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
           u"/Brelmark/vtl_i2c/projects"_s;
}

void CProjectsPanel::AddFirstStartExample(const QString &resourcePath)
{
    FirstStartExamples().append(resourcePath);
}

void CProjectsPanel::prepareFolder()
{
    QDir().mkpath(m_folder);
    QSettings settings;
    if (settings.value(SETTINGS_EXAMPLES, false).toBool())
        return;
    const QDir folder(m_folder);
    if (folder.entryList({DeviceFilePattern()}, QDir::Files, QDir::Unsorted).isEmpty()) {
        CopyExample(folder, EXAMPLE_RESOURCE);
        for (const QString &example : std::as_const(FirstStartExamples()))
            CopyExample(folder, example);
    }
    settings.setValue(SETTINGS_EXAMPLES, true);
}

QString CProjectsPanel::GetFolder() const
{
    return m_folder;
}

void CProjectsPanel::SetFolder(const QString &folder)
{
    m_folder = NormalizedFolder(folder);
    QSettings().setValue(SETTINGS_FOLDER, m_folder);
    QDir().mkpath(m_folder);
    reload();
}

void CProjectsPanel::onOpenFolder()
{
    QDir().mkpath(m_folder);
    QDesktopServices::openUrl(QUrl::fromLocalFile(m_folder));
}

void CProjectsPanel::RefreshAddresses()
{
    // Only the Data texts of the device rows follow the notation. Changed in place they keep
    // selection and expansion as they are, and a folder of thousands of commands is not
    // rebuilt for a menu click.
    m_model->SetTopLevelTexts(2, [this](int row) -> std::optional<QString> {
        const int device = deviceIndexAt(m_model->index(row, 0));
        if (device < 0)
            return std::nullopt;
        return m_formatAddress(m_devices.at(device).GetAddress());
    });
    // Rows that the filter now lets through open like all others under a filter.
    if (!m_widgets.filter->text().isEmpty()) {
        m_restoringExpanded = true;
        expandAllRows();
        m_restoringExpanded = false;
    }
    followCurrentRow();
}

void CProjectsPanel::reload()
{
    m_reloadTimer.stop();
    SDeviceFolder loaded = SDeviceFolder::Load(m_folder);
    m_devices = std::move(loaded.devices);
    m_fileErrors = std::move(loaded.refused);

    updateWatcher();
    rebuildModel();
}

int CProjectsPanel::deviceIndexAt(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() == nullptr)
        return -1;
    const QVariant value = index.data(ROLE_DEVICE_INDEX);
    if (!value.isValid())
        return -1;
    const int device = value.toInt();
    return device >= 0 && device < m_devices.size() ? device : -1;
}

int CProjectsPanel::commandIndexAt(const QModelIndex &index) const
{
    const int device = deviceIndexAt(index);
    if (device < 0)
        return -1;
    const QVariant value = index.data(ROLE_COMMAND_INDEX);
    if (!value.isValid())
        return -1;
    const int command = value.toInt();
    return command >= 0 && command < m_devices.at(device).GetCommands().size() ? command : -1;
}

void CProjectsPanel::onFilterChanged(const QString &text)
{
    m_proxy->SetFilterText(text);
    m_restoringExpanded = true;
    if (!text.isEmpty())
        expandAllRows();
    else
        restoreExpanded();
    m_restoringExpanded = false;
    followCurrentRow();
}

void CProjectsPanel::onClicked(const QModelIndex &index)
{
    const int device = deviceIndexAt(index);
    if (device < 0)
        return;
    const CI2cDeviceFile &file = m_devices.at(device);
    const int command = commandIndexAt(index);
    if (command < 0) {
        Q_EMIT deviceSelected(file.GetAddress());
        return;
    }
    // A copy: a receiver that opens a message box may let a reload rebuild the list.
    const SI2cCommand chosen = file.GetCommands().at(command);
    Q_EMIT commandSelected(file.GetAddress(), chosen);
}

void CProjectsPanel::onDoubleClicked(const QModelIndex &index)
{
    const int device = deviceIndexAt(index);
    const int command = commandIndexAt(index);
    if (device < 0 || command < 0)
        return;
    const CI2cDeviceFile &file = m_devices.at(device);
    const SI2cCommand chosen = file.GetCommands().at(command);
    Q_EMIT commandExecuteRequested(file.GetAddress(), chosen);
}

bool CProjectsPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_widgets.tree && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QModelIndex current = m_widgets.tree->currentIndex();
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() == Qt::NoModifier && commandIndexAt(current) >= 0) {
            onDoubleClicked(current);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void CProjectsPanel::onCurrentChanged(const QModelIndex &index)
{
    // An invalid index leaves the remembered row alone: the filter may only have hidden it.
    if (index.isValid()) {
        const QModelIndex name = index.siblingAtColumn(0);
        const QModelIndex top = name.parent().isValid() ? name.parent() : name;
        m_currentRow = {top.data(ROLE_FILE_PATH).toString(), commandIndexAt(index)};
    }
    const int device = deviceIndexAt(index);
    Q_EMIT currentDeviceChanged(device >= 0 ? m_devices.at(device).GetFilePath() : QString());
    if (device >= 0)
        m_widgets.description->setText(m_devices.at(device).GetDescription());
    else if (index.isValid())
        m_widgets.description->setText(index.siblingAtColumn(0).data(Qt::ToolTipRole).toString());
    else
        m_widgets.description->clear();
}

void CProjectsPanel::onNewDevice()
{
    createDevice();
}

void CProjectsPanel::updateWatcher()
{
    // Only the difference is applied: the watcher looks each added or removed path up in a
    // plain list, so re-registering ten thousand files would take most of a second. A file
    // that was replaced has already been dropped by the watcher and is added here again.
    QSet<QString> wanted;
    wanted.reserve(m_devices.size() + m_fileErrors.size() + 1);
    if (QFileInfo(m_folder).isDir())
        wanted.insert(m_folder);
    for (const CI2cDeviceFile &file : std::as_const(m_devices))
        wanted.insert(file.GetFilePath());
    for (const SRefusedDeviceFile &error : std::as_const(m_fileErrors))
        wanted.insert(error.path);

    const QStringList watched = m_watcher->files() + m_watcher->directories();
    QStringList stale;
    for (const QString &path : watched) {
        if (!wanted.remove(path))
            stale.append(path);
    }
    if (!stale.isEmpty())
        m_watcher->removePaths(stale);
    if (!wanted.isEmpty())
        m_watcher->addPaths(QStringList(wanted.cbegin(), wanted.cend()));
}

void CProjectsPanel::saveExpanded() const
{
    QSettings().setValue(SETTINGS_EXPANDED, QStringList(m_expanded.begin(), m_expanded.end()));
}

void CProjectsPanel::restoreExpanded()
{
    m_restoringExpanded = true;
    QTreeView *tree = m_widgets.tree;
    const int rows = m_proxy->rowCount();
    for (int row = 0; row < rows; ++row) {
        const QModelIndex index = m_proxy->index(row, 0);
        const bool expand = m_expanded.contains(index.data(ROLE_FILE_PATH).toString());
        if (tree->isExpanded(index) != expand)
            tree->setExpanded(index, expand);
    }
    m_restoringExpanded = false;
}

void CProjectsPanel::expandAllRows()
{
    // Row by row: QTreeView::expandAll would record every command row as expanded too, and
    // the tens of thousands of indexes it then keeps slow every later change of the tree.
    QTreeView *tree = m_widgets.tree;
    const int rows = m_proxy->rowCount();
    for (int row = 0; row < rows; ++row)
        tree->expand(m_proxy->index(row, 0));
}

void CProjectsPanel::onExpandedChanged()
{
    if (m_restoringExpanded || !m_widgets.filter->text().isEmpty())
        return;
    m_expanded.clear();
    const QTreeView *tree = m_widgets.tree;
    const int rows = m_proxy->rowCount();
    for (int row = 0; row < rows; ++row) {
        const QModelIndex index = m_proxy->index(row, 0);
        if (tree->isExpanded(index))
            m_expanded.insert(index.data(ROLE_FILE_PATH).toString());
    }
    saveExpanded();
}
