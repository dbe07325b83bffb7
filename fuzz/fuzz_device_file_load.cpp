// SPDX-License-Identifier: MIT
#include "CI2cDeviceFile.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Loads arbitrary bytes as a device file. A file that loads must save and load again to the
// same model and the same text; a file that fails must say why and change nothing.

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void Fail(const char *what, const QString &detail = QString())
{
    std::fprintf(stderr, "fuzz_device_file_load: %s %s\n", what, detail.toUtf8().constData());
    std::abort();
}

bool SameModel(const CI2cDeviceFile &a, const CI2cDeviceFile &b)
{
    return a.GetName() == b.GetName() && a.GetAddress() == b.GetAddress() &&
           a.GetDescription() == b.GetDescription() && a.GetCommands() == b.GetCommands() &&
           a.GetRegisters() == b.GetRegisters();
}

CI2cDeviceFile Sentinel()
{
    CI2cDeviceFile file;
    file.SetName(u"sentinel"_s);
    file.SetAddress(0x42);
    file.SetDescription(u"unchanged by a failed load"_s);
    SI2cCommand command;
    command.label = u"keep"_s;
    command.data = {0xAA};
    file.AddCommand(command);
    return file;
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Fail("cannot read back", path);
    return file.readAll();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const QTemporaryDir dir;
    static const QString input = dir.filePath(u"input.i2cdev"_s);
    static const QString first = dir.filePath(u"first.i2cdev"_s);
    static const QString second = dir.filePath(u"second.i2cdev"_s);
    if (!dir.isValid())
        Fail("no temporary folder");
    {
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            Fail("cannot write the input file");
    }

    CI2cDeviceFile file = Sentinel();
    if (!file.Load(input)) {
        if (file.GetLastError().isEmpty())
            Fail("failed load without a message");
        if (!SameModel(file, Sentinel()))
            Fail("failed load changed the model", file.GetLastError());
        return 0;
    }
    if (!file.SaveAs(first))
        Fail("save failed", file.GetLastError());
    CI2cDeviceFile reloaded;
    if (!reloaded.Load(first))
        Fail("saved file does not load", reloaded.GetLastError());
    if (!SameModel(reloaded, file))
        Fail("saved file loads to another model");
    if (!reloaded.SaveAs(second))
        Fail("second save failed", reloaded.GetLastError());
    if (ReadAll(first) != ReadAll(second))
        Fail("saving the reloaded model gives another text");
    return 0;
}
