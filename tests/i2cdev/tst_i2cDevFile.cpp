// SPDX-License-Identifier: MIT
#include "CI2cDevFile.h"
#include "CSimBus.h"
#include "CSimEeprom.h"
#include "SmbusPec.h"
#include "VtlTestMain.h"

#include <QObject>
#include <QTest>

#include <cerrno>
#include <functional>
#include <memory>

using Bytes = std::vector<unsigned char>;

namespace {

constexpr std::uint8_t EEPROM = 0x50;
constexpr std::uint8_t NOBODY = 0x51;
constexpr std::uint8_t BLOCK_AT = 0x62; // holds the SMBus block 03 AA BB CC
constexpr std::uint8_t STATUS_ARBITRATION_LOST = 0x40;

struct SFixture
{
    std::shared_ptr<CSimAdapter> adapter;
    std::shared_ptr<CSimEeprom> eeprom;
    std::unique_ptr<CI2cDevBus> bus;
    std::unique_ptr<CI2cDevFile> file;
};

// One request (or a few, whose last result counts) made on a fresh file whose slave is the
// EEPROM; what it read goes to `out`.
using Call = std::function<int(SFixture &, Bytes &out)>;

int Smbus(SFixture &f, std::uint8_t readWrite, std::uint8_t command, std::uint32_t size,
          const Bytes &in, Bytes &out)
{
    i2c_smbus_data data{};
    std::copy(in.begin(), in.end(), data.block);
    const int result = f.file->Smbus(readWrite, command, size, &data);
    const std::size_t length = size == I2C_SMBUS_BYTE || size == I2C_SMBUS_BYTE_DATA ? 1
                               : size == I2C_SMBUS_WORD_DATA || size == I2C_SMBUS_PROC_CALL
                                   ? 2
                                   : std::size_t(data.block[0]) + 1;
    if (result == 0 && (readWrite == I2C_SMBUS_READ || size == I2C_SMBUS_PROC_CALL ||
                        size == I2C_SMBUS_BLOCK_PROC_CALL))
        out.assign(data.block, data.block + length);
    return result;
}

Call Read(std::uint8_t command, std::uint32_t size, Bytes in = {})
{
    return [=](SFixture &f, Bytes &out) {
        return Smbus(f, I2C_SMBUS_READ, command, size, in, out);
    };
}

// A write, then the read that shows what it left.
Call WriteThen(std::uint8_t command, std::uint32_t size, Bytes in, Call check)
{
    return [=](SFixture &f, Bytes &out) {
        const int written = Smbus(f, I2C_SMBUS_WRITE, command, size, in, out);
        return written != 0 ? written : check(f, out);
    };
}

Call WithPec(Call call)
{
    return [=](SFixture &f, Bytes &out) {
        f.file->Control(I2C_PEC, 1);
        return call(f, out);
    };
}

Call At(std::uint8_t address, Call call)
{
    return [=](SFixture &f, Bytes &out) {
        f.file->Control(I2C_SLAVE, address);
        return call(f, out);
    };
}

Call Control(unsigned request, unsigned long argument)
{
    return [=](SFixture &f, Bytes &) {
        return f.file->Control(request, argument);
    };
}

// I2C_RDWR with messages to the EEPROM: a write of `in` (if any) and reads of the lengths
// in `reads` (a negative length asks for a count byte and one extra byte, as 'r?' does).
Call Transfer(Bytes in, std::vector<int> reads, std::size_t writes = 1)
{
    return [=](SFixture &f, Bytes &out) {
        std::vector<i2c_msg> messages;
        std::vector<Bytes> buffers(writes + reads.size());
        for (std::size_t i = 0; i < writes; ++i) {
            buffers[i] = in;
            messages.push_back({EEPROM, 0, std::uint16_t(in.size()), buffers[i].data()});
        }
        for (std::size_t i = 0; i < reads.size(); ++i) {
            Bytes &buffer = buffers[writes + i];
            const bool receiveLength = reads[i] < 0;
            buffer.assign(receiveLength ? 1 + 32 : std::size_t(reads[i]), 0);
            if (receiveLength)
                buffer[0] = 1;
            messages.push_back({EEPROM,
                                std::uint16_t(I2C_M_RD | (receiveLength ? I2C_M_RECV_LEN : 0)),
                                std::uint16_t(buffer.size()), buffer.data()});
        }
        const int result = f.file->Transfer(messages.data(), messages.size());
        if (!reads.empty())
            out = buffers.back();
        return result;
    };
}

Bytes Counting(unsigned char first, std::size_t count)
{
    Bytes bytes;
    for (std::size_t i = 0; i < count; ++i)
        bytes.push_back(static_cast<unsigned char>(first + i));
    return bytes;
}

// What the EEPROM holds at the start of each row.
Bytes Image()
{
    Bytes bytes = Counting(0, 256);
    const Bytes block{3, 0xAA, 0xBB, 0xCC};
    std::copy(block.begin(), block.end(), bytes.begin() + BLOCK_AT);
    return bytes;
}

Bytes Concat(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

Q_DECLARE_METATYPE(Call)

class TestI2cDevFile : public QObject
{
    Q_OBJECT

private:
    SFixture Fixture(ESimModel model)
    {
        CSimBus::Instance().Reset();
        SFixture f;
        f.adapter = CSimBus::Instance().Attach(model, L"I2CDEV-1");
        f.eeprom = f.adapter->AddSlave(EEPROM, std::make_shared<CSimEeprom>());
        f.eeprom->SetContents(0, Image());
        const auto type = static_cast<EVtlType>(model);
        f.bus =
            std::make_unique<CI2cDevBus>(SVtlDeviceEntry{type, L"I2CDEV-1"}, EI2cSpeed::Speed400k);
        f.file = std::make_unique<CI2cDevFile>(*f.bus);
        f.file->Control(I2C_SLAVE, EEPROM);
        return f;
    }

private Q_SLOTS:
    void requests_data()
    {
        QTest::addColumn<QString>("models");
        QTest::addColumn<Call>("call");
        QTest::addColumn<int>("result");
        QTest::addColumn<Bytes>("out");
        // Whether anything went to the adapter: a refused shape sends nothing.
        QTest::addColumn<bool>("sends");

        const std::uint8_t goodPec = SmbusPec::Compute({0xA0, 0x10, 0xA1, 0x10});
        const unsigned long functions = I2C_FUNC_I2C | I2C_FUNC_SMBUS_EMUL |
                                        I2C_FUNC_SMBUS_READ_BLOCK_DATA |
                                        I2C_FUNC_SMBUS_BLOCK_PROC_CALL;
        const Call funcs = [](SFixture &f, Bytes &) {
            return int(f.file->Functions());
        };
        QTest::newRow("funcs: every kind") << "AC" << funcs << int(functions) << Bytes{} << false;
        QTest::newRow("funcs: no quick")
            << "B" << funcs << int(functions & ~I2C_FUNC_SMBUS_QUICK) << Bytes{} << false;

        QTest::newRow("slave 0x80")
            << "A" << Control(I2C_SLAVE_FORCE, 0x80) << -EINVAL << Bytes{} << false;
        QTest::newRow("ten-bit on") << "A" << Control(I2C_TENBIT, 1) << -EINVAL << Bytes{} << false;
        QTest::newRow("retries too many")
            << "A" << Control(I2C_RETRIES, 1ul << 31) << -EINVAL << Bytes{} << false;
        QTest::newRow("not i2c-dev's") << "A" << Control(0x5401, 0) << -ENOTTY << Bytes{} << false;

        QTest::newRow("byte data")
            << "ABC" << Read(0x10, I2C_SMBUS_BYTE_DATA) << 0 << Bytes{0x10} << true;
        QTest::newRow("word data")
            << "ABC" << Read(0x10, I2C_SMBUS_WORD_DATA) << 0 << Bytes{0x10, 0x11} << true;
        QTest::newRow("write byte data")
            << "ABC"
            << WriteThen(0x20, I2C_SMBUS_BYTE_DATA, {0x5A}, Read(0x20, I2C_SMBUS_BYTE_DATA)) << 0
            << Bytes{0x5A} << true;
        QTest::newRow("write word data")
            << "ABC"
            << WriteThen(0x20, I2C_SMBUS_WORD_DATA, {0xEF, 0xBE}, Read(0x20, I2C_SMBUS_WORD_DATA))
            << 0 << Bytes{0xEF, 0xBE} << true;
        QTest::newRow("send byte, receive byte")
            << "ABC" << WriteThen(0x30, I2C_SMBUS_BYTE, {}, Read(0, I2C_SMBUS_BYTE)) << 0
            << Bytes{0x30} << true;
        // The EEPROM takes the word at 0x40 and answers from where its pointer went.
        QTest::newRow("process call") << "ABC" << Read(0x40, I2C_SMBUS_PROC_CALL, {0x01, 0x02}) << 0
                                      << Bytes{0x42, 0x43} << true;
        QTest::newRow("block data") << "ABC" << Read(BLOCK_AT, I2C_SMBUS_BLOCK_DATA) << 0
                                    << Bytes{3, 0xAA, 0xBB, 0xCC} << true;
        QTest::newRow("block count 0")
            << "A" << Read(0x00, I2C_SMBUS_BLOCK_DATA) << -EPROTO << Bytes{} << true;
        QTest::newRow("write block data") << "ABC"
                                          << WriteThen(0x70, I2C_SMBUS_BLOCK_DATA, {2, 0x11, 0x22},
                                                       Read(0x70, I2C_SMBUS_I2C_BLOCK_DATA, {3}))
                                          << 0 << Bytes{3, 2, 0x11, 0x22} << true;
        QTest::newRow("write block of 33") << "A" << WriteThen(0x70, I2C_SMBUS_BLOCK_DATA, {33}, {})
                                           << -EINVAL << Bytes{} << false;
        // Written at 0x60: the count and the byte; the block read back starts after them.
        QTest::newRow("block process call")
            << "ABC" << Read(0x60, I2C_SMBUS_BLOCK_PROC_CALL, {1, 0x01}) << 0
            << Bytes{3, 0xAA, 0xBB, 0xCC} << true;
        QTest::newRow("i2c block") << "ABC" << Read(0x10, I2C_SMBUS_I2C_BLOCK_DATA, {4}) << 0
                                   << Concat({4}, Counting(0x10, 4)) << true;
        QTest::newRow("i2c block, old numbering") << "B" << Read(0x10, I2C_SMBUS_I2C_BLOCK_BROKEN)
                                                  << 0 << Concat({32}, Counting(0x10, 32)) << true;
        QTest::newRow("i2c block of 0 read")
            << "A" << Read(0x10, I2C_SMBUS_I2C_BLOCK_DATA, {0}) << -EOPNOTSUPP << Bytes{} << false;
        QTest::newRow("quick write")
            << "AC" << WriteThen(0, I2C_SMBUS_QUICK, {}, Read(0x10, I2C_SMBUS_BYTE_DATA)) << 0
            << Bytes{0x10} << true;
        QTest::newRow("quick write, no such model")
            << "B" << WriteThen(0, I2C_SMBUS_QUICK, {}, {}) << -EOPNOTSUPP << Bytes{} << false;
        QTest::newRow("quick read")
            << "A" << Read(0, I2C_SMBUS_QUICK) << -EOPNOTSUPP << Bytes{} << false;
        QTest::newRow("unknown size") << "A" << Read(0, 9) << -EINVAL << Bytes{} << false;

        QTest::newRow("nack") << "ABC" << At(NOBODY, Read(0x10, I2C_SMBUS_BYTE_DATA)) << -ENXIO
                              << Bytes{} << true;
        QTest::newRow("quick nack") << "A" << At(NOBODY, WriteThen(0, I2C_SMBUS_QUICK, {}, {}))
                                    << -ENXIO << Bytes{} << true;
        QTest::newRow("pec bad") << "ABC" << WithPec(Read(0x10, I2C_SMBUS_BYTE_DATA)) << -EBADMSG
                                 << Bytes{} << true;
        const Call goodPecRead = [goodPec](SFixture &f, Bytes &out) {
            f.eeprom->SetContents(0x11, {goodPec});
            return WithPec(Read(0x10, I2C_SMBUS_BYTE_DATA))(f, out);
        };
        QTest::newRow("pec good") << "A" << goodPecRead << 0 << Bytes{0x10} << true;
        // The PEC goes after the byte, so the EEPROM keeps it at 0x11.
        QTest::newRow("pec written")
            << "A" << WithPec(WriteThen(0x10, I2C_SMBUS_BYTE_DATA, {0x10}, Transfer({0x11}, {1})))
            << 2 << Bytes{SmbusPec::Compute({0xA0, 0x10, 0x10})} << true;

        QTest::newRow("rdwr write, read")
            << "ABC" << Transfer({0x10}, {4}) << 2 << Counting(0x10, 4) << true;
        // The EEPROM's pointer rolls over to 0 after its last byte.
        QTest::newRow("rdwr 257 bytes")
            << "A" << Transfer({0x00}, {257}) << 2 << Concat(Image(), {0}) << true;
        QTest::newRow("rdwr 257 bytes, model limit")
            << "B" << Transfer({0x00}, {257}) << -EOPNOTSUPP << Bytes(257) << false;
        QTest::newRow("rdwr count byte") << "ABC" << Transfer({BLOCK_AT}, {-1}) << 2
                                         << Concat({3, 0xAA, 0xBB, 0xCC}, Bytes(29)) << true;
        QTest::newRow("rdwr read before write")
            << "A" << Transfer({0x10}, {1, 1}) << -EOPNOTSUPP << Bytes(1) << false;
        QTest::newRow("rdwr zero-length read")
            << "A" << Transfer({0x10}, {0}) << -EOPNOTSUPP << Bytes{} << false;
        QTest::newRow("rdwr 42 writes") << "A" << Transfer({0x10}, {}, 42) << 42 << Bytes{} << true;
        QTest::newRow("rdwr 43 writes")
            << "A" << Transfer({0x10}, {}, 43) << -EINVAL << Bytes{} << false;
        QTest::newRow("rdwr address only") << "A" << Transfer({}, {}) << 1 << Bytes{} << true;
        QTest::newRow("rdwr address only, no such model")
            << "B" << Transfer({}, {}) << -EOPNOTSUPP << Bytes{} << false;

        const Call fileWriteRead = [](SFixture &f, Bytes &out) {
            const unsigned char offset = 0x08;
            out.assign(3, 0);
            const long written = f.file->Write(&offset, 1);
            return written != 1 ? int(written) : int(f.file->Read(out.data(), out.size()));
        };
        QTest::newRow("write(), read()")
            << "ABC" << fileWriteRead << 3 << Counting(0x08, 3) << true;
        const Call fileReadLong = [](SFixture &f, Bytes &out) {
            out.assign(300, 0);
            return int(f.file->Read(out.data(), out.size()));
        };
        QTest::newRow("read() over the model's limit")
            << "B" << fileReadLong << -EOPNOTSUPP << Bytes(300) << false;
    }

    void requests()
    {
        QFETCH(QString, models);
        QFETCH(Call, call);
        QFETCH(int, result);
        QFETCH(Bytes, out);
        QFETCH(bool, sends);
        for (const QChar model : models) {
            SFixture f = Fixture(static_cast<ESimModel>(model.unicode() - u'A'));
            QVERIFY(f.bus->Connect());
            const std::size_t reports = f.adapter->GetSpecialReports().size();
            Bytes read;
            QCOMPARE(call(f, read), result);
            QCOMPARE(read, out);
            QCOMPARE(f.adapter->GetSpecialReports().size() > reports, sends);
        }
    }

    // After an arbitration loss the transfer runs again as often as I2C_RETRIES allows; a
    // lost reply is a time-out.
    void failuresOnTheBus_data()
    {
        QTest::addColumn<unsigned long>("retries");
        QTest::addColumn<bool>("lostReply");
        QTest::addColumn<int>("result");
        QTest::newRow("arbitration lost") << 0ul << false << -EAGAIN;
        QTest::newRow("arbitration lost, one retry") << 1ul << false << 0;
        QTest::newRow("reply lost") << 3ul << true << -ETIMEDOUT;
    }

    void failuresOnTheBus()
    {
        QFETCH(unsigned long, retries);
        QFETCH(bool, lostReply);
        QFETCH(int, result);
        SFixture f = Fixture(ESimModel::A);
        QCOMPARE(f.file->Control(I2C_RETRIES, retries), 0);
        QVERIFY(f.bus->Connect());
        if (lostReply)
            f.adapter->DropReplies(1);
        else
            f.adapter->ForceNextStatus(STATUS_ARBITRATION_LOST);
        Bytes out;
        QCOMPARE(Read(0x10, I2C_SMBUS_BYTE_DATA)(f, out), result);
    }

    // The node outlives an unplug: ENODEV meanwhile, answers again once the adapter is back.
    void unplugAndBack()
    {
        SFixture f = Fixture(ESimModel::C);
        Bytes out;
        QCOMPARE(Read(0x10, I2C_SMBUS_BYTE_DATA)(f, out), 0);
        f.adapter->Unplug();
        QCOMPARE(Read(0x10, I2C_SMBUS_BYTE_DATA)(f, out), -ENODEV);
        QCOMPARE(Read(0x10, I2C_SMBUS_BYTE_DATA)(f, out), -ENODEV);
        f.adapter->Plug();
        out.clear();
        QCOMPARE(Read(0x11, I2C_SMBUS_BYTE_DATA)(f, out), 0);
        QCOMPARE(out, Bytes{0x11});
    }
};

VTL_TEST_MAIN(TestI2cDevFile)
#include "tst_i2cDevFile.moc"
