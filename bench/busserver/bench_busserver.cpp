// SPDX-License-Identifier: MIT
// What sharing an adapter costs: one transaction through the bus server beside the same
// transaction in process (zero-latency simulator), and four clients reading at once with
// the largest gap the server's event loop showed meanwhile.
#include "BenchMain.h"
#include "CBusServer.h"
#include "CBusSession.h"
#include "CSimBus.h"
#include "CSimEeprom.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <vector>

namespace {

constexpr std::uint8_t EEPROM = 0x50;
const std::wstring SERIAL = L"BENCH-1";
const STransactionRequest READ4 = STransactionRequest::Read(EEPROM, 4);

void AttachAdapter()
{
    CSimBus::Instance().Reset();
    auto adapter = CSimBus::Instance().Attach(ESimModel::A, SERIAL);
    adapter->AddSlave(EEPROM, std::make_shared<CSimEeprom>());
    adapter->SetFramePeriod(std::chrono::nanoseconds(0));
}

// The owner's session and its server in a thread of their own with an event loop, as in the
// window, and a timer there that measures how long the loop was kept from it.
class CServedAdapter
{
public:
    CServedAdapter()
    {
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
        AttachAdapter();
        m_thread.start();
        m_context.moveToThread(&m_thread);
        QMetaObject::invokeMethod(
            &m_context,
            [this] {
                m_session = std::make_unique<CBusSession>();
                m_session->Connect({EVtlType::VtlA, SERIAL}, EI2cSpeed::Speed100k);
                m_server = std::make_unique<CBusServer>(*m_session);
                m_serving = m_server->Start();
                m_timer = std::make_unique<QTimer>();
                m_timer->setInterval(1);
                QObject::connect(m_timer.get(), &QTimer::timeout, [this] { onTick(); });
                m_timer->start();
            },
            Qt::BlockingQueuedConnection);
    }
    ~CServedAdapter()
    {
        QMetaObject::invokeMethod(
            &m_context,
            [this] {
                m_timer.reset();
                m_server.reset();
                m_session.reset();
            },
            Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    bool IsServing() const { return m_serving; }
    void ResetGap()
    {
        m_lastTick = {};
        m_maxGapUs = 0;
    }
    // The longest time between two ticks of the 1 ms timer, less the interval itself.
    double MaxGapMs() const { return std::max(0.0, double(m_maxGapUs.load()) / 1000.0 - 1.0); }

private:
    void onTick()
    {
        const auto now = std::chrono::steady_clock::now();
        if (m_lastTick != std::chrono::steady_clock::time_point{}) {
            const auto gap =
                std::chrono::duration_cast<std::chrono::microseconds>(now - m_lastTick).count();
            m_maxGapUs = std::max<std::int64_t>(m_maxGapUs, gap);
        }
        m_lastTick = now;
    }

    QTemporaryDir m_runtime;
    QThread m_thread;
    QObject m_context;
    std::unique_ptr<CBusSession> m_session;
    std::unique_ptr<CBusServer> m_server;
    std::unique_ptr<QTimer> m_timer;
    bool m_serving = false;
    std::chrono::steady_clock::time_point m_lastTick;
    std::atomic<std::int64_t> m_maxGapUs{0};
};

// The blocking run of the command line, in process: the baseline.
void BM_InProcessRun(benchmark::State &state)
{
    AttachAdapter();
    CBusSession session;
    session.Connect({EVtlType::VtlA, SERIAL}, EI2cSpeed::Speed100k);
    for (auto _ : state) {
        if (!session.Run(READ4).ok)
            state.SkipWithError("read failed");
    }
}
BENCHMARK(BM_InProcessRun)->UseRealTime();

// The same run by a session that found the adapter served by another program.
void BM_ServedRun(benchmark::State &state)
{
    CServedAdapter served;
    CBusSession client;
    if (!served.IsServing() || !client.Connect({EVtlType::VtlA, SERIAL}, EI2cSpeed::Speed100k) ||
        !client.IsRemote()) {
        state.SkipWithError("no server");
        return;
    }
    for (auto _ : state) {
        if (!client.Run(READ4).ok)
            state.SkipWithError("read failed");
    }
}
BENCHMARK(BM_ServedRun)->UseRealTime();

// Four clients, each with 10,000 one-byte reads, against one server.
void BM_FourClientsGap(benchmark::State &state)
{
    constexpr int CLIENTS = 4;
    constexpr int READS = 10000;
    CServedAdapter served;
    if (!served.IsServing()) {
        state.SkipWithError("no server");
        return;
    }
    double maxGapMs = 0;
    std::atomic<int> failures{0};
    for (auto _ : state) {
        served.ResetGap();
        std::vector<std::unique_ptr<QThread>> clients;
        for (int i = 0; i < CLIENTS; ++i) {
            clients.emplace_back(QThread::create([&failures] {
                CBusSession client;
                if (!client.Connect({EVtlType::VtlA, SERIAL}, EI2cSpeed::Speed100k)) {
                    ++failures;
                    return;
                }
                const STransactionRequest read = STransactionRequest::Read(EEPROM, 1);
                for (int n = 0; n < READS; ++n)
                    failures += client.Run(read).ok ? 0 : 1;
            }));
            clients.back()->start();
        }
        for (const auto &client : clients)
            client->wait();
        maxGapMs = std::max(maxGapMs, served.MaxGapMs());
    }
    if (failures != 0)
        state.SkipWithError("reads failed");
    state.counters["max_loop_gap_ms"] = maxGapMs;
    state.counters["reads_per_s"] = benchmark::Counter(
        double(CLIENTS * READS) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FourClientsGap)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    return RunQtBenchmarks<QCoreApplication>(argc, argv);
}
