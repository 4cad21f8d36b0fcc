#include "TestPhotos.h"

#include "metadata/WorkerMetadataClient.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

#include <gtest/gtest.h>

TestFolder::TestFolder() {
    EXPECT_TRUE(m_dir.isValid());
}

QString fixturePath(const QString& name) {
    return QStringLiteral(TV_TEST_PHOTOS "/") + name;
}

QStringList stillPhotoFixtures() {
    return QDir(QStringLiteral(TV_TEST_PHOTOS))
        .entryList({QStringLiteral("*.jpg"), QStringLiteral("*.tiff"), QStringLiteral("*.HEIC"),
                    QStringLiteral("*.png"), QStringLiteral("*.webp")},
                   QDir::Files);
}

QString sharedPhoto(const QString& name) {
    const QString path = QStringLiteral(TV_SHARED_PHOTOS "/") + name;
    return QFileInfo::exists(path) ? path : QString();
}

QString builtRawPhoto(const TestFolder& folder, const QString& kind, const QString& jpeg) {
    const QString path = folder.file(QStringLiteral("built.") + kind);
    int exitCode = -1;
    runTool(QStringLiteral("python3"),
            {QStringLiteral(TV_RAW_FIXTURE_SCRIPT), kind, fixturePath(jpeg), path}, &exitCode);
    EXPECT_EQ(exitCode, 0) << qPrintable(kind);
    return path;
}

QStringList libraryOnlyPhotos(const TestFolder& folder, QStringList* skipped) {
    QStringList photos;
    for (const char* name : {"raw/Canon-R6-pruned.CR3", "raw/exiv2-canon-powershot-s40.crw",
                             "raw/exiv2-photoshop.psd"}) {
        const QString path = sharedPhoto(QLatin1String(name));
        if (path.isEmpty())
            *skipped << QLatin1String(name);
        else
            photos << path;
    }
    for (const char* kind : {"raf", "rw2", "mrw"})
        photos << builtRawPhoto(folder, QLatin1String(kind));
    return photos;
}

QString TestFolder::copyPhoto(const QString& fixture, const QString& as) const {
    const QString target = file(as.isEmpty() ? QFileInfo(fixture).fileName() : as);
    QFile::remove(target);
    EXPECT_TRUE(QFile::copy(fixturePath(fixture), target)) << qPrintable(fixture);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                      QFile::ReadOther);
    return target;
}

QString TestFolder::writeFile(const QString& name, const QByteArray& bytes) const {
    QFile out(file(name));
    EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(bytes);
    return out.fileName();
}

QByteArray fileBytes(const QString& path) {
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    return in.readAll();
}

QString runTool(const QString& program, const QStringList& arguments, int* exitCode) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    if (exitCode)
        *exitCode = process.exitCode();
    return QString::fromUtf8(process.readAllStandardOutput());
}

QList<QJsonObject> exiftoolRead(const QStringList& files) {
    const QString json = runTool(QStringLiteral("exiftool"),
                                 QStringList{QStringLiteral("-j"), QStringLiteral("-G1"),
                                             QStringLiteral("-a"), QStringLiteral("-n")} +
                                     files);
    QList<QJsonObject> result;
    for (const QJsonValue& value : QJsonDocument::fromJson(json.toUtf8()).array())
        result << value.toObject();
    return result;
}

QJsonObject exiftoolRead(const QString& file) {
    const auto all = exiftoolRead(QStringList{file});
    return all.isEmpty() ? QJsonObject() : all.first();
}

QJsonObject withoutVolatileTags(QJsonObject tags) {
    for (const QString& key : tags.keys()) {
        if (key.startsWith(QLatin1String("System:")) || key.startsWith(QLatin1String("File:")) ||
            key.startsWith(QLatin1String("ExifTool:")) ||
            key.startsWith(QLatin1String("Composite:")) || key == QLatin1String("SourceFile") ||
            key.endsWith(QLatin1String("ThumbnailOffset")) ||
            key.endsWith(QLatin1String("PreviewImageStart")) ||
            key.endsWith(QLatin1String("StripOffsets")))
            tags.remove(key);
    }
    return tags;
}

// Without the line that counts them.
QList<QStringList> validationWarnings(const QStringList& files) {
    const QString text =
        runTool(QStringLiteral("exiftool"),
                QStringList{QStringLiteral("-validate"), QStringLiteral("-warning"),
                            QStringLiteral("-a"), QStringLiteral("-s")} +
                    files);
    QList<QStringList> warnings;
    if (files.size() == 1)
        warnings.append(QStringList());
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1String("========")))
            warnings.append(QStringList());
        else if (line.startsWith(QLatin1String("Warning")) && !warnings.isEmpty())
            warnings.last() << line.section(QLatin1Char(':'), 1).trimmed();
    }
    return warnings;
}

QString exiv2Value(const QString& file, const QString& key) {
    return runTool(QStringLiteral("exiv2"),
                   {QStringLiteral("-q"), QStringLiteral("-Pv"), QStringLiteral("-K"), key, file})
        .trimmed();
}

QByteArray jpegImageData(const QByteArray& jpeg) {
    QByteArray data;
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && quint8(jpeg[at]) == 0xFF) {
        const quint8 marker = quint8(jpeg[at + 1]);
        const qsizetype length = (quint8(jpeg[at + 2]) << 8) | quint8(jpeg[at + 3]);
        const bool metadata = (marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE;
        if (marker == 0xDA)
            return data + jpeg.mid(at);
        if (!metadata)
            data += jpeg.mid(at, length + 2);
        at += length + 2;
    }
    return data;
}

QStringList pixelSignatures(const QString& file) {
    return runTool(QStringLiteral("identify"),
                   {QStringLiteral("-format"), QStringLiteral("%#\\n"), file})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

MetadataService& workerService() {
    static WorkerMetadataClient client;
    return client;
}
