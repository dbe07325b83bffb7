// SPDX-License-Identifier: MIT
#pragma once

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

// Every test runs with a private home, configuration, data and documents folder, so
// settings, the projects folder and the trash never touch the real user's files.
// Call before the application object exists.
inline void vtlIsolateUserFolders(const QTemporaryDir &home)
{
    const QByteArray root = QDir(home.path()).absolutePath().toUtf8();
    const auto set = [&](const char *name, const char *sub) {
        QByteArray value = root;
        if (*sub != '\0')
            value += QByteArray("/") + sub;
        QDir().mkpath(QString::fromUtf8(value));
        qputenv(name, value);
    };
    set("HOME", "");
    set("XDG_CONFIG_HOME", ".config");
    set("XDG_DATA_HOME", ".local/share");
    set("XDG_CACHE_HOME", ".cache");
    set("XDG_RUNTIME_DIR", "runtime");
    QFile::setPermissions(QString::fromUtf8(root + "/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                              QFileDevice::ExeOwner);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
}

// Like QTEST_MAIN, with isolated user folders and the application's identity set, as
// the program sets it before any settings are opened.
#define VTL_TEST_MAIN(TestObject)                                                          \
    int main(int argc, char *argv[])                                                       \
    {                                                                                      \
        QTemporaryDir home;                                                                \
        if (!home.isValid())                                                               \
            return EXIT_FAILURE;                                                           \
        vtlIsolateUserFolders(home);                                                       \
        QApplication app(argc, argv);                                                      \
        QApplication::setOrganizationName(QStringLiteral("Brelmark"));                     \
        QApplication::setApplicationName(QStringLiteral("vtl_i2c"));                       \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                           \
        TestObject tc;                                                                     \
        QTEST_SET_MAIN_SOURCE_PATH                                                         \
        return QTest::qExec(&tc, argc, argv);                                              \
    }
