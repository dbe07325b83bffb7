// SPDX-License-Identifier: MIT
#pragma once

#include "CI2cDeviceFile.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// One part of the library: its device file, where it was read from and what kind of part
// it is ("temperature", "EEPROM", ...).
struct SLibraryPart
{
    QString path;
    QString kind;
    CI2cDeviceFile file;

    // The addresses the part can take; its default one when the file lists none.
    std::vector<unsigned char> Addresses() const;
    bool CanIdentify() const { return !file.GetIdentify().empty(); }
    // What identification assumes the part does with a first byte: its declaration, or any
    // byte when the declaration is missing where it matters or incomplete.
    SFirstByte FirstByte() const;

    // Set by the library's check when the file's declaration cannot be relied on.
    bool firstByteDoubtful = false;
};

// The device files of common parts that ship with the program: every file of one folder,
// sorted by part name, with the kinds that the folder's kinds.json assigns to them.
class CPartLibrary
{
public:
    // Where the program looks for its library: the installed data folder beside the
    // program (<prefix>/share/vtl-i2c/parts, which the build tree mirrors), else the copy
    // built into the program.
    static QString DefaultFolder();
    static const QString BUILT_IN_FOLDER;

    // Reads the folder; a file that does not load is left out and named in LoadErrors.
    // False when the folder holds no part at all. A part without a map whose stored commands
    // identification could set off is named in LoadErrors too, but kept and assumed to act
    // on every byte: when it declares no "firstByte" while sharing an address with another
    // part's identification rules, or when a stored command begins with a byte that its
    // "acts" list leaves out.
    bool Load(const QString &folder);
    bool LoadDefault() { return Load(DefaultFolder()); }

    QString GetLastError() const { return m_lastError; }
    QString GetFolder() const { return m_folder; }
    const QStringList &LoadErrors() const { return m_loadErrors; }

    const std::vector<SLibraryPart> &Parts() const { return m_parts; }
    // The parts that can sit at `address`: those with identification rules first, each
    // group in name order.
    std::vector<int> Candidates(std::uint8_t address) const;
    // The part of that name or file name (without ".i2cdev"), letter case aside; -1 if none.
    int Find(const QString &name) const;
    // The parts whose name, kind or description holds `text` (all for an empty text).
    std::vector<int> Search(const QString &text) const;

private:
    void CheckFirstBytes();

    QString m_folder;
    QString m_lastError;
    QStringList m_loadErrors;
    std::vector<SLibraryPart> m_parts;
};
