// SPDX-License-Identifier: MIT
#pragma once

#include "CSimAdapter.h"
#include "SimTypes.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

struct hid_device_;
struct hid_device_info;
class CSimHandle;

// The simulated USB bus: the attached adapters, the open handles and the library's
// init/exit counters. The hidapi functions of this library run on the one instance,
// so a test drives the transport above it exactly as it would drive real adapters:
//
//     CSimBus::Instance().Reset();
//     auto adapter = CSimBus::Instance().Attach(ESimModel::A, L"A-0001");
//     auto eeprom = adapter->AddSlave(0x50, std::make_shared<CSimEeprom>());
//     ... open adapter->GetSpecialPath(), exchange reports ...
//     QCOMPARE(adapter->GetSpecialReports().size(), 2u);
class CSimBus
{
public:
    static CSimBus &Instance();

    std::shared_ptr<CSimAdapter> Attach(const SSimAdapterConfig &config);
    std::shared_ptr<CSimAdapter> Attach(ESimModel model,
                                        std::optional<std::wstring> serialNumber = std::nullopt);
    // Takes the adapter off the bus for good; its open handles fail from then on.
    void Detach(const std::shared_ptr<CSimAdapter> &adapter);
    std::vector<std::shared_ptr<CSimAdapter>> GetAdapters() const;

    // Between test cases: detaches every adapter (with its slaves, faults and log) and
    // zeroes the init/exit counters. Handles still open stay valid until closed.
    void Reset();

    // How often hid_init and hid_exit were called since the last Reset().
    int GetInitCount() const;
    int GetExitCount() const;

    // The hidapi functions' work, each under the simulator's lock.
    int Init();
    int Exit();
    hid_device_info *Enumerate(unsigned short vendorId, unsigned short productId) const;
    hid_device_ *Open(const char *path);
    void Close(hid_device_ *device);
    int Write(hid_device_ *device, const unsigned char *data, std::size_t length);
    int Read(hid_device_ *device, unsigned char *data, std::size_t length, int timeoutMs);
    const wchar_t *Error(hid_device_ *device) const;

private:
    CSimBus() = default;

    bool IsOpenHandleLocked(const hid_device_ *device) const;

    std::vector<std::shared_ptr<CSimAdapter>> m_adapters;
    std::unordered_set<const hid_device_ *> m_handles;
    int m_initCount = 0;
    int m_exitCount = 0;
};
