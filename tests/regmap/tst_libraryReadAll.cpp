// SPDX-License-Identifier: MIT
// Read All over every register map of the shipped part library: it never reads a register
// whose reading changes state (nor a write-only one), not even inside an auto-increment run,
// and it still reads every other readable register.
#include "CPartLibrary.h"
#include "RegisterPlan.h"
#include "VtlTestMain.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTest>

#include <set>

using namespace Qt::StringLiterals;

namespace {

// Decided from the access word alone, so that a fault in the plan code cannot hide itself.
bool MustNotBeRead(const SRegister &reg)
{
    return reg.access == ERegisterAccess::ReadClears || reg.access == ERegisterAccess::WriteOnly;
}

} // namespace

class TestLibraryReadAll : public QObject
{
    Q_OBJECT

    CPartLibrary m_library;

    const SLibraryPart *Part(const QString &fileBase) const
    {
        for (const SLibraryPart &part : m_library.Parts()) {
            if (QFileInfo(part.path).completeBaseName() == fileBase)
                return &part;
        }
        return nullptr;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_library.Load(QStringLiteral(VTL_PARTS_DIR)),
                 qPrintable(m_library.GetLastError()));
        QVERIFY2(m_library.LoadErrors().isEmpty(), qPrintable(m_library.LoadErrors().join(u'\n')));
    }

    void readAllSkipsReadsWithSideEffects_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("readClears"); // registers that must stay marked "rc"

        // Registers whose reading clears an interrupt, an alert or a ready flag.
        const QHash<QString, QStringList> marked{
            {u"mcp23017"_s, {u"INTCAPA"_s, u"INTCAPB"_s, u"GPIOA"_s, u"GPIOB"_s}},
            {u"mcp23008"_s, {u"INTCAP"_s, u"GPIO"_s}},
            {u"pca9555"_s, {u"INPUT_PORT_0"_s, u"INPUT_PORT_1"_s}},
            {u"pca9554"_s, {u"INPUT_PORT"_s}},
            {u"ina219"_s, {u"POWER"_s}},
            {u"veml7700"_s, {u"ALS_INT"_s}},
            {u"tmp102"_s, {u"TEMP"_s}},
            {u"lm75a"_s, {u"TEMP"_s}},
            {u"ads1115"_s, {u"CONVERSION"_s}},
            {u"ads1015"_s, {u"CONVERSION"_s}},
            {u"mpu6050"_s, {u"INT_STATUS"_s, u"FIFO_R_W"_s}},
            {u"mpu6500"_s, {u"INT_STATUS"_s, u"FIFO_R_W"_s}},
            {u"mpu9250"_s, {u"INT_STATUS"_s, u"FIFO_R_W"_s}},
            {u"icm20689"_s, {u"INT_STATUS"_s, u"FIFO_R_W"_s}},
        };
        QSet<QString> seen;
        for (const SLibraryPart &part : m_library.Parts()) {
            if (!part.file.GetRegisters())
                continue;
            const QString base = QFileInfo(part.path).completeBaseName();
            seen.insert(base);
            QTest::newRow(qPrintable(base)) << base << marked.value(base);
        }
        QVERIFY(seen.size() >= 30);
        for (auto it = marked.begin(); it != marked.end(); ++it)
            QVERIFY2(seen.contains(it.key()), qPrintable(it.key()));
    }

    void readAllSkipsReadsWithSideEffects()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, readClears);
        const SLibraryPart *part = Part(file);
        QVERIFY(part != nullptr);
        const SRegisterMap &map = *part->file.GetRegisters();
        for (const QString &name : readClears) {
            const int index = RegisterNames::FindRegister(map, name);
            QVERIFY2(index >= 0, qPrintable(name));
            QCOMPARE(map.registers.at(index).access, ERegisterAccess::ReadClears);
        }

        std::set<int> expected;
        for (qsizetype i = 0; i < map.registers.size(); ++i) {
            if (!MustNotBeRead(map.registers.at(i)))
                expected.insert(int(i));
        }
        // No limit, and the short reads of a small adapter that split runs differently.
        for (const std::size_t limit : {std::size_t(0), std::size_t(32), std::size_t(3)}) {
            std::set<int> read;
            for (const SRegisterRead &plan : RegisterPlan::ReadAll(map, limit)) {
                read.insert(plan.registers.begin(), plan.registers.end());
                const std::uint64_t begin = plan.address;
                const std::uint64_t end = begin + (map.autoIncrement ? plan.byteCount : 1);
                for (const SRegister &reg : map.registers) {
                    if (!MustNotBeRead(reg))
                        continue;
                    const std::uint64_t regBegin = reg.address;
                    const std::uint64_t regEnd = regBegin + (map.autoIncrement ? reg.size : 1);
                    QVERIFY2(end <= regBegin || regEnd <= begin,
                             qPrintable(u"%1: Read All at 0x%2 reads %3"_s.arg(
                                 file, QString::number(plan.address, 16), reg.name)));
                }
            }
            QCOMPARE(read, expected);
        }
    }
};

VTL_TEST_MAIN(TestLibraryReadAll)
#include "tst_libraryReadAll.moc"
