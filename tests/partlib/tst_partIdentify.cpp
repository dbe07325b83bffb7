// SPDX-License-Identifier: MIT
// Identification against small made-up libraries on the simulator: the library's check of
// first-byte declarations across parts, the bytes the plan leaves unsent, and the grades of
// the candidates as the scan grid and the command line's report show them.
#include "CDirectBusContext.h"
#include "CPartLibrary.h"
#include "CSimBus.h"
#include "CSimRegisterFile.h"
#include "CVtlAi2c.h"
#include "ForwardingBusContext.h"
#include "PartIdentify.h"
#include "PartMatchReport.h"
#include "ScanCells.h"
#include "VtlTestMain.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

#include <map>

using namespace Qt::StringLiterals;

namespace {

// A part with a one-byte register ID at `reg` and a rule on it (mask 0xFF when empty).
QString RulePart(const QString &name, const QString &addresses, const QString &reg,
                 const QString &value, const QString &mask = {})
{
    const QString maskPair = mask.isEmpty() ? QString() : u"\"mask\": \"%1\", "_s.arg(mask);
    return uR"({ "version": 2, "name": "%1", "address": %2, "addresses": [%3],
  "description": "", "commands": [],
  "registers": { "addressBytes": 1, "byteOrder": "big", "autoIncrement": false, "list": [
    { "name": "ID", "address": "%4", "size": 1, "access": "ro" } ] },
  "identify": [ { "register": "ID", %5"value": "%6" } ] })"_s.arg(
        name, addresses.section(u',', 0, 0), addresses, reg, maskPair, value);
}

// A part without a map that stores a command.
QString CommandPart(const QString &name, const QString &addresses, const QString &command,
                    const QString &firstByte = {})
{
    return uR"({ "version": 1, "name": "%1", "address": %2, "addresses": [%3],%4
  "description": "", "commands": [
    { "label": "Reset", "type": "write", "mode": "auto", "data": "%5" } ] })"_s.arg(
        name, addresses.section(u',', 0, 0), addresses,
        firstByte.isEmpty() ? QString() : u" \"firstByte\": "_s + firstByte + u","_s, command);
}

// A part with a map and no rules.
QString PlainPart(const QString &name, const QString &addresses)
{
    return uR"({ "version": 2, "name": "%1", "address": %2, "addresses": [%3],
  "description": "", "commands": [],
  "registers": { "addressBytes": 1, "byteOrder": "big", "autoIncrement": false, "list": [
    { "name": "DATA", "address": "0x00", "size": 1, "access": "ro" } ] } })"_s.arg(
        name, addresses.section(u',', 0, 0), addresses);
}

bool WriteLibrary(const QTemporaryDir &dir, const QMap<QString, QString> &files)
{
    for (auto it = files.begin(); it != files.end(); ++it) {
        QFile file(dir.filePath(it.key() + u".i2cdev"_s));
        if (!file.open(QIODevice::WriteOnly) || file.write(it.value().toUtf8()) < 0)
            return false;
    }
    return true;
}

QString Name(const CPartLibrary &library, int part)
{
    return part < 0 ? QString() : library.Parts().at(std::size_t(part)).file.GetName();
}

} // namespace

class TestPartIdentify : public QObject
{
    Q_OBJECT

    std::shared_ptr<CSimAdapter> m_adapter;
    std::map<std::uint8_t, std::shared_ptr<CSimRegisterFile>> m_slaves;
    std::unique_ptr<CVtlAi2c> m_driver;

    // Identification of `address` with `library` on the simulated bus.
    void identify(const CPartLibrary &library, std::uint8_t address, SPartMatch &match,
                  std::vector<STransactionRequest> &requests, bool allowAnyByte = false)
    {
        CDirectBusContext direct(*m_driver, SBusAdapterInfo::FromDriver(*m_driver, EVtlType::VtlA));
        CRecordingContext context(direct);
        std::vector<SPartMatch> matches = PartIdentify::Candidates(library, {address});
        matches.front().anyByteAllowed = allowAnyByte;
        const SBusProcedureResult result = PartIdentify::Run(context, library, matches);
        QVERIFY2(result.ok, result.error.c_str());
        match = matches.front();
        requests = context.requests;
    }

private Q_SLOTS:
    void init()
    {
        CSimBus::Instance().Reset();
        m_adapter = CSimBus::Instance().Attach(ESimModel::A, L"P-1");
        m_adapter->SetFramePeriod(std::chrono::nanoseconds(0));
        for (const std::uint8_t address : {0x30, 0x31, 0x32, 0x40})
            m_slaves[address] =
                m_adapter->AddSlave(address, std::make_shared<CSimRegisterFile>(256));
        m_driver = std::make_unique<CVtlAi2c>();
        QVERIFY(m_driver->Connect(L"P-1", EI2cSpeed::Speed100k));
    }

    void cleanup()
    {
        m_driver.reset();
        m_slaves.clear();
        m_adapter.reset();
        CSimBus::Instance().Reset();
    }

    // A rule at 0x40 reads register 0xFE; the other part there may take that byte as a
    // command. The library must know it, and the plan must then leave the read out.
    void firstBytesAcrossParts_data()
    {
        QTest::addColumn<QString>("commandPart");   // the file of the part "Cmd"
        QTest::addColumn<QString>("loadError");     // empty: none
        QTest::addColumn<QString>("notIdentified"); // at 0x40; empty: Probe is read and confirmed
        const QString noDeclaration =
            u"cmd.i2cdev: stores commands and shares 0x40 with the identification rules of "
            u"Probe, but declares no \"firstByte\""_s;
        const QString anyByte = u"Identify would send 0xFE, a byte it may act on of Cmd"_s;
        QTest::newRow("command part declares nothing")
            << CommandPart(u"Cmd"_s, u"\"0x40\""_s, u"FE"_s) << noDeclaration << anyByte;
        QTest::newRow("stored command missing from acts")
            << CommandPart(u"Cmd"_s, u"\"0x40\""_s, u"FE"_s,
                           u"{ \"kind\": \"command\", \"acts\": { \"E3\": \"a measurement\" } }"_s)
            << u"cmd.i2cdev: command \"Reset\" begins with 0xFE, which \"firstByte\" does not "
               u"list in \"acts\""_s
            << anyByte;
        QTest::newRow("declared command")
            << CommandPart(
                   u"Cmd"_s, u"\"0x40\""_s, u"FE"_s,
                   u"{ \"kind\": \"command\", \"acts\": { \"FE\": \"a reset command\" } }"_s)
            << QString() << u"Identify would send 0xFE, a reset command of Cmd"_s;
        QTest::newRow("declared configuration")
            << CommandPart(u"Cmd"_s, u"\"0x40\""_s, u"07"_s,
                           u"{ \"kind\": \"configuration\", \"meaning\": \"the control byte\" }"_s)
            << QString() << u"Identify would send 0xFE, the control byte of Cmd"_s;
        QTest::newRow("commands on other bytes")
            << CommandPart(u"Cmd"_s, u"\"0x40\""_s, u"E3"_s,
                           u"{ \"kind\": \"command\", \"acts\": { \"E3\": \"a measurement\" } }"_s)
            << QString() << QString();
        QTest::newRow("declared pointer")
            << CommandPart(u"Cmd"_s, u"\"0x40\""_s, u"FE"_s, u"{ \"kind\": \"pointer\" }"_s)
            << QString() << QString();
        // Nothing reads at 0x41, so nothing there needs a declaration.
        QTest::newRow("undeclared elsewhere")
            << CommandPart(u"Cmd"_s, u"\"0x41\""_s, u"FE"_s) << QString() << QString();
    }

    void firstBytesAcrossParts()
    {
        QFETCH(QString, commandPart);
        QFETCH(QString, loadError);
        QFETCH(QString, notIdentified);
        QTemporaryDir dir;
        QVERIFY(WriteLibrary(
            dir, {{u"probe"_s, RulePart(u"Probe"_s, u"\"0x40\""_s, u"0xFE"_s, u"0x54"_s)},
                  {u"cmd"_s, commandPart}}));
        m_slaves.at(0x40)->SetRegister(0xFE, 0x54);
        CPartLibrary library;
        QVERIFY2(library.Load(dir.path()), qPrintable(library.GetLastError()));
        QCOMPARE(library.LoadErrors(),
                 loadError.isEmpty() ? QStringList() : QStringList{loadError});
        // A part whose declaration is doubtful stays a candidate: leaving it out would let the
        // byte through.
        QCOMPARE(library.Parts().size(), std::size_t(2));

        std::vector<STransactionRequest> requests;
        SPartMatch match;
        identify(library, 0x40, match, requests);
        QCOMPARE(match.notIdentified,
                 notIdentified.isEmpty() ? QStringList() : QStringList{notIdentified});
        QCOMPARE(Name(library, match.identified), notIdentified.isEmpty() ? u"Probe"_s : QString());
        QCOMPARE(requests.size(), std::size_t(notIdentified.isEmpty() ? 1 : 0));

        // Allowed for the address, the read goes out and names the part.
        identify(library, 0x40, match, requests, true);
        QCOMPARE(Name(library, match.identified), u"Probe"_s);
        QCOMPARE(requests.size(), std::size_t(1));
        QCOMPARE(requests.front().data, std::vector<unsigned char>{0xFE});
    }

    // Confirmed (8 compared bits or more), probable (fewer), likely (only the address fits)
    // and ruled out, as the grid, the report line and its JSON show them.
    void grades_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("grades"); // the JSON ranking, "name grade bits"

        QTest::newRow("confirmed")
            << 0x30 << u"0x30\nStrong"_s
            << u"Identified: Strong\n2 candidates, ranked:\n  Strong: confirmed (8 bits "
               u"compared)\n  Plain: likely"_s
            << u"Strong (identified, confirmed); Plain (likely); 2 candidates"_s
            << QStringList{u"Strong confirmed 8"_s, u"Plain likely 0"_s};
        QTest::newRow("probable")
            << 0x31 << u"0x31\nWeak?"_s
            << u"2 candidates, ranked:\n  Weak: probable (4 bits compared)\n  Plain: likely"_s
            << u"Weak (probable); Plain (likely); 2 candidates"_s
            << QStringList{u"Weak probable 4"_s, u"Plain likely 0"_s};
        QTest::newRow("likely, the other ruled out")
            << 0x32 << u"0x32\n2 candidates"_s
            << u"2 candidates, ranked:\n  Plain: likely\n  Strong: ruled out"_s
            << u"Plain (likely); 2 candidates"_s
            << QStringList{u"Plain likely 0"_s, u"Strong ruled out 0"_s};
        QTest::newRow("likely, the rule left unread")
            << 0x40 << u"0x40\n2 candidates"_s
            << u"2 candidates, ranked:\n  Cmd: likely\n  Strong: likely\nnot identified: "
               u"Identify would send 0x0F, a reset command of Cmd"_s
            << u"Cmd, Strong (likely); 2 candidates; not identified: Identify would send 0x0F, "
               u"a reset command of Cmd"_s
            << QStringList{u"Cmd likely 0"_s, u"Strong likely 0"_s};
    }

    void grades()
    {
        QFETCH(int, address);
        QFETCH(QString, cell);
        QFETCH(QString, toolTip);
        QFETCH(QString, line);
        QFETCH(QStringList, grades);
        QTemporaryDir dir;
        QVERIFY(WriteLibrary(
            dir,
            {{u"strong"_s,
              RulePart(u"Strong"_s, u"\"0x30\", \"0x32\", \"0x40\""_s, u"0x0F"_s, u"0x5A"_s)},
             {u"weak"_s, RulePart(u"Weak"_s, u"\"0x31\""_s, u"0x0E"_s, u"0x05"_s, u"0x0F"_s)},
             {u"plain"_s, PlainPart(u"Plain"_s, u"\"0x30\", \"0x31\", \"0x32\""_s)},
             {u"cmd"_s,
              CommandPart(
                  u"Cmd"_s, u"\"0x40\""_s, u"0F"_s,
                  u"{ \"kind\": \"command\", \"acts\": { \"0F\": \"a reset command\" } }"_s)}}));
        m_slaves.at(0x30)->SetRegister(0x0F, 0x5A);
        m_slaves.at(0x31)->SetRegister(0x0E, 0xA5); // upper bits differ
        m_slaves.at(0x32)->SetRegister(0x0F, 0x5B);
        m_slaves.at(0x40)->SetRegister(0x0F, 0x5A);
        CPartLibrary library;
        QVERIFY2(library.Load(dir.path()), qPrintable(library.GetLastError()));
        QCOMPARE(library.LoadErrors(), QStringList());

        SPartMatch match;
        std::vector<STransactionRequest> requests;
        identify(library, std::uint8_t(address), match, requests);
        const std::vector<SScanCell> cells = ScanCells::Build(
            0x08, 0x77, {match}, library,
            [](std::uint8_t a) { return u"0x"_s + QString::number(a, 16).toUpper(); },
            [](std::uint8_t) { return std::nullopt; });
        QCOMPARE(cells.at(std::size_t(address)).text, cell);
        QCOMPARE(cells.at(std::size_t(address)).toolTip, toolTip);
        QCOMPARE(PartMatchReport::Line(library, match), line);
        const QJsonObject json = PartMatchReport::Fields(library, match);
        QStringList ranked;
        for (const QJsonValue &entry : json.value(u"ranking"_s).toArray())
            ranked.append(
                u"%1 %2 %3"_s.arg(entry[u"name"_s].toString(), entry[u"grade"_s].toString())
                    .arg(entry[u"comparedBits"_s].toInt()));
        QCOMPARE(ranked, grades);
        QCOMPARE(json.value(u"candidateCount"_s).toInt(), 2);
        QCOMPARE(json.value(u"identified"_s).toString(),
                 grades.front().endsWith(u"confirmed 8"_s) ? u"Strong"_s : QString());
    }
};

VTL_TEST_MAIN(TestPartIdentify)
#include "tst_partIdentify.moc"
