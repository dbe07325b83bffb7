// SPDX-License-Identifier: MIT
#pragma once

#include "CSimBusClock.h"
#include "CSimFaults.h"
#include "CSimFirmware.h"
#include "CSimFrameClock.h"
#include "CSimReportLog.h"
#include "SimTypes.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CSimHandle;
class CSimSlave;

// One simulated adapter on the USB bus: its identity and HID interfaces, the firmware
// behind its special-mode interface, the slaves on its I2C bus, the faults armed on it
// and the log of what the host wrote to it. Get one from CSimBus::Attach(). Every
// operation may be called from any thread; faults are armed until used up or cleared.
//
// Interfaces: 0 (an I/O interface that never answers special-mode reports), on models A
// and C also 1, and the special-mode interface (2 on A and C, 1 on B). Each listed
// interface has a path of its own, which changes when the adapter is plugged in again.
//
// Every enable report (enable or disable) stops the transaction the adapter is working on:
// replies that are not yet readable are withdrawn from the special-mode interface and the
// bus is free at once. Replies already readable stay queued for the host to flush.
class CSimAdapter : public std::enable_shared_from_this<CSimAdapter>
{
public:
    using Clock = std::chrono::steady_clock;

    explicit CSimAdapter(const SSimAdapterConfig &config);

    SSimAdapterConfig GetConfig() const { return m_config; }
    ESimModel GetModel() const { return m_config.model; }
    int GetSpecialInterface() const { return SimSpecialInterface(m_config.model); }
    std::vector<int> GetInterfaceNumbers() const;
    // The path the system lists the interface under now; empty while unplugged.
    std::string GetPath(int interfaceNumber) const;
    std::string GetSpecialPath() const { return GetPath(GetSpecialInterface()); }

    // Unplugging removes the adapter from enumeration and makes every open handle fail
    // each read and write; plugging it in again powers it up afresh (I2C function off)
    // under new paths, and the host has to open it again.
    bool IsPlugged() const;
    void Unplug();
    void Plug();
    // Removes the adapter from the bus for good (as CSimBus::Detach does).
    void Detach();

    // Puts a slave on the bus at a 7-bit address, replacing one already there.
    template <typename TSlave>
    std::shared_ptr<TSlave> AddSlave(std::uint8_t address, std::shared_ptr<TSlave> slave)
    {
        AddSlaveObject(address, slave);
        return slave;
    }
    void RemoveSlave(std::uint8_t address);
    // The slave answering at a 7-bit address, or null.
    std::shared_ptr<CSimSlave> GetSlave(std::uint8_t address) const;

    // The firmware's state as the host has configured it.
    bool IsI2cEnabled() const;
    std::uint8_t GetSpeedCode() const;
    bool GetPullUpsEnabled() const;
    bool IsTransactionOpen() const;
    // Largest number of data bytes per read reply, 1 to 62 (62 by default).
    void SetReadChunkSize(std::size_t bytes);

    // Reply latency of a full-speed interrupt endpoint: a reply becomes readable at the
    // next boundary of a fixed frame grid, one input report per frame. 0 (the default)
    // makes replies readable at once.
    void SetFramePeriod(std::chrono::nanoseconds period);
    // Time on the I2C bus at the speed the host configured, off by default. When on, a
    // transaction costs 9 bit times per byte (the address byte included), one for a start
    // or repeated start and one for a stop, and the bus serves one request after the
    // other. A write reply becomes readable when the request's bytes are clocked out, a read
    // reply when the last byte it carries is clocked in; each then still waits for its
    // frame slot. A 65,535-byte read with 1 ms frames thus takes about 5.9 s at 100 kbit/s
    // and 1.06 s (1,058 frames) at 1000 kbit/s. The slaves still see each request at once.
    void SetBusTiming(bool enabled);
    // Time source of the replies' readiness, so a test can step time instead of waiting.
    // It restarts the frame grid and frees the bus; with it, a read that finds no reply due
    // waits only for new reports or its time-out, as the clock does not move by itself.
    void SetClock(std::function<Clock::time_point()> now);
    // The next `count` replies are lost (the host sees "Timeout").
    void DropReplies(int count);
    // A report delivered just before the next reply; call once per report.
    void InjectStrayReport(std::vector<unsigned char> report);
    // The next reply carries this status (and, in a write reply, this error code). With
    // bit 6 or 7 set the transaction is over: the rest of a read is not sent.
    void ForceNextStatus(std::uint8_t status, std::uint8_t errorCode = 0);
    // The next read reply with data announces 63 bytes in its status.
    void AnnounceOversizedRead();
    // The next `count` writes of more than `acceptedBytes` bytes get only that many
    // through; such a report does not reach the adapter.
    void ShortenNextWrite(std::size_t acceptedBytes, int count = 1);
    // While set, opening any interface fails with a permission-denied text.
    void SetOpenDenied(bool denied);
    // Queues an input report on the special-mode interface at once.
    void PushInputReport(std::vector<unsigned char> report);
    void ClearFaults();

    // Every report the host wrote, byte for byte as written, in order.
    std::vector<std::vector<unsigned char>> GetReports(int interfaceNumber) const;
    std::vector<std::vector<unsigned char>> GetSpecialReports() const;
    std::vector<SSimLoggedReport> GetLog() const;
    void ClearReports();
    int GetOpenHandleCount() const;

private:
    friend class CSimBus;
    friend class CSimHandle;

    struct SListedInterface
    {
        int number = 0;
        std::string path;
        std::uint16_t usagePage = 0;
        std::uint16_t usage = 0;
    };

    void AddSlaveObject(std::uint8_t address, std::shared_ptr<CSimSlave> slave);

    // Called with SimMutex() held.
    Clock::time_point NowLocked() const { return m_clock ? m_clock() : Clock::now(); }
    bool HasOwnClockLocked() const { return static_cast<bool>(m_clock); }
    const std::vector<SListedInterface> &ListedLocked() const { return m_listed; }
    bool IsOpenDeniedLocked() const { return m_faults.IsOpenDenied(); }
    void SetAttachedLocked(bool attached) { m_attached = attached; }
    void PlugLocked();
    void UnplugLocked();
    void AddHandleLocked(CSimHandle *handle);
    void RemoveHandleLocked(CSimHandle *handle);
    int HandleWrite(CSimHandle &handle, const unsigned char *data, std::size_t length);
    void HandleSpecialReport(const unsigned char *data, std::size_t length);
    void DeliverLocked(const std::vector<unsigned char> &report, Clock::time_point readyAt);
    void AbandonLocked(Clock::time_point now);

    const SSimAdapterConfig m_config;
    CSimFirmware m_firmware;
    CSimFaults m_faults;
    CSimFrameClock m_frameClock;
    CSimBusClock m_busClock;
    std::function<Clock::time_point()> m_clock;
    CSimReportLog m_log;
    std::vector<SListedInterface> m_listed;
    std::vector<CSimHandle *> m_handles;
    bool m_attached = false;
    bool m_plugged = false;
};
