// SPDX-License-Identifier: MIT
// The special-mode protocol as a host sees it: requests built by hand from the report
// tables, replies checked byte for byte.
#include "CSimEeprom.h"
#include "CSimRegisterFile.h"
#include "CSimTemperatureSensor.h"
#include "SimTestSupport.h"
#include "VtlTestMain.h"

#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(ESimModel)

using namespace Qt::StringLiterals;

namespace {

constexpr std::uint8_t EEPROM = 0x50;      // address byte A0 / A1
constexpr std::uint8_t REGISTERS = 0x30;   // address byte 60 / 61
constexpr std::uint8_t TEMPERATURE = 0x48; // address byte 90 / 91

// Bytes 0, 1, 2, ... 255: every EEPROM cell holds its own address, XOR 0x5A.
std::vector<unsigned char> Pattern()
{
    std::vector<unsigned char> bytes(256);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i ^ 0x5A);
    return bytes;
}

} // namespace

class TestSimProtocol : public QObject
{
    Q_OBJECT

private:
    struct SBench
    {
        std::shared_ptr<CSimAdapter> adapter;
        std::shared_ptr<CSimEeprom> eeprom;
        std::shared_ptr<CSimRegisterFile> registers;
        std::unique_ptr<CRawHid> hid;
    };

    // An adapter with an EEPROM, a plain register file and a temperature sensor, its
    // special-mode interface open and, unless told otherwise, the I2C function on.
    static SBench Open(ESimModel model, bool enable = true)
    {
        SBench bench;
        bench.adapter = CSimBus::Instance().Attach(model, L"P-1");
        bench.eeprom = bench.adapter->AddSlave(EEPROM, std::make_shared<CSimEeprom>());
        bench.registers = bench.adapter->AddSlave(REGISTERS, std::make_shared<CSimRegisterFile>());
        bench.adapter->AddSlave(TEMPERATURE, std::make_shared<CSimTemperatureSensor>(21.0));
        bench.hid = std::make_unique<CRawHid>(bench.adapter->GetSpecialPath());
        if (enable)
            bench.hid->Write(Report("01 01 00"));
        return bench;
    }

    // Sends a request and returns every reply it caused.
    static QList<QByteArray> Exchange(SBench &bench, const QByteArray &request)
    {
        if (bench.hid->Write(request) != request.size())
            return {QByteArray("write failed")};
        return bench.hid->ReadAll();
    }

private Q_SLOTS:
    void init() { CSimBus::Instance().Reset(); }

    void enableReport_data()
    {
        QTest::addColumn<ESimModel>("model");
        QTest::addColumn<QByteArray>("enable");
        QTest::addColumn<bool>("answers");
        QTest::addColumn<bool>("pullUps");

        QTest::newRow("A 100k") << ESimModel::A << Report("01 01 00") << true << true;
        QTest::newRow("A 1000k") << ESimModel::A << Report("01 01 04") << true << true;
        QTest::newRow("A code 5") << ESimModel::A << Report("01 01 05") << false << true;
        QTest::newRow("A bit 7 ignored") << ESimModel::A << Report("01 01 81") << true << true;
        QTest::newRow("C 10k") << ESimModel::C << Report("01 01 03") << true << true;
        QTest::newRow("B 50k") << ESimModel::B << Report("01 01 02") << true << true;
        QTest::newRow("B 10k refused") << ESimModel::B << Report("01 01 03") << false << true;
        QTest::newRow("B pull-ups off") << ESimModel::B << Report("01 01 81") << true << false;
        QTest::newRow("disable") << ESimModel::A << Report("01 00 00") << false << true;
        QTest::newRow("byte 1 = 2 ignored") << ESimModel::A << Report("01 02 00") << false << true;
    }

    void enableReport()
    {
        QFETCH(ESimModel, model);
        QFETCH(QByteArray, enable);
        QFETCH(bool, answers);
        QFETCH(bool, pullUps);

        SBench bench = Open(model, false);
        QCOMPARE(Exchange(bench, enable), QList<QByteArray>());
        const QList<QByteArray> replies = Exchange(bench, Report("02 C1 A0"));
        QCOMPARE(replies, answers ? QList<QByteArray>{Report("02 00 00")} : QList<QByteArray>());
        QCOMPARE(bench.adapter->GetPullUpsEnabled(), pullUps);
    }

    void requestsBeforeEnableAreIgnored()
    {
        SBench bench = Open(ESimModel::A, false);
        QCOMPARE(Exchange(bench, Report("02 C1 A0")), QList<QByteArray>());
        QCOMPARE(Exchange(bench, Report("03 01 A1 00")), QList<QByteArray>());
        QCOMPARE(Exchange(bench, Report("01 01 01")), QList<QByteArray>());
        QCOMPARE(bench.adapter->GetSpeedCode(), 1);
        QCOMPARE(Exchange(bench, Report("02 C1 A0")), QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(Exchange(bench, Report("01 00 00")), QList<QByteArray>());
        QCOMPARE(Exchange(bench, Report("02 C1 A0")), QList<QByteArray>());
    }

    void writeReplies_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("reply");

        QTest::newRow("address only") << Report("02 C1 A0") << Report("02 00 00");
        QTest::newRow("pointer and data") << Report("02 C3 60 10 AB") << Report("02 00 00");
        QTest::newRow("count 0") << Report("02 C0 A0") << Report("02 80 01");
        QTest::newRow("count 63") << Report("02 FF A0") << Report("02 80 01");
        QTest::newRow("count 63 without flags") << Report("02 3F A0") << Report("02 80 01");
        QTest::newRow("data without start") << Report("02 41 55") << Report("02 80 02");
        QTest::newRow("no flags, no transaction") << Report("02 01 55") << Report("02 80 02");
        QTest::newRow("silent address") << Report("02 C1 E0") << Report("02 80 03");
        QTest::newRow("silent address with data") << Report("02 C3 E0 00 01") << Report("02 80 03");
        QTest::newRow("read-only register") << Report("02 C3 90 00 12") << Report("02 80 03");
        QTest::newRow("pointer beyond the file") << Report("02 C2 90 10") << Report("02 80 03");
        QTest::newRow("read bit, data refused") << Report("02 C2 A1 00") << Report("02 80 03");
        QTest::newRow("read bit, address only") << Report("02 C1 A1") << Report("02 00 00");
    }

    void writeReplies()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);

        SBench bench = Open(ESimModel::A);
        QCOMPARE(Exchange(bench, request), QList<QByteArray>{reply});
    }

    void failedWriteEndsTransaction_data()
    {
        QTest::addColumn<QByteArray>("failing");
        QTest::addColumn<QByteArray>("failReply");

        QTest::newRow("address NACK") << Report("02 81 E0") << Report("02 80 03");
        QTest::newRow("data NACK") << Report("02 83 90 00 12") << Report("02 80 03");
    }

    void failedWriteEndsTransaction()
    {
        QFETCH(QByteArray, failing);
        QFETCH(QByteArray, failReply);

        SBench bench = Open(ESimModel::A);
        QCOMPARE(Exchange(bench, failing), QList<QByteArray>{failReply});
        QCOMPARE(Exchange(bench, Report("02 41 00")), QList<QByteArray>{Report("02 80 02")});
    }

    void wrongCountKeepsTransactionOpen()
    {
        SBench bench = Open(ESimModel::A);
        QCOMPARE(Exchange(bench, Report("02 82 60 05")), QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(Exchange(bench, Report("02 40")), QList<QByteArray>{Report("02 80 01")});
        QCOMPARE(Exchange(bench, Report("02 41 77")), QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(bench.registers->GetRegister(0x05), 0x77);
    }

    void writeAcrossChunks()
    {
        SBench bench = Open(ESimModel::A);
        QByteArray first = Report("02 BE 60 00"); // start, 62 bytes: address, pointer, 60 data
        QByteArray second = Report("02 3E");      // 62 data bytes
        QByteArray third = Report("02 46");       // stop, 6 data bytes
        for (int i = 0; i < 60; ++i)
            first[4 + i] = static_cast<char>(i);
        for (int i = 0; i < 62; ++i)
            second[2 + i] = static_cast<char>(60 + i);
        for (int i = 0; i < 6; ++i)
            third[2 + i] = static_cast<char>(122 + i);
        for (const QByteArray &chunk : {first, second, third})
            QCOMPARE(Exchange(bench, chunk), QList<QByteArray>{Report("02 00 00")});
        QVERIFY(!bench.adapter->IsTransactionOpen());

        // Read the 128 registers back from register 0: a pointer write, then a read.
        QCOMPARE(Exchange(bench, Report("02 C2 60 00")), QList<QByteArray>{Report("02 00 00")});
        const QList<QByteArray> replies = Exchange(bench, Report("03 80 61 00"));
        QCOMPARE(replies.size(), 3);
        QByteArray data;
        for (const QByteArray &reply : replies)
            data += reply.mid(2, reply.at(1) & 0x3F);
        QByteArray expected;
        for (int i = 0; i < 128; ++i)
            expected += static_cast<char>(i);
        QCOMPARE(data, expected);
    }

    void readLayouts_data()
    {
        QTest::addColumn<ESimModel>("model");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QList<int>>("replySizes");

        QTest::newRow("A 300 bytes")
            << ESimModel::A << Report("03 2C A1 01") << QList<int>{62, 62, 62, 62, 52};
        QTest::newRow("A 1 byte") << ESimModel::A << Report("03 01 A1 00") << QList<int>{1};
        QTest::newRow("A 62 bytes") << ESimModel::A << Report("03 3E A1 00") << QList<int>{62};
        QTest::newRow("A 63 bytes") << ESimModel::A << Report("03 3F A1 00") << QList<int>{62, 1};
        QTest::newRow("A reads byte 3")
            << ESimModel::A << Report("03 05 A1 01") << QList<int>{62, 62, 62, 62, 13};
        QTest::newRow("C 100 bytes") << ESimModel::C << Report("03 64 A1 00") << QList<int>{62, 38};
        QTest::newRow("B 256 bytes")
            << ESimModel::B << Report("03 00 A1") << QList<int>{62, 62, 62, 62, 8};
        QTest::newRow("B 100 bytes") << ESimModel::B << Report("03 64 A1") << QList<int>{62, 38};
        QTest::newRow("B ignores byte 3") << ESimModel::B << Report("03 05 A1 01") << QList<int>{5};
        QTest::newRow("read bit clear") << ESimModel::A << Report("03 02 A0 00") << QList<int>{2};
    }

    void readLayouts()
    {
        QFETCH(ESimModel, model);
        QFETCH(QByteArray, request);
        QFETCH(QList<int>, replySizes);

        SBench bench = Open(model);
        bench.eeprom->SetContents(0, Pattern());
        QCOMPARE(Exchange(bench, Report("02 C2 A0 00")), QList<QByteArray>{Report("02 00 00")});
        const QList<QByteArray> replies = Exchange(bench, request);
        QCOMPARE(replies.size(), replySizes.size());
        int offset = 0;
        for (int i = 0; i < replies.size(); ++i) {
            const QByteArray &reply = replies.at(i);
            QCOMPARE(reply.size(), 64);
            QCOMPARE(static_cast<int>(reply.at(0)), 0x03);
            QCOMPARE(static_cast<int>(reply.at(1)), replySizes.at(i));
            for (int k = 0; k < replySizes.at(i); ++k, ++offset)
                QCOMPARE(static_cast<unsigned char>(reply.at(2 + k)), (offset % 256) ^ 0x5A);
        }
        QVERIFY(!bench.adapter->IsTransactionOpen());
    }

    void readFromSilentAddress_data()
    {
        QTest::addColumn<ESimModel>("model");
        QTest::addColumn<QByteArray>("request");

        QTest::newRow("A") << ESimModel::A << Report("03 10 E1 00");
        QTest::newRow("B") << ESimModel::B << Report("03 10 E1");
        QTest::newRow("C 300") << ESimModel::C << Report("03 2C E1 01");
    }

    void readFromSilentAddress()
    {
        QFETCH(ESimModel, model);
        QFETCH(QByteArray, request);

        SBench bench = Open(model);
        QCOMPARE(Exchange(bench, request), QList<QByteArray>{Report("03 80")});
    }

    void readOfZeroBytes()
    {
        SBench bench = Open(ESimModel::A);
        QCOMPARE(Exchange(bench, Report("03 00 A1 00")), QList<QByteArray>{Report("03 80")});
        QCOMPARE(bench.eeprom->GetAddressPointer(), 0);
    }

    void readChunkSize()
    {
        SBench bench = Open(ESimModel::A);
        bench.adapter->SetReadChunkSize(16);
        const QList<QByteArray> replies = Exchange(bench, Report("03 28 A1 00"));
        QCOMPARE(replies.size(), 3);
        QCOMPARE(static_cast<int>(replies.at(0).at(1)), 16);
        QCOMPARE(static_cast<int>(replies.at(1).at(1)), 16);
        QCOMPARE(static_cast<int>(replies.at(2).at(1)), 8);
    }

    void repeatedStart()
    {
        SBench bench = Open(ESimModel::A);
        // Register pointer to the high limit with a start and no stop, then a read.
        QCOMPARE(Exchange(bench, Report("02 82 90 03")), QList<QByteArray>{Report("02 00 00")});
        QVERIFY(bench.adapter->IsTransactionOpen());
        QCOMPARE(Exchange(bench, Report("03 01 91 00")), QList<QByteArray>{Report("03 01 50")});
        QVERIFY(!bench.adapter->IsTransactionOpen());

        // A repeated start in a write request may address another slave.
        QCOMPARE(Exchange(bench, Report("02 82 90 03")), QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(Exchange(bench, Report("02 C3 60 20 99")), QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(bench.registers->GetRegister(0x20), 0x99);
    }

    void eepromPageWriteRollsOver()
    {
        SBench bench = Open(ESimModel::A);
        // Ten data bytes from cell 6: the page of eight rolls over, the last two win.
        QCOMPARE(Exchange(bench, Report("02 CC A0 06 00 01 02 03 04 05 06 07 08 09")),
                 QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(Exchange(bench, Report("02 C2 A0 00")), QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(Exchange(bench, Report("03 0A A1 00")),
                 QList<QByteArray>{Report("03 0A 02 03 04 05 06 07 08 09 FF FF")});
    }

    void eepromCommitsAtStop()
    {
        SBench bench = Open(ESimModel::A);
        QCOMPARE(Exchange(bench, Report("02 84 A0 20 AA BB")),
                 QList<QByteArray>{Report("02 00 00")});
        // A repeated start before the stop abandons the page write.
        QCOMPARE(Exchange(bench, Report("03 02 A1 00")), QList<QByteArray>{Report("03 02 FF FF")});
        QCOMPARE(Exchange(bench, Report("02 C2 A0 20")), QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(Exchange(bench, Report("03 02 A1 00")), QList<QByteArray>{Report("03 02 FF FF")});

        QCOMPARE(Exchange(bench, Report("02 84 A0 20 AA BB")),
                 QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(Exchange(bench, Report("02 41 CC")), QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(Exchange(bench, Report("02 C2 A0 20")), QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(Exchange(bench, Report("03 04 A1 00")),
                 QList<QByteArray>{Report("03 04 AA BB CC FF")});
    }

    void eepromReadWrapsAround()
    {
        SBench bench = Open(ESimModel::B);
        bench.eeprom->SetContents(0, Pattern());
        QCOMPARE(Exchange(bench, Report("02 C2 A0 FE")), QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(Exchange(bench, Report("03 04 A1")),
                 QList<QByteArray>{Report("03 04 A4 A5 5A 5B")});
        // The pointer goes on from where the last read ended.
        QCOMPARE(Exchange(bench, Report("03 01 A1")), QList<QByteArray>{Report("03 01 58")});
    }

    void otherReportsAreIgnored_data()
    {
        QTest::addColumn<QByteArray>("request");

        QTest::newRow("report ID 0") << Report("00 02 C1 A0");
        QTest::newRow("report ID 4") << Report("04 C1 A0");
        QTest::newRow("report ID FF") << Report("FF FF FF FF");
        QTest::newRow("all ones") << QByteArray(64, '\xFF');
    }

    void otherReportsAreIgnored()
    {
        QFETCH(QByteArray, request);

        SBench bench = Open(ESimModel::C);
        QCOMPARE(Exchange(bench, request), QList<QByteArray>());
        QCOMPARE(Exchange(bench, Report("02 C1 A0")), QList<QByteArray>{Report("02 00 00")});
    }

    void shortAndLongWrites()
    {
        SBench bench = Open(ESimModel::A);
        // Fewer than 64 bytes: the rest reads as zeros.
        QCOMPARE(Exchange(bench, Hex("02 C1 A0")), QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(Exchange(bench, Hex("03 01 A1")), QList<QByteArray>{Report("03 01 FF")});
        QByteArray longWrite = Report("02 C1 A0") + QByteArray(36, '\x55');
        QCOMPARE(Exchange(bench, longWrite), QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(bench.hid->Write(Hex("02")), -1);
        QCOMPARE(bench.hid->Write(QByteArray()), -1);

        const auto log = bench.adapter->GetSpecialReports();
        QCOMPARE(log.size(), 4u); // the enable report and three requests, as written
        QCOMPARE(ToByteArray(log.at(1)), Hex("02 C1 A0"));
        QCOMPARE(ToByteArray(log.at(3)), longWrite);
    }

    void ioInterfaceNeverAnswers()
    {
        SBench bench = Open(ESimModel::A);
        CRawHid io(bench.adapter->GetPath(0));
        QVERIFY(io.IsOpen());
        QCOMPARE(io.Write(Report("01 01 00")), 64);
        QCOMPARE(io.Write(Report("02 C1 A0")), 64);
        QCOMPARE(io.ReadAll(), QList<QByteArray>());
        QCOMPARE(bench.hid->ReadAll(), QList<QByteArray>());
        QCOMPARE(bench.adapter->GetReports(0).size(), 2u);
        QCOMPARE(bench.adapter->GetSpecialReports().size(), 1u);
    }
};

VTL_TEST_MAIN(TestSimProtocol)
#include "tst_simprotocol.moc"
