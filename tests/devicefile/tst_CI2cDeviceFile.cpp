// SPDX-License-Identifier: MIT
#include "CI2cDeviceFile.h"
#include "NumberText.h"
#include "VtlTestMain.h"

#include <QDir>
#include <QFile>
#include <QObject>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVariant>

#include <climits>
#include <csignal>
#include <limits>
#include <optional>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;
using Bytes = std::vector<unsigned char>;

namespace {

QString dataPath(const QString &name)
{
    return QStringLiteral(VTL_TEST_DATA_DIR) + u'/' + name;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

SI2cCommand writeCommand(const QString &label, EI2cWriteMode mode, Bytes data)
{
    SI2cCommand command;
    command.label = label;
    command.mode = mode;
    command.data = std::move(data);
    return command;
}

SI2cCommand readCommand(const QString &label, int count)
{
    SI2cCommand command;
    command.label = label;
    command.type = EI2cCommandType::Read;
    command.count = count;
    return command;
}

SI2cCommand writeReadCommand()
{
    SI2cCommand command;
    command.label = u"Read From 0x10"_s;
    command.type = EI2cCommandType::WriteRead;
    command.data = {0x10};
    command.count = 4;
    return command;
}

CI2cDeviceFile exampleDevice()
{
    CI2cDeviceFile file;
    file.SetName(u"BH1750"_s);
    file.SetAddress(0x23);
    file.SetDescription(u"Ambient light sensor. Address 0x23 with ADDR = Low, 0x5C with ADDR = "
                        u"High. Lux = (MSB * 256 + LSB) / 1.2"_s);
    const auto write = [&file](const QString &label, unsigned char byte) {
        file.AddCommand(writeCommand(label, EI2cWriteMode::Auto, {byte}));
    };
    write(u"Power On"_s, 0x01);
    write(u"Power Down"_s, 0x00);
    write(u"Reset"_s, 0x07);
    write(u"Continuous H-Res (1 lx, 120 ms)"_s, 0x10);
    write(u"Continuous H-Res2 (0.5 lx, 120 ms)"_s, 0x11);
    write(u"Continuous L-Res (4 lx, 16 ms)"_s, 0x13);
    write(u"One Time H-Res"_s, 0x20);
    file.AddCommand(readCommand(u"Read Measurement"_s, 2));
    return file;
}

CI2cDeviceFile specialDevice()
{
    CI2cDeviceFile file;
    file.SetName(u"Sensor \"Quote\" \\ Back"_s);
    file.SetAddress(0x7F);
    file.SetDescription(u"Line 1\nLine 2\tTabbed \u0001\u001f\r\b\f end éß中😀 \u007f"_s);
    file.AddCommand(writeCommand(u"Tab\there"_s, EI2cWriteMode::None, {}));
    file.AddCommand(writeCommand(u"C:\\path \"q\""_s, EI2cWriteMode::Start, {0x00, 0x0A, 0xFF}));
    file.AddCommand(writeCommand(u"Grüße — Ω"_s, EI2cWriteMode::Stop, {0x7E}));
    file.AddCommand(readCommand(QString(), 65535));
    return file;
}

QStringList labels(const CI2cDeviceFile &file)
{
    QStringList result;
    for (const SI2cCommand &command : file.GetCommands())
        result.append(command.label);
    return result;
}

void compareDevice(const CI2cDeviceFile &actual, const CI2cDeviceFile &expected)
{
    QCOMPARE(actual.GetName(), expected.GetName());
    QCOMPARE(actual.GetAddress(), expected.GetAddress());
    QCOMPARE(actual.GetDescription(), expected.GetDescription());
    QVERIFY(actual.GetFirstByte() == expected.GetFirstByte());
    QCOMPARE(actual.GetCommands().size(), expected.GetCommands().size());
    for (qsizetype i = 0; i < actual.GetCommands().size(); ++i) {
        const SI2cCommand &a = actual.GetCommands().at(i);
        const SI2cCommand &e = expected.GetCommands().at(i);
        QCOMPARE(a.label, e.label);
        QCOMPARE(a.type, e.type);
        QCOMPARE(a.mode, e.mode);
        QCOMPARE(a.data, e.data);
        QCOMPARE(a.count, e.count);
    }
}

#ifdef Q_OS_UNIX
// Caps the size of files this process may write, so that a save fails even for root.
class CFileSizeLimit
{
public:
    explicit CFileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~CFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    CFileSizeLimit(const CFileSizeLimit &) = delete;
    CFileSizeLimit &operator=(const CFileSizeLimit &) = delete;
    bool IsActive() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
    bool m_active = false;
};
#endif

} // namespace

class CommandSender : public QObject
{
    Q_OBJECT
Q_SIGNALS:
    void commandSent(const SI2cCommand &command);
};

class tst_CI2cDeviceFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commandIsARegisteredMetaType();
    void commandTravelsThroughQueuedSignal();

    void saveWritesExampleLayout();
    void saveWithoutCommands();
    void saveEscapesSpecialCharacters();
    void textRoundTrip_data();
    void textRoundTrip();
    void saveAsSetsPathAndReplaces();

    void loadReadsExample();
    void loadAccepts_data();
    void loadAccepts();
    void jsonErrorNamesLineAndColumn_data();
    void jsonErrorNamesLineAndColumn();
    void loadRefuses_data();
    void loadRefuses();
    void firstByte_data();
    void firstByte();
    void loadRefusesRegisterMap_data();
    void loadRefusesRegisterMap();
    void saveRefusesInvalidRegisterMap();
    void largeRegisterMapRoundTrip();
    void loadRefusesUnreadable_data();
    void loadRefusesUnreadable();
    void loadAcceptsFileAtSizeLimit();
    void loadKeepsOlderError();

    void saveFailureKeepsOldFile_data();
    void saveFailureKeepsOldFile();
    void saveIntoMissingFolderFails();

    void bytesToHex_data();
    void bytesToHex();
    void hexRoundTripOverRandomBytes();

    void moveCommand_data();
    void moveCommand();
    void hasCommandLabel_data();
    void hasCommandLabel();
    void editOperationsIgnoreInvalidIndexes();
    void commandValidity_data();
    void commandValidity();
    void versionFollowsTheCommands();
    void valueDecodingValidity();
};

void tst_CI2cDeviceFile::commandIsARegisteredMetaType()
{
    // Looked up by name first: that only works once the type was registered.
    const QMetaType byName = QMetaType::fromName("SI2cCommand");
    QVERIFY(byName.isValid());
    QCOMPARE(byName, QMetaType::fromType<SI2cCommand>());

    const SI2cCommand command = writeCommand(u"Set"_s, EI2cWriteMode::Stop, {0x01, 0xFF});
    const QVariant variant = QVariant::fromValue(command);
    QCOMPARE(variant.metaType(), byName);
    QVERIFY(variant.canConvert<SI2cCommand>());
    QCOMPARE(variant.value<SI2cCommand>(), command);
}

void tst_CI2cDeviceFile::commandTravelsThroughQueuedSignal()
{
    CommandSender sender;
    std::optional<SI2cCommand> received;
    QObject::connect(
        &sender, &CommandSender::commandSent, &sender,
        [&received](const SI2cCommand &command) { received = command; }, Qt::QueuedConnection);
    QSignalSpy spy(&sender, &CommandSender::commandSent);

    {
        const SI2cCommand sent = readCommand(u"Get"_s, 300);
        Q_EMIT sender.commandSent(sent);
    }
    QVERIFY(!received.has_value());
    QTRY_VERIFY(received.has_value());
    QCOMPARE(*received, readCommand(u"Get"_s, 300));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<SI2cCommand>(), readCommand(u"Get"_s, 300));
}

void tst_CI2cDeviceFile::saveWritesExampleLayout()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    CI2cDeviceFile file = exampleDevice();
    const QString path = dir.filePath(u"bh1750."_s + CI2cDeviceFile::FILE_SUFFIX);
    QVERIFY2(file.SaveAs(path), qPrintable(file.GetLastError()));
    const QByteArray expected = readAll(QStringLiteral(VTL_EXAMPLE_DEVICE_FILE));
    QVERIFY(!expected.isEmpty());
    QCOMPARE(readAll(path), expected);
}

void tst_CI2cDeviceFile::saveWithoutCommands()
{
    QTemporaryDir dir;
    CI2cDeviceFile file;
    file.SetName(u"Empty"_s);
    const QString path = dir.filePath(u"empty.i2cdev"_s);
    QVERIFY2(file.SaveAs(path), qPrintable(file.GetLastError()));
    const QByteArray written = readAll(path);
    QCOMPARE(written, readAll(dataPath(u"no-commands.i2cdev"_s)));
    QVERIFY(written.endsWith("\n    \"commands\": []\n}\n"));
}

void tst_CI2cDeviceFile::saveEscapesSpecialCharacters()
{
    QTemporaryDir dir;
    CI2cDeviceFile file = specialDevice();
    const QString path = dir.filePath(u"special.i2cdev"_s);
    QVERIFY2(file.SaveAs(path), qPrintable(file.GetLastError()));
    QCOMPARE(readAll(path), readAll(dataPath(u"special.i2cdev"_s)));

    CI2cDeviceFile loaded;
    QVERIFY2(loaded.Load(dataPath(u"special.i2cdev"_s)), qPrintable(loaded.GetLastError()));
    compareDevice(loaded, specialDevice());
}

void tst_CI2cDeviceFile::textRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QString controls;
    for (char16_t c = 0; c < 0x20; ++c)
        controls.append(QChar(c));
    QTest::newRow("quotation marks") << u"\"a\" \"\""_s;
    QTest::newRow("backslashes") << u"\\ \\\\ \\n \\u0041"_s;
    QTest::newRow("line breaks") << u"one\ntwo\r\nthree\r"_s;
    QTest::newRow("tabs") << u"\ta\t\t"_s;
    QTest::newRow("all control characters") << controls;
    QTest::newRow("non-ASCII letters") << u"Ærø Ĳssel Жук 日本語 \u202E 🜲"_s;
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + u"x"_s + QChar(0xDFFF);
    QTest::newRow("blanks only") << u"   "_s;
    QTest::newRow("JSON text") << u"{\"commands\": [], }"_s;
}

void tst_CI2cDeviceFile::textRoundTrip()
{
    QFETCH(QString, text);
    QTemporaryDir dir;
    CI2cDeviceFile file;
    file.SetName(text);
    file.SetDescription(text + text);
    file.AddCommand(writeCommand(text, EI2cWriteMode::Auto, {0x01}));
    file.AddCommand(readCommand(text, 1));
    const QString path = dir.filePath(u"text.i2cdev"_s);
    QVERIFY2(file.SaveAs(path), qPrintable(file.GetLastError()));
    // Every line of the layout stays one line, whatever the texts hold.
    QCOMPARE(readAll(path).count('\n'), 10);

    CI2cDeviceFile loaded;
    QVERIFY2(loaded.Load(path), qPrintable(loaded.GetLastError()));
    compareDevice(loaded, file);
}

void tst_CI2cDeviceFile::saveAsSetsPathAndReplaces()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"device.i2cdev"_s);
    CI2cDeviceFile file = exampleDevice();
    QVERIFY(file.SaveAs(path));
    QCOMPARE(file.GetFilePath(), path);

    file.RemoveCommand(0);
    file.SetAddress(0xFF);
    QVERIFY(file.Save());
    CI2cDeviceFile reloaded;
    QVERIFY(!reloaded.Load(path));
    QCOMPARE(reloaded.GetLastError(), u"Invalid or missing address"_s);
    QVERIFY(readAll(path).contains("\"address\": \"0xFF\""));

    file.SetAddress(0x5C);
    QVERIFY(file.Save());
    QVERIFY2(reloaded.Load(path), qPrintable(reloaded.GetLastError()));
    compareDevice(reloaded, file);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{u"device.i2cdev"_s});
}

void tst_CI2cDeviceFile::loadReadsExample()
{
    CI2cDeviceFile file;
    QVERIFY2(file.Load(QStringLiteral(VTL_EXAMPLE_DEVICE_FILE)), qPrintable(file.GetLastError()));
    QCOMPARE(file.GetFilePath(), QStringLiteral(VTL_EXAMPLE_DEVICE_FILE));
    QVERIFY(file.GetLastError().isEmpty());
    compareDevice(file, exampleDevice());
}

void tst_CI2cDeviceFile::loadAccepts_data()
{
    QTest::addColumn<QString>("name");
    const QDir dir(dataPath(u"load"_s));
    const QStringList files = dir.entryList({u"*.i2cdev"_s}, QDir::Files, QDir::Name);
    QVERIFY(files.size() >= 10);
    for (const QString &file : files)
        QTest::newRow(qPrintable(file)) << file.chopped(7);
}

// Each accepted file is compared through what it saves back to: that text pins every stored
// field of the loaded model.
void tst_CI2cDeviceFile::loadAccepts()
{
    QFETCH(QString, name);
    CI2cDeviceFile file;
    QVERIFY2(file.Load(dataPath(u"load/"_s + name + u".i2cdev"_s)),
             qPrintable(file.GetLastError()));
    QTemporaryDir dir;
    const QString saved = dir.filePath(u"saved.i2cdev"_s);
    QVERIFY(file.SaveAs(saved));
    QCOMPARE(QString::fromUtf8(readAll(saved)),
             QString::fromUtf8(readAll(dataPath(u"load/"_s + name + u".saved"_s))));
    // What the program wrote comes back byte for byte.
    const QByteArray first = readAll(saved);
    QVERIFY(file.Load(saved) && file.Save());
    QCOMPARE(readAll(saved), first);
}

void tst_CI2cDeviceFile::jsonErrorNamesLineAndColumn_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("where");
    QTest::newRow("third line") << QByteArray("{\n  \"name\": \"x\",\n  \"address\" 35\n}")
                                << u"line 3, column 13"_s;
    // The column counts characters, not the bytes of their UTF-8 form.
    QTest::newRow("after umlauts")
        << QByteArray("{\"name\": \"\xC3\xA4\xC3\xB6\" 1}") << u"line 1, column 15"_s;
    QTest::newRow("CRLF lines") << QByteArray("{\r\n\"a\": 1,\r\n}") << u"line 3, column 1"_s;
    QTest::newRow("empty") << QByteArray() << u"line 1, column 1"_s;
}

// A broken device file is mended in an editor, which counts lines and columns, not offsets.
void tst_CI2cDeviceFile::jsonErrorNamesLineAndColumn()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, where);
    QTemporaryDir folder;
    const QString path = folder.filePath(u"broken.i2cdev"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    file.close();
    CI2cDeviceFile device;
    QVERIFY(!device.Load(path));
    const QString error = device.GetLastError();
    QVERIFY2(error.startsWith(u"JSON error at "_s + where + u": "_s), qPrintable(error));
}

void tst_CI2cDeviceFile::loadRefuses_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    const QString address = u"Invalid or missing address"_s;
    QTest::newRow("empty") << u"empty"_s << u"JSON error at line 1, column 1: illegal value"_s;
    QTest::newRow("truncated") << u"truncated"_s
                               << u"JSON error at line 1, column 18: unterminated string"_s;
    QTest::newRow("deep nesting")
        << u"deep-nesting"_s << u"JSON error at line 1, column 1037: too deeply nested document"_s;
    QTest::newRow("version 5") << u"version-5"_s << u"File version 5 is newer than supported (4)"_s;
    QTest::newRow("address 0x80") << u"address-0x80"_s << address;
    QTest::newRow("address -1") << u"address-minus-1"_s << address;
    QTest::newRow("address 35.5") << u"address-35.5"_s << address;
    QTest::newRow("address 128") << u"address-128"_s << address;
    QTest::newRow("address missing") << u"address-missing"_s << address;
    QTest::newRow("address 0x only") << u"address-prefix-only"_s << address;
    QTest::newRow("address with sign") << u"address-signed"_s << address;
    QTest::newRow("address not hex") << u"address-not-hex"_s << address;
    QTest::newRow("address beyond 32 bits") << u"address-overflow"_s << address;
    QTest::newRow("address boolean") << u"address-bool"_s << address;
    QTest::newRow("top-level array") << u"top-level-array"_s << address;
    QTest::newRow("read count 0") << u"read-count-0"_s << u"Command 2: invalid read count"_s;
    QTest::newRow("read count as string")
        << u"read-count-string"_s << u"Command 1: invalid read count"_s;
    QTest::newRow("read count 65536")
        << u"read-count-65536"_s << u"Command 1: invalid read count"_s;
    QTest::newRow("read count missing")
        << u"read-count-missing"_s << u"Command 1: invalid read count"_s;
    QTest::newRow("read count 2.5")
        << u"read-count-fraction"_s << u"Command 1: invalid read count"_s;
    QTest::newRow("mode begin") << u"mode-begin"_s << u"Command 3: invalid mode or data"_s;
    QTest::newRow("mode empty") << u"mode-empty"_s << u"Command 1: invalid mode or data"_s;
    QTest::newRow("mode number") << u"mode-number"_s << u"Command 1: invalid mode or data"_s;
    QTest::newRow("data of three digits")
        << u"data-three-digits"_s << u"Command 1: invalid mode or data"_s;
    QTest::newRow("data with sign") << u"data-signed"_s << u"Command 1: invalid mode or data"_s;
    QTest::newRow("type with leading blank")
        << u"type-leading-blank"_s << u"Command 1: unknown type \" write\""_s;
    QTest::newRow("type missing") << u"type-missing"_s << u"Command 1: unknown type \"\""_s;
    QTest::newRow("command not an object")
        << u"command-not-object"_s << u"Command 2: unknown type \"\""_s;
    QTest::newRow("type quoted") << u"type-unknown-quoted"_s
                                 << u"Command 1: unknown type \"say \"hi\"\""_s;
    const QString writeRead = u"Command 2: invalid data or read count"_s;
    for (const char *name :
         {"writeread-no-data", "writeread-data-missing", "writeread-bad-data", "writeread-count-0",
          "writeread-count-65536", "writeread-count-missing", "writeread-count-string"})
        QTest::newRow(name) << QString::fromLatin1(name) << writeRead;
    const QString value = u"Command 2: invalid value decoding"_s;
    for (const char *name :
         {"value-not-object", "value-type-unknown", "value-type-missing", "value-offset-negative",
          "value-offset-fraction", "value-offset-string", "value-scale-string", "value-add-null",
          "value-unit-number", "value-beyond-reads"})
        QTest::newRow(name) << QString::fromLatin1(name) << value;
    for (const char *name :
         {"sequence-steps-missing", "sequence-steps-empty", "sequence-steps-string",
          "sequence-step-number", "sequence-step-line-break"})
        QTest::newRow(name) << QString::fromLatin1(name) << u"Command 2: invalid sequence steps"_s;
}

void tst_CI2cDeviceFile::loadRefuses()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    const QString path = dataPath(u"broken/"_s + name + u".i2cdev"_s);
    QVERIFY(QFile::exists(path));

    CI2cDeviceFile file = exampleDevice();
    QVERIFY(!file.Load(path));
    QCOMPARE(file.GetLastError(), message);
    QCOMPARE(file.GetFilePath(), path);
    compareDevice(file, exampleDevice());
}

void tst_CI2cDeviceFile::firstByte_data()
{
    QTest::addColumn<QString>("value"); // the "firstByte" value; empty: no key
    QTest::addColumn<QString>("error"); // empty: loads, and saves back byte for byte
    QTest::addColumn<QString>("onFE");  // what writing 0xFE does to the part; empty: nothing
    QTest::newRow("pointer") << u"{ \"kind\": \"pointer\" }"_s << QString() << QString();
    QTest::newRow("command acting on FE")
        << u"{ \"kind\": \"command\", \"acts\": { \"E3\": \"a temperature measurement\", "
           u"\"FE\": \"a reset command\" } }"_s
        << QString() << u"a reset command"_s;
    QTest::newRow("command not acting on FE")
        << u"{ \"kind\": \"command\", \"acts\": { \"36\": \"the first byte of a command\" } }"_s
        << QString() << QString();
    QTest::newRow("configuration")
        << u"{ \"kind\": \"configuration\", \"meaning\": \"the control byte\" }"_s << QString()
        << u"the control byte"_s;
    // Without the key, a part without a map is assumed to act on any byte.
    QTest::newRow("no key, no map") << QString() << QString() << u"a byte it may act on"_s;

    const QString error = u"\"firstByte\": "_s;
    QTest::newRow("not an object")
        << u"\"pointer\""_s << u"\"firstByte\" is not an object"_s << QString();
    QTest::newRow("unknown kind")
        << u"{ \"kind\": \"register\" }"_s
        << error + u"invalid kind \"register\" (pointer, command or configuration)"_s << QString();
    QTest::newRow("lower-case byte")
        << u"{ \"kind\": \"command\", \"acts\": { \"fe\": \"a reset command\" } }"_s
        << error + u"invalid byte \"fe\" in \"acts\" (two upper-case hex digits)"_s << QString();
    QTest::newRow("not hex") << u"{ \"kind\": \"command\", \"acts\": { \"G1\": \"x\" } }"_s
                             << error + u"invalid byte \"G1\" in \"acts\" (two upper-case hex "
                                        u"digits)"_s
                             << QString();
    QTest::newRow("blank phrase") << u"{ \"kind\": \"command\", \"acts\": { \"FE\": \" \" } }"_s
                                  << error + u"byte FE in \"acts\" has no phrase"_s << QString();
    QTest::newRow("command without acts")
        << u"{ \"kind\": \"command\" }"_s
        << error + u"a command part needs \"acts\" with at least one byte"_s << QString();
    QTest::newRow("configuration without meaning")
        << u"{ \"kind\": \"configuration\" }"_s << error + u"a configuration needs a \"meaning\""_s
        << QString();
    QTest::newRow("acts on a pointer")
        << u"{ \"kind\": \"pointer\", \"acts\": { \"FE\": \"a reset command\" } }"_s
        << error + u"\"acts\" does not belong to kind pointer"_s << QString();
}

void tst_CI2cDeviceFile::firstByte()
{
    QFETCH(QString, value);
    QFETCH(QString, error);
    QFETCH(QString, onFE);
    QString text = u"{\n    \"version\": 1,\n    \"name\": \"Part\",\n    \"address\": \"0x40\",\n"
                   u"    \"addresses\": [\"0x40\", \"0x41\"],\n"_s;
    if (!value.isEmpty())
        text += u"    \"firstByte\": "_s + value + u",\n"_s;
    text += u"    \"description\": \"\",\n    \"commands\": []\n}\n"_s;
    QTemporaryDir dir;
    const QString path = dir.filePath(u"part.i2cdev"_s);
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(text.toUtf8());
    out.close();

    CI2cDeviceFile file;
    if (!error.isEmpty()) {
        QVERIFY(!file.Load(path));
        QCOMPARE(file.GetLastError(), error);
        return;
    }
    QVERIFY2(file.Load(path), qPrintable(file.GetLastError()));
    QString what;
    QCOMPARE(file.EffectiveFirstByte().ActsOn(0xFE, &what), !onFE.isEmpty());
    QCOMPARE(what, onFE);
    // Copied into the projects, the part keeps its declaration exactly as written.
    CI2cDeviceFile copy = file;
    copy.SetAddress(0x41);
    QVERIFY2(copy.SaveAs(dir.filePath(u"copy.i2cdev"_s)), qPrintable(copy.GetLastError()));
    QCOMPARE(QString::fromUtf8(readAll(dir.filePath(u"copy.i2cdev"_s))),
             QString(text).replace(u"\"address\": \"0x40\""_s, u"\"address\": \"0x41\""_s));
}

void tst_CI2cDeviceFile::loadRefusesRegisterMap_data()
{
    QTest::addColumn<QString>("registers"); // the "registers" value and any keys after it
    QTest::addColumn<QString>("message");

    const auto reg = [](const QString &name, const QString &rest) {
        return u"{\"list\": [{\"name\": \"%1\", %2}]}"_s.arg(name, rest);
    };
    const QString temp = u"\"address\": \"0x00\", \"size\": 2, \"fields\": "_s;
    QTest::newRow("overlap") << reg(u"TEMP"_s, temp + uR"([{"name": "A", "bits": "15:8"},
        {"name": "B", "bits": "3:0"}, {"name": "C", "bits": "8:4"}])"_s)
                             << u"Register TEMP: fields A and C overlap"_s;
    QTest::newRow("outside") << reg(u"TEMP"_s, temp + uR"([{"name": "T", "bits": "16:4"}])"_s)
                             << u"Register TEMP: field T lies outside the register"_s;
    QTest::newRow("outside at one byte")
        << reg(u"X"_s, uR"("address": "1", "fields": [{"name": "B", "bits": "8"}])"_s)
        << u"Register X: field B lies outside the register"_s;
    QTest::newRow("duplicate name")
        << uR"({"list": [{"name": "A", "address": "0"}, {"name": "A", "address": "1"}]})"_s
        << u"Register A: duplicate name"_s;
    QTest::newRow("address beyond one byte")
        << reg(u"A"_s, uR"("address": "0x100")"_s) << u"Register A: invalid address"_s;
    QTest::newRow("address beyond two bytes")
        << uR"({"addressBytes": 2, "list": [{"name": "A", "address": "0x10000"}]})"_s
        << u"Register A: invalid address"_s;
    QTest::newRow("address missing")
        << reg(u"A"_s, uR"("size": 1)"_s) << u"Register A: invalid address"_s;
    QTest::newRow("address not hex")
        << reg(u"A"_s, uR"("address": "0xZ1")"_s) << u"Register A: invalid address"_s;
    QTest::newRow("name missing") << uR"({"list": [{"address": "0"}]})"_s
                                  << u"Register 1: invalid name (letters, digits and _, not "
                                     u"starting with a digit)"_s;
    QTest::newRow("name with digit first")
        << reg(u"1A"_s, uR"("address": "0")"_s)
        << u"Register 1A: invalid name (letters, digits and _, not starting with a digit)"_s;
    QTest::newRow("size 5") << reg(u"A"_s, uR"("address": "0", "size": 5)"_s)
                            << u"Register A: size must be 1 to 4 bytes"_s;
    QTest::newRow("register access w1c") << reg(u"A"_s, uR"("address": "0", "access": "w1c")"_s)
                                         << u"Register A: access must be rw, ro, wo or rc"_s;
    QTest::newRow("register access sticky")
        << reg(u"A"_s, uR"("address": "0", "access": "sticky")"_s)
        << u"Register A: access must be rw, ro, wo or rc"_s;
    QTest::newRow("field access unknown")
        << reg(u"A"_s,
               uR"("address": "0", "fields": [{"name": "F", "bits": "1", "access": "s"}])"_s)
        << u"Register A: field F has an invalid access (rw, ro, wo, rc, w1c or sticky)"_s;
    QTest::newRow("reset wider than size") << reg(u"A"_s, uR"("address": "0", "reset": "0x100")"_s)
                                           << u"Register A: invalid reset value"_s;
    QTest::newRow("bits reversed")
        << reg(u"A"_s, uR"("address": "0", "fields": [{"name": "F", "bits": "2:5"}])"_s)
        << u"Register A: field F has invalid bits (\"N\" or \"MSB:LSB\")"_s;
    QTest::newRow("duplicate field") << reg(u"A"_s, uR"("address": "0", "fields": [
        {"name": "F", "bits": "1"}, {"name": "F", "bits": "2"}])"_s)
                                     << u"Register A: duplicate field F"_s;
    QTest::newRow("enum value wider than field") << reg(u"A"_s, uR"("address": "0", "fields": [
        {"name": "F", "bits": "1:0", "enum": {"4": "four"}}])"_s)
                                                 << u"Register A: field F has an enum value 4 "
                                                    u"wider than the field"_s;
    QTest::newRow("enum key not a number") << reg(u"A"_s, uR"("address": "0", "fields": [
        {"name": "F", "bits": "1:0", "enum": {"-1": "minus"}}])"_s)
                                           << u"Register A: field F has an invalid enum entry "
                                              u"\"-1\""_s;
    QTest::newRow("scale a string") << reg(u"A"_s, uR"("address": "0", "fields": [
        {"name": "F", "bits": "1:0", "scale": "2"}])"_s)
                                    << u"Register A: field F has a scale that is no number"_s;
    QTest::newRow("byte order") << uR"({"byteOrder": "middle"})"_s
                                << u"Registers: byteOrder must be \"big\" or \"little\""_s;
    QTest::newRow("address bytes 3")
        << uR"({"addressBytes": 3})"_s << u"Registers: addressBytes must be 1 or 2"_s;
    QTest::newRow("not an object") << u"[]"_s << u"Registers: not an object"_s;

    // A library part's keys after the map: its addresses and identification rules.
    const QString idMap = reg(u"ID"_s, uR"("address": "0x0F")"_s);
    const QString rcMap = reg(u"ID"_s, uR"("address": "0x0F", "access": "rc")"_s);
    const auto rule = [](const QString &map, const QString &ruleText) {
        return map + uR"(, "identify": [)"_s + ruleText + u"]"_s;
    };
    QTest::newRow("address beyond 7 bits") << idMap + uR"(, "addresses": ["0x40", "0x80"])"_s
                                           << u"Invalid address 2 in \"addresses\""_s;
    QTest::newRow("addresses not a list")
        << idMap + uR"(, "addresses": "0x40")"_s << u"\"addresses\" is not a list"_s;
    QTest::newRow("rule names no register")
        << rule(idMap, uR"({"register": "WHO", "value": "0x01"})"_s)
        << u"Identification rule 1: no register WHO in the map"_s;
    QTest::newRow("rule names a read-clear register")
        << rule(rcMap, uR"({"register": "ID", "value": "0x01"})"_s)
        << u"Identification rule 1: register ID cannot be read without a side effect"_s;
    QTest::newRow("rule value wider than register")
        << rule(
               idMap,
               uR"({"register": "ID", "value": "0x01"}, {"register": "ID", "mask": "0x100", "value": "0"})"_s)
        << u"Identification rule 2: value or mask wider than register ID"_s;
    QTest::newRow("rule without value")
        << rule(idMap, uR"({"register": "ID"})"_s)
        << u"Identification rule 1: a register and a value are needed"_s;
}

// A refused map leaves the device as it was, and the file on disk untouched.
void tst_CI2cDeviceFile::loadRefusesRegisterMap()
{
    QFETCH(QString, registers);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"map.i2cdev"_s);
    const QByteArray text =
        (u"{\"version\": 3, \"address\": \"0x48\", \"registers\": "_s + registers + u"}"_s)
            .toUtf8();
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(text) == text.size());
    out.close();

    CI2cDeviceFile file = exampleDevice();
    QVERIFY(!file.Load(path));
    QCOMPARE(file.GetLastError(), message);
    compareDevice(file, exampleDevice());
    QVERIFY(!file.GetRegisters());
    QCOMPARE(readAll(path), text);
}

// A map put together in memory is held to the loader's rules before anything is written.
void tst_CI2cDeviceFile::saveRefusesInvalidRegisterMap()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"map.i2cdev"_s);
    CI2cDeviceFile file = exampleDevice();
    QVERIFY(file.SaveAs(path));
    const QByteArray before = readAll(path);
    SRegisterField field;
    field.name = u"F"_s;
    field.msb = field.lsb = 8;
    SRegister reg;
    reg.name = u"A"_s;
    reg.fields = {field};
    SRegisterMap map;
    map.registers = {reg};
    file.SetRegisters(map);
    QVERIFY(!file.Save());
    QCOMPARE(file.GetLastError(), u"Register A: field F lies outside the register"_s);
    QCOMPARE(readAll(path), before);
}

// Hundreds of registers with eight fields each come back as they went, one line apiece.
void tst_CI2cDeviceFile::largeRegisterMapRoundTrip()
{
    SRegisterMap map;
    map.addressBytes = 2;
    for (int r = 0; r < 256; ++r) {
        SRegister reg;
        reg.name = u"REG_%1"_s.arg(r);
        reg.address = std::uint32_t(r * 4);
        reg.size = 4;
        reg.reset = std::uint32_t(r) * 0x01010101u;
        for (int f = 0; f < 8; ++f) {
            SRegisterField field;
            field.name = u"F%1"_s.arg(f);
            field.lsb = f * 4;
            field.msb = f * 4 + 3;
            field.isSigned = f % 2 == 1;
            field.scale = f == 2 ? 0.5 : 1.0;
            reg.fields.append(field);
        }
        map.registers.append(reg);
    }
    QTemporaryDir dir;
    CI2cDeviceFile file = exampleDevice();
    file.SetRegisters(map);
    QVERIFY2(file.SaveAs(dir.filePath(u"large.i2cdev"_s)), qPrintable(file.GetLastError()));
    CI2cDeviceFile loaded;
    QVERIFY2(loaded.Load(file.GetFilePath()), qPrintable(loaded.GetLastError()));
    QVERIFY(loaded.GetRegisters() == map);
    QCOMPARE(readAll(file.GetFilePath()).count('\n'), 20 + 256 * 10 + 3);
}

void tst_CI2cDeviceFile::loadRefusesUnreadable_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing file") << u"missing"_s << u"No such file or directory"_s;
    QTest::newRow("directory") << u"directory"_s << u"file to open is a directory"_s;
    QTest::newRow("too large") << u"large"_s
                               << u"File size 4194305 bytes is larger than supported (4194304)"_s;
#ifdef Q_OS_UNIX
    QTest::newRow("pipe") << u"pipe"_s << u"Not a regular file"_s;
    QTest::newRow("device node") << u"device"_s << u"Not a regular file"_s;
    QTest::newRow("unreadable") << u"unreadable"_s << u"Permission denied"_s;
#endif
}

void tst_CI2cDeviceFile::loadRefusesUnreadable()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QString path = dir.filePath(u"device.i2cdev"_s);
    if (kind == u"directory"_s) {
        QVERIFY(QDir().mkdir(path));
    } else if (kind == u"large"_s) {
        // Sparse: the size check must refuse it before anything is read.
        QFile large(path);
        QVERIFY(large.open(QIODevice::WriteOnly));
        QVERIFY(large.resize(4 * 1024 * 1024 + 1));
    }
#ifdef Q_OS_UNIX
    else if (kind == u"pipe"_s) {
        // Opening a pipe without a writer would block; the load must answer at once.
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    } else if (kind == u"device"_s) {
        path = u"/dev/zero"_s;
    } else if (kind == u"unreadable"_s) {
        if (geteuid() == 0)
            QSKIP("Permission bits do not stop root from reading");
        QVERIFY(QFile::copy(QStringLiteral(VTL_EXAMPLE_DEVICE_FILE), path));
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    }
#endif

    CI2cDeviceFile file = exampleDevice();
    QVERIFY(!file.Load(path));
    QCOMPARE(file.GetLastError(), message);
    QCOMPARE(file.GetFilePath(), path);
    compareDevice(file, exampleDevice());
}

void tst_CI2cDeviceFile::loadAcceptsFileAtSizeLimit()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"padded.i2cdev"_s);
    QByteArray text = "{\"name\": \"Padded\", \"address\": \"0x23\"}";
    text.append(4 * 1024 * 1024 - text.size(), ' ');
    QFile padded(path);
    QVERIFY(padded.open(QIODevice::WriteOnly));
    QCOMPARE(padded.write(text), text.size());
    padded.close();

    CI2cDeviceFile file;
    QVERIFY2(file.Load(path), qPrintable(file.GetLastError()));
    QCOMPARE(file.GetName(), u"Padded"_s);
}

void tst_CI2cDeviceFile::loadKeepsOlderError()
{
    CI2cDeviceFile file;
    QVERIFY(!file.Load(dataPath(u"broken/version-5.i2cdev"_s)));
    QVERIFY(file.Load(QStringLiteral(VTL_EXAMPLE_DEVICE_FILE)));
    QCOMPARE(file.GetLastError(), u"File version 5 is newer than supported (4)"_s);
    QCOMPARE(file.GetName(), u"BH1750"_s);
}

void tst_CI2cDeviceFile::saveFailureKeepsOldFile_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("read-only folder") << u"read-only folder"_s;
#ifdef Q_OS_UNIX
    QTest::newRow("write fails") << u"file size limit"_s;
#endif
}

void tst_CI2cDeviceFile::saveFailureKeepsOldFile()
{
    QFETCH(QString, obstacle);
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"projects"_s);
    QVERIFY(QDir().mkdir(folder));
    const QString path = folder + u"/bh1750.i2cdev"_s;
    QVERIFY(QFile::copy(QStringLiteral(VTL_EXAMPLE_DEVICE_FILE), path));
    const QByteArray before = readAll(path);

    CI2cDeviceFile file = specialDevice();
    bool saved = true;
    if (obstacle == u"read-only folder"_s) {
#ifdef Q_OS_UNIX
        if (geteuid() == 0)
            QSKIP("Permission bits do not stop root; the file size limit row covers it");
#endif
        const QFileDevice::Permissions writable = QFile::permissions(folder);
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        saved = file.SaveAs(path);
        QFile::setPermissions(folder, writable);
    }
#ifdef Q_OS_UNIX
    else {
        // Larger than what may be written, smaller than the old file: only the new text fails.
        const CFileSizeLimit limit(64);
        QVERIFY(limit.IsActive());
        saved = file.SaveAs(path);
    }
#endif
    QVERIFY(!saved);
    if (obstacle == u"file size limit"_s)
        QCOMPARE(file.GetLastError(), u"File too large"_s);
    QVERIFY(!file.GetLastError().isEmpty());
    QCOMPARE(readAll(path), before);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System),
             QStringList{u"bh1750.i2cdev"_s});
}

void tst_CI2cDeviceFile::saveIntoMissingFolderFails()
{
    QTemporaryDir dir;
    // A file where the folder should be: no temporary file can be made beside the target.
    const QString notAFolder = dir.filePath(u"projects"_s);
    QFile blocker(notAFolder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    CI2cDeviceFile file = exampleDevice();
    QVERIFY(!file.SaveAs(notAFolder + u"/bh1750.i2cdev"_s));
    QVERIFY(!file.GetLastError().isEmpty());
    QCOMPARE(file.GetFilePath(), notAFolder + u"/bh1750.i2cdev"_s);
    QCOMPARE(QFileInfo(notAFolder).size(), 0);

    CI2cDeviceFile unnamed;
    QVERIFY(!unnamed.Save());
    QVERIFY(!unnamed.GetLastError().isEmpty());
}

void tst_CI2cDeviceFile::bytesToHex_data()
{
    QTest::addColumn<Bytes>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << Bytes{} << QString();
    QTest::newRow("one") << Bytes{0x05} << u"05"_s;
    QTest::newRow("leading zeros and upper case") << Bytes{0x00, 0x0A, 0xFF} << u"00 0A FF"_s;
    QTest::newRow("every digit") << Bytes{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}
                                 << u"01 23 45 67 89 AB CD EF"_s;
}

void tst_CI2cDeviceFile::bytesToHex()
{
    QFETCH(Bytes, bytes);
    QFETCH(QString, text);
    QCOMPARE(CI2cDeviceFile::BytesToHex(bytes), text);
}

void tst_CI2cDeviceFile::hexRoundTripOverRandomBytes()
{
    QRandomGenerator random(20240611);
    for (int round = 0; round < 2000; ++round) {
        Bytes bytes(random.bounded(0, 70));
        for (unsigned char &byte : bytes)
            byte = static_cast<unsigned char>(random.bounded(256));
        const QString text = CI2cDeviceFile::BytesToHex(bytes);
        QCOMPARE(text.size(), bytes.empty() ? 0 : qsizetype(bytes.size()) * 3 - 1);
        const std::optional<Bytes> back = NumberText::ParseBytes(text);
        QVERIFY2(back.has_value(), qPrintable(text));
        QCOMPARE(*back, bytes);
        QCOMPARE(NumberText::ParseBytes(text.toLower()), back);
    }
}

void tst_CI2cDeviceFile::moveCommand_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("delta");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("order");
    QTest::newRow("first to third") << 0 << 2 << true << u"BCAD"_s;
    QTest::newRow("last to first") << 3 << -3 << true << u"DABC"_s;
    QTest::newRow("one down") << 1 << 1 << true << u"ACBD"_s;
    QTest::newRow("one up") << 2 << -1 << true << u"ACBD"_s;
    QTest::newRow("no move") << 2 << 0 << true << u"ABCD"_s;
    QTest::newRow("past the end") << 1 << 3 << false << u"ABCD"_s;
    QTest::newRow("before the start") << 1 << -2 << false << u"ABCD"_s;
    QTest::newRow("negative index") << -1 << 1 << false << u"ABCD"_s;
    QTest::newRow("index past the end") << 4 << -1 << false << u"ABCD"_s;
    QTest::newRow("index past the end, no move") << 4 << 0 << false << u"ABCD"_s;
    QTest::newRow("huge delta") << 3 << INT_MAX << false << u"ABCD"_s;
    QTest::newRow("huge negative delta") << 0 << INT_MIN << false << u"ABCD"_s;
    QTest::newRow("huge index") << INT_MAX << INT_MIN << false << u"ABCD"_s;
}

void tst_CI2cDeviceFile::moveCommand()
{
    QFETCH(int, index);
    QFETCH(int, delta);
    QFETCH(bool, result);
    QFETCH(QString, order);
    CI2cDeviceFile file;
    for (const QString &label : {u"A"_s, u"B"_s, u"C"_s, u"D"_s})
        file.AddCommand(readCommand(label, 1));
    QCOMPARE(file.MoveCommand(index, delta), result);
    QCOMPARE(labels(file).join(QString()), order);
}

void tst_CI2cDeviceFile::hasCommandLabel_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("exceptIndex");
    QTest::addColumn<bool>("taken");
    QTest::newRow("trimmed, other case") << u"  read id \t"_s << -1 << true;
    QTest::newRow("own label excluded") << u"Read ID"_s << 1 << false;
    QTest::newRow("other command excluded") << u"Read ID"_s << 0 << true;
    QTest::newRow("stored label is trimmed") << u"power"_s << -1 << true;
    QTest::newRow("invalid except index") << u"POWER"_s << 7 << true;
    QTest::newRow("no match") << u"Read"_s << -1 << false;
    QTest::newRow("inner blanks count") << u"ReadID"_s << -1 << false;
}

void tst_CI2cDeviceFile::hasCommandLabel()
{
    QFETCH(QString, label);
    QFETCH(int, exceptIndex);
    QFETCH(bool, taken);
    CI2cDeviceFile file;
    file.AddCommand(writeCommand(u" Power "_s, EI2cWriteMode::Auto, {0x01}));
    file.AddCommand(readCommand(u"Read ID"_s, 2));
    QCOMPARE(file.HasCommandLabel(label, exceptIndex), taken);
}

void tst_CI2cDeviceFile::editOperationsIgnoreInvalidIndexes()
{
    CI2cDeviceFile file;
    file.AddCommand(readCommand(u"A"_s, 1));
    file.AddCommand(readCommand(u"A"_s, 2));
    QCOMPARE(labels(file), (QStringList{u"A"_s, u"A"_s}));

    file.RenameCommand(1, u"  A  "_s);
    file.RenameCommand(2, u"X"_s);
    file.RenameCommand(-1, u"X"_s);
    QCOMPARE(labels(file), (QStringList{u"A"_s, u"  A  "_s}));

    file.RemoveCommand(2);
    file.RemoveCommand(-1);
    QCOMPARE(file.GetCommands().size(), 2);
    file.RemoveCommand(0);
    QCOMPARE(labels(file), QStringList{u"  A  "_s});
    QCOMPARE(file.GetCommands().at(0).count, 2);

    file.ReplaceCommand(1, writeReadCommand());
    file.ReplaceCommand(-1, writeReadCommand());
    QCOMPARE(labels(file), QStringList{u"  A  "_s});
    file.ReplaceCommand(0, writeReadCommand());
    QCOMPARE(file.GetCommands(), QList<SI2cCommand>{writeReadCommand()});
}

void tst_CI2cDeviceFile::commandValidity_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("data");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("valid");
    QTest::newRow("read 1") << 1 << 0 << QString() << 1 << true;
    QTest::newRow("read 65535") << 1 << 0 << QString() << 65535 << true;
    QTest::newRow("read 0") << 1 << 0 << QString() << 0 << false;
    QTest::newRow("read 65536") << 1 << 0 << QString() << 65536 << false;
    QTest::newRow("write address only") << 0 << 0 << QString() << 0 << true;
    QTest::newRow("write mode none") << 0 << 3 << u"01"_s << 1 << true;
    QTest::newRow("write mode 4") << 0 << 4 << u"01"_s << 1 << false;
    QTest::newRow("write/read") << 2 << 0 << u"10"_s << 4 << true;
    QTest::newRow("write/read without bytes") << 2 << 0 << QString() << 4 << false;
    QTest::newRow("write/read count 0") << 2 << 0 << u"10"_s << 0 << false;
    QTest::newRow("unknown type") << 7 << 0 << u"10"_s << 1 << false;
    // A sequence's data text is its steps, one per '|'.
    QTest::newRow("sequence") << 3 << 0 << u"r1|delay 1ms"_s << 0 << true;
    QTest::newRow("sequence without steps") << 3 << 0 << QString() << 0 << false;
    QTest::newRow("sequence step of two lines") << 3 << 0 << u"r1\nr2"_s << 0 << false;
}

void tst_CI2cDeviceFile::commandValidity()
{
    QFETCH(int, type);
    QFETCH(int, mode);
    QFETCH(QString, data);
    QFETCH(int, count);
    QFETCH(bool, valid);
    SI2cCommand command;
    command.type = static_cast<EI2cCommandType>(type);
    command.mode = static_cast<EI2cWriteMode>(mode);
    command.count = count;
    if (command.type == EI2cCommandType::Sequence) {
        command.steps = data.isEmpty() ? QStringList() : data.split(u'|');
    } else {
        command.data = *NumberText::ParseBytes(data);
    }
    QCOMPARE(CI2cDeviceFile::IsValidCommand(command), valid);
}

void tst_CI2cDeviceFile::valueDecodingValidity()
{
    SI2cCommand command;
    command.type = EI2cCommandType::Read;
    command.count = 2;
    command.value = SValueDecoding{0, EValueType::U16Be, 0.5, 0, u"lx"_s};
    QVERIFY(CI2cDeviceFile::IsValidCommand(command));
    command.value->scale = std::numeric_limits<double>::infinity();
    QVERIFY(!CI2cDeviceFile::IsValidCommand(command));
    command.value->scale = 1;
    command.value->offset = 65532;
    command.value->type = EValueType::U32Le;
    QVERIFY(!CI2cDeviceFile::IsValidCommand(command));
    // A write carries no decoding that could be wrong: it is never stored.
    command.type = EI2cCommandType::Write;
    QVERIFY(CI2cDeviceFile::IsValidCommand(command));
}

// A write/read makes the file version 2 and a sequence version 4; without them the file
// stays version 1, byte for byte as before, so that older readers keep reading it.
void tst_CI2cDeviceFile::versionFollowsTheCommands()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"eeprom.i2cdev"_s);
    CI2cDeviceFile file = exampleDevice();
    QVERIFY(file.SaveAs(path));
    const QByteArray basic = readAll(path);
    QCOMPARE(basic, readAll(QStringLiteral(VTL_EXAMPLE_DEVICE_FILE)));

    // The saved lines of both additions are pinned by load/writeread.saved and value.saved.
    SI2cCommand lux = file.GetCommands().at(7);
    lux.value = SValueDecoding{0, EValueType::U16Be, 0.8333333, 0, u"lx"_s};
    SI2cCommand sequence;
    sequence.type = EI2cCommandType::Sequence;
    sequence.steps = QStringList{u"r2"_s};
    for (const auto &[added, version] :
         {std::pair{writeReadCommand(), 2}, std::pair{lux, 2}, std::pair{sequence, 4}}) {
        file = exampleDevice();
        file.AddCommand(added);
        QVERIFY(file.SaveAs(path));
        QVERIFY(readAll(path).startsWith("{\n    \"version\": "_ba + QByteArray::number(version)));
        file.RemoveCommand(8);
        QVERIFY(file.Save());
        QCOMPARE(readAll(path), basic);
    }
    // Even an empty register map needs version 3; dropping it gives the old bytes back.
    file.SetRegisters(SRegisterMap{});
    QVERIFY(file.Save());
    QVERIFY(readAll(path).startsWith("{\n    \"version\": 3,\n"));
    file.SetRegisters(std::nullopt);
    QVERIFY(file.Save());
    QCOMPARE(readAll(path), basic);
}

VTL_TEST_MAIN(tst_CI2cDeviceFile)
#include "tst_CI2cDeviceFile.moc"
