// SPDX-License-Identifier: MIT
// The image file formats with known records: what each reads to, the errors with their
// line, and what the writers produce.
#include "ImageFile.h"
#include "IntelHex.h"
#include "NativeName.h"
#include "SRecord.h"
#include "VtlTestMain.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// "0100=2146 10000=AA": each segment's offset and bytes, in hex.
QString Describe(const SMemoryImage &image)
{
    QStringList parts;
    for (const SImageSegment &segment : image.segments) {
        parts.append(
            QString::number(segment.offset, 16).toUpper() + u'=' +
            QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(segment.bytes.data()),
                                           qsizetype(segment.bytes.size()))
                                    .toHex()
                                    .toUpper()));
    }
    return parts.join(u' ');
}

const char *const WIKI_DATA = ":10010000214601360121470136007EFE09D2190140\n";
const char *const END = ":00000001FF\n";
const char *const S1_LINE = "S11F00007C0802A6900100049421FFF07C6C1B787C8C23783C6000003863000026\n";

} // namespace

class TestImageFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readRecords_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("image"); // as Describe writes it
        QTest::addColumn<QString>("error");
        const int hex = int(EImageFormat::IntelHex);
        const int srec = int(EImageFormat::SRecord);
        const QByteArray wiki = QByteArray(WIKI_DATA) + END;
        const QString wikiImage = u"100=214601360121470136007EFE09D21901"_s;
        QTest::newRow("hex data and end") << hex << wiki << wikiImage << QString();
        QTest::newRow("hex lower case, CRLF, blank lines")
            << hex << QByteArray(WIKI_DATA).toLower().replace("\n", "\r\n\r\n") + END << wikiImage
            << QString();
        QTest::newRow("hex extended linear")
            << hex << ":020000040001F9\n:02FFFE000102FE\n" + QByteArray(END) << u"1FFFE=0102"_s
            << QString();
        QTest::newRow("hex extended segment")
            << hex << ":020000021000EC\n" + wiki << u"10100=214601360121470136007EFE09D21901"_s
            << QString();
        QTest::newRow("hex with a gap")
            << hex << ":02FFFE000102FE\n" + wiki
            << u"100=214601360121470136007EFE09D21901 FFFE=0102"_s << QString();
        QTest::newRow("hex records after the end are ignored") << hex << wiki + ":02FFFE000102FE\n"
                                                               << wikiImage << QString();
        QTest::newRow("hex bad checksum")
            << hex << ":020000040001F9\n:02FFFE000102FF\n" + QByteArray(END) << QString()
            << u"line 2: checksum mismatch"_s;
        QTest::newRow("hex short record")
            << hex << ":0301000021F4\n" + QByteArray(END) << QString()
            << u"line 1: record length does not match its byte count"_s;
        QTest::newRow("hex without end")
            << hex << QByteArray(WIKI_DATA) << QString() << u"no end-of-file record"_s;
        QTest::newRow("hex not a record") << hex << "\n\nS9030000FC\n"_ba << QString()
                                          << u"line 3: not an Intel HEX record (no ':')"_s;
        QTest::newRow("hex bad digit")
            << hex << ":0G0000040001F9\n"_ba << QString() << u"line 1: 'G' is not a hex digit"_s;
        QTest::newRow("srec S1 with header and S9")
            << srec << "S0030000FC\n" + QByteArray(S1_LINE) + "S9030000FC\n"
            << u"0=7C0802A6900100049421FFF07C6C1B787C8C23783C60000038630000"_s << QString();
        QTest::newRow("srec S2 and S8")
            << srec << "S206012345AABB2B\nS804000000FB\n"_ba << u"12345=AABB"_s << QString();
        QTest::newRow("srec S3 and S7, with a gap")
            << srec << "S30601020304559A\nS206012345AABB2B\nS70500000000FA\n"_ba
            << u"12345=AABB 1020304=55"_s << QString();
        QTest::newRow("srec bad checksum")
            << srec << "S0030000FC\nS206012345AABB2B\nS206012345AABB2C\nS804000000FB\n"_ba
            << QString() << u"line 3: checksum mismatch"_s;
        QTest::newRow("srec S5 counts the data records before it")
            << srec << "S0030000FC\nS206012345AABB2B\nS5030001FB\nS804000000FB\n"_ba
            << u"12345=AABB"_s << QString();
        QTest::newRow("srec S5 count with a record lost")
            << srec << "S0030000FC\nS206012345AABB2B\nS5030002FA\nS804000000FB\n"_ba << QString()
            << u"line 3: S5 counts 2 data records, but 1 came before it"_s;
        QTest::newRow("srec S6 count one short")
            << srec << "S206012345AABB2B\nS206012347CCDDE5\nS604000001FA\nS804000000FB\n"_ba
            << QString() << u"line 3: S6 counts 1 data record, but 2 came before it"_s;
        QTest::newRow("srec without terminator")
            << srec << QByteArray(S1_LINE) << QString() << u"no S7, S8 or S9 terminator"_s;
        QTest::newRow("srec reserved S4")
            << srec << "S4030000FC\n"_ba << QString() << u"line 1: unknown record type S4"_s;
        QTest::newRow("empty binary")
            << int(EImageFormat::Binary) << QByteArray() << QString() << u"the file is empty"_s;
    }

    void readRecords()
    {
        QFETCH(int, format);
        QFETCH(QByteArray, text);
        QFETCH(QString, image);
        QFETCH(QString, error);
        SMemoryImage read;
        QString why;
        const bool ok = ImageFile::Decode(text, EImageFormat(format), read, why);
        QCOMPARE(why, error);
        QCOMPARE(ok, error.isEmpty());
        std::size_t overlap = 0;
        if (ok) {
            QVERIFY(read.Normalise(overlap));
            QCOMPARE(Describe(read), image);
        }
    }

    void writersGiveKnownRecords()
    {
        SMemoryImage image;
        QString error;
        QVERIFY(
            ImageFile::Decode(QByteArray(WIKI_DATA) + END, EImageFormat::IntelHex, image, error));
        QCOMPARE(IntelHex::Write(image), QByteArray(WIKI_DATA) + END);
        SMemoryImage s1;
        QVERIFY(SRecord::Read(QByteArray(S1_LINE) + "S9030000FC\n", s1, error));
        QCOMPARE(SRecord::Write(s1).split('\n').mid(1, 2).join('\n'),
                 "S11300007C0802A6900100049421FFF07C6C1B780C\n"
                 "S10F00107C8C23783C6000003863000006"_ba);
    }

    void writtenFilesReadBack_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("Intel HEX") << int(EImageFormat::IntelHex);
        QTest::newRow("S-record") << int(EImageFormat::SRecord);
    }

    void writtenFilesReadBack()
    {
        QFETCH(int, format);
        // Across a 64 KiB boundary (extended address, wider S-records) and with a gap.
        SMemoryImage image;
        std::vector<unsigned char> run(300);
        for (std::size_t i = 0; i < run.size(); ++i)
            run[i] = static_cast<unsigned char>(i * 13);
        image.segments = {{0x10, {1, 2, 3}}, {0xFFF0, run}, {0x3FFF0, {9}}};
        const QByteArray text = ImageFile::Encode(image, EImageFormat(format));
        SMemoryImage read;
        QString error;
        QVERIFY2(ImageFile::Decode(text, EImageFormat(format), read, error), qPrintable(error));
        QCOMPARE(Describe(read), Describe(image));
    }

    void formatFromExtensionOrName()
    {
        QCOMPARE(ImageFile::FormatOf(u"a/b.IHEX"_s), EImageFormat::IntelHex);
        for (const char *name : {"x.srec", "x.s19", "x.S28", "x.s37", "x.mot"})
            QCOMPARE(ImageFile::FormatOf(QString::fromLatin1(name)), EImageFormat::SRecord);
        QCOMPARE(ImageFile::FormatOf(u"x.bin"_s), EImageFormat::Binary);
        QCOMPARE(ImageFile::FormatNamed(u"srec"_s), EImageFormat::SRecord);
        QCOMPARE(ImageFile::FormatNamed(u"elf"_s), std::nullopt);
    }

    // Names as the system holds them: bytes that are not UTF-8 come back as they were, and
    // UTF-8 reads as Qt reads it.
    void namesKeepTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("raw"); // holds bytes that are not UTF-8
        QTest::newRow("ASCII") << "image.hex"_ba << false;
        QTest::newRow("UTF-8, two to four bytes")
            << "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"_ba << false;
        QTest::newRow("Latin-1 byte") << "caf\xE9.bin"_ba << true;
        QTest::newRow("sequence cut short") << "a\xE2\x82"_ba << true;
        QTest::newRow("overlong slash") << "a\xC0\xAF"_ba << true;
        QTest::newRow("encoded surrogate") << "\xED\xA0\x80"_ba << true;
        QTest::newRow("beyond Unicode") << "\xF4\x90\x80\x80"_ba << true;
    }

    void namesKeepTheirBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, raw);
        const QString name = NativeName::Decode(bytes);
        QCOMPARE(NativeName::Encode(name), bytes);
        QCOMPARE(NativeName::HasRawBytes(name), raw);
        if (!raw)
            QCOMPARE(name, QString::fromUtf8(bytes));
    }

    void overlappingRecordsAreFound()
    {
        SMemoryImage image;
        image.segments = {{0x20, {1, 2, 3, 4}}, {0x10, {5}}, {0x22, {6}}};
        std::size_t overlap = 0;
        QVERIFY(!image.Normalise(overlap));
        QCOMPARE(overlap, std::size_t(0x22));
    }
};

VTL_TEST_MAIN(TestImageFiles)
#include "tst_imagefiles.moc"
