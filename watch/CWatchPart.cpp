// SPDX-License-Identifier: MIT
#include "CWatchPart.h"

#include "COutputTable.h"
#include "CommandRequest.h"
#include "PartDock.h"
#include "WatchPanel.h"

#include <QDockWidget>
#include <QMainWindow>

using namespace Qt::StringLiterals;

CWatchPart::CWatchPart(CBusSession &session, COutputTable &table,
                       CWatchScheduler::AddressFormatter formatAddress,
                       CommandValueStore storeValue, QMainWindow *window, QMenu *viewMenu)
    : QObject(window)
    , m_window(window)
    , m_panel(new WatchPanel)
    , m_storeValue(std::move(storeValue))
{
    m_dock = PartDock::add(window, viewMenu, tr("Watch"), u"dock_watch"_s, u"actionWatch"_s,
                           m_panel, Qt::BottomDockWidgetArea);
    m_scheduler = new CWatchScheduler(
        session, *m_panel,
        [&table](const QString &type, const QString &flags, const QString &text) {
            table.AddRow(type, flags, text, false);
            return table.TextSetterOfRow(table.RowCount() - 1);
        },
        std::move(formatAddress), this);
    connect(m_panel, &WatchPanel::fromFieldsRequested, this, &CWatchPart::fromFieldsRequested);
    connect(m_panel, &WatchPanel::startRequested, this, &CWatchPart::onStart);
    connect(m_panel, &WatchPanel::stopRequested, this, &CWatchPart::stop);
    connect(m_panel, &WatchPanel::saveDecodingRequested, this, &CWatchPart::onSaveDecoding);
    connect(m_panel, &WatchPanel::statusMessage, this, &CWatchPart::statusMessage);
}

void CWatchPart::watch(const STransactionRequest &request)
{
    setTarget(request, std::nullopt);
}

void CWatchPart::watchCommand(std::uint8_t address, const SI2cCommand &command)
{
    if (isRunning() || command.type == EI2cCommandType::Write)
        return;
    ECommandRefusal refusal = ECommandRefusal::None;
    const std::optional<STransactionRequest> request =
        CommandRequest::FromCommand(address, command, refusal);
    if (!request)
        return;
    // A command without a decoding shows its first byte as it is, not the last decoding.
    setTarget(*request, command.value.value_or(SValueDecoding()));
    m_command.emplace(address, command);
    m_panel->setSavesToCommand(true);
}

void CWatchPart::refreshAddresses()
{
    m_scheduler->refreshAddresses();
}

bool CWatchPart::isRunning() const
{
    return m_scheduler->isRunning();
}

void CWatchPart::stop()
{
    m_scheduler->stop();
}

void CWatchPart::shutdown()
{
    m_scheduler->shutdown();
}

void CWatchPart::setTarget(const STransactionRequest &request,
                           const std::optional<SValueDecoding> &decoding)
{
    if (isRunning())
        return;
    m_command.reset();
    m_scheduler->setTarget(request, decoding);
    // A dock that opens takes the height its panel asks for, so the plot is readable.
    PartDock::open(m_window, m_dock, true);
}

void CWatchPart::onStart()
{
    if (isRunning() || !m_scheduler->hasTarget())
        return;
    if (!m_scheduler->start())
        Q_EMIT statusMessage(tr("Connect a device to start the watch."));
}

void CWatchPart::onSaveDecoding()
{
    if (!m_command)
        return;
    const std::optional<SI2cCommand> stored =
        m_storeValue(m_command->first, m_command->second, m_panel->decoding());
    if (!stored)
        return;
    m_command->second = *stored;
    Q_EMIT statusMessage(tr("Decoding saved to \"%1\"").arg(stored->label));
}
