#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

// One run of tessaview-cli: its exit code, standard output and error.
struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

inline CliRun cli(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(TV_CLI_BINARY), arguments);
    EXPECT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "the tool must never crash";
    return {process.exitCode(), process.readAllStandardOutput(),
            QString::fromUtf8(process.readAllStandardError())};
}
