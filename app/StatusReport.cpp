#include "app/StatusReport.h"

#include <QCoreApplication>
#include <QDir>

namespace {

QString count(int n, const char* one, const char* many) {
    return QCoreApplication::translate("StatusReport", n == 1 ? one : many).arg(n);
}

} // namespace

QString homeAbbreviated(const QString& path) {
    const QString home = QDir::homePath();
    if (path == home)
        return QStringLiteral("~");
    if (path.startsWith(home + QLatin1Char('/')))
        return QStringLiteral("~") + path.mid(home.size());
    return path;
}

QString reportStatusText(const OperationReport& report, const QString& folder) {
    QStringList written = report.written;
    written.removeDuplicates();
    QString text =
        written.isEmpty()
            ? QCoreApplication::translate("StatusReport", "No photos written")
            : count(int(written.size()), "%1 photo written to %2", "%1 photos written to %2")
                  .arg(homeAbbreviated(folder));
    if (!report.skipped.isEmpty())
        text +=
            QStringLiteral(", ") + count(int(report.skipped.size()), "%1 skipped", "%1 skipped");
    if (!report.repaired.isEmpty())
        text += QStringLiteral(", ") + count(int(report.repaired.size()),
                                             "%1 with damaged metadata left out",
                                             "%1 with damaged metadata left out");
    if (report.notRun > 0)
        text += QStringLiteral(", ") + count(report.notRun, "%1 left as it was (cancelled)",
                                             "%1 left as they were (cancelled)");
    return text;
}
