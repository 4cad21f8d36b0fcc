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
    struct Renamed {
        QString path;       // the photo
        QString outputPath; // the name it was written under instead of its own
    };
    QStringList written;    // in visiting order, under another name too
    QList<Renamed> renamed; // the written photos whose output is not their own name
    QList<Skipped> skipped;
    QList<Skipped> repaired; // written, with what was dropped from a damaged block
    QList<Skipped> remarked; // written, with what was done in place of what was asked
    int notRun = 0;          // photos a cancel left alone

    static OperationReport from(const std::vector<PhotoOutcome>& outcomes) {
        OperationReport report;
        for (const PhotoOutcome& outcome : outcomes) {
            if (outcome.written()) {
                report.written << outcome.outputPath;
                if (outcome.renamed)
                    report.renamed.append({outcome.inputPath, outcome.outputPath});
                for (const QString& note : outcome.notes)
                    report.repaired.append({outcome.inputPath, note});
                if (!outcome.remark.isEmpty())
                    report.remarked.append({outcome.inputPath, outcome.remark});
            } else if (outcome.skipped())
                report.skipped.append({outcome.inputPath, outcome.reason});
            else
                ++report.notRun;
        }
        return report;
    }

    // Every photo of the batch is one of these.
    qsizetype photoCount() const { return written.size() + skipped.size() + notRun; }
};
