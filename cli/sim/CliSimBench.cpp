// SPDX-License-Identifier: MIT
#include "CliSimBench.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// The EEPROMs of the bench with the file each one's contents live in.
std::vector<std::pair<QString, std::shared_ptr<CSimEeprom>>> Eeproms(const SSimPresetBench &bench)
{
    std::vector<std::pair<QString, std::shared_ptr<CSimEeprom>>> eeproms;
    const auto add = [&](const QString &name, const std::shared_ptr<CSimEeprom> &eeprom) {
        if (eeprom)
            eeproms.emplace_back(name, eeprom);
    };
    if (bench.adapterA && bench.adapterA->IsPlugged()) {
        add(u"SIM-A-0001-50.bin"_s, bench.eepromA);
        add(u"SIM-A-0001-51.bin"_s, bench.largeEepromA);
    }
    if (bench.adapterB && bench.adapterB->IsPlugged()) {
        add(u"SIM-B-0002-50.bin"_s, bench.eepromB);
        add(u"SIM-B-0002-53.bin"_s, bench.halvesEepromB);
    }
    if (bench.adapterC && bench.adapterC->IsPlugged())
        add(u"SIM-C-0003-50.bin"_s, bench.eepromC);
    return eeproms;
}

} // namespace

bool CCliSimBench::Attach(QString &error)
{
    const QByteArray choice = qgetenv(BENCH_VARIABLE);
    const bool preset = choice.isEmpty() || choice == "preset";
    const bool single = choice == "single" || choice == "denied";
    if (!preset && !single && choice != "empty") {
        error = u"%1=%2 is none of preset, single, empty, denied"_s.arg(
            QString::fromLatin1(BENCH_VARIABLE), QString::fromLocal8Bit(choice));
        return false;
    }
    if (preset || single) {
        SSimPresetOptions options;
        options.busTiming = true;
        options.largeEeprom = true;
        if (qgetenv(LATENCY_VARIABLE) == "none") {
            options.framePeriod = std::chrono::nanoseconds(0);
            options.busTiming = false;
        }
        m_bench = CSimPresetBench::Attach(options);
        if (single) {
            m_bench.adapterB->Detach();
            m_bench.adapterC->Detach();
            m_bench.adapterB.reset();
            m_bench.adapterC.reset();
        }
        if (choice == "denied")
            m_bench.adapterA->SetOpenDenied(true);
    }

    m_stateFolder = qEnvironmentVariable(STATE_VARIABLE);
    if (m_stateFolder.isEmpty())
        return true;
    if (!QDir().mkpath(m_stateFolder)) {
        error = u"%1: the folder %2 cannot be made"_s.arg(QString::fromLatin1(STATE_VARIABLE),
                                                          m_stateFolder);
        return false;
    }
    for (const auto &[name, eeprom] : Eeproms(m_bench)) {
        QFile file(QDir(m_stateFolder).filePath(name));
        if (!file.exists())
            continue;
        if (!file.open(QIODevice::ReadOnly)) {
            error = u"%1: %2"_s.arg(file.fileName(), file.errorString());
            return false;
        }
        const QByteArray bytes = file.readAll();
        eeprom->SetContents(0, std::vector<unsigned char>(bytes.begin(), bytes.end()));
    }
    return true;
}

bool CCliSimBench::Save(QString &error) const
{
    if (m_stateFolder.isEmpty())
        return true;
    for (const auto &[name, eeprom] : Eeproms(m_bench)) {
        const std::vector<unsigned char> contents = eeprom->GetContents();
        QSaveFile file(QDir(m_stateFolder).filePath(name));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(reinterpret_cast<const char *>(contents.data()), qint64(contents.size())) !=
                qint64(contents.size()) ||
            !file.commit()) {
            error = u"%1: %2"_s.arg(file.fileName(), file.errorString());
            return false;
        }
    }
    return true;
}

QString CCliSimBench::HelpEpilog()
{
    return u"This program runs on simulated adapters with 1 ms USB frames and bus time at the\n"
           u"chosen speed. A (SIM-A-0001): light sensor 0x23, power monitor 0x40,\n"
           u"temperature sensor 0x48, 256-byte EEPROM 0x50 (8-byte pages), 32 KiB EEPROM\n"
           u"0x51 (24x256: 64-byte pages, 5 ms write cycle). B (SIM-B-0002): light sensor\n"
           u"0x23, 256-byte EEPROM 0x50, 128 KiB EEPROM 0x53 (24x1025: upper half at 0x57).\n"
           u"C (SIM-C-0003): 2 KiB EEPROM 0x50 (24x16: blocks at 0x50 to 0x57), temperature\n"
           u"sensor 0x48.\n"
           u"\n"
           u"Environment (build tree only):\n"
           u"  VTL_CLI_SIM_BENCH=preset   adapters A, B and C (the default)\n"
           u"  VTL_CLI_SIM_BENCH=single   adapter A alone\n"
           u"  VTL_CLI_SIM_BENCH=empty    no adapter\n"
           u"  VTL_CLI_SIM_BENCH=denied   adapter A alone, without permission to open it\n"
           u"  VTL_CLI_SIM_STATE=FOLDER   keep the EEPROMs' contents in FOLDER between runs\n"
           u"  VTL_CLI_SIM_LATENCY=none   no USB frames and no bus time: replies come at once"_s;
}
