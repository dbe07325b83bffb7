// SPDX-License-Identifier: MIT
// Each failure on the simulated bus, run through the bus session, ends with its own kind,
// and the command line's exit status and the i2c-tools error number follow from that kind.
#include "CBusSession.h"
#include "CI2cDeviceFile.h"
#include "COutputFile.h"
#include "CSimBus.h"
#include "CSimEeprom.h"
#include "CSimRegisterFile.h"
#include "CTransactionControl.h"
#include "CliExitCode.h"
#include "FailureText.h"
#include "I2cToolsText.h"
#include "ImageFile.h"
#include "VtlTestMain.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <chrono>
#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(EFailureKind)
Q_DECLARE_METATYPE(ECliExit)

namespace {

constexpr std::uint8_t EEPROM = 0x50;
constexpr std::uint8_t REGISTERS = 0x60;
constexpr std::uint8_t READ_ONLY_REGISTER = 70;
const std::wstring SERIAL = L"F-0031";

// What a row does to the adapter before, or instead of, its transaction.
enum class EFault
{
    None,
    DropReply,
    Cancel,
    Unplug,
    DenyOpen,
    Status,
};

// The pointer byte and then enough bytes to reach the read-only register in the second
// report of the write, after the address went through in the first.
std::vector<unsigned char> PastReadOnlyRegister()
{
    std::vector<unsigned char> bytes(READ_ONLY_REGISTER + 2, 0x11);
    bytes.front() = 0x00;
    return bytes;
}

} // namespace

Q_DECLARE_METATYPE(EFault)
Q_DECLARE_METATYPE(STransactionRequest)

class TestFailureKinds : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { CSimBus::Instance().Reset(); }
    void kindOfEachFailure_data();
    void kindOfEachFailure();
    void errnoOfEachKind_data();
    void errnoOfEachKind();
    void kindOfEachFileFailure_data();
    void kindOfEachFileFailure();
};

void TestFailureKinds::kindOfEachFailure_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<EFault>("fault");
    QTest::addColumn<STransactionRequest>("request");
    QTest::addColumn<EFailureKind>("kind");
    QTest::addColumn<ECliExit>("exit");

    const int a = int(ESimModel::A);
    const int b = int(ESimModel::B);
    using R = STransactionRequest;
    const R readEeprom = R::Read(EEPROM, 4);
    const auto row = [](const char *name, int model, EFault fault, const R &request,
                        EFailureKind kind, ECliExit exit) {
        QTest::newRow(name) << model << fault << request << kind << exit;
    };
    row("address NACK of a read", a, EFault::None, R::Read(0x41, 2), EFailureKind::AddressNack,
        ECliExit::BusFailure);
    row("address NACK of a write", a, EFault::None, R::Write(0x41, {0x00}),
        EFailureKind::AddressNack, ECliExit::BusFailure);
    row("data NACK after the first report", a, EFault::None,
        R::Write(REGISTERS, PastReadOnlyRegister()), EFailureKind::DataNack, ECliExit::BusFailure);
    row("time-out", a, EFault::DropReply, readEeprom, EFailureKind::Timeout, ECliExit::BusFailure);
    row("cancel", a, EFault::Cancel, R::Read(EEPROM, 200), EFailureKind::Cancelled,
        ECliExit::Interrupted);
    row("unplug", a, EFault::Unplug, R::Write(EEPROM, {0x00, 0x01}), EFailureKind::AdapterGone,
        ECliExit::BusFailure);
    row("permission", a, EFault::DenyOpen, readEeprom, EFailureKind::PermissionDenied,
        ECliExit::NoAdapter);
    row("model limit: read count", b, EFault::None, R::Read(EEPROM, 300),
        EFailureKind::NotSupported, ECliExit::Usage);
    row("model limit: address-only write", b, EFault::None, R::Write(EEPROM, {}),
        EFailureKind::NotSupported, ECliExit::Usage);
    row("read of nothing", a, EFault::None, R::Read(EEPROM, 0), EFailureKind::InvalidArgument,
        ECliExit::Usage);
    row("arbitration lost", a, EFault::Status, readEeprom, EFailureKind::ArbitrationLost,
        ECliExit::BusFailure);
}

void TestFailureKinds::kindOfEachFailure()
{
    QFETCH(int, model);
    QFETCH(EFault, fault);
    QFETCH(STransactionRequest, request);
    QFETCH(EFailureKind, kind);
    QFETCH(ECliExit, exit);

    const auto adapter = CSimBus::Instance().Attach(ESimModel(model), SERIAL);
    adapter->SetFramePeriod(std::chrono::milliseconds(0));
    adapter->AddSlave(EEPROM, std::make_shared<CSimEeprom>());
    auto registers = std::make_shared<CSimRegisterFile>();
    registers->SetReadOnly(READ_ONLY_REGISTER, true);
    adapter->AddSlave(REGISTERS, registers);
    const EVtlType type = model == int(ESimModel::B) ? EVtlType::VtlB : EVtlType::VtlA;

    CBusSession session;
    if (fault == EFault::DenyOpen) {
        adapter->SetOpenDenied(true);
        QVERIFY(!session.Connect({type, SERIAL}, EI2cSpeed::Speed100k));
        QCOMPARE(session.GetLastErrorKind(), kind);
        QCOMPARE(ExitOf(session.GetLastErrorKind()), exit);
        return;
    }
    QVERIFY(session.Connect({type, SERIAL}, EI2cSpeed::Speed100k));
    CTransactionControl control;
    switch (fault) {
    case EFault::DropReply:
        adapter->DropReplies(1);
        break;
    case EFault::Cancel:
        control.RequestCancel();
        break;
    case EFault::Unplug:
        adapter->Unplug();
        break;
    case EFault::Status:
        adapter->ForceNextStatus(0x40);
        break;
    case EFault::None:
    case EFault::DenyOpen:
        break;
    }

    const STransactionRecord record = session.Run(request, &control);
    QVERIFY(!record.ok);
    QVERIFY(!record.lastError.empty());
    QCOMPARE(record.failure, kind);
    QCOMPARE(record.cancelled, kind == EFailureKind::Cancelled);
    QCOMPARE(ExitOf(record.failure), exit);
}

void TestFailureKinds::errnoOfEachKind_data()
{
    QTest::addColumn<EFailureKind>("kind");
    QTest::addColumn<int>("errnoOfKind");
    QTest::addColumn<int>("i2cTools");

    QTest::newRow("none") << EFailureKind::None << 0 << 0;
    QTest::newRow("address NACK") << EFailureKind::AddressNack << ENXIO << ENXIO;
    QTest::newRow("data NACK") << EFailureKind::DataNack << EREMOTEIO << EREMOTEIO;
    QTest::newRow("time-out") << EFailureKind::Timeout << ETIMEDOUT << ETIMEDOUT;
    // The i2c-tools commands are stopped by a signal, which an i2c-dev call sees as EINTR.
    QTest::newRow("cancel") << EFailureKind::Cancelled << ECANCELED << EINTR;
    QTest::newRow("adapter gone") << EFailureKind::AdapterGone << ENODEV << ENODEV;
    QTest::newRow("permission") << EFailureKind::PermissionDenied << EACCES << EACCES;
    QTest::newRow("model limit") << EFailureKind::NotSupported << EOPNOTSUPP << EOPNOTSUPP;
    QTest::newRow("invalid argument") << EFailureKind::InvalidArgument << EINVAL << EINVAL;
    QTest::newRow("arbitration") << EFailureKind::ArbitrationLost << EAGAIN << EAGAIN;
    QTest::newRow("adapter error") << EFailureKind::AdapterError << EIO << EIO;
    QTest::newRow("file") << EFailureKind::FileIo << EIO << EIO;
}

void TestFailureKinds::errnoOfEachKind()
{
    QFETCH(EFailureKind, kind);
    QFETCH(int, errnoOfKind);
    QFETCH(int, i2cTools);
    QCOMPARE(FailureText::Errno(kind), errnoOfKind);
    QCOMPARE(I2cToolsText::ErrnoOf(kind), i2cTools);
}

void TestFailureKinds::kindOfEachFileFailure_data()
{
    QTest::addColumn<QString>("fileClass"); // output, device or image
    QTest::addColumn<QString>("path");      // %D: a folder; %B: a file of broken text
    QTest::addColumn<int>("kind");

    const int io = int(EFailureKind::FileIo);
    const int invalid = int(EFailureKind::InvalidArgument);
    QTest::newRow("output into a folder") << u"output"_s << u"%D"_s << io;
    QTest::newRow("output to a full device") << u"output"_s << u"/dev/full"_s << io;
    QTest::newRow("output into a missing folder") << u"output"_s << u"%D/no/x.bin"_s << io;
    QTest::newRow("device file missing") << u"device"_s << u"%D/none.i2cdev"_s << io;
    QTest::newRow("device file not JSON") << u"device"_s << u"%B"_s << invalid;
    QTest::newRow("device file a FIFO") << u"device"_s << u"/dev/null"_s << invalid;
    QTest::newRow("image missing") << u"image"_s << u"%D/none.hex"_s << io;
    QTest::newRow("image not Intel HEX") << u"image"_s << u"%B"_s << invalid;
}

void TestFailureKinds::kindOfEachFileFailure()
{
    QFETCH(QString, fileClass);
    QFETCH(QString, path);
    QFETCH(int, kind);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString broken = folder.filePath(u"broken.hex"_s);
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("{ this is neither\n");
    file.close();
    path.replace(u"%D"_s, folder.path()).replace(u"%B"_s, broken);

    EFailureKind seen = EFailureKind::None;
    QString error;
    if (fileClass == u"output"_s) {
        COutputFile output(path);
        QVERIFY(!output.Write("bytes"));
        seen = output.GetLastErrorKind();
        error = output.GetLastError();
    } else if (fileClass == u"device"_s) {
        CI2cDeviceFile device;
        QVERIFY(!device.Load(path));
        seen = device.GetLastErrorKind();
        error = device.GetLastError();
    } else {
        SMemoryImage image;
        QVERIFY(!ImageFile::Load(path, EImageFormat::IntelHex, image, error, &seen));
    }
    QVERIFY(!error.isEmpty());
    QCOMPARE(int(seen), kind);
}

VTL_TEST_MAIN(TestFailureKinds)
#include "tst_FailureKinds.moc"
