// SPDX-License-Identifier: MIT
#pragma once

#include "CSimpleHidClass.h"
#include "CVtlTransferObserver.h"
#include "EFailureKind.h"
#include "I2cTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Model-independent half of the adapter driver: finds an adapter's special-mode HID
// interface by serial number and runs I2C transactions as exchanges of 64-byte
// reports. What differs between models is supplied by the virtual operations.
// Never throws; a failing operation returns false and leaves GetLastError() and
// GetLastErrorKind().
class CVtlI2c
{
public:
    virtual ~CVtlI2c();

    CVtlI2c(const CVtlI2c &) = delete;
    CVtlI2c &operator=(const CVtlI2c &) = delete;
    CVtlI2c(CVtlI2c &&) = delete;
    CVtlI2c &operator=(CVtlI2c &&) = delete;

    virtual bool Write(const std::vector<unsigned char> &data, SI2cWriteResult &result,
                       bool generateStart, bool generateStop);
    virtual bool Probe(unsigned char address);
    virtual std::wstring GetTypeName() const = 0;
    virtual bool IsSpeedSupported(EI2cSpeed speed) const = 0;
    virtual std::size_t GetMaxReadCount() const = 0;
    virtual bool HasPullUpSwitch() const;
    virtual bool SetPullUpsEnabled(bool enabled);
    virtual bool GetPullUpsEnabled() const;
    // Whether a write of the address byte alone, with start and stop, can go on the bus.
    virtual bool CanWriteAddressOnly() const;
    // The most bytes one write may carry, the address byte included.
    virtual std::size_t GetMaxWriteCount() const;

    bool Connect(const std::wstring &serial, EI2cSpeed speed);
    void Disconnect();
    bool IsConnected() const;
    bool IsPresent() const;
    bool SetSpeed(EI2cSpeed speed);
    EI2cSpeed GetSpeed() const;
    bool Read(unsigned char address, unsigned long long count, SI2cReadResult &result);
    std::wstring GetSerialNumber() const;
    std::wstring GetProductName() const;
    std::uint16_t GetFirmware() const;
    std::string GetLastError() const;
    EFailureKind GetLastErrorKind() const;
    // The model's identity on USB: its product ID and the number of its special-mode
    // interface.
    std::uint16_t GetProductId() const { return m_productId; }
    int GetInterfaceNumber() const { return m_interfaceNumber; }

    // Installs (or, with nullptr, removes) the observer of the following writes and
    // reads. The driver does not own it. Without an observer every transfer runs to its
    // end exactly as it always has.
    void SetTransferObserver(CVtlTransferObserver *observer);

    static bool EnumerateInterface(std::uint16_t productId, int interfaceNumber,
                                   std::vector<std::wstring> &serials);

protected:
    CVtlI2c(std::uint16_t productId, int interfaceNumber);

    virtual unsigned char GetEnableFlags(EI2cSpeed speed) const = 0;
    virtual void FillReadRequest(std::vector<unsigned char> &report, unsigned char address,
                                 std::size_t count) const = 0;
    virtual bool ApplyConfiguration(EI2cSpeed speed);

    bool SendReport(const std::vector<unsigned char> &report);
    bool ReceiveReport(unsigned char reportId, std::vector<unsigned char> &reply);
    void FlushInput();
    bool SendEnable(bool enable, unsigned char flags);
    void SetLastError(EFailureKind kind, std::string text);
    // A kind with its one fixed text.
    void SetLastError(EFailureKind kind);

    // True when the observer asks to stop; the transfer then fails as cancelled.
    bool IsCancelRequested() const;
    void ReportProgress(std::size_t done, std::size_t total) const;
    // After a cancelled transfer: the configuration sent again makes the adapter drop
    // the transaction it is still working on, and what it had already sent is read away,
    // so the next transaction does not take stale replies for its own.
    void AbortTransfer();

private:
    // One awaited input report into m_input, within the reply time-out.
    bool AwaitReport();
    // Ends a cancelled transfer as cancelled, aborting it on the adapter when any
    // report of it went out.
    bool CancelTransfer(bool started);

    std::string m_lastError;
    EFailureKind m_lastErrorKind = EFailureKind::None;
    std::uint16_t m_productId;
    std::int32_t m_interfaceNumber;
    CSimpleHidClass m_hid;
    std::wstring m_serialNumber;
    std::wstring m_productName;
    std::uint16_t m_firmware = 0;
    EI2cSpeed m_speed = EI2cSpeed::Speed100k;

    // Reused for every report, so a long transfer allocates nothing per report.
    std::vector<unsigned char> m_request;
    std::vector<unsigned char> m_reply;
    std::vector<unsigned char> m_input;
    CVtlTransferObserver *m_observer = nullptr;
    bool m_transferCancelled = false;
};
