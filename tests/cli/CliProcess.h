// SPDX-License-Identifier: MIT
#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// One finished run of vtl-i2c-cli-sim.
struct SCliRun
{
    int exitCode = -1;
    bool crashed = false;
    QString out;
    QString err;

    // The single JSON object on stdout, or an empty one.
    QJsonObject Json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
};

// Starts the simulated program with a bench chosen by name ("single", "preset", ...) and,
// when given, a folder that keeps the EEPROMs between runs.
inline QProcess *StartCli(QProcess &process, const QStringList &arguments,
                          const QString &bench = QStringLiteral("single"),
                          const QString &stateFolder = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VTL_CLI_SIM_BENCH"), bench);
    environment.remove(QStringLiteral("VTL_CLI_SIM_STATE"));
    if (!stateFolder.isEmpty())
        environment.insert(QStringLiteral("VTL_CLI_SIM_STATE"), stateFolder);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VTL_CLI_SIM_PROGRAM), arguments);
    return &process;
}

inline SCliRun RunCli(const QStringList &arguments, const QString &bench = QStringLiteral("single"),
                      const QString &stateFolder = {})
{
    QProcess process;
    StartCli(process, arguments, bench, stateFolder);
    SCliRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        run.crashed = true;
    }
    run.crashed = run.crashed || process.exitStatus() != QProcess::NormalExit;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
