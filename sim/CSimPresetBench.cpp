#include "CSimPresetBench.h"

#include "CSimBus.h"

#include <string_view>

namespace {

std::shared_ptr<CSimEeprom> MakeEeprom(std::string_view text)
{
    auto eeprom = std::make_shared<CSimEeprom>();
    eeprom->SetContents(0, std::vector<unsigned char>(text.begin(), text.end()));
    return eeprom;
}

} // namespace

SSimPresetBench CSimPresetBench::Attach(std::chrono::nanoseconds framePeriod)
{
    CSimBus &bus = CSimBus::Instance();
    SSimPresetBench bench;

    bench.adapterA = bus.Attach(ESimModel::A, SERIAL_A);
    bench.lightSensorA =
        bench.adapterA->AddSlave(LIGHT_SENSOR_ADDRESS, std::make_shared<CSimLightSensor>(320.0));
    bench.eepromA = bench.adapterA->AddSlave(EEPROM_ADDRESS, MakeEeprom("Bench EEPROM A"));
    bench.temperatureA = bench.adapterA->AddSlave(TEMPERATURE_SENSOR_ADDRESS,
                                                  std::make_shared<CSimTemperatureSensor>(23.5));

    bench.adapterB = bus.Attach(ESimModel::B, SERIAL_B);
    bench.lightSensorB =
        bench.adapterB->AddSlave(LIGHT_SENSOR_ADDRESS, std::make_shared<CSimLightSensor>(85.0));
    bench.eepromB = bench.adapterB->AddSlave(EEPROM_ADDRESS, MakeEeprom("Bench EEPROM B"));

    bench.adapterC = bus.Attach(ESimModel::C, SERIAL_C);
    bench.eepromC = bench.adapterC->AddSlave(EEPROM_ADDRESS, MakeEeprom("Bench EEPROM C"));
    bench.temperatureC = bench.adapterC->AddSlave(TEMPERATURE_SENSOR_ADDRESS,
                                                  std::make_shared<CSimTemperatureSensor>(31.0));

    for (const auto &adapter : {bench.adapterA, bench.adapterB, bench.adapterC})
        adapter->SetFramePeriod(framePeriod);
    return bench;
}
