// SPDX-License-Identifier: MIT
#include "CPartLibrary.h"

#include "DeviceFolder.h"
#include "NumberText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

using namespace Qt::StringLiterals;

const QString CPartLibrary::BUILT_IN_FOLDER = u":/parts"_s;

namespace {

const QString KINDS_FILE = u"kinds.json"_s;
const QString INSTALLED_FOLDER = u"../share/vtl-i2c/parts"_s;

// File base name -> kind.
QHash<QString, QString> ReadKinds(const QDir &folder)
{
    QHash<QString, QString> kinds;
    QFile file(folder.filePath(KINDS_FILE));
    if (!file.open(QIODevice::ReadOnly))
        return kinds;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        for (const QJsonValue &name : it.value().toArray())
            kinds.insert(name.toString(), it.key());
    }
    return kinds;
}

QString HexByte(unsigned byte)
{
    return NumberText::Hex(byte, 2);
}

} // namespace

std::vector<unsigned char> SLibraryPart::Addresses() const
{
    if (!file.GetAddresses().empty())
        return file.GetAddresses();
    return {file.GetAddress()};
}

SFirstByte SLibraryPart::FirstByte() const
{
    if (!firstByteDoubtful)
        return file.EffectiveFirstByte();
    SFirstByte any;
    any.kind = SFirstByte::EKind::Configuration;
    any.meaning = u"a byte it may act on"_s;
    return any;
}

QString CPartLibrary::DefaultFolder()
{
    const QDir installed(QDir(QCoreApplication::applicationDirPath()).filePath(INSTALLED_FOLDER));
    if (installed.exists())
        return installed.absolutePath();
    return BUILT_IN_FOLDER;
}

bool CPartLibrary::Load(const QString &folder)
{
    m_folder = folder;
    m_parts.clear();
    m_loadErrors.clear();
    const QDir dir(folder);
    const QHash<QString, QString> kinds = ReadKinds(dir);
    SDeviceFolder loaded = SDeviceFolder::Load(folder);
    for (const SRefusedDeviceFile &refused : std::as_const(loaded.refused))
        m_loadErrors.append(u"%1: %2"_s.arg(QFileInfo(refused.path).fileName(), refused.reason));
    m_parts.reserve(std::size_t(loaded.devices.size()));
    for (CI2cDeviceFile &file : loaded.devices) {
        SLibraryPart part;
        part.path = file.GetFilePath();
        part.kind = kinds.value(QFileInfo(part.path).completeBaseName());
        part.file = std::move(file);
        m_parts.push_back(std::move(part));
    }
    CheckFirstBytes();
    if (m_parts.empty()) {
        m_lastError = u"No part files in %1"_s.arg(QDir::toNativeSeparators(folder));
        return false;
    }
    return true;
}

void CPartLibrary::CheckFirstBytes()
{
    for (SLibraryPart &part : m_parts) {
        const CI2cDeviceFile &file = part.file;
        const QString name = QFileInfo(part.path).fileName();
        const std::optional<SFirstByte> &declared = file.GetFirstByte();
        // With a register map, stored commands begin with a register address; the acts list
        // then names only the bytes that do more than point.
        if (declared && declared->kind == SFirstByte::EKind::Command && !file.GetRegisters()) {
            for (const SI2cCommand &command : file.GetCommands()) {
                const bool sends = command.type == EI2cCommandType::Write ||
                                   command.type == EI2cCommandType::WriteRead;
                if (!sends || command.data.empty() || declared->acts.count(command.data.front()))
                    continue;
                m_loadErrors.append(
                    u"%1: command \"%2\" begins with %3, which \"firstByte\" does not list "
                    u"in \"acts\""_s.arg(name, command.label, HexByte(command.data.front())));
                part.firstByteDoubtful = true;
            }
        }
        if (declared || file.GetRegisters() || file.GetCommands().isEmpty())
            continue;
        // A command part nobody thought about is only a problem where a rule reads.
        QStringList ruled;
        QStringList shared;
        for (const unsigned char address : part.Addresses()) {
            for (const SLibraryPart &other : m_parts) {
                const std::vector<unsigned char> others = other.Addresses();
                if (&other == &part || !other.CanIdentify() ||
                    std::find(others.begin(), others.end(), address) == others.end())
                    continue;
                if (!ruled.contains(other.file.GetName()))
                    ruled.append(other.file.GetName());
                if (!shared.contains(HexByte(address)))
                    shared.append(HexByte(address));
            }
        }
        if (ruled.isEmpty())
            continue;
        m_loadErrors.append(u"%1: stores commands and shares %2 with the identification rules of "
                            u"%3, but declares no \"firstByte\""_s.arg(name, shared.join(u", "_s),
                                                                       ruled.join(u", "_s)));
        part.firstByteDoubtful = true;
    }
}

std::vector<int> CPartLibrary::Candidates(std::uint8_t address) const
{
    std::vector<int> found;
    for (int i = 0; i < int(m_parts.size()); ++i) {
        const std::vector<unsigned char> addresses = m_parts[std::size_t(i)].Addresses();
        if (std::find(addresses.begin(), addresses.end(), address) != addresses.end())
            found.push_back(i);
    }
    std::stable_partition(found.begin(), found.end(),
                          [this](int i) { return m_parts[std::size_t(i)].CanIdentify(); });
    return found;
}

int CPartLibrary::Find(const QString &name) const
{
    const QString wanted = name.trimmed();
    for (int i = 0; i < int(m_parts.size()); ++i) {
        const SLibraryPart &part = m_parts[std::size_t(i)];
        if (part.file.GetName().compare(wanted, Qt::CaseInsensitive) == 0 ||
            QFileInfo(part.path).completeBaseName().compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

std::vector<int> CPartLibrary::Search(const QString &text) const
{
    const QString wanted = text.trimmed();
    std::vector<int> found;
    for (int i = 0; i < int(m_parts.size()); ++i) {
        const SLibraryPart &part = m_parts[std::size_t(i)];
        if (part.file.GetName().contains(wanted, Qt::CaseInsensitive) ||
            part.kind.contains(wanted, Qt::CaseInsensitive) ||
            part.file.GetDescription().contains(wanted, Qt::CaseInsensitive))
            found.push_back(i);
    }
    return found;
}
