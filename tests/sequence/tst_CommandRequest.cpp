// SPDX-License-Identifier: MIT
// A stored command as the request it sends: every type and write mode, and the commands
// that send no single request.
#include "CommandRequest.h"
#include "VtlTestMain.h"

using namespace Qt::StringLiterals;

namespace {

constexpr std::uint8_t DEVICE = 0x50;

// `hex` as the data bytes, e.g. "AABB".
SI2cCommand Command(EI2cCommandType type, int mode, const char *hex, int count)
{
    SI2cCommand command;
    command.label = u"Label"_s;
    command.type = type;
    command.mode = static_cast<EI2cWriteMode>(mode);
    const QByteArray data = QByteArray::fromHex(hex);
    command.data.assign(data.begin(), data.end());
    command.count = count;
    command.steps = QStringList{u"w1 00"_s};
    return command;
}

// "write@50 [AA BB] start stop", "read@50 2", "writeread@50 [10] 4" or the refusal's number.
QString Describe(const std::optional<STransactionRequest> &request, ECommandRefusal refusal)
{
    if (!request)
        return u"refused %1"_s.arg(int(refusal));
    const QString bytes =
        QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(request->data.data()),
                                       qsizetype(request->data.size()))
                                .toHex(' ')
                                .toUpper());
    const QString address = QString::number(request->address, 16);
    switch (request->kind) {
    case ETransactionKind::Read:
        return u"read@%1 %2"_s.arg(address).arg(request->count);
    case ETransactionKind::WriteRead:
        return u"writeread@%1 [%2] %3"_s.arg(address, bytes).arg(request->count);
    case ETransactionKind::Write:
        return u"write@%1 [%2]%3%4"_s.arg(address, bytes, request->start ? u" start"_s : u""_s,
                                          request->stop ? u" stop"_s : u""_s);
    case ETransactionKind::Search:
        break;
    }
    return u"search"_s;
}

QString Refused(ECommandRefusal refusal)
{
    return u"refused %1"_s.arg(int(refusal));
}

} // namespace

class TestCommandRequest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fromCommand_data()
    {
        QTest::addColumn<SI2cCommand>("command");
        QTest::addColumn<QString>("request");
        using T = EI2cCommandType;
        const char *none = "";
        QTest::newRow("write auto")
            << Command(T::Write, 0, "07", 1) << u"write@50 [07] start stop"_s;
        QTest::newRow("write start") << Command(T::Write, 1, "10", 1) << u"write@50 [10] start"_s;
        QTest::newRow("write stop")
            << Command(T::Write, 2, "AABB", 1) << u"write@50 [AA BB] stop"_s;
        QTest::newRow("write none") << Command(T::Write, 3, "AA", 1) << u"write@50 [AA]"_s;
        QTest::newRow("address only")
            << Command(T::Write, 0, none, 1) << u"write@50 [] start stop"_s;
        QTest::newRow("start, no bytes") << Command(T::Write, 1, none, 1) << u"write@50 [] start"_s;
        QTest::newRow("stop, no bytes")
            << Command(T::Write, 2, none, 1) << Refused(ECommandRefusal::SendsNothing);
        QTest::newRow("none, no bytes")
            << Command(T::Write, 3, none, 1) << Refused(ECommandRefusal::SendsNothing);
        QTest::newRow("unknown mode")
            << Command(T::Write, 4, "01", 1) << Refused(ECommandRefusal::BadMode);
        // A read's and a write/read's mode and a read's bytes are carried along, never sent.
        QTest::newRow("read") << Command(T::Read, 3, "AA", 2) << u"read@50 2"_s;
        QTest::newRow("largest read") << Command(T::Read, 0, none, 65535) << u"read@50 65535"_s;
        QTest::newRow("read of none")
            << Command(T::Read, 0, none, 0) << Refused(ECommandRefusal::BadCount);
        QTest::newRow("read too long")
            << Command(T::Read, 0, none, 65536) << Refused(ECommandRefusal::BadCount);
        QTest::newRow("read negative")
            << Command(T::Read, 0, none, -1) << Refused(ECommandRefusal::BadCount);
        QTest::newRow("write/read")
            << Command(T::WriteRead, 3, "0010", 4) << u"writeread@50 [00 10] 4"_s;
        QTest::newRow("write/read without bytes")
            << Command(T::WriteRead, 0, none, 4) << Refused(ECommandRefusal::NoBytes);
        QTest::newRow("write/read of none")
            << Command(T::WriteRead, 0, "10", 0) << Refused(ECommandRefusal::BadCount);
        QTest::newRow("sequence") << Command(T::Sequence, 0, "10", 1)
                                  << Refused(ECommandRefusal::Sequence);
    }

    void fromCommand()
    {
        QFETCH(SI2cCommand, command);
        QFETCH(QString, request);
        ECommandRefusal refusal = ECommandRefusal::BadMode;
        const std::optional<STransactionRequest> result =
            CommandRequest::FromCommand(DEVICE, command, refusal);
        QCOMPARE(Describe(result, refusal), request);
        if (result)
            QCOMPARE(refusal, ECommandRefusal::None);
    }
};

VTL_TEST_MAIN(TestCommandRequest)
#include "tst_CommandRequest.moc"
