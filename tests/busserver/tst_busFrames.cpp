// SPDX-License-Identifier: MIT
// The frames of the bus server's protocol: every field survives the trip, and the parser
// tells a frame still arriving from bytes that are no frame.
#include "BusFrames.h"
#include "VtlTestMain.h"

#include <QtTest>

using namespace BusFrames;

Q_DECLARE_METATYPE(std::vector<unsigned char>)
Q_DECLARE_METATYPE(BusFrames::EDecodeStatus)

namespace {

std::vector<unsigned char> Framed(std::vector<unsigned char> body)
{
    const auto length = static_cast<std::uint32_t>(body.size());
    std::vector<unsigned char> bytes{
        static_cast<unsigned char>(length), static_cast<unsigned char>(length >> 8),
        static_cast<unsigned char>(length >> 16), static_cast<unsigned char>(length >> 24)};
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

std::vector<unsigned char> EncodedRecord()
{
    SFrame frame;
    frame.type = EFrameType::Record;
    frame.tag = 7;
    return Encode(frame);
}

} // namespace

class TestBusFrames : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recordAndAdapterSurvive();
    void decode_data();
    void decode();
    void versions_data();
    void versions();
};

void TestBusFrames::recordAndAdapterSurvive()
{
    SFrame record;
    record.type = EFrameType::Record;
    record.tag = 0xA1B2C3D4;
    record.record.request = STransactionRequest::WriteRead(0x50, {0x00, 0x10}, 3);
    record.record.request.stop = false;
    record.record.ok = false;
    record.record.write = {0x55, 0x21};
    record.record.read = {0x01, {0xDE, 0xAD}};
    record.record.readPartReached = true;
    record.record.found = {0x23, 0x50};
    record.record.probesDone = 112;
    record.record.lastError = "Data not acknowledged";
    record.record.failure = EFailureKind::DataNack;
    record.record.originProgram = "python3";
    record.record.originPid = -42;
    record.record.startedMs = 1765324800123;
    record.record.durationUs = 987654321;
    std::vector<unsigned char> bytes = Encode(record);
    SDecodeResult decoded = Decode(bytes.data(), bytes.size());
    QCOMPARE(decoded.status, EDecodeStatus::Frame);
    QCOMPARE(decoded.consumed, bytes.size());
    const STransactionRecord &got = decoded.frame.record;
    QCOMPARE(decoded.frame.tag, record.tag);
    QCOMPARE(got.request.kind, ETransactionKind::WriteRead);
    QCOMPARE(got.request.data, record.record.request.data);
    QCOMPARE(got.request.count, std::size_t(3));
    QVERIFY(got.request.start && !got.request.stop);
    QCOMPARE(got.write.status, 0x55);
    QCOMPARE(got.write.errorCode, 0x21);
    QCOMPARE(got.read.data, record.record.read.data);
    QVERIFY(got.readPartReached);
    QCOMPARE(got.found, record.record.found);
    QCOMPARE(got.probesDone, std::size_t(112));
    QCOMPARE(got.lastError, record.record.lastError);
    QCOMPARE(got.failure, EFailureKind::DataNack);
    QCOMPARE(got.originProgram, std::string("python3"));
    QCOMPARE(got.originPid, std::int64_t(-42));
    QCOMPARE(got.startedMs, record.record.startedMs);
    QCOMPARE(got.durationUs, record.record.durationUs);

    SFrame welcome;
    welcome.type = EFrameType::Welcome;
    welcome.version = 1;
    welcome.adapter.typeName = L"Model B";
    welcome.adapter.supportedSpeeds = 0x1F;
    welcome.adapter.hasPullUpSwitch = true;
    welcome.adapter.maxReadCount = 65535;
    welcome.adapter.type = EVtlType::VtlB;
    welcome.adapter.serial = L"S\u00e9rie-1";
    welcome.adapter.firmware = 0x0203;
    welcome.adapter.speed = EI2cSpeed::Speed1000k;
    welcome.adapter.pullUpsEnabled = false;
    welcome.program = "vtl-i2c";
    welcome.pid = 4242;
    bytes = Encode(welcome);
    decoded = Decode(bytes.data(), bytes.size());
    QCOMPARE(decoded.status, EDecodeStatus::Frame);
    const SBusAdapterInfo &adapter = decoded.frame.adapter;
    QVERIFY(static_cast<const SAdapterCapabilities &>(adapter) == welcome.adapter);
    QCOMPARE(adapter.type, EVtlType::VtlB);
    QVERIFY(adapter.serial == welcome.adapter.serial);
    QCOMPARE(adapter.firmware, std::uint16_t(0x0203));
    QCOMPARE(adapter.speed, EI2cSpeed::Speed1000k);
    QVERIFY(!adapter.pullUpsEnabled);
    QCOMPARE(decoded.frame.pid, std::int64_t(4242));
}

void TestBusFrames::decode_data()
{
    QTest::addColumn<std::vector<unsigned char>>("bytes");
    QTest::addColumn<EDecodeStatus>("status");

    const std::vector<unsigned char> record = EncodedRecord();
    std::vector<unsigned char> twoFrames = record;
    twoFrames.insert(twoFrames.end(), record.begin(), record.end());
    QTest::newRow("two frames: the first") << twoFrames << EDecodeStatus::Frame;
    QTest::newRow("length incomplete")
        << std::vector<unsigned char>{0x05, 0x00} << EDecodeStatus::Incomplete;
    QTest::newRow("body incomplete") << std::vector<unsigned char>(record.begin(), record.end() - 1)
                                     << EDecodeStatus::Incomplete;
    QTest::newRow("empty frame") << Framed({}) << EDecodeStatus::Malformed;
    // Refused from the length alone, before a megabyte has to arrive.
    QTest::newRow("too long") << std::vector<unsigned char>{0x01, 0x00, 0x10, 0x00, 0x01}
                              << EDecodeStatus::Malformed;
    QTest::newRow("unknown type") << Framed({0x7F}) << EDecodeStatus::Malformed;
    QTest::newRow("type zero") << Framed({0x00}) << EDecodeStatus::Malformed;
    QTest::newRow("field missing")
        << Framed({static_cast<unsigned char>(EFrameType::Cancel), 1}) << EDecodeStatus::Malformed;
    QTest::newRow("bytes after the fields")
        << Framed({static_cast<unsigned char>(EFrameType::Lost), 0}) << EDecodeStatus::Malformed;
    QTest::newRow("truth value 2")
        << Framed({static_cast<unsigned char>(EFrameType::SetPullUps), 1, 0, 0, 0, 2})
        << EDecodeStatus::Malformed;
    QTest::newRow("speed out of range")
        << Framed({static_cast<unsigned char>(EFrameType::SetSpeed), 1, 0, 0, 0, 5})
        << EDecodeStatus::Malformed;
    // A string's length that points past the frame must not be read.
    QTest::newRow("string longer than the frame")
        << Framed({static_cast<unsigned char>(EFrameType::Refusal), 0xFF, 0xFF, 0xFF, 0x7F, 'a'})
        << EDecodeStatus::Malformed;
    QTest::newRow("hello of a stranger") << Framed({static_cast<unsigned char>(EFrameType::Hello),
                                                    'G',
                                                    'E',
                                                    'T',
                                                    ' ',
                                                    1,
                                                    0,
                                                    1,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0,
                                                    0})
                                         << EDecodeStatus::Malformed;
}

void TestBusFrames::decode()
{
    QFETCH(std::vector<unsigned char>, bytes);
    QFETCH(EDecodeStatus, status);
    const SDecodeResult result = Decode(bytes.data(), bytes.size());
    QCOMPARE(result.status, status);
    QCOMPARE(result.error.empty(), status != EDecodeStatus::Malformed);
    if (status == EDecodeStatus::Frame) {
        QCOMPARE(result.consumed, EncodedRecord().size());
        QCOMPARE(result.frame.tag, 7U);
    }
}

void TestBusFrames::versions_data()
{
    QTest::addColumn<int>("clientMin");
    QTest::addColumn<int>("clientMax");
    QTest::addColumn<int>("chosen");
    QTest::newRow("same") << 1 << 1 << 1;
    QTest::newRow("client newer, still speaks 1") << 1 << 5 << 1;
    QTest::newRow("client only newer") << 2 << 5 << 0;
    QTest::newRow("client only older") << 0 << 0 << 0;
    QTest::newRow("empty range") << 1 << 0 << 0;
}

void TestBusFrames::versions()
{
    QFETCH(int, clientMin);
    QFETCH(int, clientMax);
    QFETCH(int, chosen);
    QCOMPARE(int(ChooseVersion(std::uint16_t(clientMin), std::uint16_t(clientMax))), chosen);
}

VTL_TEST_MAIN(TestBusFrames)
#include "tst_busFrames.moc"
