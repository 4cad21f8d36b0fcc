#pragma once

#include "metadata/RewriteRequest.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// What a command did, for the window to reveal and report and for the CLI to print.
struct OperationReport {
    struct Skipped {
        QString path;
        QString reason;
    };
    QStringList written; // in visiting order
    QList<Skipped> skipped;
    QList<Skipped> repaired; // written, with what was dropped from a damaged block
    int notRun = 0;          // photos a cancel left alone

    static OperationReport from(const std::vector<PhotoOutcome>& outcomes) {
        OperationReport report;
        for (const PhotoOutcome& outcome : outcomes) {
            if (outcome.written()) {
                report.written << outcome.outputPath;
                for (const QString& note : outcome.notes)
                    report.repaired.append({outcome.inputPath, note});
            } else if (outcome.skipped())
                report.skipped.append({outcome.inputPath, outcome.reason});
            else
                ++report.notRun;
        }
        return report;
    }
};
