// SPDX-License-Identifier: MIT
// The part library as shipped: every file loads and holds together, saves back byte for
// byte, and names the parts that can sit at an address; identification on the simulator.
#include "CDirectBusContext.h"
#include "CPartLibrary.h"
#include "CSimBus.h"
#include "CSimPowerMonitor.h"
#include "CSimPresetBench.h"
#include "CSimRegisterFile.h"
#include "CSimTemperatureSensor.h"
#include "CVtlAi2c.h"
#include "CVtlCi2c.h"
#include "ForwardingBusContext.h"
#include "PartIdentify.h"
#include "VtlTestMain.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr std::uint8_t POWER_MONITOR = 0x40;
constexpr std::uint8_t TEMPERATURE = 0x48;
constexpr std::uint8_t MOTION = 0x68;
constexpr std::uint8_t WHO_AM_I = 0x75;

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestPartLibrary : public QObject
{
    Q_OBJECT

    CPartLibrary m_library;

    QStringList Names(const std::vector<int> &parts) const
    {
        QStringList names;
        for (const int part : parts)
            names << m_library.Parts().at(std::size_t(part)).file.GetName();
        return names;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_library.Load(QStringLiteral(VTL_PARTS_DIR)),
                 qPrintable(m_library.GetLastError()));
    }

    // Loading already holds each map and rule to the file format's checks; here the
    // library's own: every file loads, names its source, names are unique, addresses are
    // 7-bit and not reserved, every part has a kind, and the copy built into the program is the
    // same.
    void libraryHoldsTogether()
    {
        QVERIFY2(m_library.LoadErrors().isEmpty(), qPrintable(m_library.LoadErrors().join(u'\n')));
        QVERIFY(m_library.Parts().size() >= 30);
        QSet<QString> names;
        for (const SLibraryPart &part : m_library.Parts()) {
            const QString name = part.file.GetName();
            QVERIFY2(!names.contains(name.toLower()), qPrintable(name));
            names.insert(name.toLower());
            QVERIFY2(!part.kind.isEmpty(), qPrintable(name + u": no kind in kinds.json"_s));
            QVERIFY2(part.file.GetDescription().contains(u"Written from "_s), qPrintable(name));
            const std::vector<unsigned char> addresses = part.Addresses();
            QVERIFY2(std::find(addresses.begin(), addresses.end(), part.file.GetAddress()) !=
                         addresses.end(),
                     qPrintable(name + u": default address not among its addresses"_s));
            for (const unsigned char address : addresses)
                QVERIFY2(address >= 0x03 && address <= 0x77, qPrintable(name));
            if (part.CanIdentify())
                QVERIFY2(part.file.GetRegisters(), qPrintable(name));
        }
        const QJsonObject kinds =
            QJsonDocument::fromJson(ReadAll(QStringLiteral(VTL_PARTS_DIR "/kinds.json"))).object();
        qsizetype listed = 0;
        for (const QJsonValue &files : kinds)
            listed += files.toArray().size();
        QCOMPARE(listed, qsizetype(m_library.Parts().size()));

        CPartLibrary builtIn;
        QVERIFY2(builtIn.Load(CPartLibrary::BUILT_IN_FOLDER), qPrintable(builtIn.GetLastError()));
        QCOMPARE(builtIn.Parts().size(), m_library.Parts().size());
        for (std::size_t i = 0; i < builtIn.Parts().size(); ++i)
            QCOMPARE(ReadAll(builtIn.Parts()[i].path), ReadAll(m_library.Parts()[i].path));
    }

    // A part added to the projects is written by the program: it must come out as it was.
    void librarySavesByteForByte()
    {
        QTemporaryDir dir;
        for (const SLibraryPart &part : m_library.Parts()) {
            CI2cDeviceFile copy = part.file;
            const QString path = dir.filePath(QFileInfo(part.path).fileName());
            QVERIFY2(copy.SaveAs(path), qPrintable(copy.GetLastError()));
            QVERIFY2(ReadAll(path) == ReadAll(part.path), qPrintable(part.path));
        }
    }

    void candidates_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<QStringList>("names"); // identifiable ones first, by name
        QTest::newRow("0x40") << 0x40
                              << QStringList{u"HDC1080"_s, u"INA226"_s,  u"INA3221"_s, u"INA219"_s,
                                             u"INA228"_s,  u"INA237"_s,  u"INA238"_s,  u"INA260"_s,
                                             u"PCA9633"_s, u"PCA9685"_s, u"SHT2x"_s,   u"Si7021"_s};
        QTest::newRow("0x68") << 0x68 << QStringList{u"ICM-20689"_s, u"ICM-20948"_s, u"MPU-6050"_s,
                                                     u"MPU-6500"_s,  u"MPU-9250"_s,  u"DS1307"_s,
                                                     u"DS3231"_s,    u"DS3231M"_s,   u"MCP3421"_s,
                                                     u"MCP3424"_s,   u"PCA9633"_s,   u"PCA9685"_s,
                                                     u"PCF8523"_s};
        QTest::newRow("LCD backpack at 0x3F") << 0x3F << QStringList{u"PCA9633"_s, u"PCF8574A"_s};
        QTest::newRow("PWM drivers not at their All Call address 0x70")
            << 0x70 << QStringList{u"HT16K33"_s, u"PCA9548A"_s, u"TCA9546A"_s, u"TCA9548A"_s};
        QTest::newRow("reserved") << 0x00 << QStringList{};
    }

    void candidates()
    {
        QFETCH(int, address);
        QFETCH(QStringList, names);
        QCOMPARE(Names(m_library.Candidates(std::uint8_t(address))).join(u", "_s),
                 names.join(u", "_s));
    }

    void findAndSearch()
    {
        QCOMPARE(m_library.Find(u" ina226 "_s), m_library.Find(u"INA226"_s));
        QCOMPARE(m_library.Find(u"mpu6050"_s), m_library.Find(u"MPU-6050"_s)); // file name
        QCOMPARE(m_library.Find(u"nothing"_s), -1);
        QCOMPARE(Names(m_library.Search(u"real-time clock"_s)),
                 (QStringList{u"DS1307"_s, u"DS3231"_s, u"DS3231M"_s, u"MCP7940N"_s, u"PCF8523"_s,
                              u"PCF8563"_s}));
    }

    // Adapter C's bench holds a humidity sensor at 0x40 whose 0xFE is a reset; its own log of
    // the command bytes it took shows what Identify sent it.
    void identifyOnBenchC_data()
    {
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<QByteArray>("commands");
        QTest::addColumn<unsigned>("resets");
        QTest::newRow("left alone") << false << QByteArray() << 0u;
        QTest::newRow("allowed by the user") << true << QByteArray("\xFE") << 1u;
    }

    void identifyOnBenchC()
    {
        QFETCH(bool, allowed);
        QFETCH(QByteArray, commands);
        QFETCH(unsigned, resets);
        CSimBus::Instance().Reset();
        const SSimPresetBench bench = CSimPresetBench::Attach(std::chrono::nanoseconds(0));
        bench.humidityC->OnWrite(0xE6); // a user register value of its own, for the reset to undo
        bench.humidityC->OnWrite(0x3B);
        CVtlCi2c driver;
        QVERIFY(driver.Connect(CSimPresetBench::SERIAL_C, EI2cSpeed::Speed100k));
        CDirectBusContext context(driver, SBusAdapterInfo::FromDriver(driver, EVtlType::VtlC));
        std::vector<SPartMatch> matches =
            PartIdentify::Candidates(m_library, {CSimPresetBench::HUMIDITY_SENSOR_ADDRESS});
        matches.front().anyByteAllowed = allowed;
        const std::size_t before = bench.humidityC->GetCommands().size();
        QVERIFY(PartIdentify::Run(context, m_library, matches).ok);

        const std::vector<std::uint8_t> log = bench.humidityC->GetCommands();
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(log.data()) + before,
                            qsizetype(log.size() - before)),
                 commands);
        QCOMPARE(bench.humidityC->GetResetCount(), resets);
        QCOMPARE(bench.humidityC->GetUserRegister(), allowed ? 0x3A : 0x3B);
        CSimBus::Instance().Reset();
    }

    void identify_data()
    {
        QTest::addColumn<int>("whoAmI");   // -1: a slave whose register pointer stops short of it
        QTest::addColumn<bool>("allowed"); // Identify may send any byte at every address
        QTest::addColumn<QString>("motion");
        QTest::newRow("WHO_AM_I matches") << 0x68 << true << u"MPU-6050"_s;
        QTest::newRow("reserved bit 0 set") << 0x69 << true << QString();
        QTest::newRow("MPU-6500 on an MPU-6050 board") << 0x70 << true << u"MPU-6500"_s;
        QTest::newRow("MPU-9250") << 0x71 << true << u"MPU-9250"_s;
        QTest::newRow("ICM-20689") << 0x98 << true << u"ICM-20689"_s;
        QTest::newRow("another ID") << 0x72 << true << QString();
        QTest::newRow("ID register not acknowledged") << -1 << true << QString();
        // 0x40 may hold a humidity sensor that 0xFE resets, 0x48 an ADC whose control byte
        // any byte sets, 0x68 an ADC that takes 0x75 as its configuration.
        QTest::newRow("not allowed") << 0x68 << false << QString();
    }

    void identify()
    {
        QFETCH(int, whoAmI);
        QFETCH(bool, allowed);
        QFETCH(QString, motion);
        CSimBus::Instance().Reset();
        const auto adapter = CSimBus::Instance().Attach(ESimModel::A, L"P-1");
        adapter->SetFramePeriod(std::chrono::nanoseconds(0));
        adapter->AddSlave(POWER_MONITOR, std::make_shared<CSimPowerMonitor>(5.0, 0.25));
        adapter->AddSlave(TEMPERATURE, std::make_shared<CSimTemperatureSensor>(23.5));
        auto motionSlave =
            adapter->AddSlave(MOTION, std::make_shared<CSimRegisterFile>(whoAmI < 0 ? 16 : 128));
        if (whoAmI >= 0)
            motionSlave->SetRegister(WHO_AM_I, std::uint8_t(whoAmI));
        CVtlAi2c driver;
        QVERIFY(driver.Connect(L"P-1", EI2cSpeed::Speed100k));
        CDirectBusContext direct(driver, SBusAdapterInfo::FromDriver(driver, EVtlType::VtlA));
        CRecordingContext context(direct);

        std::vector<SPartMatch> matches =
            PartIdentify::Candidates(m_library, {POWER_MONITOR, TEMPERATURE, MOTION});
        for (SPartMatch &match : matches)
            match.anyByteAllowed = allowed;
        const SBusProcedureResult result = PartIdentify::Run(context, m_library, matches);
        QVERIFY2(result.ok, result.error.c_str());

        const auto name = [this](const SPartMatch &match) {
            return match.identified < 0
                       ? QString()
                       : m_library.Parts().at(std::size_t(match.identified)).file.GetName();
        };
        // The power monitor's die ID tells it from the humidity sensor of the same maker.
        QCOMPARE(name(matches[0]), allowed ? u"INA226"_s : QString());
        // The temperature sensor has no ID register: its identifiable candidates' reads fail.
        QCOMPARE(name(matches[1]), QString());
        // WHO_AM_I is the only rule: matched, the part ranks first, confirmed or probable by
        // the number of bits its mask compares.
        const SGradedPart &best = matches[2].ranking.front();
        const bool matched =
            best.grade == EPartGrade::Confirmed || best.grade == EPartGrade::Probable;
        QCOMPARE(matched ? m_library.Parts().at(std::size_t(best.part)).file.GetName() : QString(),
                 motion);
        // Reads only: each a register address written, then read. The two makers' parts at
        // 0x40 share their manufacturer ID read.
        int atPowerMonitor = 0;
        for (const STransactionRequest &request : context.requests) {
            QCOMPARE(request.kind, ETransactionKind::WriteRead);
            QCOMPARE(request.data.size(), std::size_t(1));
            atPowerMonitor += request.address == POWER_MONITOR ? 1 : 0;
        }
        QCOMPARE(atPowerMonitor, allowed ? 2 : 0);
        QVERIFY(context.requests.size() < PartIdentify::RuleCount(m_library, matches));
        if (!allowed) {
            QVERIFY(context.requests.empty());
            QCOMPARE(matches[0].notIdentified,
                     QStringList{u"Identify would send 0xFE, a reset command of SHT2x"_s});
            // MPU-6050 and its family point at 0x75, ICM-20948 at 0x00.
            QCOMPARE(matches[2].notIdentified,
                     (QStringList{u"Identify would send 0x75, the configuration byte of MCP3421"_s,
                                  u"Identify would send 0x00, the configuration byte of MCP3421"_s}));
        }
        CSimBus::Instance().Reset();
    }
};

VTL_TEST_MAIN(TestPartLibrary)
#include "tst_partLibrary.moc"
