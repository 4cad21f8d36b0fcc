#include "editing/RemovalOperation.h"
#include "support/TestPhotos.h"
#include "support/TiffBytes.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// The exiftool groups each removal must take away.
QStringList removedGroups(RemovalKind kind) {
    switch (kind) {
    case RemovalKind::Exif:
        return {QStringLiteral("ExifIFD"), QStringLiteral("InteropIFD")};
    case RemovalKind::Gps:
        return {QStringLiteral("GPS")};
    case RemovalKind::Iptc:
        return {QStringLiteral("IPTC")};
    case RemovalKind::ExifAndGps:
    case RemovalKind::All: // and more: see isKeptByRemoveAll
        break;
    }
    return {QStringLiteral("ExifIFD"), QStringLiteral("InteropIFD"), QStringLiteral("GPS")};
}

// The XMP copies that go with a removed set, as exiftool names them.
bool isRemovedMirror(RemovalKind kind, const QString& key) {
    const QString group = key.section(QLatin1Char(':'), 0, 0);
    const QString tag = key.section(QLatin1Char(':'), 1);
    const bool exif = kind == RemovalKind::Exif || kind == RemovalKind::ExifAndGps;
    const bool gps = kind == RemovalKind::Gps || kind == RemovalKind::ExifAndGps;
    if (group == QLatin1String("XMP-exif"))
        return tag.startsWith(QLatin1String("GPS")) ? gps : exif;
    if (exif && QStringList{QStringLiteral("XMP-exifEX"), QStringLiteral("XMP-aux"),
                            QStringLiteral("XMP-tiff")}
                    .contains(group))
        return true;
    if (kind != RemovalKind::Iptc)
        return false;
    static const QStringList mirrored = {QStringLiteral("XMP-dc:Creator"),
                                         QStringLiteral("XMP-dc:Rights"),
                                         QStringLiteral("XMP-dc:Description"),
                                         QStringLiteral("XMP-dc:Subject"),
                                         QStringLiteral("XMP-dc:Title"),
                                         QStringLiteral("XMP-photoshop:City"),
                                         QStringLiteral("XMP-photoshop:State"),
                                         QStringLiteral("XMP-photoshop:Country"),
                                         QStringLiteral("XMP-photoshop:Credit"),
                                         QStringLiteral("XMP-photoshop:Source"),
                                         QStringLiteral("XMP-photoshop:Headline"),
                                         QStringLiteral("XMP-photoshop:Instructions"),
                                         QStringLiteral("XMP-photoshop:Urgency"),
                                         QStringLiteral("XMP-photoshop:Category"),
                                         QStringLiteral("XMP-photoshop:DateCreated"),
                                         QStringLiteral("XMP-photoshop:CaptionWriter"),
                                         QStringLiteral("XMP-photoshop:AuthorsPosition"),
                                         QStringLiteral("XMP-photoshop:TransmissionReference"),
                                         QStringLiteral("XMP-photoshop:SupplementalCategories")};
    return group == QLatin1String("XMP-iptcCore") || group == QLatin1String("XMP-iptcExt") ||
           mirrored.contains(key);
}

// What removing all metadata keeps: how the pixels are stored and are to
// be shown (the containers' image headers, the orientation, resolution,
// colour space and ICC profile) and the entries EXIF requires of its block.
bool isKeptByRemoveAll(const QString& key, bool tiff) {
    const QString group = key.section(QLatin1Char(':'), 0, 0);
    const QString tag = key.section(QLatin1Char(':'), 1);
    static const QStringList wholeGroups = {QStringLiteral("JFIF"),      QStringLiteral("Adobe"),
                                            QStringLiteral("PNG-pHYs"),  QStringLiteral("RIFF"),
                                            QStringLiteral("QuickTime"), QStringLiteral("Meta")};
    static const QStringList tags = {
        // IFD0
        "Orientation", "XResolution", "YResolution", "ResolutionUnit", "YCbCrPositioning",
        "SubfileType", "ImageWidth", "ImageHeight", "BitsPerSample", "Compression",
        "PhotometricInterpretation", "FillOrder", "SamplesPerPixel", "RowsPerStrip",
        "StripByteCounts", "PlanarConfiguration", "ExtraSamples",
        // ExifIFD
        "ColorSpace", "ExifVersion", "FlashpixVersion", "ComponentsConfiguration", "ExifImageWidth",
        "ExifImageHeight",
        // PNG's image header, chromaticities and background
        "BitDepth", "ColorType", "Filter", "Interlace", "WhitePointX", "WhitePointY", "RedX",
        "RedY", "GreenX", "GreenY", "BlueX", "BlueY", "BackgroundColor"};
    // IFD1 is a TIFF's second page, a JPEG's thumbnail.
    return wholeGroups.contains(group) || group.startsWith(QLatin1String("ICC")) ||
           (tiff && group == QLatin1String("IFD1")) ||
           (QStringList{"IFD0", "ExifIFD", "PNG"}.contains(group) && tags.contains(tag));
}

// Groups that a removal rewrites as a side effect: maker notes go with the
// EXIF set, the Photoshop digest with the IPTC set.
bool isCollateral(RemovalKind kind, const QString& key) {
    const QString group = key.section(QLatin1Char(':'), 0, 0);
    if (kind == RemovalKind::Iptc)
        return key == QLatin1String("Photoshop:IPTCDigest") ||
               key == QLatin1String("Photoshop:CurrentIPTCDigest");
    if (kind == RemovalKind::Exif || kind == RemovalKind::ExifAndGps)
        return !QStringList{QStringLiteral("IFD0"), QStringLiteral("IFD1"),  QStringLiteral("GPS"),
                            QStringLiteral("IPTC"), QStringLiteral("XMP-x"), QStringLiteral("JFIF")}
                    .contains(group) &&
               !group.startsWith(QLatin1String("XMP")) &&
               !group.startsWith(QLatin1String("Photoshop")) &&
               !group.startsWith(QLatin1String("PNG")) && !group.startsWith(QLatin1String("RIFF"));
    return false;
}

QJsonObject keptTags(RemovalKind kind, QJsonObject tags) {
    const bool tiff = tags.value(QStringLiteral("File:FileType")).toString() == "TIFF";
    tags = withoutVolatileTags(tags);
    if (kind == RemovalKind::All) {
        for (const QString& key : tags.keys()) {
            if (!isKeptByRemoveAll(key, tiff))
                tags.remove(key);
        }
        return tags;
    }
    for (const QString& key : tags.keys()) {
        const QString group = key.section(QLatin1Char(':'), 0, 0);
        if (removedGroups(kind).contains(group) || isRemovedMirror(kind, key) ||
            isCollateral(kind, key))
            tags.remove(key);
    }
    // Text copies of EXIF tags (a PNG's "exif:..." chunks) go with the sets
    // they copy; which ones stay is checked where PNG text is tested.
    if (kind != RemovalKind::Iptc) {
        for (const QString& key : tags.keys()) {
            if (key.startsWith(QLatin1String("PNG:Exif")))
                tags.remove(key);
        }
    }
    // The pointers to a removed directory go with it.
    for (const char* pointer : {"IFD0:ExifOffset", "IFD0:GPSInfo", "ExifIFD:InteropOffset"})
        tags.remove(QLatin1String(pointer));
    return tags;
}

} // namespace

TEST(Removal, takesAwayExactlyTheNamedSetAndKeepsEveryPixel) {
    // Nikon_D70.jpg keeps its flash as an XMP structure.
    const QStringList photos = {QStringLiteral("DSCN0010.jpg"),  QStringLiteral("BlueSquare.jpg"),
                                QStringLiteral("Canon_40D.jpg"), QStringLiteral("multipage.tiff"),
                                QStringLiteral("photo.png"),     QStringLiteral("photo.webp"),
                                QStringLiteral("Nikon_D70.jpg")};
    TestFolder folder;
    QList<ListedPhoto> listed;
    QSet<int> all;
    for (const QString& name : photos) {
        listed.append({folder.copyPhoto(name), name});
        all.insert(int(all.size()));
    }
    const QList<QJsonObject> sources = exiftoolRead([&] {
        QStringList paths;
        for (const ListedPhoto& photo : listed)
            paths << photo.filePath;
        return paths;
    }());
    for (RemovalKind kind : {RemovalKind::Exif, RemovalKind::Gps, RemovalKind::Iptc,
                             RemovalKind::ExifAndGps, RemovalKind::All}) {
        const QString storage = folder.file(QStringLiteral("storage"));
        QDir().mkpath(storage);
        const OperationReport report = runRemoval(
            kind, SourceMode::Computer, selectPhotos(SourceMode::Computer, listed, all, storage),
            storage, workerService());
        for (const auto& skipped : report.skipped)
            ADD_FAILURE() << qPrintable(skipped.path) << ": " << qPrintable(skipped.reason);
        ASSERT_EQ(report.written.size(), photos.size());
        const QList<QJsonObject> outputs = exiftoolRead(report.written);
        for (int i = 0; i < photos.size(); ++i) {
            SCOPED_TRACE((outputPrefix(removalOutputForm(kind)) + photos[i]).toStdString());
            EXPECT_EQ(report.written[i], storage + QLatin1Char('/') +
                                             outputPrefix(removalOutputForm(kind)) + photos[i]);
            for (const QString& key : withoutVolatileTags(outputs[i]).keys())
                EXPECT_TRUE(
                    kind == RemovalKind::All
                        ? isKeptByRemoveAll(key, photos[i].endsWith(".tiff"))
                        : !removedGroups(kind).contains(key.section(QLatin1Char(':'), 0, 0)) &&
                              !isRemovedMirror(kind, key))
                    << qPrintable(key);
            EXPECT_EQ(keptTags(kind, outputs[i]), keptTags(kind, sources[i]));
            EXPECT_GT(keptTags(kind, sources[i]).size(), kind == RemovalKind::All ? 3 : 8)
                << "the comparison must cover real tags";
            const QString output = report.written[i];
            // Nor a packet another reader finds where this one would not.
            if (kind == RemovalKind::All) {
                EXPECT_FALSE(fileBytes(output).contains("xmpmeta"));
            }
            if (photos[i].endsWith(QLatin1String(".jpg")))
                EXPECT_EQ(jpegImageData(fileBytes(output)),
                          jpegImageData(fileBytes(listed[i].filePath)));
            else
                EXPECT_EQ(pixelSignatures(output), pixelSignatures(listed[i].filePath));
        }
        QDir(storage).removeRecursively();
    }
    // The originals were only read.
    for (int i = 0; i < photos.size(); ++i)
        EXPECT_EQ(fileBytes(listed[i].filePath), fileBytes(fixturePath(photos[i])));
}

TEST(Removal, keepsThePagesOfAMultiPageTiff) {
    TestFolder folder;
    const QString input = folder.copyPhoto(QStringLiteral("multipage.tiff"));
    const OperationReport report =
        runRemoval(RemovalKind::ExifAndGps, SourceMode::Computer,
                   {{0, input, QStringLiteral("multipage.tiff")}}, folder.path(), workerService());
    ASSERT_EQ(report.written.size(), 1);
    EXPECT_EQ(pixelSignatures(report.written.first()).size(), 2);
    EXPECT_EQ(exiv2Value(report.written.first(), QStringLiteral("Exif.GPSInfo.GPSLatitude")),
              QString());
    EXPECT_EQ(exiv2Value(report.written.first(), QStringLiteral("Exif.Image.Artist")),
              QStringLiteral("Page Maker"));
}

TEST(Removal, removingIptcFromAComputerPhotoHandsBackItsWholeDictionary) {
    const QVariantMap properties = {
        {QStringLiteral("PixelWidth"), 10},
        {QStringLiteral("{TIFF}"), QVariantMap{{QStringLiteral("Make"), QStringLiteral("X")}}},
        {QStringLiteral("{IPTC}"),
         QVariantMap{{QStringLiteral("Keywords"), QStringList{QStringLiteral("a")}}}}};
    const QVariantMap computer =
        removalChanges(RemovalKind::Iptc, SourceMode::Computer, properties);
    EXPECT_EQ(computer.value(QStringLiteral("{TIFF}")), properties.value(QStringLiteral("{TIFF}")));
    EXPECT_EQ(computer.value(QStringLiteral("{IPTC}")).typeId(), QMetaType::Nullptr);
    const QVariantMap device = removalChanges(RemovalKind::Iptc, SourceMode::Device, properties);
    EXPECT_EQ(device.keys(), QStringList{QStringLiteral("{IPTC}")});
    EXPECT_EQ(removalChanges(RemovalKind::ExifAndGps, SourceMode::Computer).keys(),
              (QStringList{QStringLiteral("{Exif}"), QStringLiteral("{GPS}")}));
}

TEST(Removal, allKeepsWhatARawConverterNeedsSaysSoAndLeavesNoForeignEntry) {
    TestFolder folder;
    // A TIFF with another application's property storage in IFD0.
    QByteArray stored = fileBytes(fixturePath(QStringLiteral("Jobagent.tiff")));
    TiffBytes(stored, 0).addEntryToPage(0, {0x4748, 7, 320, QByteArray(320, 'p')});
    const QString foreign = folder.writeFile(QStringLiteral("foreign.tiff"), stored);
    const struct {
        QString photo;
        QStringList kept; // besides the image's own entries
        const char* remark;
    } cases[] = {
        {builtRawPhoto(folder, QStringLiteral("dng")),
         {"IFD0:DNGVersion", "IFD0:DNGBackwardVersion", "IFD0:UniqueCameraModel",
          "IFD0:ColorMatrix1", "IFD0:CalibrationIlluminant1", "IFD0:AsShotNeutral",
          "IFD0:BaselineExposure", "IFD0:Make", "IFD0:Model"},
         "a RAW photo: its DNG entries, make and model stay for raw converters"},
        {builtRawPhoto(folder, QStringLiteral("nef")),
         {"IFD0:Make", "IFD0:Model", "Nikon:MakerNoteVersion", "Nikon:WhiteBalance"},
         "a RAW photo: its make, model and maker note stay for raw converters"},
        {builtRawPhoto(folder, QStringLiteral("cr2"), QStringLiteral("Canon_40D.jpg")),
         {"IFD0:Make", "IFD0:Model"},
         "a RAW photo: its make, model and maker note stay for raw converters"},
        {foreign, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.photo.toStdString());
        const QString storage = folder.file(QFileInfo(c.photo).suffix());
        ASSERT_TRUE(QDir().mkpath(storage));
        const OperationReport report =
            runRemoval(RemovalKind::All, SourceMode::Computer,
                       {{0, c.photo, QFileInfo(c.photo).fileName()}}, storage, workerService());
        ASSERT_EQ(report.written.size(), 1);
        const QString output = report.written.first();
        const QJsonObject before = exiftoolRead(c.photo);
        const QJsonObject after = withoutVolatileTags(exiftoolRead(output));
        for (const QString& key : c.kept) {
            EXPECT_TRUE(before.contains(key)) << qPrintable(key);
            EXPECT_EQ(after.value(key), before.value(key)) << qPrintable(key);
        }
        // The image's own entries, under the names exiftool gives them in a
        // RAW (a CR2's first strip is its preview) and of this TIFF's pixels.
        const QStringList image = {"IFD0:PreviewImage", "IFD0:PreviewImageLength", "IFD0:Predictor",
                                   "IFD0:SampleFormat"};
        for (const QString& key : after.keys())
            EXPECT_TRUE(c.kept.contains(key) || image.contains(key) ||
                        key.startsWith(QLatin1String("SubIFD")) ||
                        key.startsWith(QLatin1String("Nikon")) || isKeptByRemoveAll(key, true))
                << qPrintable(key);
        EXPECT_EQ(report.remarked.size(), *c.remark ? 1 : 0);
        if (!report.remarked.isEmpty()) {
            EXPECT_EQ(report.remarked.first().reason, QLatin1String(c.remark));
        }
        QByteArray written = fileBytes(output);
        const TiffBytes tiff(written, 0);
        EXPECT_FALSE(tiff.entry(tiff.firstIfd(), 0x4748)) << "another application's entry stays";
        EXPECT_EQ(pixelSignatures(output), pixelSignatures(c.photo));
        const QList<QStringList> warnings = validationWarnings({c.photo, output});
        for (const QString& warning : warnings.value(1))
            EXPECT_TRUE(warnings.value(0).contains(warning)) << qPrintable(warning);
    }
}

TEST(Removal, aSetTakesTheEmptyXmpStructuresOfItsCopiesToo) {
    // An editor left the flash as a structure without fields.
    TestFolder folder;
    const QString input = folder.copyPhoto(QStringLiteral("makernotes/Nikon_D300.jpg"));
    ASSERT_TRUE(fileBytes(input).contains("<exif:Flash rdf:parseType='Resource'>"));
    const OperationReport report =
        runRemoval(RemovalKind::Exif, SourceMode::Computer,
                   {{0, input, QStringLiteral("Nikon_D300.jpg")}}, folder.path(), workerService());
    ASSERT_EQ(report.written.size(), 1);
    const QByteArray after = fileBytes(report.written.first());
    EXPECT_FALSE(after.contains("exif:Flash"));
    EXPECT_TRUE(after.contains("<exif:GPSVersionID>")) << "the GPS copies stay with their set";
}
