#pragma once

#include <QProcess>

// A command's exit status (-1 when it did not run to its end) and its standard output.
struct ProgramOutput {
    int status = -1;
    QString text;
    bool ok() const { return status == 0; }
};

inline ProgramOutput runProgram(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.start(program, arguments);
    const bool ended =
        process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput())};
}
