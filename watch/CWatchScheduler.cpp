// SPDX-License-Identifier: MIT
#include "CWatchScheduler.h"

#include "CBusSession.h"
#include "CI2cDeviceFile.h"
#include "WatchPanel.h"

#include <utility>

namespace {

QString bytesText(std::size_t count)
{
    return count == 1 ? CWatchScheduler::tr("1 byte") : CWatchScheduler::tr("%1 bytes").arg(count);
}

} // namespace

CWatchScheduler::CWatchScheduler(CBusSession &session, WatchPanel &panel, RowSink addRow,
                                 AddressFormatter formatAddress, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_panel(panel)
    , m_addRow(std::move(addRow))
    , m_formatAddress(std::move(formatAddress))
{
    m_timer.setSingleShot(true);
    // A coarse timer may come late by a few per cent of the interval, every time.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CWatchScheduler::onTimer);
    connect(&m_panel, &WatchPanel::decodingChanged, this, &CWatchScheduler::onDecodingChanged);
    connect(&m_session, &CBusSession::stateChanged, this, &CWatchScheduler::onSessionChanged);
}

void CWatchScheduler::setTarget(const STransactionRequest &request,
                                const std::optional<SValueDecoding> &decoding)
{
    if (isRunning())
        return;
    m_summaryRow = nullptr;
    m_request = request;
    m_panel.setTarget(targetText(), decoding);
}

void CWatchScheduler::refreshAddresses()
{
    if (m_request)
        m_panel.setTargetText(targetText());
}

QString CWatchScheduler::targetText() const
{
    const STransactionRequest &request = *m_request;
    const QString address = m_formatAddress(request.address);
    return request.kind == ETransactionKind::WriteRead
               ? tr("Write/Read %1 [%2] > %3")
                     .arg(address, CI2cDeviceFile::BytesToHex(request.data),
                          bytesText(request.count))
               : tr("Read %1, %2").arg(address, bytesText(request.count));
}

void CWatchScheduler::onSessionChanged()
{
    if (!m_session.IsConnected())
        return;
    const QString serial = QString::fromStdWString(m_session.Info().serial);
    if (m_panel.log().Count() == 0 || serial == m_readingsAdapter)
        m_panel.setSourceNote(QString());
    else
        m_panel.setSourceNote(tr("These readings came from adapter %1, not from the adapter "
                                 "connected now (%2). Start begins a new run on %2.")
                                  .arg(m_readingsAdapter, serial));
}

bool CWatchScheduler::isRunning() const
{
    return m_panel.isRunning();
}

bool CWatchScheduler::start()
{
    if (!m_request || isRunning() || !m_session.IsConnected())
        return false;
    m_summaryRow = nullptr;
    m_readingsAdapter = QString::fromStdWString(m_session.Info().serial);
    m_panel.setRunning(true);
    m_nextDue = std::chrono::steady_clock::now();
    m_timer.start(0);
    return true;
}

void CWatchScheduler::stop()
{
    if (!isRunning()) {
        halt();
        return;
    }
    halt();
    m_summaryRow = m_addRow(tr("Watch %1").arg(m_formatAddress(m_request->address)), QString(),
                            m_panel.summaryText());
    m_summaryCount = m_panel.log().Count();
}

void CWatchScheduler::onDecodingChanged()
{
    if (m_summaryRow && !isRunning() && m_panel.log().Count() == m_summaryCount)
        m_summaryRow(m_panel.summaryText());
}

void CWatchScheduler::shutdown()
{
    halt();
}

void CWatchScheduler::halt()
{
    m_timer.stop();
    if (m_panel.isRunning())
        m_panel.setRunning(false);
    // A reading still waiting never reaches the bus; one under way ends unheard, as it
    // would have ended, so the wire sees no abort it did not need.
    if (const std::shared_ptr<CBusJob> reading = std::exchange(m_reading, nullptr)) {
        disconnect(reading.get(), nullptr, this, nullptr);
        if (reading->State() == CBusJob::EState::Queued)
            reading->Cancel();
    }
}

void CWatchScheduler::onTimer()
{
    if (!isRunning() || !m_request || m_reading)
        return;
    // Behind every other client's work: the user's own transaction goes first, the reading
    // follows right after it.
    m_reading = m_session.Start(*m_request, EBusPriority::Background);
    const std::shared_ptr<CBusJob> reading = m_reading;
    if (reading->IsFinished()) {
        onReadingFinished(reading);
        return;
    }
    connect(reading.get(), &CBusJob::finished, this,
            [this, reading] { onReadingFinished(reading); });
}

void CWatchScheduler::onReadingFinished(const std::shared_ptr<CBusJob> &job)
{
    if (job != m_reading)
        return;
    m_reading.reset();
    // A lost adapter is the window's to report; it stops the watch.
    if (!isRunning() || job->IsAdapterLost() || !m_session.IsConnected())
        return;
    const std::optional<STransactionRecord> record = job->Record();
    QString error;
    if (!record->ok) {
        error = QString::fromStdString(record->lastError);
        if (error.isEmpty())
            error = tr("failed");
    }
    m_panel.addSample(record->startedMs, record->read.data, error);
    // Readings keep to a fixed grid of the interval, so the rate does not drift with the
    // time each takes; one slower than the interval is followed at once, and the grid
    // starts again from there instead of catching up in a burst.
    const auto now = std::chrono::steady_clock::now();
    m_nextDue += std::chrono::milliseconds(m_panel.intervalMs());
    if (m_nextDue < now)
        m_nextDue = now;
    m_timer.start(std::chrono::ceil<std::chrono::milliseconds>(m_nextDue - now));
}
