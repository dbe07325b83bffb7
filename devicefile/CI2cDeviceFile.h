// SPDX-License-Identifier: MIT
#pragma once

#include "EFailureKind.h"
#include "SFirstByte.h"
#include "SI2cCommand.h"
#include "SIdentifyRule.h"
#include "SRegisterMap.h"

#include <QList>
#include <QString>

#include <optional>
#include <vector>

// One device file in memory: an I2C slave's name, 7-bit address, description and its
// ordered list of commands, read from and written to a JSON text file.
class CI2cDeviceFile
{
public:
    // File name suffix of device files, without the dot.
    static const QString FILE_SUFFIX;

    QString GetFilePath() const { return m_filePath; }
    QString GetLastError() const { return m_lastError; }
    // FileIo when the file could not be read or written, InvalidArgument when its text is
    // not a device file this program takes.
    EFailureKind GetLastErrorKind() const { return m_lastErrorKind; }

    QString GetName() const { return m_name; }
    void SetName(const QString &name) { m_name = name; }

    unsigned char GetAddress() const { return m_address; }
    void SetAddress(unsigned char address) { m_address = address; }

    QString GetDescription() const { return m_description; }
    void SetDescription(const QString &description) { m_description = description; }

    // Every address the part can take (a library part's file); empty when not listed.
    const std::vector<unsigned char> &GetAddresses() const { return m_addresses; }
    void SetAddresses(std::vector<unsigned char> addresses) { m_addresses = std::move(addresses); }

    // What the file declares the part does with the first byte written to it; none when it
    // declares nothing.
    const std::optional<SFirstByte> &GetFirstByte() const { return m_firstByte; }
    void SetFirstByte(std::optional<SFirstByte> firstByte) { m_firstByte = std::move(firstByte); }
    // The declaration, else what is safe to assume: a part with a register map takes a
    // pointer, one without may act on any byte.
    SFirstByte EffectiveFirstByte() const;

    const QList<SI2cCommand> &GetCommands() const { return m_commands; }

    // The device's register map; none when the file holds no "registers" object.
    const std::optional<SRegisterMap> &GetRegisters() const { return m_registers; }
    void SetRegisters(std::optional<SRegisterMap> registers) { m_registers = std::move(registers); }

    // How the part is told from others by its ID registers; empty when it cannot be.
    const std::vector<SIdentifyRule> &GetIdentify() const { return m_identify; }
    void SetIdentify(std::vector<SIdentifyRule> rules) { m_identify = std::move(rules); }

    void AddCommand(const SI2cCommand &command);
    void RemoveCommand(int index);
    void RenameCommand(int index, const QString &label);
    // Puts `command` in the place of the one at `index`; an index outside the list does
    // nothing.
    void ReplaceCommand(int index, const SI2cCommand &command);
    bool MoveCommand(int index, int delta);
    bool HasCommandLabel(const QString &label, int exceptIndex) const;

    // Whether Load would accept the command's fields for its type: a read count of 1 to
    // 65535, a write mode of the four, a write/read with at least one byte and a count.
    static bool IsValidCommand(const SI2cCommand &command);

    // The bytes as NumberText::ParseBytes reads them back: "00 0A FF".
    static QString BytesToHex(const std::vector<unsigned char> &bytes);

    bool Load(const QString &path);
    // A device file's text that came from elsewhere (standard input); the path stays empty.
    bool LoadText(const QByteArray &bytes);
    bool Save() const;
    bool SaveAs(const QString &path);

private:
    QString m_filePath;
    mutable QString m_lastError;
    mutable EFailureKind m_lastErrorKind = EFailureKind::None;
    QString m_name;
    unsigned char m_address = 0;
    QString m_description;
    QList<SI2cCommand> m_commands;
    std::optional<SRegisterMap> m_registers;
    std::vector<unsigned char> m_addresses;
    std::vector<SIdentifyRule> m_identify;
    std::optional<SFirstByte> m_firstByte;
};
