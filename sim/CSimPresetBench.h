// SPDX-License-Identifier: MIT
#pragma once

#include "CSimAdapter.h"
#include "CSimEeprom.h"
#include "CSimHumiditySensor.h"
#include "CSimLightSensor.h"
#include "CSimMotionSensor.h"
#include "CSimPowerMonitor.h"
#include "CSimTemperatureSensor.h"

#include <chrono>
#include <cstdint>
#include <memory>

// The adapters and slaves of the preset bench, for a test that wants to reach them.
struct SSimPresetBench
{
    std::shared_ptr<CSimAdapter> adapterA;
    std::shared_ptr<CSimAdapter> adapterB;
    std::shared_ptr<CSimAdapter> adapterC;
    std::shared_ptr<CSimLightSensor> lightSensorA;
    std::shared_ptr<CSimEeprom> eepromA;
    std::shared_ptr<CSimEeprom> largeEepromA; // only with SSimPresetOptions::largeEeprom
    std::shared_ptr<CSimTemperatureSensor> temperatureA;
    std::shared_ptr<CSimPowerMonitor> powerMonitorA;
    std::shared_ptr<CSimLightSensor> lightSensorB;
    std::shared_ptr<CSimEeprom> eepromB;
    std::shared_ptr<CSimEeprom> halvesEepromB; // 128 KiB, halves at 0x53 and 0x57
    std::shared_ptr<CSimMotionSensor> motionSensorB;
    std::shared_ptr<CSimEeprom> eepromC;       // 2 KiB in eight blocks at 0x50 to 0x57
    std::shared_ptr<CSimTemperatureSensor> temperatureC;
    std::shared_ptr<CSimHumiditySensor> humidityC;
};

// How the preset bench behaves. The defaults give the bench that tests rely on; the demo
// program switches everything on, so that long transfers take real time and a watched
// sensor draws a live curve.
struct SSimPresetOptions
{
    std::chrono::nanoseconds framePeriod = std::chrono::milliseconds(1);
    bool busTiming = false;   // see CSimAdapter::SetBusTiming
    bool liveValues = false;  // noisy light readings, drifting temperatures and currents
    bool largeEeprom = false; // a 32 KiB EEPROM at 0x51 on adapter A
};

// A ready bench for the demo program and for tests: one adapter of each model with
// fixed serial numbers, each with slaves on its bus. Adapter A: light sensor at 0x23,
// power monitor at 0x40, temperature sensor at 0x48, 256-byte EEPROM at 0x50, and on
// request a 32 KiB EEPROM at 0x51. Adapter B: light sensor at 0x23, 256-byte EEPROM at
// 0x50, a 128 KiB EEPROM of the 24xx1025 kind whose halves answer at 0x53 and 0x57, and a
// motion sensor at 0x68. Adapter C: a 2 KiB EEPROM of the 24C16 kind, its eight blocks at
// 0x50 to 0x57, a temperature sensor at 0x48 and a humidity sensor of the command kind at
// 0x40 (its 0xFE is a reset, so Identify must not send it). The EEPROMs start with a short text and
// are blank (0xFF) after it; the 32 KiB, 128 KiB and 2 KiB ones stay busy for 5 ms after
// each write.
// Replies take 1 ms frames, as with real adapters; pass 0 for the fastest tests. Adds to
// what is attached already.
class CSimPresetBench
{
public:
    static constexpr const wchar_t *SERIAL_A = L"SIM-A-0001";
    static constexpr const wchar_t *SERIAL_B = L"SIM-B-0002";
    static constexpr const wchar_t *SERIAL_C = L"SIM-C-0003";
    static constexpr std::uint8_t LIGHT_SENSOR_ADDRESS = 0x23;
    static constexpr std::uint8_t EEPROM_ADDRESS = 0x50;
    static constexpr std::uint8_t LARGE_EEPROM_ADDRESS = 0x51;
    static constexpr std::uint8_t HALVES_EEPROM_ADDRESS = 0x53;
    static constexpr std::uint8_t HALVES_UPPER_ADDRESS = 0x57;
    static constexpr std::uint8_t TEMPERATURE_SENSOR_ADDRESS = 0x48;
    static constexpr std::uint8_t POWER_MONITOR_ADDRESS = 0x40;
    static constexpr std::uint8_t MOTION_SENSOR_ADDRESS = 0x68;
    static constexpr std::uint8_t HUMIDITY_SENSOR_ADDRESS = 0x40;

    static SSimPresetBench
    Attach(std::chrono::nanoseconds framePeriod = std::chrono::milliseconds(1));
    static SSimPresetBench Attach(const SSimPresetOptions &options);
};
