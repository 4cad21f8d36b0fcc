#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class MetadataService;

// Real photos for the tests, copied into a temporary folder before anything writes.
class TestFolder {
public:
    TestFolder();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    // Copies a fixture photo in (optionally under another name) and returns its path.
    QString copyPhoto(const QString& fixture, const QString& as = QString()) const;
    QString writeFile(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir m_dir;
};

QString fixturePath(const QString& name);
// The names of every readable still photo among the fixtures.
QStringList stillPhotoFixtures();
QByteArray fileBytes(const QString& path);

// The RAW and layered photos that only the metadata library reads: the real
// samples of the shared photos, read where they lie (each one absent is
// named in skipped), and RAF, RW2 and MRW files built into the folder by
// script around a real JPEG.
QStringList libraryOnlyPhotos(const TestFolder& folder, QStringList* skipped);
// A RAW photo of the kind ("raf", "rw2", "mrw"; the TIFF-based "nef",
// "cr2", "dng" and "iiq") built into the folder by script around a real JPEG's
// EXIF and maker note.
QString builtRawPhoto(const TestFolder& folder, const QString& kind,
                      const QString& jpeg = QStringLiteral("DSCN0010.jpg"));

// A shared sample photo's path, or an empty text when it is absent.
QString sharedPhoto(const QString& name);

// What exiftool reads: one JSON object per file, tags keyed "Group:Tag" (-G1),
// values as numbers where they are numbers (-n).
QList<QJsonObject> exiftoolRead(const QStringList& files);
QJsonObject exiftoolRead(const QString& file);
// The same tags without the groups that a rewrite legitimately changes.
QJsonObject withoutVolatileTags(QJsonObject tags);

// exiftool's validation warnings about each file, in the files' order.
QList<QStringList> validationWarnings(const QStringList& files);

// What the exiv2 command-line tool prints for one key, or an empty text.
QString exiv2Value(const QString& file, const QString& key);

// The image data of a JPEG: every segment but APPn and COM, then the scan data.
QByteArray jpegImageData(const QByteArray& jpeg);

// A signature of the decoded pixels of each page, by ImageMagick.
QStringList pixelSignatures(const QString& file);

QString runTool(const QString& program, const QStringList& arguments, int* exitCode = nullptr);

// The real worker processes, shared by the tests of one binary.
MetadataService& workerService();
