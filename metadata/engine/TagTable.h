#pragma once

// What the engine knows of EXIF, TIFF and GPS tags, in one table: a tag's
// number, its name and type as the library gives them, the directory it
// belongs in and what the readers, writers and the written check make of it.
// The directories, their library groups and the dictionary sets are mapped
// here too. A tag the engine treats in a way of its own is one row below;
// every other tag is read and named by the library.
#include "metadata/engine/TiffEditor.h"

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <string_view>

namespace TagTable {

// The directories tags are found in, by the library's group: the four of an
// EXIF block in TiffEditor::Directory's order, then those inside other
// blocks (the multi-picture index, an Olympus maker note).
enum class Group : quint8 { Image, Photo, GpsInfo, Iop, MpfInfo, Olympus, OlympusSettings };

// What a tag is to the engine; a row may have several.
enum Role : quint16 {
    // It says where other data lies (a directory, strips, tiles, the
    // thumbnail): a rewrite may move that data, and the entry with it.
    Location = 1 << 0,
    // The length of data a Location entry points to.
    DataLength = 1 << 1,
    // It holds a block of its own that the library decodes apart (XMP,
    // IPTC, Photoshop resources, a maker note).
    Embedded = 1 << 2,
    // The dictionary does not show it; a rewrite keeps it all the same.
    Hidden = 1 << 3,
    // It describes how the pixels are stored: removing the TIFF set never
    // takes it, or a TIFF file would lose its image.
    ImageStructure = 1 << 4,
    // Text behind a charset prefix, as UserComment stores it.
    Comment = 1 << 5,
    // Windows' UTF-16 text in bytes.
    WindowsText = 1 << 6,
    // Degrees, minutes and seconds; the dictionary shows one number.
    Degrees = 1 << 7,
    // Names the camera: a RAW file keeps it for its raw converter.
    NamesCamera = 1 << 8,
};

// TIFF field types as stored.
enum Type : quint16 {
    Byte = 1,
    Ascii = 2,
    Short = 3,
    Long = 4,
    Rational = 5,
    Undefined = 7,
};

struct Row {
    Group group;
    quint16 number;
    std::string_view name; // as the library names it
    Type type;             // as the library writes it; a Comment's is Undefined
    quint16 roles;
    std::string_view key = {}; // the dictionary's key where it is not the name's
};

inline constexpr Row rows[] = {
    // clang-format off
    {Group::Image, 0x00fe, "NewSubfileType", Long, ImageStructure},
    {Group::Image, 0x00ff, "SubfileType", Short, ImageStructure},
    {Group::Image, 0x0100, "ImageWidth", Long, ImageStructure},
    {Group::Image, 0x0101, "ImageLength", Long, ImageStructure},
    {Group::Image, 0x0102, "BitsPerSample", Short, ImageStructure},
    {Group::Image, 0x0103, "Compression", Short, ImageStructure},
    {Group::Image, 0x0106, "PhotometricInterpretation", Short, ImageStructure},
    {Group::Image, 0x0107, "Thresholding", Short, ImageStructure},
    {Group::Image, 0x010a, "FillOrder", Short, ImageStructure},
    {Group::Image, 0x010f, "Make", Ascii, NamesCamera},
    {Group::Image, 0x0110, "Model", Ascii, NamesCamera},
    {Group::Image, 0x0111, "StripOffsets", Long, ImageStructure | Location | Hidden},
    {Group::Image, 0x0115, "SamplesPerPixel", Short, ImageStructure},
    {Group::Image, 0x0116, "RowsPerStrip", Long, ImageStructure},
    {Group::Image, 0x0117, "StripByteCounts", Long, ImageStructure | DataLength | Hidden},
    {Group::Image, 0x0118, "MinSampleValue", Short, ImageStructure},
    {Group::Image, 0x0119, "MaxSampleValue", Short, ImageStructure},
    {Group::Image, 0x011c, "PlanarConfiguration", Short, ImageStructure},
    {Group::Image, 0x0120, "FreeOffsets", Long, Hidden},
    {Group::Image, 0x0121, "FreeByteCounts", Long, Hidden},
    {Group::Image, 0x0122, "GrayResponseUnit", Short, ImageStructure},
    {Group::Image, 0x0123, "GrayResponseCurve", Short, ImageStructure},
    {Group::Image, 0x0124, "T4Options", Long, ImageStructure},
    {Group::Image, 0x0125, "T6Options", Long, ImageStructure},
    {Group::Image, 0x013d, "Predictor", Short, ImageStructure},
    {Group::Image, 0x0140, "ColorMap", Short, ImageStructure},
    {Group::Image, 0x0142, "TileWidth", Long, ImageStructure},
    {Group::Image, 0x0143, "TileLength", Long, ImageStructure},
    {Group::Image, 0x0144, "TileOffsets", Short, ImageStructure | Location | Hidden},
    {Group::Image, 0x0145, "TileByteCounts", Long, ImageStructure | DataLength | Hidden},
    {Group::Image, 0x014a, "SubIFDs", Long, ImageStructure | Location | Hidden},
    {Group::Image, 0x014c, "InkSet", Short, ImageStructure},
    {Group::Image, 0x0152, "ExtraSamples", Short, ImageStructure},
    {Group::Image, 0x0153, "SampleFormat", Short, ImageStructure},
    {Group::Image, 0x0154, "SMinSampleValue", Short, ImageStructure},
    {Group::Image, 0x0155, "SMaxSampleValue", Short, ImageStructure},
    {Group::Image, 0x015b, "JPEGTables", Undefined, ImageStructure},
    {Group::Image, 0x0200, "JPEGProc", Long, ImageStructure},
    {Group::Image, 0x0201, "JPEGInterchangeFormat", Long, ImageStructure | Location | Hidden},
    {Group::Image, 0x0202, "JPEGInterchangeFormatLength", Long,
     ImageStructure | DataLength | Hidden},
    {Group::Image, 0x0211, "YCbCrCoefficients", Rational, ImageStructure},
    {Group::Image, 0x0212, "YCbCrSubSampling", Short, ImageStructure},
    {Group::Image, 0x0213, "YCbCrPositioning", Short, ImageStructure},
    {Group::Image, 0x0214, "ReferenceBlackWhite", Rational, ImageStructure},
    {Group::Image, 0x02bc, "XMLPacket", Byte, Embedded | Hidden},
    {Group::Image, 0x83bb, "IPTCNAA", Long, Embedded | Hidden},
    {Group::Image, 0x8649, "ImageResources", Byte, Embedded | Hidden},
    {Group::Image, 0x8769, "ExifTag", Long, Location | Hidden},
    {Group::Image, 0x8773, "InterColorProfile", Undefined, Hidden},
    {Group::Image, 0x8825, "GPSTag", Long, Location | Hidden},
    {Group::Image, 0x9c9b, "XPTitle", Byte, WindowsText},
    {Group::Image, 0x9c9c, "XPComment", Byte, WindowsText},
    {Group::Image, 0x9c9d, "XPAuthor", Byte, WindowsText},
    {Group::Image, 0x9c9e, "XPKeywords", Byte, WindowsText},
    {Group::Image, 0x9c9f, "XPSubject", Byte, WindowsText},
    {Group::Image, 0xc4a5, "PrintImageMatching", Undefined, Hidden},
    {Group::Image, 0xc612, "DNGVersion", Byte, 0},
    {Group::Image, 0xc634, "DNGPrivateData", Byte, Hidden},
    {Group::Photo, 0x927c, "MakerNote", Undefined, Embedded | Hidden},
    {Group::Photo, 0x9286, "UserComment", Undefined, Comment},
    {Group::Photo, 0xa005, "InteroperabilityTag", Long, Location | Hidden},
    {Group::GpsInfo, 0x0000, "GPSVersionID", Byte, 0, "GPSVersion"},
    {Group::GpsInfo, 0x0002, "GPSLatitude", Rational, Degrees},
    {Group::GpsInfo, 0x0004, "GPSLongitude", Rational, Degrees},
    {Group::GpsInfo, 0x0014, "GPSDestLatitude", Rational, Degrees},
    {Group::GpsInfo, 0x0016, "GPSDestLongitude", Rational, Degrees},
    {Group::GpsInfo, 0x001b, "GPSProcessingMethod", Undefined, Comment},
    {Group::GpsInfo, 0x001c, "GPSAreaInformation", Undefined, Comment},
    {Group::MpfInfo, 0xb002, "MPFImageList", Ascii, Location}, // stored UNDEFINED
    {Group::Olympus, 0x2020, "CameraSettings", Long, 0},
    {Group::OlympusSettings, 0x0101, "PreviewImageStart", Long, Location},
    // clang-format on
};

// The number of a row, found by its name when compiling: a name that is no
// row does not compile.
consteval quint16 number(Group group, std::string_view name) {
    for (const Row& row : rows) {
        if (row.group == group && row.name == name)
            return row.number;
    }
    throw "no such row";
}

// Nothing for a tag that is no row.
const Row* find(Group group, quint16 number);
// Whether the tag has one of the roles.
bool is(Group group, quint16 number, quint16 roles);
inline bool is(TiffEditor::Directory directory, quint16 number, quint16 roles) {
    return is(Group(int(directory)), number, roles);
}

inline bool isImageStructureTag(quint16 number) {
    return is(Group::Image, number, ImageStructure);
}

// The library's name of a group, and the group of a name: nothing for a
// group that has no row.
std::string_view groupName(Group group);
inline const char* groupName(TiffEditor::Directory directory) {
    return groupName(Group(int(directory))).data();
}
std::optional<Group> groupNamed(std::string_view name);

// The dictionary set of a directory's entries: the interoperability
// directory's go with the EXIF set (it is removed with it), though the
// dictionary shows none of them. The directory of a set's entries.
QString setOf(TiffEditor::Directory directory);
TiffEditor::Directory directoryOf(const QString& set);
// The set the dictionary shows a group's entries in: nothing for a group it
// does not show.
std::optional<QString> shownSetOf(Group group);

// The dictionary's key of a tag the library names so: the row's own key
// where it has one, a GPS tag's name without its "GPS", else the name.
QString keyOf(Group group, quint16 number, const QString& name);
// The row of a dictionary key of the TIFF, EXIF or GPS set, or nothing.
const Row* findKey(const QString& set, const QString& key);

inline QLatin1String latin1(std::string_view text) {
    return QLatin1String(text.data(), qsizetype(text.size()));
}

// Whether a tag of IFD0 is one of the DNG format's own (their numbers are
// set aside in ranges).
bool isDngTag(quint16 number);

// The dictionary shows a value of unknown bytes (type UNDEFINED) as text
// when every byte is printable, else as its numbers, unless there are more
// than 256 of them: then not at all.
bool isPrintable(QByteArrayView bytes);
bool showsUnknownBytes(QByteArrayView bytes);

// The library's own facts of a row's tag, by its number or by its name:
// nothing for a tag it does not know (some versions name fewer tags). Its
// comment type is told as UNDEFINED, as stored.
struct LibraryTag {
    quint16 number = 0;
    std::string_view name;
    quint16 type = 0;
};
std::optional<LibraryTag> libraryTag(const Row& row);
std::optional<LibraryTag> libraryTagNamed(const Row& row);

} // namespace TagTable

// The rows whose numbers the code that walks bytes names.
namespace Tag {
using G = TagTable::Group;
using TagTable::number;
inline constexpr quint16 Make = number(G::Image, "Make");
inline constexpr quint16 Model = number(G::Image, "Model");
inline constexpr quint16 Photometric = number(G::Image, "PhotometricInterpretation");
inline constexpr quint16 StripOffsets = number(G::Image, "StripOffsets");
inline constexpr quint16 StripByteCounts = number(G::Image, "StripByteCounts");
inline constexpr quint16 TileOffsets = number(G::Image, "TileOffsets");
inline constexpr quint16 TileByteCounts = number(G::Image, "TileByteCounts");
inline constexpr quint16 SubIfds = number(G::Image, "SubIFDs");
inline constexpr quint16 Thumbnail = number(G::Image, "JPEGInterchangeFormat");
inline constexpr quint16 ThumbnailLength = number(G::Image, "JPEGInterchangeFormatLength");
inline constexpr quint16 Xmp = number(G::Image, "XMLPacket");
inline constexpr quint16 Iptc = number(G::Image, "IPTCNAA");
inline constexpr quint16 ImageResources = number(G::Image, "ImageResources");
inline constexpr quint16 ExifPointer = number(G::Image, "ExifTag");
inline constexpr quint16 IccProfile = number(G::Image, "InterColorProfile");
inline constexpr quint16 GpsPointer = number(G::Image, "GPSTag");
inline constexpr quint16 DngVersion = number(G::Image, "DNGVersion");
inline constexpr quint16 MakerNote = number(G::Photo, "MakerNote");
inline constexpr quint16 UserComment = number(G::Photo, "UserComment");
inline constexpr quint16 InteropPointer = number(G::Photo, "InteroperabilityTag");
inline constexpr quint16 MpfImageList = number(G::MpfInfo, "MPFImageList");
inline constexpr quint16 OlympusCameraSettings = number(G::Olympus, "CameraSettings");
inline constexpr quint16 OlympusPreviewStart = number(G::OlympusSettings, "PreviewImageStart");

// Offsets of data outside the directories, each with the lengths beside it:
// the image's strips and tiles, then the thumbnail.
inline constexpr std::pair<quint16, quint16> DataPairs[] = {
    {StripOffsets, StripByteCounts}, {TileOffsets, TileByteCounts}, {Thumbnail, ThumbnailLength}};
inline constexpr int ImageDataPairs = 2; // the first two
} // namespace Tag
