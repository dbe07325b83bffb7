// SPDX-License-Identifier: MIT
// Register maps on the simulated bench: what Read All and a field write put on the wire,
// and what comes back, through the procedures the window and the command line share.
#include "CDirectBusContext.h"
#include "CI2cDeviceFile.h"
#include "CSimBus.h"
#include "CSimEeprom.h"
#include "CSimPowerMonitor.h"
#include "CSimRegisterFile.h"
#include "CSimTemperatureSensor.h"
#include "CVtlAi2c.h"
#include "RegisterMapJson.h"
#include "RegisterProcedures.h"
#include "RegisterText.h"
#include "ReportLines.h"
#include "VtlTestMain.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr std::uint8_t REGISTER_FILE = 0x30;
constexpr std::uint8_t LARGE_EEPROM = 0x51;

// A register file with flags that clear on writing 1, a write-only control register with
// and without a reset value, and 1-byte registers in a row for auto-increment.
const char *const CUSTOM_MAP = R"({"autoIncrement": true, "list": [
    {"name": "A0", "address": "0x00"}, {"name": "A1", "address": "0x01"},
    {"name": "A2", "address": "0x02", "access": "ro"}, {"name": "A3", "address": "0x03"},
    {"name": "A5", "address": "0x05"},
    {"name": "STATUS", "address": "0x10", "fields": [
        {"name": "A", "bits": "0", "access": "w1c"}, {"name": "B", "bits": "1", "access": "w1c"},
        {"name": "EN", "bits": "7:4"}]},
    {"name": "CTRL", "address": "0x20", "access": "wo", "reset": "0x0F",
     "fields": [{"name": "M", "bits": "7:4"}]},
    {"name": "CMD", "address": "0x21", "access": "wo", "fields": [{"name": "GO", "bits": "0"}]}
]})";

// A 2-byte register address and little-endian values, on the 32 KiB EEPROM.
const char *const WIDE_MAP = R"({"addressBytes": 2, "byteOrder": "little", "list": [
    {"name": "W", "address": "0x0100", "size": 2, "fields": [{"name": "HI", "bits": "15:8"}]}
]})";

} // namespace

class TestRegisterProcedures : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<CSimAdapter> m_adapter;
    std::unique_ptr<CVtlI2c> m_driver;
    std::shared_ptr<CSimTemperatureSensor> m_temperature;
    SRegisterMap m_map;
    std::uint8_t m_device = 0;

    // Loads the map and device address of a demo file ("temperature", "power-monitor") or of
    // one of the maps above ("custom", "wide").
    bool load(const QString &name)
    {
        if (name == "custom"_L1 || name == "wide"_L1) {
            QString error;
            const auto parsed = RegisterMapJson::Parse(
                QJsonDocument::fromJson(name == "custom"_L1 ? CUSTOM_MAP : WIDE_MAP).object(),
                error);
            if (!parsed)
                qWarning("%s", qPrintable(error));
            m_map = parsed.value_or(SRegisterMap{});
            m_device = name == "custom"_L1 ? REGISTER_FILE : LARGE_EEPROM;
            return parsed.has_value();
        }
        CI2cDeviceFile file;
        if (!file.Load(QStringLiteral(VTL_DEMO_EXAMPLES_DIR "/bench-") + name + u".i2cdev"_s) ||
            !file.GetRegisters())
            return false;
        m_map = *file.GetRegisters();
        m_device = file.GetAddress();
        return true;
    }

    CDirectBusContext Context()
    {
        return CDirectBusContext(*m_driver, SBusAdapterInfo::FromDriver(*m_driver, EVtlType::VtlA));
    }

private Q_SLOTS:
    void init()
    {
        CSimBus::Instance().Reset();
        m_adapter = CSimBus::Instance().Attach(ESimModel::A, L"R-1");
        m_temperature = m_adapter->AddSlave(0x48, std::make_shared<CSimTemperatureSensor>(23.5));
        m_adapter->AddSlave(0x40, std::make_shared<CSimPowerMonitor>(5.0, 0.25));
        auto file = m_adapter->AddSlave(REGISTER_FILE, std::make_shared<CSimRegisterFile>());
        for (std::uint8_t reg = 0; reg < 6; ++reg)
            file->SetRegister(reg, std::uint8_t(0xA0 + reg));
        file->SetRegister(0x10, 0x33);
        auto eeprom =
            m_adapter->AddSlave(LARGE_EEPROM, std::make_shared<CSimEeprom>(CSimEeprom::LARGE));
        eeprom->SetContents(0x100, {0x34, 0x12});
        m_driver = std::make_unique<CVtlAi2c>();
        QVERIFY(m_driver->Connect(L"R-1", EI2cSpeed::Speed100k));
        m_adapter->ClearReports();
    }

    void cleanup()
    {
        m_driver.reset();
        m_temperature.reset();
        m_adapter.reset();
        CSimBus::Instance().Reset();
    }

    void readAll_data()
    {
        QTest::addColumn<QString>("map");
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<QStringList>("values"); // NAME=value of every register read

        QTest::newRow("pointer sensor, one write/read each")
            << u"temperature"_s
            << QStringList{u"02 82 90"_s,    u"03 02 91"_s, u"02 82 90 01"_s, u"03 02 91"_s,
                           u"02 82 90 02"_s, u"03 02 91"_s, u"02 82 90 03"_s, u"03 02 91"_s}
            << QStringList{u"TEMP=0x1780"_s, u"CONFIG=0x60A0"_s, u"TLOW=0x4B00"_s,
                           u"THIGH=0x5000"_s};
        // Reading the mask/enable register would clear its flags: Read All leaves it out.
        // Report lines drop trailing zeros, so pointer 0x00 shows as none.
        QStringList power;
        for (const char *pointer : {"", " 01", " 02", " 03", " 04", " 05", " 07", " FE", " FF"})
            power << u"02 82 80"_s + QLatin1String(pointer) << u"03 02 81"_s;
        QTest::newRow("power monitor without its read-clear register")
            << u"power-monitor"_s << power
            << QStringList{
                   u"CONFIG=0x4127"_s,      u"SHUNT=0x03E8"_s,           u"BUS=0x0FA0"_s,
                   u"POWER=0x0000"_s,       u"CURRENT=0x0000"_s,         u"CALIBRATION=0x0000"_s,
                   u"ALERT_LIMIT=0x0000"_s, u"MANUFACTURER_ID=0x5449"_s, u"DIE_ID=0x2260"_s};
        QTest::newRow("auto-increment, one write/read per run")
            << u"custom"_s << QStringList{u"02 82 60"_s, u"03 04 61"_s,    u"02 82 60 05"_s,
                                          u"03 01 61"_s, u"02 82 60 10"_s, u"03 01 61"_s}
            << QStringList{u"A0=0xA0"_s, u"A1=0xA1"_s, u"A2=0xA2"_s,
                           u"A3=0xA3"_s, u"A5=0xA5"_s, u"STATUS=0x33"_s};
        QTest::newRow("two address bytes, little-endian value")
            << u"wide"_s << QStringList{u"02 83 A2 01"_s, u"03 02 A3"_s}
            << QStringList{u"W=0x1234"_s};
    }

    void readAll()
    {
        QFETCH(QString, map);
        QFETCH(QStringList, reports);
        QFETCH(QStringList, values);

        QVERIFY(load(map));
        CDirectBusContext context = Context();
        const SRegisterJobResult job = RegisterProcedures::Read(
            context, m_device, m_map, RegisterPlan::ReadAll(m_map, context.Adapter().maxReadCount));
        QVERIFY2(job.result.ok, job.result.error.c_str());
        QCOMPARE(ReportLines(m_adapter->GetSpecialReports()), reports);
        QStringList seen;
        for (const auto &[index, value] : job.values) {
            const SRegister &reg = m_map.registers.at(index);
            seen << reg.name + u'=' + RegisterText::Hex(value, reg.size);
        }
        QCOMPARE(seen, values);
    }

    // A register that does not answer fails its own read; the others are still read.
    void readFailureKeepsTheRest()
    {
        QVERIFY(load(u"temperature"_s));
        m_map.registers[1].address = 0x04;
        CDirectBusContext context = Context();
        const SRegisterJobResult job =
            RegisterProcedures::Read(context, m_device, m_map, RegisterPlan::ReadAll(m_map, 0));
        QVERIFY(!job.result.ok);
        QCOMPARE(QString::fromStdString(job.result.error), u"Reading CONFIG: NACK received"_s);
        QCOMPARE(job.values.size(), std::size_t(3));
        QCOMPARE(job.values.count(1), std::size_t(0));
    }

    void fieldWrite_data()
    {
        QTest::addColumn<QString>("map");
        QTest::addColumn<QString>("target"); // REGISTER.FIELD
        QTest::addColumn<QString>("value");
        QTest::addColumn<qint64>("lastWritten"); // -1: none
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<QString>("error");

        const QStringList readConfig{u"02 82 90 01"_s, u"03 02 91"_s};
        QTest::newRow("shutdown bit")
            << u"temperature"_s << u"CONFIG.SD"_s << u"1"_s << qint64(-1)
            << readConfig + QStringList{u"02 C4 90 01 61 A0"_s} << QString();
        QTest::newRow("enum by its text")
            << u"temperature"_s << u"CONFIG.F"_s << u"6 faults"_s << qint64(-1)
            << readConfig + QStringList{u"02 C4 90 01 78 A0"_s} << QString();
        QTest::newRow("read-only register refused before sending")
            << u"temperature"_s << u"TEMP.T"_s << u"0"_s << qint64(-1) << QStringList()
            << u"Register TEMP is read-only"_s;
        QTest::newRow("read-only field refused before sending")
            << u"temperature"_s << u"CONFIG.R"_s << u"0"_s << qint64(-1) << QStringList()
            << u"Field CONFIG.R is read-only"_s;
        const QStringList readStatus{u"02 82 60 10"_s, u"03 01 61"_s};
        QTest::newRow("clearing one w1c flag leaves the other")
            << u"custom"_s << u"STATUS.A"_s << u"1"_s << qint64(-1)
            << readStatus + QStringList{u"02 C3 60 10 31"_s} << QString();
        QTest::newRow("a plain field clears no w1c flag")
            << u"custom"_s << u"STATUS.EN"_s << u"5"_s << qint64(-1)
            << readStatus + QStringList{u"02 C3 60 10 50"_s} << QString();
        QTest::newRow("write-only from its reset value")
            << u"custom"_s << u"CTRL.M"_s << u"0xA"_s << qint64(-1)
            << QStringList{u"02 C3 60 20 AF"_s} << QString();
        QTest::newRow("write-only from the last value written")
            << u"custom"_s << u"CTRL.M"_s << u"0xA"_s << qint64(0x11)
            << QStringList{u"02 C3 60 20 A1"_s} << QString();
        QTest::newRow("write-only without a known value")
            << u"custom"_s << u"CMD.GO"_s << u"1"_s << qint64(-1) << QStringList()
            << u"Register CMD is write-only and has no reset value: write the whole register "
               u"first"_s;
        QTest::newRow("two address bytes, little-endian value")
            << u"wide"_s << u"W.HI"_s << u"0xAB"_s << qint64(-1)
            << QStringList{u"02 83 A2 01"_s, u"03 02 A3"_s, u"02 C5 A2 01 00 34 AB"_s} << QString();
    }

    void fieldWrite()
    {
        QFETCH(QString, map);
        QFETCH(QString, target);
        QFETCH(QString, value);
        QFETCH(qint64, lastWritten);
        QFETCH(QStringList, reports);
        QFETCH(QString, error);

        QVERIFY(load(map));
        const QStringList names = target.split(u'.');
        const int reg = RegisterNames::FindRegister(m_map, names.at(0));
        QVERIFY(reg >= 0);
        const SRegister &found = m_map.registers.at(reg);
        const int field = RegisterNames::FindField(found, names.at(1));
        QVERIFY(field >= 0);
        QString parseError;
        const auto fieldValue =
            RegisterText::ParseFieldValue(found, found.fields.at(field), value, parseError);
        QVERIFY2(fieldValue, qPrintable(parseError));
        CDirectBusContext context = Context();
        const SRegisterJobResult job = RegisterProcedures::WriteField(
            context, m_device, m_map, reg, field, *fieldValue,
            lastWritten < 0 ? std::nullopt : std::optional<std::uint32_t>(lastWritten));
        QCOMPARE(ReportLines(m_adapter->GetSpecialReports()), reports);
        QCOMPARE(job.result.ok, error.isEmpty());
        QCOMPARE(QString::fromStdString(job.result.error), error);
        QCOMPARE(job.written.has_value(), error.isEmpty());
    }

    // The shutdown bit set through the map freezes the sensor's reading.
    void shutdownFreezesTheReading()
    {
        QVERIFY(load(u"temperature"_s));
        CDirectBusContext context = Context();
        const int config = RegisterNames::FindRegister(m_map, u"CONFIG"_s);
        QVERIFY(RegisterProcedures::WriteField(
                    context, m_device, m_map, config,
                    RegisterNames::FindField(m_map.registers.at(config), u"SD"_s), 1, std::nullopt)
                    .result.ok);
        // The sensor at 0x48 was made at 23.5 degrees; it now reads what it read then.
        m_temperature->SetTemperature(40.0);
        const SRegisterJobResult job =
            RegisterProcedures::Read(context, m_device, m_map, RegisterPlan::ReadEach(m_map, {0}));
        QVERIFY(job.result.ok);
        QCOMPARE(RegisterText::RegisterMeaning(m_map.registers.at(0), job.values.at(0)),
                 u"T=23.50 °C"_s);
    }
};

VTL_TEST_MAIN(TestRegisterProcedures)
#include "tst_registerprocedures.moc"
