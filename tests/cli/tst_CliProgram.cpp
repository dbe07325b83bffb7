// SPDX-License-Identifier: MIT
// vtl-i2c-cli-sim run as a process, as a script runs it: what it prints on stdout and
// stderr and the exit status it ends with.
#include "CliProcess.h"
#include "VtlTestMain.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace Qt::StringLiterals;
using namespace CliProcess;

namespace {

const QString GRID_7BIT = u"     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f\n"
                          u"00:                         -- -- -- -- -- -- -- --\n"
                          u"10: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                          u"20: -- -- -- 23 -- -- -- -- -- -- -- -- -- -- -- --\n"
                          u"30: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                          u"40: 40 -- -- -- -- -- -- -- 48 -- -- -- -- -- -- --\n"
                          u"50: 50 51 -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                          u"60: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                          u"70: -- -- -- -- -- -- -- --\n"_s;

const QString GRID_8BIT_ALL = u"     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f\n"
                              u"00: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                              u"10: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                              u"20: -- -- -- 46 -- -- -- -- -- -- -- -- -- -- -- --\n"
                              u"30: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                              u"40: 80 -- -- -- -- -- -- -- 90 -- -- -- -- -- -- --\n"
                              u"50: a0 a2 -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                              u"60: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                              u"70: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"_s;

} // namespace

class TestCliProgram : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void outputs_data()
    {
        QTest::addColumn<QString>("bench");
        QTest::addColumn<QString>("arguments"); // %E: the example device file
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("out");     // durations in JSON set to 0
        QTest::addColumn<QStringList>("err"); // parts of stderr; none: stderr stays empty
        const auto row = [](const char *name, const QString &bench, const QString &arguments,
                            int exit, const QString &out, const QStringList &err = {}) {
            QTest::newRow(name) << bench << arguments << exit << out << err;
        };
        const QString single = u"single"_s;
        const QString preset = u"preset"_s;

        row("version", u"empty"_s, u"--version"_s, 0, u"vtl-i2c-cli-sim 1.0.0\n"_s);
        row("list", preset, u"list"_s, 0,
            u"A  SIM-A-0001  FW 0112  Vantrel I2C Adapter A\n"
            u"B  SIM-B-0002  FW 0203  Vantrel I2C Adapter B\n"
            u"C  SIM-C-0003  FW 0300  Vantrel I2C Adapter C\n"_s);
        row("list without permission", u"denied"_s, u"list"_s, 3,
            u"A  SIM-A-0001  FW 0112  Vantrel I2C Adapter A  (no permission to open it)\n"_s,
            {u"no permission to open some adapters"_s, u"70-vtl-i2c.rules"_s});
        row("list of none", u"empty"_s, u"list"_s, 3, {}, {u"no adapter attached"_s});
        row("detect", single, u"detect"_s, 0, GRID_7BIT);
        row("detect --all, 8-bit", single, u"--8bit detect --all"_s, 0, GRID_8BIT_ALL);
        // A humidity sensor that 0xFE resets can sit at 0x40, an ADC that stores any byte at
        // 0x48: nothing is read there unless allowed. Allowed, the power monitor is confirmed
        // and the parts whose ID registers were not acknowledged are only counted.
        row("detect --identify", single, u"detect --identify"_s, 0,
            GRID_7BIT +
                u"0x23: BH1750, MCP23008, MCP23017, PCA9554, PCA9555, PCA9633, PCF8574, "
                u"PCF8575 (likely); 8 candidates\n"
                u"0x40: HDC1080, INA226, INA3221, INA219, INA228, INA237, INA238, INA260, "
                u"PCA9685, SHT2x, Si7021, PCA9633 (likely); 12 candidates; not identified: "
                u"Identify would send 0xFE, a reset command of SHT2x\n"
                u"0x48: TMP117, ADS1015, ADS1115, ADS7830, LM75A, PCF8591, TMP102, INA226, "
                u"INA219, INA228, INA237, INA238, INA260, PCA9633, PCA9685 (likely); 15 "
                u"candidates; not identified: Identify would send 0xFE, a conversion command "
                u"of ADS7830; not identified: Identify would send 0x0F, a conversion command "
                u"of ADS7830\n"
                u"0x50: 24C02, 24C16, 24C256, 24C512, 24C64, AT24C32, PCA9633, PCA9685 "
                u"(likely); 8 candidates\n"
                u"0x51: PCF8563, 24C02, 24C16, 24C256, 24C512, 24C64, AT24C32, PCA9633, "
                u"PCA9685 (likely); 9 candidates\n"_s);
        row("detect --identify --allow-unsafe", single,
            u"detect --identify --allow-unsafe 0x40,0x48"_s, 0,
            GRID_7BIT + u"0x23: BH1750, MCP23008, MCP23017, PCA9554, PCA9555, PCA9633, PCF8574, "
                        u"PCF8575 (likely); 8 candidates\n"
                        u"0x40: INA226 (identified, confirmed); INA219, INA228, INA237, INA238, "
                        u"INA260, PCA9685, SHT2x, Si7021, PCA9633 (likely); 12 candidates\n"
                        u"0x48: ADS1015, ADS1115, ADS7830, LM75A, PCF8591, TMP102, INA219, INA228, "
                        u"INA237, INA238, INA260, PCA9633, PCA9685 (likely); 15 candidates\n"
                        u"0x50: 24C02, 24C16, 24C256, 24C512, 24C64, AT24C32, PCA9633, PCA9685 "
                        u"(likely); 8 candidates\n"
                        u"0x51: PCF8563, 24C02, 24C16, 24C256, 24C512, 24C64, AT24C32, PCA9633, "
                        u"PCA9685 (likely); 9 candidates\n"_s);
        row("--allow-unsafe without --identify", single, u"detect --allow-unsafe 0x40"_s, 2, {},
            {u"--allow-unsafe needs --identify"_s});
        row("--allow-unsafe of no address", single, u"detect --identify --allow-unsafe 0x40,zz"_s,
            2, {}, {u"--allow-unsafe 'zz' is not a 7-bit address"_s});
        row("parts by kind", u"empty"_s, u"parts clock"_s, 0,
            u"NAME       ADDRESSES              KIND\n"
            u"DS1307     0x68                   real-time clock\n"
            u"DS3231     0x68                   real-time clock\n"
            u"DS3231M    0x68                   real-time clock\n"
            u"MCP7940N   0x6F                   real-time clock\n"
            u"PCF8523    0x68                   real-time clock\n"
            u"PCF8563    0x51                   real-time clock\n"
            u"SHT2x      0x40                   humidity\n"
            u"SHT4x      0x44-0x46              humidity\n"
            u"Si5351     0x60                   clock generator\n"
            u"Si7021     0x40                   humidity\n"_s);
        row("parts --path", u"empty"_s, u"parts --path ina226"_s, 0,
            QStringLiteral(VTL_BUILD_PARTS "/ina226.i2cdev\n"));
        row("parts --path of no part", u"empty"_s, u"parts --path INA999"_s, 2, {},
            {u"No part 'INA999' in the library"_s});
        row("regs of a library part", single, u"regs %L POWER --address 0x40"_s, 0,
            u"POWER  0x03  0x0000  P=0\n"_s);
        row("read in lines with offsets", single, u"read 50 20"_s, 0,
            u"00: 42 65 6E 63 68 20 45 45 50 52 4F 4D 20 41 FF FF\n10: FF FF FF FF\n"_s);
        row("read on C by serial at 1000 kbit/s", preset,
            u"--adapter SIM-C-0003 -s 1000 read 0x50 14"_s, 0,
            u"42 65 6E 63 68 20 45 45 50 52 4F 4D 20 43\n"_s);
        row("quiet read", single, u"-q read 0x50 4"_s, 0, {});
        row("get", single, u"get 0x50 06 3"_s, 0, u"45 45 50\n"_s);
        row("write", single, u"write 0x50 10 41"_s, 0, {});
        row("set", single, u"set 0x50 10 41"_s, 0, {});
        row("transfer, 8-bit", single, u"--8bit transfer w2@0xA2 00 06 r3@A3"_s, 0,
            u"33 32 20\n"_s);
        row("dump, partial lines", single, u"dump 0x50 --from 0x0A --to 0x11"_s, 0,
            u"00:                               4F 4D 20 41 FF FF            OM A..\n"
            u"10: FF FF                                            ..\n"_s);
        row("dump, two-byte offsets", single, u"dump 0x51 --reg-width 2 --from 7FF0 --to 7FFF"_s, 0,
            u"7FF0: FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF  ................\n"_s);
        row("run", single, u"run %E Read_Measurement"_s, 0, u"00 00\n"_s);

        row("json get, 8-bit", single, u"--json --8bit get 0xA0 01"_s, 0,
            Json(R"({"adapter":"SIM-A-0001","address":"0xA0","command":"get","count":1,)"
                 R"("data":"65","durationUs":0,"ok":true,"written":"01"})"));
        row("json transfer", single, u"--json transfer w1@0x50 00 r2"_s, 0,
            Json(R"({"adapter":"SIM-A-0001","command":"transfer","count":2,"durationUs":0,)"
                 R"("messages":[{"address":"0x50",)"
                 R"("durationUs":0,"ok":true,"start":true,"stop":false,"written":"00"},)"
                 R"({"address":"0x50","count":2,"data":"42 65","durationUs":0,"ok":true}],)"
                 R"("ok":true})"));
        row("json detect", single, u"--json detect"_s, 0,
            Json(R"({"adapter":"SIM-A-0001","command":"detect","count":5,"durationUs":0,)"
                 R"("first":"0x08",)"
                 R"("found":["0x23","0x40","0x48","0x50","0x51"],"last":"0x77","ok":true})"));
        const auto likely = [](const char *names) {
            QString ranking;
            for (const QString &name : QString::fromLatin1(names).split(u' '))
                ranking += uR"({"comparedBits":0,"grade":"likely","name":"%1"},)"_s.arg(name);
            return ranking;
        };
        const QString eeproms = likely("24C02 24C16 24C256 24C512 24C64 AT24C32 PCA9633 PCA9685");
        const auto names = [](const char *list) {
            return u"[\""_s + QString::fromLatin1(list).split(u' ').join(u"\",\""_s) + u"\"]"_s;
        };
        const QString motion = u"ICM-20689 ICM-20948 MPU-6050 MPU-6500 MPU-9250 DS1307 DS3231 "
                               u"DS3231M MCP3421 MCP3424 PCA9633 PCA9685 PCF8523"_s;
        const QString detected =
            uR"({"adapter":"SIM-B-0002","address":"%1","anyByteAllowed":false,)"
            uR"("candidateCount":%2,"candidates":%3,"command":"detect","durationUs":0,)"
            uR"("identified":null,"notIdentified":%4,"ok":true,"ranking":[%5]})"_s;
        const char *memories = "24C02 24C16 24C256 24C512 24C64 AT24C32 PCA9633 PCA9685";
        row("json detect --identify, 8-bit", preset,
            u"-a SIM-B-0002 --json --8bit detect --identify"_s, 0,
            Json(R"({"adapter":"SIM-B-0002","command":"detect","count":5,"durationUs":0,)"
                 R"("first":"0x10",)"
                 R"("found":["0x46","0xA0","0xA6","0xAE","0xD0"],"last":"0xEE","ok":true})") +
                Json(detected.arg(
                    u"0x46"_s, u"8"_s,
                    names("BH1750 MCP23008 MCP23017 PCA9554 PCA9555 PCA9633 PCF8574 PCF8575"),
                    u"[]"_s,
                    likely("BH1750 MCP23008 MCP23017 PCA9554 PCA9555 PCA9633 PCF8574 PCF8575")
                        .chopped(1))) +
                Json(
                    detected.arg(u"0xA0"_s, u"8"_s, names(memories), u"[]"_s, eeproms.chopped(1))) +
                // The EEPROM's byte 0 is not the accelerometer's ID.
                Json(detected.arg(
                    u"0xA6"_s, u"9"_s,
                    names("ADXL345 24C02 24C16 24C256 24C512 24C64 AT24C32 PCA9633 PCA9685"),
                    u"[]"_s,
                    eeproms + uR"({"comparedBits":0,"grade":"ruled out","name":"ADXL345"})"_s)) +
                Json(
                    detected.arg(u"0xAE"_s, u"8"_s, names(memories), u"[]"_s, eeproms.chopped(1))) +
                // MPU-6050 and its family point at 0x75, ICM-20948 at 0x00: an MCP3421 there
                // would take either as its configuration.
                Json(detected.arg(
                    u"0xD0"_s, u"13"_s, names(motion.toLatin1().constData()),
                    uR"(["Identify would send 0x75, the configuration byte of MCP3421",)"
                    uR"("Identify would send 0x00, the configuration byte of MCP3421"])"_s,
                    likely("ICM-20689 ICM-20948 MPU-6050 MPU-6500 MPU-9250 DS1307 DS3231 DS3231M "
                           "MCP3421 MCP3424 PCF8523 PCA9633 PCA9685")
                        .chopped(1))));
        row("json NACK", single, u"--json read 0x41 2"_s, 1,
            Json(R"({"adapter":"SIM-A-0001","address":"0x41","command":"read","count":0,)"
                 R"("data":"","durationUs":0,"error":"NACK received","ok":false})"),
            {u"read 0x41: NACK received"_s});
        row("json list without permission", u"denied"_s, u"--json list"_s, 3,
            Json(R"({"adapters":[{"access":"no-permission","error":"Failed to open a device )"
                 R"(with path 'sim:hidraw2': Permission denied","firmware":"0112","model":"A",)"
                 R"("product":"Vantrel I2C Adapter A","serial":"SIM-A-0001","sharedBy":null}],)"
                 R"("command":"list",)"
                 R"("count":1,"error":"no permission to open some adapters","ok":false})"),
            {u"70-vtl-i2c.rules"_s});
        row("json without an adapter", u"empty"_s, u"--json detect"_s, 3,
            Json(R"({"command":"detect","error":"no adapter attached","ok":false})"),
            {u"no adapter attached"_s});
        row("json usage error", single, u"--json read 0x50 0"_s, 2,
            Json(R"({"command":"read","error":"COUNT '0' is not a number from 1 to 65535",)"
                 R"("ok":false})"),
            {u"COUNT '0'"_s});

        row("usage error while parsing", single, u"read 0x50"_s, 2, {},
            {u"read: COUNT missing"_s, u"Usage: vtl-i2c-cli-sim [options] read"_s});
        row("usage error in the plan, 8-bit", single, u"--8bit read 100 1"_s, 2, {},
            {u"ADDR '100' is not an 8-bit address"_s});
        row("speed the model lacks", preset, u"-a SIM-B-0002 --speed 1000 detect"_s, 2, {},
            {u"--speed 1000 is not supported by the VantrelB (it runs at 50, 100, 400 kbit/s)"_s});
        row("several adapters", preset, u"read 0x50 1"_s, 2, {},
            {u"3 adapters are attached; choose one with --adapter SERIAL:\n"
             u"  VantrelA SIM-A-0001\n  VantrelB SIM-B-0002\n  VantrelC SIM-C-0003"_s});
        row("no adapter", u"empty"_s, u"detect"_s, 3, {}, {u"no adapter attached"_s});
        row("permission denied", u"denied"_s, u"read 0x50 1"_s, 3, {},
            {u"no permission to open adapter SIM-A-0001 ("_s, u"Permission denied"_s,
             u"sudo install -m 644 build/release/dist/70-vtl-i2c.rules /etc/udev/rules.d/"_s,
             u"sudo udevadm control --reload-rules && sudo udevadm trigger "
             u"--subsystem-match=hidraw"_s});
        row("NACK on the second message", single, u"transfer w1@0x50 00 w1@0x41 00 r1"_s, 1, {},
            {u"transfer: message 2 (w1@0x41), 1 of 3 messages went through: NACK received"_s});
        row("dump NACK", single, u"dump 0x42"_s, 1, {},
            {u"dump 0x42 at offset 0x00: NACK received"_s});
        row("run NACK", preset, u"-a SIM-C-0003 run %E Power_On"_s, 1, {},
            {u"run 'Power On' at 0x23: NACK received"_s});

        // %T and %P: the demo's temperature sensor and power monitor with register maps.
        row("regs, Read All", single, u"regs %T"_s, 0,
            u"TEMP    0x00  0x1780  T=23.50 °C\n"
            u"CONFIG  0x01  0x60A0  OS=clear, R=12 bits, F=1 fault, POL=active low, "
            u"TM=comparator, SD=clear, CR=4 Hz, AL=set, EM=clear\n"
            u"TLOW    0x02  0x4B00  T=75.00 °C\n"
            u"THIGH   0x03  0x5000  T=80.00 °C\n"_s);
        row("regs by name, another address", single, u"regs %T bus current --address 0x40"_s, 2, {},
            {u"NAME 'bus' is no register of"_s, u"it has TEMP, CONFIG, TLOW, THIGH"_s});
        row("regs by name", single, u"regs %P bus current"_s, 0,
            u"BUS      0x02  0x0FA0  V=5.000 V\n"
            u"CURRENT  0x04  0x0000  I=0.0000 A\n"_s);
        row("regs at another address", single, u"regs %P CONFIG --address 0x48"_s, 0,
            u"CONFIG  0x00  0x1780  RST=clear, AVG=64, VBUSCT=4.156 ms, VSHCT=140 us, "
            u"MODE=power-down\n"_s);
        row("json reg", single, u"--json reg %T TEMP"_s, 0,
            Json(R"({"adapter":"SIM-A-0001","address":"0x48","command":"reg","durationUs":0,)"
                 R"("fields":[)"
                 R"({"bits":"[15:4]","meaning":"23.50 °C","name":"T","raw":376}],)"
                 R"("meaning":"T=23.50 °C","ok":true,"register":"TEMP",)"
                 R"("registerAddress":"0x00","value":"0x1780"})"));
        row("field value not in the enum", single, u"--json reg %T CONFIG.CR 1HZ"_s, 2,
            Json(R"x({"command":"reg","error":"VALUE '1HZ' is no value of CONFIG.CR ('0.25 Hz', )x"
                 R"x('1 Hz', '4 Hz', '8 Hz'; the bits as raw:0x0 to raw:0x3)","ok":false})x"),
            {u"VALUE '1HZ' is no value of CONFIG.CR ('0.25 Hz', '1 Hz', '4 Hz', '8 Hz'; the "
             u"bits as raw:0x0 to raw:0x3)"_s});
        row("field write by enum text", single, u"-j reg %T CONFIG.CR 1_hz"_s, 0,
            Json(R"({"adapter":"SIM-A-0001","address":"0x48","command":"reg","durationUs":0,)"
                 R"("field":"CR",)"
                 R"("fields":[{"bits":"[15]","meaning":"clear","name":"OS","raw":0},)"
                 R"({"bits":"[14:13]","meaning":"12 bits","name":"R","raw":3},)"
                 R"({"bits":"[12:11]","meaning":"1 fault","name":"F","raw":0},)"
                 R"({"bits":"[10]","meaning":"active low","name":"POL","raw":0},)"
                 R"({"bits":"[9]","meaning":"comparator","name":"TM","raw":0},)"
                 R"({"bits":"[8]","meaning":"clear","name":"SD","raw":0},)"
                 R"({"bits":"[7:6]","meaning":"1 Hz","name":"CR","raw":1},)"
                 R"({"bits":"[5]","meaning":"set","name":"AL","raw":1},)"
                 R"({"bits":"[4]","meaning":"clear","name":"EM","raw":0}],)"
                 R"("meaning":"OS=clear, R=12 bits, F=1 fault, POL=active low, TM=comparator, )"
                 R"(SD=clear, CR=1 Hz, AL=set, EM=clear","ok":true,"register":"CONFIG",)"
                 R"("registerAddress":"0x01","value":"0x6060"})"));
        row("read-only register refused", single, u"reg %T TEMP 0"_s, 2, {},
            {u"Register TEMP is read-only"_s});
        row("unknown field", single, u"reg %T CONFIG.XY 1"_s, 2, {},
            {u"'XY' is no field of CONFIG; it has OS, R, F, POL, TM, SD, CR, AL, EM"_s});
        row("no register map", single, u"regs %E"_s, 2, {}, {u"holds no register map"_s});
        row("dry run of a field write", u"empty"_s, u"reg %T CONFIG.SD 1 --dry-run"_s, 0,
            u"w1@0x48 01 r2\nw3@0x48 01 61 A0\n"_s,
            {u"note: the write shows CONFIG from its reset value 0x60A0"_s});
        row("dry run of Read All, 8-bit", u"empty"_s, u"--8bit regs %P --dry-run"_s, 0,
            u"w1@0x80 00 r2\nw1@0x80 01 r2\nw1@0x80 02 r2\nw1@0x80 03 r2\nw1@0x80 04 r2\n"
            u"w1@0x80 05 r2\nw1@0x80 07 r2\nw1@0x80 FE r2\nw1@0x80 FF r2\n"_s);
        row("check", u"empty"_s, u"check %T %P %B"_s, 2,
            u"%T: ok, 5 commands, 4 registers\n%P: ok, 4 commands, 10 registers\n"_s,
            {u"%B: File version 5 is newer than supported (4)"_s});
    }

    void outputs()
    {
        QFETCH(QString, bench);
        QFETCH(QString, arguments);
        QFETCH(int, exit);
        QFETCH(QString, out);
        QFETCH(QStringList, err);
        const auto files = [](QString text) {
            return text.replace(u"%E"_s, QStringLiteral(VTL_EXAMPLE_DEVICE))
                .replace(u"%T"_s, QStringLiteral(VTL_REGISTER_DEVICES "/bench-temperature.i2cdev"))
                .replace(u"%P"_s,
                         QStringLiteral(VTL_REGISTER_DEVICES "/bench-power-monitor.i2cdev"))
                .replace(u"%B"_s, QStringLiteral(VTL_BROKEN_DEVICE))
                .replace(u"%L"_s, QStringLiteral(VTL_BUILD_PARTS "/ina226.i2cdev"));
        };
        out = files(out);
        for (QString &part : err)
            part = files(part);
        QStringList words = Words(arguments);
        for (QString &word : words)
            word = files(word);
        const SCliRun run = RunCli(bench, words);
        QVERIFY2(run.exitCode == exit, qPrintable(u"%1\n"_s.arg(run.exitCode) + run.err));
        QCOMPARE(QString(run.out).replace(QRegularExpression(u"\"durationUs\":\\d+"_s),
                                          u"\"durationUs\":0"_s),
                 out);
        if (err.isEmpty())
            QCOMPARE(run.err, QString());
        else
            QVERIFY2(run.err.startsWith(u"vtl-i2c-cli-sim: "_s), qPrintable(run.err));
        for (const QString &part : err)
            QVERIFY2(run.err.contains(part), qPrintable(run.err));
    }

    // '|' separates the script's lines; %F is the script file, %D the device file holding it
    // as the sequence "Check".
    void scripts_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("bench");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const QString single = u"single"_s;
        const QString check = u"w1 00 r2|echo two bytes|repeat 2|expect w1 01 r1 == 65|end|"
                              u"poll w1 00 r1 until 40 mask F0 every 1ms timeout 10ms"_s;
        QTest::newRow("all steps ok") << check << single << u"script --address 0x50 %F"_s << 0
                                      << u"42 65\ntwo bytes\n"_s << QString();
        QTest::newRow("stored sequence at its device's address")
            << check << single << u"run %D check"_s << 0 << u"42 65\ntwo bytes\n"_s << QString();
        QTest::newRow("standard input") << check << single << u"script --address 0x50 -"_s << 0
                                        << u"42 65\ntwo bytes\n"_s << QString();
        QTest::newRow("changed expectation names its line")
            << u"r1@0x50|# id|expect w1@0x50 00 r2 == 42 66"_s << single << u"script %F"_s << 1
            << u"42\n"_s
            << u"line 3 (expect w1@0x50 00 r2 == 42 66): read 42 65, expected 42 66\n"_s;
        QTest::newRow("poll time-out")
            << u"poll r1@0x40 until 00 every 2ms timeout 6ms"_s << single << u"script %F"_s << 1
            << QString()
            << u"line 1 (poll r1@0x40 until 00 every 2ms timeout 6ms): no match for 00 within "
               u"6ms ("_s;
        QTest::newRow("bus error")
            << u"r1@0x50|r1@0x41|r1@0x50"_s << single << u"script %F"_s << 1 << u"42\n"_s
            << u"line 2 (r1@0x41): message 1 (r1@0x41): NACK received\n"_s;
        QTest::newRow("syntax error sends nothing")
            << u"w1@0x50 00|delay 5|r1"_s << single << u"script %F"_s << 2 << QString()
            << u"line 2, column 7: delay '5' is not a duration"_s;
        QTest::newRow("no address for a message")
            << u"r1"_s << single << u"script %F"_s << 2 << QString() << u"(give --address)"_s;
        QTest::newRow("dry run touches no adapter")
            << u"repeat 2|w1 0A|end|delay 1s"_s << u"empty"_s
            << u"--8bit script --dry-run --address 0xA0 %F"_s << 0
            << u"w1@0xA0 0A  # line 2\nw1@0xA0 0A  # line 2\ndelay 1s  # line 4\n"_s << QString();
        QTest::newRow("json, one object per step")
            << u"echo hi|expect r1@0x50 == 40 mask F0"_s << single << u"--json script %F"_s << 0
            << Json(R"({"adapter":"SIM-A-0001","command":"script","durationUs":0,"kind":"echo",)"
                    R"("line":1,"ok":true,"step":"echo hi","text":"hi"})") +
                   Json(R"({"adapter":"SIM-A-0001","command":"script","data":"42",)"
                        R"("durationUs":0,"kind":"expect","line":2,"messages":[{"address":)"
                        R"("0x50","count":1,"data":"42","durationUs":0,"ok":true}],"ok":true,)"
                        R"("step":"expect r1@0x50 == 40 mask F0"})")
            << QString();
    }

    void scripts()
    {
        QFETCH(QString, script);
        QFETCH(QString, bench);
        QFETCH(QString, arguments);
        QFETCH(int, exit);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const QString file = m_dir.filePath(u"steps.i2cseq"_s);
        const QString device = m_dir.filePath(u"check.i2cdev"_s);
        QVERIFY(WriteFile(file, script.split(u'|').join(u'\n').toUtf8()));
        QJsonArray steps;
        for (const QString &line : script.split(u'|'))
            steps.append(line);
        QVERIFY(WriteFile(
            device, QJsonDocument(QJsonObject{{u"version"_s, 4},
                                              {u"address"_s, u"0x50"_s},
                                              {u"commands"_s,
                                               QJsonArray{QJsonObject{{u"label"_s, u"Check"_s},
                                                                      {u"type"_s, u"sequence"_s},
                                                                      {u"steps"_s, steps}}}}})
                        .toJson()));
        const QStringList words =
            Words(arguments).replaceInStrings(u"%F"_s, file).replaceInStrings(u"%D"_s, device);
        const QByteArray input =
            words.contains(u"-"_s) ? script.split(u'|').join(u'\n').toUtf8() : QByteArray();
        const SCliRun run = RunCli(bench, words, {}, input);
        QVERIFY2(run.exitCode == exit, qPrintable(u"%1\n"_s.arg(run.exitCode) + run.err));
        QCOMPARE(QString(run.out).replace(QRegularExpression(u"\"durationUs\":\\d+"_s),
                                          u"\"durationUs\":0"_s),
                 out);
        if (err.isEmpty())
            QCOMPARE(run.err, QString());
        else
            QVERIFY2(run.err.startsWith(u"vtl-i2c-cli-sim: "_s) && run.err.contains(err),
                     qPrintable(run.err));
    }

    void interruptScript()
    {
        const QString file = m_dir.filePath(u"long.i2cseq"_s);
        QVERIFY(WriteFile(file, "echo started\ndelay 60s\nr1@0x50\n"));
        QProcess process;
        StartCli(process, u"single"_s, {u"script"_s, file});
        QVERIFY(process.waitForStarted());
        QByteArray out;
        while (!out.contains("started") && process.state() == QProcess::Running) {
            process.waitForReadyRead(1000);
            out += process.readAllStandardOutput();
        }
        QCOMPARE(out, QByteArray("started\n"));
        QCOMPARE(::kill(pid_t(process.processId()), SIGINT), 0);
        QVERIFY(process.waitForFinished(10000));
        // It ends by the signal, so that a shell loop around it stops too.
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        QCOMPARE(process.exitCode(), SIGINT);
        QCOMPARE(process.readAllStandardError(),
                 QByteArray("vtl-i2c-cli-sim: line 2: interrupted\n"));
    }

    // A bad argument after good ones sends none of them.
    void usageErrorSendsNothing()
    {
        const QString state = m_dir.filePath(u"untouched"_s);
        const auto exitOf = [&](const QString &line) {
            return RunCli(u"single"_s, Words(line), state).exitCode;
        };
        QCOMPARE(exitOf(u"set 0x50 00 41 4G"_s), 2);
        QCOMPARE(exitOf(u"transfer w2@0x50 00 41 r1 r1"_s), 2);
        // A good write shows that the state is kept; byte 0 keeps its 0x42.
        QCOMPARE(exitOf(u"set 0x50 01 41"_s), 0);
        QCOMPARE(RunCli(u"single"_s, Words(u"read 0x50 2"_s), state).out, u"42 41\n"_s);
    }

    void eepromRoundTrip_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("fileSize");
        QTest::addColumn<bool>("writeCycle");
        QTest::addColumn<QString>("changed"); // the offset of the byte changed before the verify
        QTest::addColumn<int>("differing");   // bytes changed from there on
        QTest::newRow("256 bytes, 8-byte pages, whole")
            << u"0x50"_s << 256 << 8 << 256 << false << u"0xFE"_s << 2;
        QTest::newRow("256 bytes, 8-byte pages, part")
            << u"0x50"_s << 256 << 8 << 61 << false << u"0x3B"_s << 1;
        QTest::newRow("32 KiB, 64-byte pages, part")
            << u"0x51"_s << 32768 << 64 << 300 << true << u"0x012A"_s << 2;
    }

    void eepromRoundTrip()
    {
        QFETCH(QString, address);
        QFETCH(int, size);
        QFETCH(int, page);
        QFETCH(int, fileSize);
        QFETCH(bool, writeCycle);
        QFETCH(QString, changed);
        QFETCH(int, differing);
        const QString state = m_dir.filePath(u"eeprom-%1-%2"_s.arg(address).arg(fileSize));
        const QString image = m_dir.filePath(u"image-%1.bin"_s.arg(fileSize));
        QByteArray bytes(fileSize, Qt::Uninitialized);
        for (int i = 0; i < fileSize; ++i)
            bytes[i] = char((i * 7 + size) & 0xFF);
        QVERIFY(WriteFile(image, bytes));
        const auto eeprom = [&](const QString &action, const QString &file) {
            return RunCli(u"single"_s,
                          Words(u"--json eeprom %1 %2 --size %3 --page %4"_s.arg(action, address)
                                    .arg(size)
                                    .arg(page))
                              << file,
                          state);
        };

        SCliRun run = eeprom(u"write"_s, image);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
        QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
        QCOMPARE(json.value(u"bytes"_s).toInt(), fileSize);
        const int pages = (fileSize + page - 1) / page;
        QCOMPARE(json.value(u"pages"_s).toInt(), pages);
        // Without a write cycle the first poll answers; with one, the chip stays silent a while.
        if (writeCycle)
            QVERIFY(json.value(u"polls"_s).toInt() > pages);
        else
            QCOMPARE(json.value(u"polls"_s).toInt(), pages);

        run =
            RunCli(u"single"_s,
                   Words(u"eeprom verify %1 --size %2 --page %3"_s.arg(address).arg(size).arg(page))
                       << image,
                   state);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
        QCOMPARE(run.out,
                 u"%1 bytes of '%2' match the EEPROM at %3\n"_s.arg(fileSize).arg(image, address));

        const QString back = m_dir.filePath(u"back-%1.bin"_s.arg(fileSize));
        run =
            RunCli(u"single"_s,
                   Words(u"--speed 1000 eeprom read %1 --size %2"_s.arg(address).arg(size)) << back,
                   state);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
        QFile file(back);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray read = file.readAll();
        QCOMPARE(read.size(), size);
        QCOMPARE(read.left(fileSize), bytes);
        QVERIFY(read.mid(fileSize) != QByteArray(size - fileSize, char(0)) || fileSize == size);

        for (int i = fileSize - 2; i < fileSize - 2 + differing; ++i)
            bytes[i] = char(~bytes[i]);
        QVERIFY(WriteFile(image, bytes));
        run = eeprom(u"verify"_s, image);
        QCOMPARE(run.exitCode, 1);
        json = QJsonDocument::fromJson(run.out.toUtf8()).object();
        QCOMPARE(json.value(u"identical"_s).toBool(true), false);
        QCOMPARE(json.value(u"offset"_s).toString(), changed);
        QCOMPARE(json.value(u"differing"_s).toInt(), differing);

        // One line names the first difference, and the count when there are more.
        run =
            RunCli(u"single"_s,
                   Words(u"eeprom verify %1 --size %2 --page %3"_s.arg(address).arg(size).arg(page))
                       << image,
                   state);
        QCOMPARE(run.exitCode, 1);
        const auto hex = [](char byte) {
            return QString::number(uchar(byte), 16).toUpper().rightJustified(2, u'0');
        };
        QString line =
            u"'%1' differs from the EEPROM at %2 from offset %3 on: file %4, EEPROM %5"_s.arg(
                image, address, changed, hex(bytes[fileSize - 2]), hex(char(~bytes[fileSize - 2])));
        if (differing > 1)
            line += u"; %1 bytes differ"_s.arg(differing);
        QCOMPARE(run.out, line + u'\n');
    }

    // A terminal closing or a service manager stopping the program cancels as Ctrl+C does,
    // and an interrupted dump names the offset of the first byte that did not come.
    void interrupt_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("progress");
        QTest::addColumn<QString>("error");
        // 65535 bytes at 100 kbit/s keep the bus busy for about six seconds.
        const QString read = u"--progress read 0x51 65535"_s;
        const QString readProgress = u"read 0x51: \\d+ of 65535 bytes"_s;
        const QString readError = u"vtl-i2c-cli-sim: read 0x51: interrupted\n$"_s;
        QTest::newRow("SIGINT") << SIGINT << read << readProgress << readError;
        QTest::newRow("SIGTERM") << SIGTERM << read << readProgress << readError;
        QTest::newRow("SIGHUP, dump")
            << SIGHUP << u"--progress --json dump 0x51 --reg-width 2 --to 7FFF"_s
            << u"dump 0x51: [1-9]\\d* of 32768 bytes"_s
            << u"dump 0x51 at offset 0x(?!0000)[0-9A-F]{4}: interrupted\n$"_s;
        // The whole part is one transaction on model A; its progress still comes as it goes.
        QTest::newRow("SIGINT, eeprom read")
            << SIGINT << u"--progress eeprom read 0x51 %D/partial.bin --part 24x256"_s
            << u"eeprom read 0x51: [1-9]\\d* of 32768 bytes \\((?!100)"_s
            << u"eeprom read 0x51 at offset 0x(?!0000)[0-9A-F]{4}: interrupted\n$"_s;
    }
    void eepromPartsAndFiles_data()
    {
        QTest::addColumn<QString>("arguments"); // on the preset bench; %D: the test folder
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("out"); // a part of stdout
        QTest::addColumn<QString>("err"); // a part of stderr
        const QByteArray hex = ":10000000000102030405060708090A0B0C0D0E0F78\n:00000001FF\n";
        QVERIFY(WriteFile(m_dir.filePath(u"sixteen.hex"_s), hex));
        QVERIFY(
            WriteFile(m_dir.filePath(u"bad.s19"_s), "S0030000FC\nS1050000AABBFF\nS9030000FC\n"));
        const auto row = [](const char *name, const QString &arguments, int exit,
                            const QString &out, const QString &err) {
            QTest::newRow(name) << arguments << exit << out << err;
        };
        row("24x16 across a block, verified",
            u"-a SIM-C-0003 eeprom write 0x50 %D/sixteen.hex --part 24c16 --offset F8 --verify"_s,
            0, u"wrote 16 bytes of the EEPROM at 0x50 in 2 pages, verified"_s, QString());
        row("24x1025 across its halves, verified",
            u"-a SIM-B-0002 -s 400 eeprom write 0x53 %D/sixteen.hex --part 24LC1025 --offset FFF8 "
            u"--verify"_s,
            0, u"wrote 16 bytes of the EEPROM at 0x53 in 2 pages, verified"_s, QString());
        row("read as Intel HEX to standard output",
            u"-a SIM-C-0003 eeprom read 0x50 - --part 24c16 --length 16 --format ihex"_s, 0,
            u":1000000042656E636820454550524F4D2043FFFFC7\n:00000001FF\n"_s, QString());
        row("full device after the read",
            u"-a SIM-C-0003 eeprom read 0x50 /dev/full --part 24c16"_s, 1, QString(),
            u"FILE '/dev/full' cannot be written: No space left on device"_s);
        row("folder before the bus", u"-a SIM-C-0003 eeprom read 0x50 %D --part 24c16"_s, 2,
            QString(), u"cannot be written: is a folder"_s);
        row("bad S-record", u"-a SIM-C-0003 eeprom write 0x50 %D/bad.s19 --part 24c16"_s, 2,
            QString(), u"bad.s19' cannot be read: line 2: checksum mismatch"_s);
        row("erase of a custom 2 KiB part with block bits",
            u"-a SIM-C-0003 -s 400 eeprom erase 0x50 --size 2048 --page 16 --addr-width 1"_s, 0,
            u"erased 2048 bytes of the EEPROM at 0x50 in 128 pages"_s, QString());
    }

    void eepromPartsAndFiles()
    {
        QFETCH(QString, arguments);
        QFETCH(int, exit);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const SCliRun run =
            RunCli(u"preset"_s, Words(arguments).replaceInStrings(u"%D"_s, m_dir.path()));
        QVERIFY2(run.exitCode == exit, qPrintable(run.err + run.out));
        QVERIFY2(run.out.contains(out), qPrintable(run.out));
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
    }

    void eepromStateKeepsTheNewParts()
    {
        const QString state = m_dir.filePath(u"bench-state"_s);
        const QString image = m_dir.filePath(u"halves.hex"_s);
        QVERIFY(WriteFile(image, ":10000000000102030405060708090A0B0C0D0E0F78\n:00000001FF\n"));
        const QString write = u"-a SIM-B-0002 eeprom write 0x53 %1 --part 24x1025 --offset 1FFF0"_s;
        const QString verify =
            u"-a SIM-B-0002 eeprom verify 0x53 %1 --part 24x1025 --offset 1FFF0"_s;
        QCOMPARE(RunCli(u"preset"_s, Words(write).replaceInStrings(u"%1"_s, image), state).exitCode,
                 0);
        const SCliRun run =
            RunCli(u"preset"_s, Words(verify).replaceInStrings(u"%1"_s, image), state);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(RunCli(u"preset"_s, Words(verify).replaceInStrings(u"%1"_s, image)).exitCode, 1);
    }

    void interrupt()
    {
        QFETCH(int, signal);
        QFETCH(QString, arguments);
        QFETCH(QString, progress);
        QFETCH(QString, error);
        QProcess process;
        StartCli(process, u"single"_s, Words(arguments).replaceInStrings(u"%D"_s, m_dir.path()));
        QVERIFY(process.waitForStarted());
        const QRegularExpression progressLine(progress);
        QString err;
        while (!err.contains(progressLine) && process.state() == QProcess::Running) {
            process.waitForReadyRead(1000);
            err += QString::fromUtf8(process.readAllStandardError());
        }
        QVERIFY2(err.contains(progressLine), qPrintable(err));
        QCOMPARE(::kill(pid_t(process.processId()), signal), 0);
        QVERIFY(process.waitForFinished(10000));
        err += QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        QCOMPARE(process.exitCode(), signal);
        QVERIFY2(err.contains(QRegularExpression(error)), qPrintable(err));
        QVERIFY(!QFile::exists(m_dir.filePath(u"partial.bin"_s)));
        const QByteArray out = process.readAllStandardOutput();
        if (!arguments.contains(u"--json"_s)) {
            // A plain read prints the bytes that came; an EEPROM's image file is removed.
            QCOMPARE(out.isEmpty(), !arguments.contains(u" read 0x51 65535"_s));
            return;
        }
        // The count is what came, as many bytes as the data holds.
        const QJsonObject json = QJsonDocument::fromJson(out).object();
        QCOMPARE(json.value(u"ok"_s).toBool(true), false);
        const int count = json.value(u"count"_s).toInt(-1);
        QVERIFY2(count > 0 && count < 32768, out.constData());
        QCOMPARE(json.value(u"data"_s).toString().size(), count * 3 - 1);
    }
};

VTL_TEST_MAIN(TestCliProgram)
#include "tst_CliProgram.moc"
