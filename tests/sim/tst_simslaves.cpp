// SPDX-License-Identifier: MIT
// The slaves behind a simulated adapter, driven through write and read requests.
#include "CSimEeprom.h"
#include "CSimHumiditySensor.h"
#include "CSimLightSensor.h"
#include "CSimPowerMonitor.h"
#include "CSimTemperatureSensor.h"
#include "SimTestSupport.h"
#include "VtlTestMain.h"

#include <QStringList>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// A slave written the way a test writes its own: it echoes the last byte written and
// counts up from it on every read; it does not answer while `silent` is set.
struct CCountingSlave : CSimSlave
{
    std::uint8_t value = 0;
    bool silent = false;
    bool OnStart(bool) override { return !silent; }
    bool OnWrite(std::uint8_t byte) override
    {
        value = byte;
        return true;
    }
    std::uint8_t OnRead() override { return value++; }
};

} // namespace

class TestSimSlaves : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<CSimAdapter> m_adapter;
    std::unique_ptr<CRawHid> m_hid;
    CSimLightSensor::Clock::time_point m_now;

    void Open()
    {
        m_hid = std::make_unique<CRawHid>(m_adapter->GetSpecialPath());
        m_hid->Write(Report("01 01 01"));
    }

    QList<QByteArray> Exchange(const char *hex)
    {
        m_hid->Write(Report(hex));
        return m_hid->ReadAll();
    }

    std::shared_ptr<CSimEeprom> OpenLargeEeprom()
    {
        auto eeprom = m_adapter->AddSlave(0x51, std::make_shared<CSimEeprom>(CSimEeprom::LARGE));
        eeprom->SetClock([this] { return m_now; });
        Open();
        return eeprom;
    }

    // Sends each hex byte of `steps` as a one-byte write to the light sensor at 0x23;
    // "+N" lets N milliseconds pass.
    bool RunLightSteps(const QString &steps)
    {
        for (const QString &step : steps.split(u' ', Qt::SkipEmptyParts)) {
            if (step.startsWith(u'+')) {
                m_now += std::chrono::milliseconds(step.mid(1).toInt());
                continue;
            }
            QByteArray request = Report("02 C2 46");
            request[3] = static_cast<char>(step.toUInt(nullptr, 16));
            m_hid->Write(request);
            if (m_hid->ReadAll() != QList<QByteArray>{Report("02 00 00")})
                return false;
        }
        return true;
    }

private Q_SLOTS:
    void init()
    {
        CSimBus::Instance().Reset();
        m_adapter = CSimBus::Instance().Attach(ESimModel::A, L"S-1");
        m_now = CSimLightSensor::Clock::time_point{};
    }

    void cleanup()
    {
        m_hid.reset();
        m_adapter.reset();
    }

    void lightSensor_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QByteArray>("reading");

        // 101 lx: 121.2 counts at high resolution, 242.4 at high resolution 2.
        QTest::newRow("nothing measured") << u"01"_s << Report("03 02 00 00");
        QTest::newRow("H-res") << u"01 10 +120"_s << Report("03 02 00 79");
        QTest::newRow("H-res not yet done") << u"01 10 +119"_s << Report("03 02 00 00");
        QTest::newRow("H-res continues") << u"10 +500"_s << Report("03 02 00 79");
        QTest::newRow("H-res2") << u"01 11 +120"_s << Report("03 02 00 F2");
        QTest::newRow("L-res") << u"01 13 +16"_s << Report("03 02 00 78");
        QTest::newRow("L-res not yet done") << u"01 13 +15"_s << Report("03 02 00 00");
        QTest::newRow("one time from power down") << u"20 +120"_s << Report("03 02 00 79");
        QTest::newRow("one time H-res2") << u"21 +120"_s << Report("03 02 00 F2");
        QTest::newRow("one time L-res") << u"23 +16"_s << Report("03 02 00 78");
        QTest::newRow("reset clears") << u"01 10 +120 07"_s << Report("03 02 00 00");
        QTest::newRow("reset needs power") << u"01 10 +120 00 07"_s << Report("03 02 00 79");
        QTest::newRow("power down keeps reading")
            << u"01 10 +120 00 +500"_s << Report("03 02 00 79");
        QTest::newRow("time register 138") << u"44 6A 10 +240"_s << Report("03 02 00 F2");
        QTest::newRow("time register 138, early") << u"44 6A 10 +239"_s << Report("03 02 00 00");
        QTest::newRow("time register 31") << u"40 7F 01 10 +54"_s << Report("03 02 00 36");
    }

    void lightSensor()
    {
        QFETCH(QString, steps);
        QFETCH(QByteArray, reading);

        auto sensor = m_adapter->AddSlave(0x23, std::make_shared<CSimLightSensor>(101.0));
        sensor->SetVariation(0.0);
        sensor->SetClock([this] { return m_now; });
        Open();
        QVERIFY(RunLightSteps(steps));
        QCOMPARE(Exchange("03 02 47 00"), QList<QByteArray>{reading});
    }

    void lightSensorOneTimePowersDown()
    {
        auto sensor = m_adapter->AddSlave(0x23, std::make_shared<CSimLightSensor>(101.0));
        sensor->SetClock([this] { return m_now; });
        Open();
        QVERIFY(RunLightSteps(u"20"_s));
        QVERIFY(sensor->IsPoweredOn());
        QCOMPARE(sensor->GetMode(), 0x20);
        QVERIFY(RunLightSteps(u"+120"_s));
        QVERIFY(!sensor->IsPoweredOn());
        QCOMPARE(sensor->GetMode(), 0);
    }

    void lightSensorRefusesUnknownOpcodes_data()
    {
        QTest::addColumn<QString>("opcode");

        for (const char *opcode : {"02", "08", "12", "22", "30", "48", "80", "FF"})
            QTest::newRow(opcode) << QString::fromLatin1(opcode);
    }

    void lightSensorRefusesUnknownOpcodes()
    {
        QFETCH(QString, opcode);

        m_adapter->AddSlave(0x23, std::make_shared<CSimLightSensor>());
        Open();
        QByteArray request = Report("02 C2 46");
        request[3] = static_cast<char>(opcode.toUInt(nullptr, 16));
        m_hid->Write(request);
        QCOMPARE(m_hid->ReadAll(), QList<QByteArray>{Report("02 80 03")});
    }

    void lightSensorReadingWanders()
    {
        auto sensor = m_adapter->AddSlave(0x23, std::make_shared<CSimLightSensor>(500.0));
        sensor->SetClock([this] { return m_now; });
        Open();
        QVERIFY(RunLightSteps(u"01 10 +120"_s));
        const QList<QByteArray> first = Exchange("03 02 47 00");
        QVERIFY(RunLightSteps(u"+2000"_s));
        const QList<QByteArray> later = Exchange("03 02 47 00");
        QCOMPARE(first.size(), 1);
        QCOMPARE(later.size(), 1);
        QVERIFY(first != later);
        // Both stay within the wander of a few per cent around 600 counts.
        for (const QByteArray &reply : {first.at(0), later.at(0)}) {
            const int count = static_cast<unsigned char>(reply.at(2)) * 256 +
                              static_cast<unsigned char>(reply.at(3));
            QVERIFY2(count > 540 && count < 660, qPrintable(QString::number(count)));
        }
    }

    void driftOverAMinute_data()
    {
        QTest::addColumn<bool>("light");
        QTest::addColumn<double>("variation");
        QTest::addColumn<double>("noise");
        QTest::addColumn<int>("minSpan");
        QTest::addColumn<int>("maxSpan");
        QTest::addColumn<int>("maxStep");

        // 320 lx read as 384 counts, wandering in a sine with a 30 s period.
        QTest::newRow("light, sine") << true << 0.05 << 0.0 << 36 << 39 << 5;
        QTest::newRow("light, noise") << true << 0.0 << 0.005 << 1 << 4 << 4;
        QTest::newRow("light, sine and noise") << true << 0.05 << 0.005 << 36 << 43 << 9;
        // 23.5 degrees in sixteenths, drifting in a sine with a 60 s period.
        QTest::newRow("temperature, sine") << false << 1.5 << 0.0 << 46 << 48 << 3;
        QTest::newRow("temperature, noise") << false << 0.0 << 0.05 << 1 << 2 << 2;
        QTest::newRow("temperature, sine and noise") << false << 1.5 << 0.05 << 46 << 50 << 5;
    }

    // A reading once a second for a minute, as a live plot watches it: the span of the values
    // and the largest change from one second to the next must lie in the bounds.
    void driftOverAMinute()
    {
        QFETCH(bool, light);
        QFETCH(double, variation);
        QFETCH(double, noise);
        QFETCH(int, minSpan);
        QFETCH(int, maxSpan);
        QFETCH(int, maxStep);

        const auto setUp = [&](const auto &sensor) {
            sensor->SetVariation(variation);
            sensor->SetNoise(noise);
            sensor->SetClock([this] { return m_now; });
        };
        if (light)
            setUp(m_adapter->AddSlave(0x23, std::make_shared<CSimLightSensor>(320.0)));
        else
            setUp(m_adapter->AddSlave(0x48, std::make_shared<CSimTemperatureSensor>(23.5)));
        Open();
        QVERIFY(!light || RunLightSteps(u"10"_s));
        QList<int> values;
        for (int second = 1; second <= 60; ++second) {
            m_now += 1s;
            if (!light)
                Exchange("02 C2 90 00");
            const QList<QByteArray> replies = Exchange(light ? "03 02 47 00" : "03 02 91 00");
            QCOMPARE(replies.size(), 1);
            const int value = qFromBigEndian<qint16>(replies.at(0).constData() + 2);
            values.append(light ? value : value / 16);
        }
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        int step = 0;
        for (int i = 1; i < values.size(); ++i)
            step = std::max(step, std::abs(values.at(i) - values.at(i - 1)));
        const QByteArray seen = QByteArray::number(*high - *low) + " / " + QByteArray::number(step);
        QVERIFY2(*high - *low >= minSpan && *high - *low <= maxSpan, seen.constData());
        QVERIFY2(step <= maxStep, seen.constData());
    }

    void temperature_data()
    {
        QTest::addColumn<double>("celsius");
        QTest::addColumn<QByteArray>("reading"); // reply to a 2-byte read of TEMP

        QTest::newRow("21.0") << 21.0 << Report("03 02 15 00");
        QTest::newRow("25.0625") << 25.0625 << Report("03 02 19 10");
        QTest::newRow("-0.5") << -0.5 << Report("03 02 FF 80");
        QTest::newRow("-25.25") << -25.25 << Report("03 02 E6 C0");
        QTest::newRow("beyond range") << 300.0 << Report("03 02 7F F0");
    }

    void temperature()
    {
        QFETCH(double, celsius);
        QFETCH(QByteArray, reading);

        m_adapter->AddSlave(0x48, std::make_shared<CSimTemperatureSensor>(celsius));
        Open();
        QCOMPARE(Exchange("02 C2 90 00"), QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(Exchange("03 02 91 00"), QList<QByteArray>{reading});
    }

    // Requests to the temperature sensor at 20 degrees or to the power monitor at 5 V and
    // 0.25 A; "=N" sets the temperature to N degrees, "+N" lets N milliseconds pass. The
    // replies of the last request are compared.
    void wordRegisterDevices_data()
    {
        QTest::addColumn<bool>("power");
        QTest::addColumn<QByteArrayList>("steps");
        QTest::addColumn<QByteArray>("reply");
        const auto temperature = [](const char *name, const QByteArrayList &steps,
                                    const char *reply) {
            QTest::newRow(name) << false << steps << QByteArray(reply);
        };
        const auto power = [](const char *name, const QByteArrayList &steps, const char *reply) {
            QTest::newRow(name) << true << steps << QByteArray(reply);
        };

        temperature("config at reset, alert bit high", {"02 C2 90 01", "03 02 91 00"},
                    "03 02 60 A0");
        temperature("reads repeat the register, pointer stays", {"02 C2 90 03", "03 04 91 00"},
                    "03 04 50 00 50 00");
        temperature("limits at reset", {"02 C2 90 02", "03 02 91 00"}, "03 02 4B 00");
        temperature("limit written", {"02 C4 90 03 19 00", "03 02 91 00"}, "03 02 19 00");
        temperature("resolution and alert bits are read-only", {"02 C4 90 01 00 00", "03 02 91 00"},
                    "03 02 60 20");
        temperature("shutdown freezes the reading",
                    {"02 C4 90 01 61 A0", "=30", "02 C2 90 00", "03 02 91 00"}, "03 02 14 00");
        temperature(
            "one-shot in shutdown converts once",
            {"02 C4 90 01 61 A0", "=30", "02 C4 90 01 E1 A0", "=40", "02 C2 90 00", "03 02 91 00"},
            "03 02 1E 00");
        temperature("one-shot bit reads 1 after the conversion",
                    {"02 C4 90 01 E1 A0", "03 02 91 00"}, "03 02 E1 A0");
        temperature("alert at THIGH", {"02 C4 90 03 14 00", "02 C2 90 01", "03 02 91 00"},
                    "03 02 60 80");
        const QByteArrayList alert{"02 C4 90 03 14 00", "02 C4 90 02 12 00", "02 C2 90 01",
                                   "03 02 91 00"};
        temperature("alert stays above TLOW", alert + QByteArrayList{"=19", "03 02 91 00"},
                    "03 02 60 80");
        temperature("alert ends below TLOW", alert + QByteArrayList{"=17", "03 02 91 00"},
                    "03 02 60 A0");
        temperature("inverted polarity", {"02 C4 90 01 64 A0", "03 02 91 00"}, "03 02 64 80");
        temperature("TEMP is read-only", {"02 C4 90 00 12 34"}, "02 80 03");
        temperature("no register 4", {"02 C2 90 04"}, "02 80 03");
        temperature("a third data byte is refused", {"02 C5 90 02 12 00 00"}, "02 80 03");

        const auto read = [](const char *pointer) {
            return QByteArrayList{QByteArray("02 C2 80 ") + pointer, "03 02 81 00"};
        };
        power("config at reset", read("00"), "03 02 41 27");
        power("shunt, 2.5 uV steps", read("01"), "03 02 03 E8");
        power("bus, 1.25 mV steps", read("02"), "03 02 0F A0");
        power("no current without calibration", read("04"), "03 02 00 00");
        power("current from the calibration", QByteArrayList{"02 C4 80 05 08 00"} + read("04"),
              "03 02 03 E8");
        power("power from current and bus", QByteArrayList{"02 C4 80 05 08 00"} + read("03"),
              "03 02 00 C8");
        power("reset bit restores the registers",
              QByteArrayList{"02 C4 80 05 08 00", "02 C4 80 00 80 00"} + read("05"), "03 02 00 00");
        power("manufacturer ID", read("FE"), "03 02 54 49");
        power("die ID", read("FF"), "03 02 22 60");
        power("conversion ready", read("06"), "03 02 00 08");
        power("reading the mask clears the flag", read("06") + QByteArrayList{"03 02 81 00"},
              "03 02 00 00");
        power("the next conversion sets it again", read("06") + QByteArrayList{"+3", "03 02 81 00"},
              "03 02 00 08");
        power("bus over limit raises the alert flag",
              {"02 C4 80 07 0F 00", "02 C4 80 06 20 00", "03 02 81 00"}, "03 02 20 18");
        const QByteArrayList latched{"02 C4 80 07 0F 00", "02 C4 80 06 20 01", "02 C4 80 07 FF 00",
                                     "02 C2 80 06", "03 02 81 00"};
        power("a latched alert outlasts its cause", latched, "03 02 20 19");
        power("a latched alert clears on reading", latched + QByteArrayList{"03 02 81 00"},
              "03 02 20 01");
        power("readings are read-only", {"02 C4 80 01 00 00"}, "02 80 03");
        power("no register 8", {"02 C2 80 08"}, "02 80 03");
    }

    void wordRegisterDevices()
    {
        QFETCH(bool, power);
        QFETCH(QByteArrayList, steps);
        QFETCH(QByteArray, reply);

        std::shared_ptr<CSimTemperatureSensor> sensor;
        if (power) {
            m_adapter->AddSlave(0x40, std::make_shared<CSimPowerMonitor>(5.0, 0.25))
                ->SetClock([this] { return m_now; });
        } else {
            sensor = m_adapter->AddSlave(0x48, std::make_shared<CSimTemperatureSensor>(20.0));
        }
        Open();
        QList<QByteArray> replies;
        for (const QByteArray &step : steps) {
            if (step.startsWith('='))
                sensor->SetTemperature(step.mid(1).toDouble());
            else if (step.startsWith('+'))
                m_now += std::chrono::milliseconds(step.mid(1).toInt());
            else
                replies = Exchange(step.constData());
        }
        QCOMPARE(replies, QList<QByteArray>{Report(reply.constData())});
    }

    // Requests to the humidity sensor at 0x40 (45 %RH, 24 degrees); the replies of the last
    // request are compared, then its user register and how often 0xFE reset it.
    void humiditySensor_data()
    {
        QTest::addColumn<QByteArrayList>("steps");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("userRegister");
        QTest::addColumn<int>("resets");
        // RH = 125 * 0x6870 / 65536 - 6 = 45.0; T = 175.72 * 0x6738 / 65536 - 46.85 = 24.0.
        QTest::newRow("humidity with its CRC")
            << QByteArrayList{"02 C2 80 E5", "03 03 81 00"} << QByteArray("03 03 68 70 9A") << 0x3A
            << 0;
        QTest::newRow("temperature, no hold")
            << QByteArrayList{"02 C2 80 F3", "03 03 81 00"} << QByteArray("03 03 67 38 87") << 0x3A
            << 0;
        QTest::newRow("user register at reset")
            << QByteArrayList{"02 C2 80 E7", "03 01 81 00"} << QByteArray("03 01 3A") << 0x3A << 0;
        QTest::newRow("user register written")
            << QByteArrayList{"02 C3 80 E6 3B", "02 C2 80 E7", "03 01 81 00"}
            << QByteArray("03 01 3B") << 0x3B << 0;
        QTest::newRow("0xFE resets the user register")
            << QByteArrayList{"02 C3 80 E6 3B", "02 C2 80 FE", "02 C2 80 E7", "03 01 81 00"}
            << QByteArray("03 01 3A") << 0x3A << 1;
        QTest::newRow("device ID first in the second ID read")
            << QByteArrayList{"02 C3 80 FC C9", "03 01 81 00"} << QByteArray("03 01 15") << 0x3A
            << 0;
        QTest::newRow("a register address it has no command for")
            << QByteArrayList{"02 C2 80 00"} << QByteArray("02 80 03") << 0x3A << 0;
    }

    void humiditySensor()
    {
        QFETCH(QByteArrayList, steps);
        QFETCH(QByteArray, reply);
        QFETCH(int, userRegister);
        QFETCH(int, resets);

        auto sensor = m_adapter->AddSlave(0x40, std::make_shared<CSimHumiditySensor>(45.0, 24.0));
        Open();
        QList<QByteArray> replies;
        for (const QByteArray &step : steps)
            replies = Exchange(step.constData());
        QCOMPARE(replies, QList<QByteArray>{Report(reply.constData())});
        QCOMPARE(sensor->GetUserRegister(), std::uint8_t(userRegister));
        QCOMPARE(sensor->GetResetCount(), unsigned(resets));
    }

    // The 32 KiB EEPROM at 0x51 (address byte A2 / A3).
    void largeEepromPageWrite_data()
    {
        QTest::addColumn<QByteArray>("write");
        QTest::addColumn<QList<int>>("cells");
        QTest::addColumn<QByteArray>("values"); // of the cells, in hex

        QTest::newRow("two address bytes, high first")
            << QByteArray("02 C5 A2 12 34 AA BB") << QList<int>{0x1234, 0x1235, 0x3412}
            << QByteArray("AA BB FF");
        QTest::newRow("rolls over within its 64-byte page")
            << QByteArray("02 C6 A2 7F FE 01 02 03") << QList<int>{0x7FFE, 0x7FFF, 0x7FC0, 0x0000}
            << QByteArray("01 02 03 FF");
        QTest::newRow("the top address bit is ignored")
            << QByteArray("02 C4 A2 FF FF 5A") << QList<int>{0x7FFF} << QByteArray("5A");
    }

    void largeEepromPageWrite()
    {
        QFETCH(QByteArray, write);
        QFETCH(QList<int>, cells);
        QFETCH(QByteArray, values);

        auto eeprom = OpenLargeEeprom();
        QCOMPARE(Exchange(write.constData()), QList<QByteArray>{Report("02 00 00")});
        const std::vector<unsigned char> contents = eeprom->GetContents();
        QByteArray actual;
        for (const int cell : cells)
            actual += static_cast<char>(contents.at(static_cast<std::size_t>(cell)));
        QCOMPARE(actual, QByteArray::fromHex(values));
    }

    // A page write is committed at the stop; then the chip acknowledges no start for 5 ms.
    void largeEepromWriteCycle()
    {
        auto eeprom = OpenLargeEeprom();
        const QList<QByteArray> ack{Report("02 00 00")};
        const QList<QByteArray> nack{Report("02 80 03")};
        QCOMPARE(Exchange("02 85 A2 00 10 AA BB"), ack);
        QCOMPARE(eeprom->GetContents().at(0x10), 0xFF);
        QCOMPARE(Exchange("02 41 CC"), ack);

        QCOMPARE(Exchange("02 C1 A2"), nack);
        QCOMPARE(Exchange("03 01 A3 00"), QList<QByteArray>{Report("03 80")});
        m_now += 4999us;
        QCOMPARE(Exchange("02 C1 A2"), nack);
        m_now += 1us;
        // Setting the pointer writes nothing, so the read right after it is answered.
        QCOMPARE(Exchange("02 C3 A2 00 10"), ack);
        QCOMPARE(Exchange("03 03 A3 00"), QList<QByteArray>{Report("03 03 AA BB CC")});
    }

    void largeEepromReadWraps()
    {
        auto eeprom = OpenLargeEeprom();
        eeprom->SetContents(0x7FFE, {0xA1, 0xA2});
        eeprom->SetContents(0, {0xB1, 0xB2});
        QCOMPARE(Exchange("02 C3 A2 7F FE"), QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(Exchange("03 04 A3 00"), QList<QByteArray>{Report("03 04 A1 A2 B1 B2")});
    }

    void testSlave()
    {
        auto slave = m_adapter->AddSlave(0x11, std::make_shared<CCountingSlave>());
        Open();
        QCOMPARE(Exchange("02 C2 22 40"), QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(Exchange("03 03 23 00"), QList<QByteArray>{Report("03 03 40 41 42")});
        slave->silent = true;
        QCOMPARE(Exchange("02 C1 22"), QList<QByteArray>{Report("02 80 03")});
        QCOMPARE(Exchange("03 01 23 00"), QList<QByteArray>{Report("03 80")});
        m_adapter->RemoveSlave(0x11);
        slave->silent = false;
        QCOMPARE(Exchange("02 C1 22"), QList<QByteArray>{Report("02 80 03")});
    }
};

VTL_TEST_MAIN(TestSimSlaves)
#include "tst_simslaves.moc"
