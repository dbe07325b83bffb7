// SPDX-License-Identifier: MIT
#include "CDriverSession.h"

#include "CVtlDeviceFactory.h"
#include "ConnectionReplay.h"
#include "DriverLimits.h"
#include "FuzzCheck.h"
#include "SessionFormat.h"
#include "TransactionReplay.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace {

// What a result record holds before a call, so a record left alone stands out.
constexpr std::uint8_t UNTOUCHED = 0xEE;
constexpr std::size_t UNTOUCHED_BYTES = 16;

std::string Hex(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

std::string Narrow(const std::wstring &text)
{
    std::string narrow;
    for (const wchar_t unit : text)
        narrow += unit < 0x80 ? static_cast<char>(unit) : '?';
    return narrow;
}

std::string Flag(bool value)
{
    return value ? "true" : "false";
}

} // namespace

CDriverSession::CDriverSession(CSessionInput &input, CScriptedHid &hid)
    : m_input(input)
    , m_hid(hid)
    , m_setup(ReadSetup(input))
    , m_traits(&TraitsOf(m_setup.model))
{
    if (m_setup.unknownModel)
        FuzzCheck(CVtlDeviceFactory::Create(*m_setup.unknownModel) == nullptr,
                  "the factory made a driver for model value " +
                      std::to_string(static_cast<int>(*m_setup.unknownModel)));
    m_hid.Reset(&m_input, (m_setup.flags & SILENT_ERRORS) != 0);
    ListSystem(m_hid, m_setup);
    m_driver = CVtlDeviceFactory::Create(m_setup.model);
    FuzzCheck(m_driver != nullptr, "the factory made no driver for model " +
                                       std::to_string(static_cast<int>(m_setup.model)));
    CheckSettings("the new driver");
}

CDriverSession::~CDriverSession()
{
    BeginCall(0, 0);
    m_driver.reset();
    const std::vector<SHidCall> calls = m_hid.EndCall();
    CCallReplay replay(calls, "destroying the driver");
    ReplayDisconnect(replay, m_connected);
    replay.ExpectEnd();
    FuzzCheck(m_hid.GetOpenHandleCount() == 0, "the destroyed driver left a device open");
    FuzzCheck(!m_hid.IsInitialised(), "the library is still initialised after the last driver");
}

void CDriverSession::Run(int maxHostCalls)
{
    if ((m_setup.flags & PULL_UPS_OFF) != 0)
        SetPullUps(false);
    Connect(m_setup.speed);
    for (int call = 0; call < maxHostCalls && !m_input.AtEnd(); ++call)
        RunHostCall(m_input.TakeByte());
}

void CDriverSession::RunHostCall(std::uint8_t code)
{
    switch (static_cast<EHostCall>(code % HOST_CALL_COUNT)) {
    case EHostCall::Write:
        Write();
        break;
    case EHostCall::Read:
        Read();
        break;
    case EHostCall::Probe:
        Probe();
        break;
    case EHostCall::SetSpeed:
        SetSpeed();
        break;
    case EHostCall::SetPullUps:
        SetPullUps((m_input.TakeByte() & 1) != 0);
        break;
    case EHostCall::IsPresent:
        IsPresent();
        break;
    case EHostCall::WriteFault: {
        const std::uint8_t fault = m_input.TakeByte();
        m_hid.ArmWriteFault((fault & 1) != 0, fault >> 1);
        break;
    }
    case EHostCall::Unplug:
        m_hid.Unplug();
        break;
    case EHostCall::Replug:
        m_hid.Replug();
        break;
    case EHostCall::Connect:
        Connect(static_cast<std::uint8_t>(m_input.TakeByte() % 6));
        break;
    case EHostCall::Disconnect:
        Disconnect();
        break;
    case EHostCall::QueueStale: {
        const std::size_t count = m_input.TakeByte() * STALE_UNIT;
        m_hid.QueueStale(count, m_input.TakeByte());
        break;
    }
    case EHostCall::EnumerateAll:
        EnumerateAll();
        break;
    case EHostCall::Observe:
        Observe(m_input.TakeByte());
        break;
    }
}

void CDriverSession::Connect(std::uint8_t speed)
{
    const std::vector<SListedInterface> listing = m_hid.GetListing();
    const SCallState state = BeginCall(0, 0);
    const bool ok = m_driver->Connect(m_setup.serial, static_cast<EI2cSpeed>(speed));
    const std::vector<SHidCall> calls = m_hid.EndCall();

    const std::string name =
        "Connect(\"" + Narrow(m_setup.serial) + "\", speed " + std::to_string(speed) + ")";
    CCallReplay replay(calls, name);
    std::optional<SListedInterface> opened;
    const SOutcome outcome = ReplayConnect(replay, state, listing, m_setup.serial, speed,
                                           !m_traits->firmwareB || m_pullUps, opened);
    replay.ExpectEnd();
    CheckOutcome(name, ok, outcome);
    ForgetConnection();
    if (outcome.ok) {
        m_connected = true;
        m_speed = speed;
        const std::wstring product = opened->product.value_or(L"");
        m_productName = product.empty() ? std::wstring(m_traits->typeName) : product;
        m_firmware = opened->releaseNumber;
    }
    CheckSettings(name);
}

void CDriverSession::Disconnect()
{
    const SCallState state = BeginCall(0, 0);
    m_driver->Disconnect();
    const std::vector<SHidCall> calls = m_hid.EndCall();
    CCallReplay replay(calls, "Disconnect()");
    ReplayDisconnect(replay, state.connected);
    replay.ExpectEnd();
    ForgetConnection();
    CheckSettings("Disconnect()");
}

void CDriverSession::Write()
{
    const std::uint8_t flags = m_input.TakeByte();
    const std::size_t length = m_input.TakeWord() % (MAX_WRITE_LENGTH + 1);
    const bool start = (flags & 1) != 0;
    const bool stop = (flags & 2) != 0;
    std::vector<unsigned char> data(length);
    for (std::size_t i = 0; i < length; ++i)
        data[i] = static_cast<unsigned char>((flags >> 2) + i);
    const std::size_t chunks = ChunkCount(length);

    const SCallState state = BeginCall(0x02, chunks);
    SI2cWriteResult result{UNTOUCHED, UNTOUCHED};
    const bool ok = m_driver->Write(data, result, start, stop);
    const std::vector<SHidCall> calls = m_hid.EndCall();

    const std::string name = "Write(" + std::to_string(length) + " bytes, start " + Flag(start) +
                             ", stop " + Flag(stop) + ")";
    std::size_t reports = 0;
    for (const SHidCall &call : calls) {
        if (call.call != EHidCall::Write || call.bytes.size() < 2 || call.bytes[0] != 0x02)
            continue;
        ++reports;
        FuzzCheck(reports <= chunks, name + ": sent more write reports than its " +
                                         std::to_string(chunks) + " chunks");
        const bool startBit = (call.bytes[1] & 0x80) != 0;
        const bool stopBit = (call.bytes[1] & 0x40) != 0;
        FuzzCheck(!startBit || (start && reports == 1),
                  name + ": start bit on write report " + std::to_string(reports));
        FuzzCheck(!stopBit || (stop && reports == chunks), name + ": stop bit on write report " +
                                                               std::to_string(reports) + " of " +
                                                               std::to_string(chunks));
    }

    CCallReplay replay(calls, name);
    SI2cWriteResult expected;
    const SOutcome outcome = ReplayWrite(replay, state, data, start, stop, expected);
    replay.ExpectEnd();
    CheckOutcome(name, ok, outcome);
    if (result.status != expected.status || result.errorCode != expected.errorCode) {
        FuzzCheck(result.status != UNTOUCHED || result.errorCode != UNTOUCHED,
                  name + ": the write result was not reset at the start of the call");
        FuzzFail(name + ": write result " + Hex(result.status) + "/" + Hex(result.errorCode) +
                 ", the last reply said " + Hex(expected.status) + "/" + Hex(expected.errorCode));
    }
    CheckSettings(name);
}

void CDriverSession::Read()
{
    const unsigned char address = m_input.TakeByte();
    const std::uint32_t low = m_input.TakeWord();
    const std::uint32_t high = m_input.TakeByte();
    unsigned long long count = low | ((high & 1U) << 16);
    if ((high & 2U) != 0)
        count += 1ULL << 32;
    const bool valid = count >= 1 && count <= m_traits->maxReadCount;

    const SCallState state = BeginCall(0x03, valid ? static_cast<std::size_t>(count) : 0);
    SI2cReadResult result;
    result.status = UNTOUCHED;
    result.data.assign(UNTOUCHED_BYTES, UNTOUCHED);
    const bool ok = m_driver->Read(address, count, result);
    const std::vector<SHidCall> calls = m_hid.EndCall();

    const std::string name = "Read(" + Hex(address) + ", " + std::to_string(count) + ")";
    if (ok)
        FuzzCheck(result.data.size() == count,
                  name + ": succeeded with " + std::to_string(result.data.size()) + " bytes");
    else
        FuzzCheck(result.data.size() <= count,
                  name + ": failed with " + std::to_string(result.data.size()) + " bytes");

    CCallReplay replay(calls, name);
    SI2cReadResult expected;
    bool requestSent = false;
    const SOutcome outcome = ReplayRead(replay, state, address, count, expected, requestSent);
    replay.ExpectEnd();
    CheckOutcome(name, ok, outcome);
    if (!requestSent) {
        FuzzCheck(result.status == 0 && result.data.empty(),
                  name + ": failed before its request and left the read result unreset");
        FuzzCheck(result.data.capacity() == 0,
                  name + ": the read result keeps the storage of its earlier data");
    }
    FuzzCheck(result.status == expected.status, name + ": read status " + Hex(result.status) +
                                                    ", the last reply said " +
                                                    Hex(expected.status));
    if (result.data != expected.data) {
        const auto mismatch = std::mismatch(result.data.begin(), result.data.end(),
                                            expected.data.begin(), expected.data.end());
        FuzzFail(name + ": " + std::to_string(result.data.size()) + " bytes read, the replies " +
                 "carried " + std::to_string(expected.data.size()) + "; first difference at " +
                 std::to_string(mismatch.first - result.data.begin()));
    }
    CheckSettings(name);
}

void CDriverSession::Probe()
{
    const unsigned char address = m_input.TakeByte();
    const std::string name = "Probe(" + Hex(address) + ")";
    if (m_traits->firmwareB) {
        const SCallState state = BeginCall(0x03, 1);
        const bool ok = m_driver->Probe(address);
        const std::vector<SHidCall> calls = m_hid.EndCall();
        CCallReplay replay(calls, name);
        SI2cReadResult expected;
        bool requestSent = false;
        const SOutcome outcome = ReplayRead(replay, state, address, 1, expected, requestSent);
        replay.ExpectEnd();
        CheckOutcome(name, ok, outcome);
    } else {
        const SCallState state = BeginCall(0x02, 1);
        const bool ok = m_driver->Probe(address);
        const std::vector<SHidCall> calls = m_hid.EndCall();
        CCallReplay replay(calls, name);
        SI2cWriteResult expected;
        const std::vector<unsigned char> data{static_cast<unsigned char>(address << 1)};
        const SOutcome outcome = ReplayWrite(replay, state, data, true, true, expected);
        replay.ExpectEnd();
        CheckOutcome(name, ok, outcome);
    }
    CheckSettings(name);
}

void CDriverSession::SetSpeed()
{
    const std::uint8_t speed = m_input.TakeByte();
    const SCallState state = BeginCall(0, 0);
    const bool ok = m_driver->SetSpeed(static_cast<EI2cSpeed>(speed));
    const std::vector<SHidCall> calls = m_hid.EndCall();

    const std::string name = "SetSpeed(" + std::to_string(speed) + ")";
    CCallReplay replay(calls, name);
    const SOutcome outcome =
        ReplaySetSpeed(replay, state, speed, !m_traits->firmwareB || m_pullUps);
    replay.ExpectEnd();
    CheckOutcome(name, ok, outcome);
    if (outcome.ok)
        m_speed = speed;
    CheckSettings(name);
}

void CDriverSession::SetPullUps(bool enabled)
{
    const SCallState state = BeginCall(0, 0);
    const bool ok = m_driver->SetPullUpsEnabled(enabled);
    const std::vector<SHidCall> calls = m_hid.EndCall();

    const std::string name = "SetPullUpsEnabled(" + Flag(enabled) + ")";
    CCallReplay replay(calls, name);
    SOutcome outcome;
    if (!m_traits->firmwareB) {
        if (!enabled)
            outcome =
                Failed(EFailureKind::NotSupported, "Pull-ups can not be switched on this device");
    } else {
        const bool previous = m_pullUps;
        m_pullUps = enabled;
        if (previous != enabled && m_connected) {
            outcome = ReplayConfiguration(replay, state, m_speed, enabled);
            if (!outcome.ok)
                m_pullUps = previous;
        }
    }
    replay.ExpectEnd();
    CheckOutcome(name, ok, outcome);
    CheckSettings(name);
}

void CDriverSession::IsPresent()
{
    const std::vector<SListedInterface> listing = m_hid.GetListing();
    const SCallState state = BeginCall(0, 0);
    const bool present = m_driver->IsPresent();
    const std::vector<SHidCall> calls = m_hid.EndCall();

    CCallReplay replay(calls, "IsPresent()");
    bool expected = false;
    if (state.connected) {
        replay.Expect(EHidCall::Enumerate, "the enumeration that looks for the adapter");
        const std::vector<std::wstring> serials = ListedSerials(*m_traits, listing);
        expected = std::find(serials.begin(), serials.end(), m_setup.serial) != serials.end();
    }
    replay.ExpectEnd();
    FuzzCheck(present == expected,
              "IsPresent() is " + Flag(present) + ", the system says " + Flag(expected));
    CheckSettings("IsPresent()");
}

void CDriverSession::EnumerateAll()
{
    const std::vector<SListedInterface> listing = m_hid.GetListing();
    BeginCall(0, 0);
    const std::vector<SVtlDeviceEntry> entries = CVtlDeviceFactory::EnumerateDevices();
    const std::vector<SHidCall> calls = m_hid.EndCall();

    const std::string name = "CVtlDeviceFactory::EnumerateDevices()";
    CCallReplay replay(calls, name);
    std::vector<SVtlDeviceEntry> expected;
    const std::array<EVtlType, 3> models = {EVtlType::VtlA, EVtlType::VtlB, EVtlType::VtlC};
    for (const EVtlType model : models) {
        replay.Expect(EHidCall::Enumerate,
                      "the enumeration of model " + std::to_string(static_cast<int>(model)));
        for (const std::wstring &serial : ListedSerials(TraitsOf(model), listing))
            expected.push_back(SVtlDeviceEntry{model, serial});
    }
    replay.ExpectEnd();
    FuzzCheck(entries.size() == expected.size(), name + ": " + std::to_string(entries.size()) +
                                                     " adapters, " +
                                                     std::to_string(expected.size()) + " listed");
    for (std::size_t i = 0; i < entries.size(); ++i)
        FuzzCheck(entries[i].type == expected[i].type && entries[i].serial == expected[i].serial,
                  name + ": entry " + std::to_string(i) + " is \"" + Narrow(entries[i].serial) +
                      "\", expected \"" + Narrow(expected[i].serial) + "\"");
    CheckSettings(name);
}

void CDriverSession::Observe(std::uint8_t plan)
{
    if (plan == 0) {
        m_driver->SetTransferObserver(nullptr);
        m_observer.reset();
        return;
    }
    auto observer = std::make_unique<CSessionObserver>(m_hid, plan & 0x3F);
    m_driver->SetTransferObserver(observer.get());
    m_observer = std::move(observer);
}

SCallState CDriverSession::BeginCall(unsigned char awaitedId, std::size_t replyBound)
{
    SCallState state;
    state.traits = m_traits;
    state.connected = m_driver->IsConnected();
    state.dead = m_hid.IsOpenHandleDead();
    state.queued = m_hid.GetQueuedReports();
    state.observed = m_observer != nullptr;
    state.speed = m_speed;
    state.pullUps = !m_traits->firmwareB || m_pullUps;
    if (m_observer != nullptr)
        m_observer->BeginCall();
    m_hid.BeginCall(awaitedId, replyBound, state.observed);
    return state;
}

void CDriverSession::CheckOutcome(const std::string &call, bool ok, const SOutcome &expected) const
{
    const std::string error = m_driver->GetLastError();
    FuzzCheck(ok || !error.empty(), call + ": failed without an error text");
    FuzzCheck(ok == expected.ok, call + ": returned " + Flag(ok) + ", expected " +
                                     Flag(expected.ok) + " (error text \"" + error + "\")");
    if (!ok && !expected.error.empty())
        FuzzCheck(error == expected.error,
                  call + ": error text \"" + error + "\", expected \"" + expected.error + "\"");
    if (!ok && expected.kind)
        FuzzCheck(m_driver->GetLastErrorKind() == *expected.kind,
                  call + ": error kind " + std::to_string(int(m_driver->GetLastErrorKind())) +
                      ", expected " + std::to_string(int(*expected.kind)));
}

void CDriverSession::CheckSettings(const std::string &call) const
{
    FuzzCheck(m_driver->IsConnected() == m_connected,
              call + ": IsConnected() is " + Flag(m_driver->IsConnected()));
    FuzzCheck(m_hid.GetOpenHandleCount() == (m_connected ? 1 : 0),
              call + ": " + std::to_string(m_hid.GetOpenHandleCount()) + " handles open");
    const auto speed = static_cast<std::uint8_t>(m_driver->GetSpeed());
    FuzzCheck(speed == m_speed, call + ": GetSpeed() is " + std::to_string(speed) + ", expected " +
                                    std::to_string(m_speed));
    FuzzCheck(m_driver->GetSerialNumber() == (m_connected ? m_setup.serial : std::wstring()),
              call + ": serial number \"" + Narrow(m_driver->GetSerialNumber()) + "\"");
    FuzzCheck(m_driver->GetProductName() == m_productName,
              call + ": product name \"" + Narrow(m_driver->GetProductName()) + "\", expected \"" +
                  Narrow(m_productName) + "\"");
    FuzzCheck(m_driver->GetFirmware() == m_firmware,
              call + ": firmware " + std::to_string(m_driver->GetFirmware()) + ", expected " +
                  std::to_string(m_firmware));
    FuzzCheck(m_driver->GetPullUpsEnabled() == (!m_traits->firmwareB || m_pullUps),
              call + ": GetPullUpsEnabled() is " + Flag(m_driver->GetPullUpsEnabled()));
    FuzzCheck(m_driver->HasPullUpSwitch() == m_traits->firmwareB,
              call + ": HasPullUpSwitch() is " + Flag(m_driver->HasPullUpSwitch()));
    FuzzCheck(m_driver->GetTypeName() == m_traits->typeName,
              call + ": type name \"" + Narrow(m_driver->GetTypeName()) + "\"");
    FuzzCheck(m_driver->GetMaxReadCount() == m_traits->maxReadCount,
              call + ": GetMaxReadCount() is " + std::to_string(m_driver->GetMaxReadCount()));
}

void CDriverSession::ForgetConnection()
{
    m_connected = false;
    m_speed = 0;
    m_productName.clear();
    m_firmware = 0;
}
