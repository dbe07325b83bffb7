// SPDX-License-Identifier: MIT
// A stored command as the one request it sends, for every type and write mode, and the
// commands that send no single request.
#include "CommandRequest.h"
#include "VtlTestMain.h"

using namespace Qt::StringLiterals;

class TestCommandRequest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fromCommand_data()
    {
        QTest::addColumn<EI2cCommandType>("type");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("hex");
        QTest::addColumn<int>("count");
        // "kind@address, S for a start, P for a stop, [bytes] count", or the refusal.
        QTest::addColumn<QString>("request");
        constexpr auto W = EI2cCommandType::Write, R = EI2cCommandType::Read;
        constexpr auto WR = EI2cCommandType::WriteRead, SEQ = EI2cCommandType::Sequence;
        using E = ECommandRefusal;
        const auto no = [](ECommandRefusal why) {
            return u"refused %1"_s.arg(int(why));
        };
        QTest::newRow("auto") << W << 0 << "07"_ba << 1 << u"write@50 SP [07] 0"_s;
        QTest::newRow("start") << W << 1 << "10"_ba << 1 << u"write@50 S- [10] 0"_s;
        QTest::newRow("stop") << W << 2 << "AABB"_ba << 1 << u"write@50 -P [AA BB] 0"_s;
        QTest::newRow("none") << W << 3 << "AA"_ba << 1 << u"write@50 -- [AA] 0"_s;
        QTest::newRow("address only") << W << 0 << ""_ba << 1 << u"write@50 SP [] 0"_s;
        QTest::newRow("sends nothing") << W << 2 << ""_ba << 1 << no(E::SendsNothing);
        QTest::newRow("bad mode") << W << 4 << "01"_ba << 1 << no(E::BadMode);
        // A read's mode and bytes are carried along, never sent.
        QTest::newRow("read") << R << 3 << "AA"_ba << 2 << u"read@50 SP [] 2"_s;
        QTest::newRow("read 65536") << R << 0 << ""_ba << 65536 << no(E::BadCount);
        QTest::newRow("write/read") << WR << 3 << "0010"_ba << 4 << u"writeread@50 S- [00 10] 4"_s;
        QTest::newRow("write/read of 0") << WR << 0 << "10"_ba << 0 << no(E::BadCount);
        QTest::newRow("write/read, no bytes") << WR << 0 << ""_ba << 4 << no(E::NoBytes);
        QTest::newRow("sequence") << SEQ << 0 << "10"_ba << 1 << no(E::Sequence);
    }

    void fromCommand()
    {
        QFETCH(EI2cCommandType, type);
        QFETCH(int, mode);
        QFETCH(QByteArray, hex);
        QFETCH(int, count);
        QFETCH(QString, request);
        SI2cCommand command{u"Label"_s, type, EI2cWriteMode(mode), {}, count, {}, {u"w1 00"_s}};
        const QByteArray data = QByteArray::fromHex(hex);
        command.data.assign(data.begin(), data.end());
        ECommandRefusal refusal = ECommandRefusal::BadMode;
        const auto made = CommandRequest::FromCommand(0x50, command, refusal);
        static const QStringList KINDS{u"write"_s, u"read"_s, u"writeread"_s, u"search"_s};
        const QByteArray sent(reinterpret_cast<const char *>(made ? made->data.data() : nullptr),
                              made ? qsizetype(made->data.size()) : 0);
        QCOMPARE(!made ? u"refused %1"_s.arg(int(refusal))
                       : u"%1@%2 %3%4 [%5] %6"_s.arg(KINDS.at(int(made->kind)))
                             .arg(made->address, 0, 16)
                             .arg(made->start ? u"S"_s : u"-"_s)
                             .arg(made->stop ? u"P"_s : u"-"_s)
                             .arg(QString::fromLatin1(sent.toHex(' ').toUpper()))
                             .arg(made->count),
                 request);
        if (made)
            QCOMPARE(refusal, ECommandRefusal::None);
    }
};

VTL_TEST_MAIN(TestCommandRequest)
#include "tst_CommandRequest.moc"
