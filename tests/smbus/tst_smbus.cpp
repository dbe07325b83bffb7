// SPDX-License-Identifier: MIT
#include "CSmbus.h"
#include "SmbusPec.h"
#include "VtlTestMain.h"

#include <QObject>
#include <QTest>

#include <deque>

using Bytes = std::vector<unsigned char>;
Q_DECLARE_METATYPE(Bytes)
Q_DECLARE_METATYPE(ESmbusOperation)
Q_DECLARE_METATYPE(ESmbusFault)
Q_DECLARE_METATYPE(ETransactionKind)

namespace {

// A bus that records what it is asked and answers reads with scripted bytes.
class CScriptedBus : public CBusContext
{
public:
    explicit CScriptedBus(EVtlType type = EVtlType::VtlA)
    {
        static_cast<SAdapterCapabilities &>(m_adapter) = *SAdapterCapabilities::OfModel(type);
        m_adapter.type = type;
    }

    std::vector<STransactionRequest> requests;
    Bytes reply;
    std::string failure;
    EFailureKind failureKind = EFailureKind::None;

    STransactionRecord Execute(const STransactionRequest &request) override
    {
        requests.push_back(request);
        STransactionRecord record;
        record.request = request;
        record.ok = failure.empty();
        record.lastError = failure;
        record.failure = failureKind;
        if (request.kind != ETransactionKind::Write)
            record.read.data.assign(reply.begin(),
                                    reply.begin() +
                                        std::ptrdiff_t(std::min(reply.size(), request.count)));
        return record;
    }
    bool IsCancelRequested() const override { return false; }
    void ReportProgress(std::uint64_t, std::uint64_t) override {}
    bool Sleep(std::chrono::microseconds) override { return true; }
    Clock::time_point Now() const override { return {}; }
    const SBusAdapterInfo &Adapter() const override { return m_adapter; }

private:
    SBusAdapterInfo m_adapter;
};

SSmbusRequest Request(ESmbusOperation operation, std::uint8_t command, Bytes data, bool pec,
                      std::size_t length = 32)
{
    SSmbusRequest request;
    request.operation = operation;
    request.address = 0x50;
    request.command = command;
    request.data = std::move(data);
    request.pec = pec;
    request.length = length;
    return request;
}

Bytes Block(std::size_t count, unsigned char first)
{
    Bytes bytes{static_cast<unsigned char>(count)};
    for (std::size_t i = 0; i < count; ++i)
        bytes.push_back(static_cast<unsigned char>(first + i));
    return bytes;
}

} // namespace

class TestSmbus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pecVectors_data()
    {
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<int>("pec");
        QTest::newRow("check string") << Bytes{'1', '2', '3', '4', '5', '6', '7', '8', '9'} << 0xF4;
        QTest::newRow("nothing") << Bytes{} << 0x00;
        QTest::newRow("thermometer word read") << Bytes{0xB4, 0x07, 0xB5, 0xD2, 0x3A} << 0x30;
        QTest::newRow("single 0x01") << Bytes{0x01} << 0x07;
    }
    void pecVectors()
    {
        QFETCH(Bytes, bytes);
        QFETCH(int, pec);
        QCOMPARE(int(SmbusPec::Compute(bytes)), pec);
    }

    // What each protocol puts on the wire, with and without PEC, at address 0x50 (0xA0).
    void wireBytes_data()
    {
        using Op = ESmbusOperation;
        QTest::addColumn<ESmbusOperation>("operation");
        QTest::addColumn<Bytes>("data");
        QTest::addColumn<bool>("pec");
        QTest::addColumn<ETransactionKind>("kind");
        QTest::addColumn<Bytes>("wire");
        QTest::addColumn<int>("readCount");
        const auto W = ETransactionKind::Write;
        const auto R = ETransactionKind::Read;
        const auto WR = ETransactionKind::WriteRead;
        QTest::newRow("quick") << Op::Quick << Bytes{} << true << W << Bytes{0xA0} << 0;
        QTest::newRow("receive byte")
            << Op::ReceiveByte << Bytes{} << false << R << Bytes{0xA0} << 1;
        QTest::newRow("receive byte pec")
            << Op::ReceiveByte << Bytes{} << true << R << Bytes{0xA0} << 2;
        QTest::newRow("send byte")
            << Op::SendByte << Bytes{} << false << W << Bytes{0xA0, 0x10} << 0;
        QTest::newRow("write byte pec")
            << Op::WriteByteData << Bytes{0x42} << true << W << Bytes{0xA0, 0x10, 0x42, 0xD6} << 0;
        QTest::newRow("read byte")
            << Op::ReadByteData << Bytes{} << false << WR << Bytes{0xA0, 0x10} << 1;
        QTest::newRow("read word pec")
            << Op::ReadWordData << Bytes{} << true << WR << Bytes{0xA0, 0x10} << 3;
        QTest::newRow("write word") << Op::WriteWordData << Bytes{0x34, 0x12} << false << W
                                    << Bytes{0xA0, 0x10, 0x34, 0x12} << 0;
        QTest::newRow("process call") << Op::ProcessCall << Bytes{0x34, 0x12} << false << WR
                                      << Bytes{0xA0, 0x10, 0x34, 0x12} << 2;
        QTest::newRow("block read: the longest block")
            << Op::ReadBlockData << Bytes{} << true << WR << Bytes{0xA0, 0x10} << 34;
        QTest::newRow("block write") << Op::WriteBlockData << Bytes{1, 2, 3} << false << W
                                     << Bytes{0xA0, 0x10, 3, 1, 2, 3} << 0;
        QTest::newRow("block process call")
            << Op::BlockProcessCall << Bytes{9} << false << WR << Bytes{0xA0, 0x10, 1, 9} << 33;
        QTest::newRow("i2c block read")
            << Op::ReadI2cBlock << Bytes{} << false << WR << Bytes{0xA0, 0x10} << 8;
        QTest::newRow("i2c block write")
            << Op::WriteI2cBlock << Bytes{1, 2} << false << W << Bytes{0xA0, 0x10, 1, 2} << 0;
    }
    void wireBytes()
    {
        QFETCH(ESmbusOperation, operation);
        QFETCH(Bytes, data);
        QFETCH(bool, pec);
        QFETCH(ETransactionKind, kind);
        QFETCH(Bytes, wire);
        QFETCH(int, readCount);
        std::string error;
        const auto planned = CSmbus::Plan(Request(operation, 0x10, data, pec, 8), error);
        QVERIFY2(planned.has_value(), error.c_str());
        QCOMPARE(planned->kind, kind);
        QCOMPARE(planned->WireBytes(), wire);
        QCOMPARE(int(planned->count), readCount);
    }

    // Replies as a slave gives them: the PEC checked over the whole transaction, the block
    // taken by its count byte.
    void replies_data()
    {
        using Op = ESmbusOperation;
        QTest::addColumn<ESmbusOperation>("operation");
        QTest::addColumn<bool>("pec");
        QTest::addColumn<Bytes>("reply");
        QTest::addColumn<ESmbusFault>("fault");
        QTest::addColumn<Bytes>("data");
        QTest::newRow("word, low byte first") << Op::ReadWordData << false << Bytes{0x34, 0x12}
                                              << ESmbusFault::None << Bytes{0x34, 0x12};
        QTest::newRow("byte with good pec")
            << Op::ReceiveByte << true << Bytes{0x55, 0xA1} << ESmbusFault::None << Bytes{0x55};
        QTest::newRow("byte with bad pec")
            << Op::ReceiveByte << true << Bytes{0x55, 0xA2} << ESmbusFault::BadPec << Bytes{};
        Bytes block = Block(3, 1);
        block.push_back(0x56);
        block.resize(34, 0xFF);
        QTest::newRow("block of 3 with pec")
            << Op::ReadBlockData << true << block << ESmbusFault::None << Bytes{1, 2, 3};
        QTest::newRow("block count 0")
            << Op::ReadBlockData << false << Bytes(33, 0x00) << ESmbusFault::BadLength << Bytes{};
        Bytes tooLong(33, 0x21);
        tooLong[0] = 33;
        QTest::newRow("block count 33")
            << Op::ReadBlockData << false << tooLong << ESmbusFault::BadLength << Bytes{};
    }
    void replies()
    {
        QFETCH(ESmbusOperation, operation);
        QFETCH(bool, pec);
        QFETCH(Bytes, reply);
        QFETCH(ESmbusFault, fault);
        QFETCH(Bytes, data);
        CScriptedBus bus;
        bus.reply = reply;
        const SSmbusResult result = CSmbus::Execute(bus, Request(operation, 0x10, {}, pec));
        QCOMPARE(result.fault, fault);
        QCOMPARE(result.ok, fault == ESmbusFault::None);
        QCOMPARE(result.data, data);
    }

    void refusals_data()
    {
        using Op = ESmbusOperation;
        QTest::addColumn<EVtlType>("type");
        QTest::addColumn<ESmbusOperation>("operation");
        QTest::addColumn<Bytes>("data");
        QTest::addColumn<bool>("pec");
        QTest::addColumn<ESmbusFault>("fault");
        QTest::newRow("quick on model B")
            << EVtlType::VtlB << Op::Quick << Bytes{} << false << ESmbusFault::Unsupported;
        QTest::newRow("block of 33") << EVtlType::VtlA << Op::WriteBlockData << Bytes(33, 1)
                                     << false << ESmbusFault::BadLength;
        QTest::newRow("empty block")
            << EVtlType::VtlA << Op::WriteI2cBlock << Bytes{} << false << ESmbusFault::BadLength;
        QTest::newRow("word of one byte")
            << EVtlType::VtlA << Op::WriteWordData << Bytes{1} << false << ESmbusFault::BadLength;
        QTest::newRow("pec on i2c block")
            << EVtlType::VtlA << Op::WriteI2cBlock << Bytes{1} << true << ESmbusFault::BadLength;
    }
    void refusals()
    {
        QFETCH(EVtlType, type);
        QFETCH(ESmbusOperation, operation);
        QFETCH(Bytes, data);
        QFETCH(bool, pec);
        QFETCH(ESmbusFault, fault);
        CScriptedBus bus(type);
        const SSmbusResult result = CSmbus::Execute(bus, Request(operation, 0x10, data, pec));
        QCOMPARE(result.fault, fault);
        QVERIFY(bus.requests.empty());
    }

    void driverFailuresKeepTheirClass()
    {
        CScriptedBus bus;
        bus.failure = "NACK received";
        bus.failureKind = EFailureKind::AddressNack;
        const SSmbusResult result =
            CSmbus::Execute(bus, Request(ESmbusOperation::ReadByteData, 0x10, {}, false));
        QCOMPARE(result.fault, ESmbusFault::Nack);
        QCOMPARE(result.error, bus.failure);
        QCOMPARE(result.records.size(), std::size_t(1));
    }
};

VTL_TEST_MAIN(TestSmbus)
#include "tst_smbus.moc"
