// SPDX-License-Identifier: MIT
#include "CBusJob.h"

CBusJob::CBusJob(std::uint64_t id, EBusPriority priority, bool blocking,
                 const CTransactionControl *external)
    : m_id(id)
    , m_priority(priority)
    , m_blocking(blocking)
    , m_external(external)
    , m_control(
          [this](std::uint64_t done, std::uint64_t total) {
              // A caller that blocks hears the progress on the worker thread; the others
              // get it as a signal in their own thread.
              if (m_blocking) {
                  if (m_external != nullptr)
                      m_external->ReportProgress(done, total);
                  return;
              }
              QMetaObject::invokeMethod(
                  this, [this, done, total] { Q_EMIT progressChanged(done, total); },
                  Qt::QueuedConnection);
          },
          external)
{}

CBusJob::~CBusJob() = default;

std::optional<STransactionRecord> CBusJob::Record() const
{
    if (!m_request || m_records.empty())
        return std::nullopt;
    return m_records.back();
}
