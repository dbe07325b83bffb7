// SPDX-License-Identifier: MIT
#pragma once

#include "CSimBus.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <hidapi.h>
#include <string>

// A 64-byte report: the bytes given in hex ("02 C1 A0"), then zeros.
inline QByteArray Report(const char *hex)
{
    QByteArray report = QByteArray::fromHex(hex);
    report.resize(64, '\0');
    return report;
}

// The bytes given in hex, not padded.
inline QByteArray Hex(const char *hex)
{
    return QByteArray::fromHex(hex);
}

// One device opened through the plain hidapi functions, as a host program would.
class CRawHid
{
public:
    explicit CRawHid(const std::string &path)
        : m_device(hid_open_path(path.c_str()))
    {}
    ~CRawHid() { hid_close(m_device); }
    CRawHid(const CRawHid &) = delete;
    CRawHid &operator=(const CRawHid &) = delete;

    bool IsOpen() const { return m_device != nullptr; }
    hid_device *Get() const { return m_device; }

    int Write(const QByteArray &report)
    {
        return hid_write(m_device, reinterpret_cast<const unsigned char *>(report.constData()),
                         static_cast<size_t>(report.size()));
    }

    // The next input report, or an empty array when none came in time (or on an error,
    // which LastResult() then tells).
    QByteArray Read(int timeoutMs = 0, int length = 64)
    {
        QByteArray buffer(length, '\0');
        m_lastResult = hid_read_timeout(m_device, reinterpret_cast<unsigned char *>(buffer.data()),
                                        static_cast<size_t>(length), timeoutMs);
        buffer.resize(m_lastResult > 0 ? m_lastResult : 0);
        return buffer;
    }

    // Every input report that is readable now.
    QList<QByteArray> ReadAll()
    {
        QList<QByteArray> reports;
        for (QByteArray report = Read(); !report.isEmpty(); report = Read())
            reports.append(report);
        return reports;
    }

    int LastResult() const { return m_lastResult; }
    QString Error() const { return QString::fromWCharArray(hid_error(m_device)); }

private:
    hid_device *m_device;
    int m_lastResult = 0;
};

inline QString GlobalHidError()
{
    return QString::fromWCharArray(hid_error(nullptr));
}

inline QByteArray ToByteArray(const std::vector<unsigned char> &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

inline std::vector<unsigned char> ToBytes(const QByteArray &bytes)
{
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}
