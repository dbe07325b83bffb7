// SPDX-License-Identifier: MIT
#include "CSimPresetBench.h"

#include "CSimBus.h"

#include <string_view>

namespace {

constexpr double LIGHT_NOISE = 0.005;
constexpr double TEMPERATURE_VARIATION = 1.5;
constexpr double TEMPERATURE_NOISE = 0.05;
constexpr double CURRENT_VARIATION = 0.2;
constexpr double CURRENT_NOISE = 0.01;

std::shared_ptr<CSimEeprom> MakeEeprom(std::string_view text,
                                       const SSimEepromGeometry &geometry = CSimEeprom::SMALL)
{
    auto eeprom = std::make_shared<CSimEeprom>(geometry);
    eeprom->SetContents(0, std::vector<unsigned char>(text.begin(), text.end()));
    return eeprom;
}

} // namespace

SSimPresetBench CSimPresetBench::Attach(std::chrono::nanoseconds framePeriod)
{
    SSimPresetOptions options;
    options.framePeriod = framePeriod;
    return Attach(options);
}

SSimPresetBench CSimPresetBench::Attach(const SSimPresetOptions &options)
{
    CSimBus &bus = CSimBus::Instance();
    SSimPresetBench bench;

    bench.adapterA = bus.Attach(ESimModel::A, SERIAL_A);
    bench.lightSensorA =
        bench.adapterA->AddSlave(LIGHT_SENSOR_ADDRESS, std::make_shared<CSimLightSensor>(320.0));
    bench.eepromA = bench.adapterA->AddSlave(EEPROM_ADDRESS, MakeEeprom("Bench EEPROM A"));
    bench.temperatureA = bench.adapterA->AddSlave(TEMPERATURE_SENSOR_ADDRESS,
                                                  std::make_shared<CSimTemperatureSensor>(23.5));
    bench.powerMonitorA = bench.adapterA->AddSlave(POWER_MONITOR_ADDRESS,
                                                   std::make_shared<CSimPowerMonitor>(5.0, 0.25));
    if (options.largeEeprom) {
        bench.largeEepromA = bench.adapterA->AddSlave(
            LARGE_EEPROM_ADDRESS, MakeEeprom("Bench 32 KiB EEPROM A", CSimEeprom::LARGE));
    }

    bench.adapterB = bus.Attach(ESimModel::B, SERIAL_B);
    bench.lightSensorB =
        bench.adapterB->AddSlave(LIGHT_SENSOR_ADDRESS, std::make_shared<CSimLightSensor>(85.0));
    bench.eepromB = bench.adapterB->AddSlave(EEPROM_ADDRESS, MakeEeprom("Bench EEPROM B"));
    bench.halvesEepromB = bench.adapterB->AddSlave(
        HALVES_EEPROM_ADDRESS, MakeEeprom("Bench 128 KiB EEPROM B", CSimEeprom::TWO_HALVES));
    bench.adapterB->AddSlave(HALVES_UPPER_ADDRESS, CSimEeprom::BlockPort(bench.halvesEepromB, 1));
    bench.motionSensorB =
        bench.adapterB->AddSlave(MOTION_SENSOR_ADDRESS, std::make_shared<CSimMotionSensor>());

    bench.adapterC = bus.Attach(ESimModel::C, SERIAL_C);
    bench.eepromC = bench.adapterC->AddSlave(
        EEPROM_ADDRESS, MakeEeprom("Bench EEPROM C", CSimEeprom::BLOCKS_OF_256));
    for (std::size_t block = 1; block < bench.eepromC->GetBlockCount(); ++block) {
        bench.adapterC->AddSlave(static_cast<std::uint8_t>(EEPROM_ADDRESS + block),
                                 CSimEeprom::BlockPort(bench.eepromC, block));
    }
    bench.temperatureC = bench.adapterC->AddSlave(TEMPERATURE_SENSOR_ADDRESS,
                                                  std::make_shared<CSimTemperatureSensor>(31.0));
    bench.humidityC = bench.adapterC->AddSlave(HUMIDITY_SENSOR_ADDRESS,
                                               std::make_shared<CSimHumiditySensor>(45.0, 24.0));

    if (options.liveValues) {
        for (const auto &sensor : {bench.lightSensorA, bench.lightSensorB})
            sensor->SetNoise(LIGHT_NOISE);
        for (const auto &sensor : {bench.temperatureA, bench.temperatureC}) {
            sensor->SetVariation(TEMPERATURE_VARIATION);
            sensor->SetNoise(TEMPERATURE_NOISE);
        }
        bench.powerMonitorA->SetVariation(CURRENT_VARIATION);
        bench.powerMonitorA->SetNoise(CURRENT_NOISE);
    }
    for (const auto &adapter : {bench.adapterA, bench.adapterB, bench.adapterC}) {
        adapter->SetFramePeriod(options.framePeriod);
        adapter->SetBusTiming(options.busTiming);
    }
    return bench;
}
