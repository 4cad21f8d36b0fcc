#include "metadata/engine/TagTable.h"

#include "metadata/PropertyKeys.h"
#include "metadata/engine/Exiv2Include.h"

#include <QHash>

#include <algorithm>
#include <array>

namespace TagTable {

static_assert(int(Group::Image) == int(TiffEditor::Directory::Ifd0) &&
                  int(Group::Photo) == int(TiffEditor::Directory::Exif) &&
                  int(Group::GpsInfo) == int(TiffEditor::Directory::Gps) &&
                  int(Group::Iop) == int(TiffEditor::Directory::Interop),
              "the first groups are the EXIF block's directories, in their order");

namespace {

constexpr std::string_view groupNames[] = {"Image",   "Photo",    "GPSInfo",  "Iop",
                                           "MpfInfo", "Olympus2", "OlympusCs"};

constexpr quint32 slot(Group group, quint16 number) {
    return (quint32(group) << 16) | number;
}

// Every read asks for each of its entries: a lookup, not a walk of the rows.
const QHash<quint32, const Row*>& index() {
    static const QHash<quint32, const Row*> rowsBySlot = [] {
        QHash<quint32, const Row*> built;
        for (const Row& row : rows)
            built.insert(slot(row.group, row.number), &row);
        return built;
    }();
    return rowsBySlot;
}

} // namespace

const Row* find(Group group, quint16 number) {
    return index().value(slot(group, number), nullptr);
}

bool is(Group group, quint16 number, quint16 roles) {
    const Row* row = find(group, number);
    return row && (row->roles & roles) != 0;
}

std::string_view groupName(Group group) {
    return groupNames[int(group)];
}

std::optional<Group> groupNamed(std::string_view name) {
    for (size_t i = 0; i < std::size(groupNames); ++i) {
        if (groupNames[i] == name)
            return Group(i);
    }
    return std::nullopt;
}

QString setOf(TiffEditor::Directory directory) {
    switch (directory) {
    case TiffEditor::Directory::Exif:
    case TiffEditor::Directory::Interop:
        return PropertyKeys::ExifSet;
    case TiffEditor::Directory::Gps:
        return PropertyKeys::GpsSet;
    case TiffEditor::Directory::Ifd0:
        break;
    }
    return PropertyKeys::TiffSet;
}

TiffEditor::Directory directoryOf(const QString& set) {
    return set == PropertyKeys::ExifSet  ? TiffEditor::Directory::Exif
           : set == PropertyKeys::GpsSet ? TiffEditor::Directory::Gps
                                         : TiffEditor::Directory::Ifd0;
}

std::optional<QString> shownSetOf(Group group) {
    switch (group) {
    case Group::Image:
        return PropertyKeys::TiffSet;
    case Group::Photo:
        return PropertyKeys::ExifSet;
    case Group::GpsInfo:
        return PropertyKeys::GpsSet;
    default:
        return std::nullopt;
    }
}

const Row* findKey(const QString& set, const QString& key) {
    // By set, as the library's keys are: a lookup for every value read.
    static const auto rowsByKey = [] {
        std::array<QHash<QString, const Row*>, 3> built;
        for (const Row& row : rows) {
            if (int(row.group) < int(built.size()))
                built[size_t(row.group)].insert(keyOf(row.group, row.number, latin1(row.name)),
                                                &row);
        }
        return built;
    }();
    const int table = set == PropertyKeys::TiffSet   ? int(Group::Image)
                      : set == PropertyKeys::ExifSet ? int(Group::Photo)
                      : set == PropertyKeys::GpsSet  ? int(Group::GpsInfo)
                                                     : -1;
    return table < 0 ? nullptr : rowsByKey[size_t(table)].value(key, nullptr);
}

QString keyOf(Group group, quint16 number, const QString& name) {
    if (const Row* row = find(group, number); row && !row->key.empty())
        return latin1(row->key);
    if (group == Group::GpsInfo && name.startsWith(QLatin1String("GPS")))
        return name.mid(3);
    return name;
}

bool isDngTag(quint16 number) {
    return (number >= 0xc612 && number <= 0xc7ff) || (number >= 0xcd2d && number <= 0xcd4f);
}

bool isPrintable(QByteArrayView bytes) {
    return !bytes.isEmpty() && std::all_of(bytes.begin(), bytes.end(), [](char c) {
        return quint8(c) >= 0x20 && quint8(c) < 0x7f;
    });
}

bool showsUnknownBytes(QByteArrayView bytes) {
    return bytes.size() <= 256 || isPrintable(bytes);
}

namespace {

template <typename Match> std::optional<LibraryTag> libraryTagWhere(const Row& row, Match match) {
    const Exiv2::TagInfo* info = Exiv2::ExifTags::tagList(std::string(groupName(row.group)));
    for (; info && info->tag_ != 0xffff; ++info) {
        if (!match(*info))
            continue;
        const quint16 type =
            info->typeId_ == Exiv2::comment ? quint16(Exiv2::undefined) : quint16(info->typeId_);
        return LibraryTag{info->tag_, info->name_, type};
    }
    return std::nullopt;
}

} // namespace

std::optional<LibraryTag> libraryTag(const Row& row) {
    return libraryTagWhere(row,
                           [&](const Exiv2::TagInfo& info) { return info.tag_ == row.number; });
}

std::optional<LibraryTag> libraryTagNamed(const Row& row) {
    return libraryTagWhere(row, [&](const Exiv2::TagInfo& info) { return info.name_ == row.name; });
}

} // namespace TagTable
