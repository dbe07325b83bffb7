// SPDX-License-Identifier: MIT
// The demo program as it starts: its window says that it runs on simulated adapters,
// and a first start puts the bench EEPROM's device file beside the light sensor's. Runs
// qMain itself, with a check scheduled from the application's start-up.
#include "CI2cDeviceFile.h"
#include "CProjectsPanel.h"
#include "DemoSetup.h"
#include "qmain.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QMainWindow>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

QStringList s_failures;

void Expect(bool condition, const QString &what)
{
    if (!condition)
        s_failures << what;
}

void CheckRunningDemo()
{
    QMainWindow *window = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *main = qobject_cast<QMainWindow *>(widget))
            window = main;
    }
    Expect(window != nullptr, QStringLiteral("no main window"));
    if (window != nullptr) {
        Expect(window->windowTitle() == QStringLiteral("Vantrel I2C Tool (simulated adapters)"),
               QStringLiteral("title: ") + window->windowTitle());
    }
    const QDir folder(CProjectsPanel::DefaultFolder());
    Expect(folder.entryList({QStringLiteral("*.i2cdev")}, QDir::Files, QDir::Name) ==
               QStringList({QStringLiteral("bench-eeprom.i2cdev"),
                            QStringLiteral("bench-power-monitor.i2cdev"),
                            QStringLiteral("bench-temperature.i2cdev"),
                            QStringLiteral("bh1750.i2cdev")}),
           QStringLiteral("example files: ") + folder.entryList(QDir::Files).join(u' '));
    CI2cDeviceFile eeprom;
    Expect(eeprom.Load(folder.filePath(QStringLiteral("bench-eeprom.i2cdev"))),
           QStringLiteral("bench EEPROM file: ") + eeprom.GetLastError());
    Expect(eeprom.GetAddress() == 0x50, QStringLiteral("bench EEPROM address"));
    bool writeRead = false;
    for (const SI2cCommand &command : eeprom.GetCommands())
        writeRead = writeRead || (command.type == EI2cCommandType::WriteRead &&
                                  command.label == QStringLiteral("Read 16 From 0x00"));
    Expect(writeRead, QStringLiteral("no write/read command in the bench EEPROM file"));
    for (const QString &name : {QStringLiteral("bench-temperature.i2cdev"),
                                QStringLiteral("bench-power-monitor.i2cdev")}) {
        CI2cDeviceFile file;
        Expect(file.Load(folder.filePath(name)) && file.GetRegisters() &&
                   !file.GetRegisters()->registers.isEmpty(),
               name + QStringLiteral(": no register map ") + file.GetLastError());
    }
    QCoreApplication::exit(s_failures.isEmpty() ? 0 : 1);
}

void ScheduleCheck()
{
    QTimer::singleShot(0, qApp, CheckRunningDemo);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(ScheduleCheck)

int main(int argc, char **argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return EXIT_FAILURE;
    const QByteArray root = home.path().toUtf8();
    qputenv("HOME", root);
    qputenv("XDG_CONFIG_HOME", root + "/.config");
    qputenv("XDG_DATA_HOME", root + "/.local/share");
    qputenv("XDG_RUNTIME_DIR", root);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);

    PrepareDemo();
    const int result = qMain(argc, argv, DEMO_TITLE_SUFFIX);
    for (const QString &failure : s_failures)
        std::fprintf(stderr, "FAIL: %s\n", qPrintable(failure));
    if (result == 0)
        std::fprintf(stdout, "demo start-up checked\n");
    return result;
}
