// SPDX-License-Identifier: MIT
// The part presets, the names they are found by, the geometry checks and where an offset
// lives on the bus at the edges of pages and blocks.
#include "EepromAddressing.h"
#include "EepromParts.h"
#include "VtlTestMain.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

using Bytes = std::vector<unsigned char>;

} // namespace

class TestEepromParts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void presetsFoundByUsualNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("preset"); // empty: no part
        QTest::newRow("own spelling") << u"24x16"_s << u"24x16"_s;
        QTest::newRow("C family") << u"24c16"_s << u"24x16"_s;
        QTest::newRow("LC family, upper case") << u"24LC256"_s << u"24x256"_s;
        QTest::newRow("AA family") << u"24aa02"_s << u"24x02"_s;
        QTest::newRow("maker prefix") << u"AT24C16"_s << u"24x16"_s;
        QTest::newRow("megabit") << u"at24cm02"_s << u"24xM02"_s;
        QTest::newRow("two halves") << u"24lc1025"_s << u"24x1025"_s;
        QTest::newRow("as printed: revision letter") << u"24LC02B"_s << u"24x02"_s;
        QTest::newRow("as printed: package codes") << u"24AA256B-I/SN"_s << u"24x256"_s;
        QTest::newRow("as printed: maker and grade") << u"M24C02-WMN6TP"_s << u"24x02"_s;
        QTest::newRow("other maker") << u"CAT24C02"_s << u"24x02"_s;
        QTest::newRow("xx family") << u"24xx02"_s << u"24x02"_s;
        QTest::newRow("1024 kind") << u"24c1024"_s << u"24xM01"_s;
        QTest::newRow("factory-written half") << u"24AA02E48"_s << QString();
        QTest::newRow("unknown size") << u"24c03"_s << QString();
        QTest::newRow("not a 24 part") << u"93c46"_s << QString();
        QTest::newRow("trailing text") << u"24c16x"_s << QString();
    }

    void presetsFoundByUsualNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, preset);
        const auto part = EepromParts::Find(name.toStdString());
        QCOMPARE(part ? QString::fromStdString(part->name) : QString(), preset);
    }

    void everyPresetPassesItsOwnChecks()
    {
        for (const SEepromPart &part : EepromParts::All()) {
            QVERIFY2(EepromParts::CheckGeometry(part).empty(), part.name.c_str());
            QCOMPARE(EepromParts::Find(part.name)->size, part.size);
            QCOMPARE(part.BlockSize() << part.blockBits, std::max(part.size, part.BlockSize()));
        }
    }

    void customGeometryChecked_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("addressBytes");
        QTest::addColumn<QString>("error"); // a part of the message; empty: accepted
        QTest::newRow("24x16 by hand") << 2048 << 16 << 1 << QString();
        QTest::newRow("24x512 by hand") << 65536 << 128 << 2 << QString();
        QTest::newRow("page not a power of two") << 256 << 12 << 1 << u"not a power of two"_s;
        QTest::newRow("page larger than the part") << 128 << 256 << 1 << u"larger than"_s;
        QTest::newRow("size not a multiple") << 1000 << 16 << 1 << u"not a multiple"_s;
        QTest::newRow("one byte cannot reach 4 KiB") << 4096 << 32 << 1 << u"reach (2048"_s;
        QTest::newRow("two bytes cannot reach 1 MiB") << 1048576 << 256 << 2 << u"reach"_s;
        QTest::newRow("part of a block beyond the first")
            << 65536 + 512 << 256 << 2 << u"whole number of 65536-byte blocks"_s;
        QTest::newRow("three address bytes") << 4096 << 32 << 3 << u"1 or 2"_s;
    }

    void customGeometryChecked()
    {
        QFETCH(int, size);
        QFETCH(int, page);
        QFETCH(int, addressBytes);
        QFETCH(QString, error);
        const std::string found = EepromParts::CheckGeometry(
            EepromParts::Custom(std::size_t(size), std::size_t(page), addressBytes));
        if (error.isEmpty())
            QCOMPARE(QString::fromStdString(found), QString());
        else
            QVERIFY2(QString::fromStdString(found).contains(error), found.c_str());
    }

    void offsetsMapToDeviceAddressAndAddressBytes_data()
    {
        QTest::addColumn<QString>("part");
        QTest::addColumn<int>("base");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("deviceAddress");
        QTest::addColumn<Bytes>("addressBytes");
        QTest::newRow("24x04 upper half") << u"24x04"_s << 0x52 << 0x100 << 0x53 << Bytes{0x00};
        QTest::newRow("24x08 last block") << u"24x08"_s << 0x54 << 0x3FF << 0x57 << Bytes{0xFF};
        QTest::newRow("24x16 end of block 0") << u"24x16"_s << 0x50 << 0xFF << 0x50 << Bytes{0xFF};
        QTest::newRow("24x16 start of block 1")
            << u"24x16"_s << 0x50 << 0x100 << 0x51 << Bytes{0x00};
        QTest::newRow("24x16 last byte") << u"24x16"_s << 0x50 << 0x7FF << 0x57 << Bytes{0xFF};
        QTest::newRow("24x256 page edge")
            << u"24x256"_s << 0x51 << 0x40 << 0x51 << Bytes{0x00, 0x40};
        QTest::newRow("24x1025 upper half")
            << u"24x1025"_s << 0x53 << 0x10000 << 0x57 << Bytes{0x00, 0x00};
        QTest::newRow("24x1025 end of lower half")
            << u"24x1025"_s << 0x53 << 0xFFFF << 0x53 << Bytes{0xFF, 0xFF};
        QTest::newRow("24x1026 upper half")
            << u"24x1026"_s << 0x52 << 0x1FFFF << 0x53 << Bytes{0xFF, 0xFF};
        QTest::newRow("24xM01 upper half")
            << u"24xM01"_s << 0x54 << 0x10100 << 0x55 << Bytes{0x01, 0x00};
        QTest::newRow("24xM02 last quarter")
            << u"24xM02"_s << 0x54 << 0x3FFFF << 0x57 << Bytes{0xFF, 0xFF};
    }

    void offsetsMapToDeviceAddressAndAddressBytes()
    {
        QFETCH(QString, part);
        QFETCH(int, base);
        QFETCH(int, offset);
        QFETCH(int, deviceAddress);
        QFETCH(Bytes, addressBytes);
        const SEepromPart preset = *EepromParts::Find(part.toStdString());
        QVERIFY(EepromParts::IsBaseAddress(preset, std::uint8_t(base)));
        const SEepromLocation location =
            EepromAddressing::Locate(preset, std::uint8_t(base), std::size_t(offset));
        QCOMPARE(int(location.deviceAddress), deviceAddress);
        QCOMPARE(location.addressBytes, addressBytes);
    }

    void baseAddressesLeaveBlockBitsClear()
    {
        const auto bases = [](const char *name) {
            return EepromParts::BaseAddresses(*EepromParts::Find(name));
        };
        QCOMPARE(bases("24x16"), std::vector<std::uint8_t>{0x50});
        QCOMPARE(bases("24x04"), (std::vector<std::uint8_t>{0x50, 0x52, 0x54, 0x56}));
        QCOMPARE(bases("24x1025"), (std::vector<std::uint8_t>{0x50, 0x51, 0x52, 0x53}));
        QCOMPARE(bases("24x256").size(), std::size_t(8));
    }
};

VTL_TEST_MAIN(TestEepromParts)
#include "tst_eepromparts.moc"
