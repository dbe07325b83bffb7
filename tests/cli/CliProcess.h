// SPDX-License-Identifier: MIT
// vtl-i2c-cli-sim run as a process, as a script runs it: the helpers the program's tests share.
#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace CliProcess {

using namespace Qt::StringLiterals;

struct SCliRun
{
    int exitCode = -1; // also when it crashed or hung
    QString out;
    QString err;
};

// Arguments split at blanks, '_' standing for a blank inside one.
inline QStringList Words(const QString &line)
{
    QStringList words = line.split(u' ', Qt::SkipEmptyParts);
    for (QString &word : words)
        word.replace(u'_', u' ');
    return words;
}

// The program under test is VTL_CLI_SIM_PROGRAM, defined by the test's build.
// `bench` names the simulated adapters (single, preset, empty, denied); `state` is a folder
// that keeps the EEPROMs between runs; `variables` ("NAME=value") are set besides.
inline void StartCli(QProcess &process, const QString &bench, const QStringList &arguments,
                     const QString &state = {}, const QStringList &variables = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"VTL_CLI_SIM_BENCH"_s, bench);
    environment.remove(u"VTL_CLI_SIM_STATE"_s);
    environment.remove(u"VTL_ADAPTER"_s);
    if (!state.isEmpty())
        environment.insert(u"VTL_CLI_SIM_STATE"_s, state);
    for (const QString &variable : variables)
        environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VTL_CLI_SIM_PROGRAM), arguments);
}

inline SCliRun RunCli(const QString &bench, const QStringList &arguments, const QString &state = {},
                      const QByteArray &input = {})
{
    QProcess process;
    StartCli(process, bench, arguments, state);
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    const bool finished = process.waitForFinished(60000);
    if (!finished)
        process.kill();
    SCliRun run;
    if (finished && process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// One line of JSON as the program prints it.
inline QString Json(const char *text)
{
    return QString::fromUtf8(text) + u'\n';
}

inline QString Json(const QString &text)
{
    return text + u'\n';
}

inline bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace CliProcess
