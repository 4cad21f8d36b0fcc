#include "cli/StampCommand.h"

#include "cli/CommandLine.h"
#include "cli/OutputFolder.h"

#include "editing/DateStamp.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>

#include <cstdio>

namespace {

int stampUsageError(const CliStreams& streams, const QString& message) {
    std::fprintf(streams.err,
                 "tessaview-cli: %s\n\nUsage: tessaview-cli stamp [--corner "
                 "upper-left|upper-right|lower-left|lower-right]\n"
                 "         [--font NAME] [--size N] [--color #RRGGBB] [--dry-run] --out DIR "
                 "FILE...\n(tessaview-cli --help says more)\n",
                 qPrintable(message));
    return ExitUsage;
}

void printNote(const CliStreams& streams, const QString& path, const QString& text) {
    std::fprintf(streams.err, "%s: %s\n", QFile::encodeName(path).constData(),
                 text.toUtf8().constData());
}

QByteArray jsonText(const QString& text) {
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

// The window's settings, read as it reads them at launch, but never written:
// the colour is white, as at every launch.
StampStyle storedStyle() {
    QSettings store(QStringLiteral("Tessaview"), QStringLiteral("Tessaview"));
    StampStyle style;
    if (store.contains(QStringLiteral("fontName"))) {
        style.fontName = store.value(QStringLiteral("fontName")).toString();
        bool ok = false;
        const int size = store.value(QStringLiteral("fontsize")).toInt(&ok);
        style.fontSize = ok ? size : 14;
    }
    const StampCorner corner =
        stampCornerOfTitle(store.value(QStringLiteral("Postion")).toString());
    style.corner = corner == StampCorner::Other ? StampCorner::LowerLeft : corner;
    return style;
}

std::vector<SelectedPhoto> photosOf(const QStringList& files, const QString& storage) {
    QList<ListedPhoto> listed;
    QSet<int> every;
    for (const QString& file : files) {
        every.insert(int(listed.size()));
        listed.append({file, QFileInfo(file).fileName()});
    }
    return selectPhotos(SourceMode::Computer, listed, every, storage);
}

int printPlans(const std::vector<StampPlan>& plans, const CliStreams& streams) {
    int exitCode = ExitAllWritten;
    for (const StampPlan& plan : plans) {
        if (!plan.skipReason.isEmpty()) {
            printNote(streams, plan.inputPath, plan.skipReason);
            exitCode = ExitSomeSkipped;
            continue;
        }
        const QByteArray line = "{\"file\": " + jsonText(plan.inputPath) +
                                ", \"output\": " + jsonText(plan.target.path) + ", \"format\": " +
                                jsonText(QString::fromLatin1(plan.target.format)) +
                                ", \"text\": " + jsonText(plan.text) + "}\n";
        std::fwrite(line.constData(), 1, size_t(line.size()), streams.out);
    }
    return exitCode;
}

} // namespace

bool needsGuiApplication(const QStringList& arguments) {
    // Its usage is printed without drawing anything.
    const QStringList options = arguments.mid(0, arguments.indexOf(QStringLiteral("--")));
    return arguments.value(0) == QLatin1String("stamp") &&
           !options.contains(QStringLiteral("--help"));
}

int stampCommand(const QStringList& arguments, MetadataService& service,
                 const CliStreams& streams) {
    StampStyle style = storedStyle();
    QString outDir;
    bool dryRun = false;
    QStringList files;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--")) {
            files += arguments.mid(i + 1);
            break;
        }
        if (argument == QLatin1String("--dry-run")) {
            dryRun = true;
            continue;
        }
        static const QStringList valued = {QStringLiteral("--out"), QStringLiteral("--corner"),
                                           QStringLiteral("--font"), QStringLiteral("--size"),
                                           QStringLiteral("--color")};
        if (valued.contains(argument)) {
            if (i + 1 >= arguments.size())
                return stampUsageError(streams, QStringLiteral("%1 needs a value").arg(argument));
            const QString value = arguments[++i];
            if (argument == QLatin1String("--out")) {
                outDir = value;
            } else if (argument == QLatin1String("--corner")) {
                const auto corner = stampCornerOfName(value);
                if (!corner)
                    return stampUsageError(streams,
                                           QStringLiteral("--corner needs upper-left, upper-right, "
                                                          "lower-left or lower-right, not \"%1\"")
                                               .arg(value));
                style.corner = *corner;
            } else if (argument == QLatin1String("--font")) {
                if (value.trimmed().isEmpty())
                    return stampUsageError(streams, QStringLiteral("--font needs a name"));
                style.fontName = value;
            } else if (argument == QLatin1String("--size")) {
                bool ok = false;
                const int size = value.toInt(&ok);
                if (!ok || size < 1 || size > 10000)
                    return stampUsageError(
                        streams,
                        QStringLiteral("--size needs a whole number of points from 1 to 10000, "
                                       "not \"%1\"")
                            .arg(value));
                style.fontSize = size;
            } else {
                static const QRegularExpression hex(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
                if (!hex.match(value).hasMatch())
                    return stampUsageError(
                        streams, QStringLiteral("--color needs #RRGGBB, not \"%1\"").arg(value));
                style.color = QColor(value);
            }
            continue;
        }
        if (argument.startsWith(QLatin1String("--")))
            return stampUsageError(streams,
                                   QStringLiteral("stamp: unknown option %1").arg(argument));
        files << argument;
    }
    if (outDir.isEmpty())
        return stampUsageError(streams, QStringLiteral("stamp needs --out DIR"));
    if (files.isEmpty())
        return stampUsageError(streams, QStringLiteral("at least one FILE is needed"));
    const QString storage = QDir::cleanPath(QFileInfo(outDir).absoluteFilePath());
    const std::vector<SelectedPhoto> photos = photosOf(files, storage);
    if (dryRun)
        return printPlans(planDateStamp(photos, storage, service), streams);
    OutputFolder folder(storage);
    if (!folder.create()) {
        std::fprintf(streams.err, "tessaview-cli: cannot create %s\n",
                     QFile::encodeName(storage).constData());
        return ExitSomeSkipped;
    }
    const OperationReport report = runDateStamp(photos, storage, style, service);
    folder.removeIfEmpty();
    return reportOutcome(report, streams);
}
