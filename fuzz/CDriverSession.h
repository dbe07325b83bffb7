// SPDX-License-Identifier: MIT
#pragma once

#include "CSessionObserver.h"
#include "CVtlI2c.h"
#include "CallReplay.h"
#include "ScriptedHid.h"
#include "SessionInput.h"
#include "SessionSetup.h"

#include <cstdint>
#include <memory>
#include <string>

// One adapter driver driven through a scripted session. Every host call is checked as
// it returns: its result against what the library calls it made should give, its error
// text, its result record, and the driver's identity and settings afterwards.
class CDriverSession
{
public:
    CDriverSession(CSessionInput &input, CScriptedHid &hid);
    ~CDriverSession();

    CDriverSession(const CDriverSession &) = delete;
    CDriverSession &operator=(const CDriverSession &) = delete;

    void Run(int maxHostCalls);

private:
    void RunHostCall(std::uint8_t code);
    void Connect(std::uint8_t speed);
    void Disconnect();
    void Write();
    void Read();
    void Probe();
    void SetSpeed();
    void SetPullUps(bool enabled);
    void IsPresent();
    void EnumerateAll();
    void Observe(std::uint8_t plan);

    SCallState BeginCall(unsigned char awaitedId, std::size_t replyBound);
    void CheckOutcome(const std::string &call, bool ok, const SOutcome &expected) const;
    void CheckSettings(const std::string &call) const;
    void ForgetConnection();

    CSessionInput &m_input;
    CScriptedHid &m_hid;
    SSessionSetup m_setup;
    const SModelTraits *m_traits;
    // Declared before the driver, which refers to it, so that it outlives the driver.
    std::unique_ptr<CSessionObserver> m_observer;
    std::unique_ptr<CVtlI2c> m_driver;

    // What the driver must report, kept from the calls made so far.
    bool m_connected = false;
    std::uint8_t m_speed = 0;
    bool m_pullUps = true;
    std::wstring m_productName;
    std::uint16_t m_firmware = 0;
};
