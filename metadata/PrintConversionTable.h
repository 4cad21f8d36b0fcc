#pragma once

// The table of how each known tag's stored value reads: what PrintConversion
// formats, kept apart from the formatting itself.

#include <QString>

#include <initializer_list>
#include <utility>

namespace PrintConversion {

using Names = std::initializer_list<std::pair<int, const char*>>;
// The GPS set's one-letter codes.
using Letters = std::initializer_list<std::pair<const char*, const char*>>;

enum class Kind {
    Named,      // an enumerated value
    Components, // a list of enumerated values
    Exposure,   // seconds
    Shutter,    // APEX time value
    FNumber,
    Aperture, // APEX aperture value
    Millimetres,
    WholeMillimetres,
    Metres,
    Distance,    // metres, where 0 is unknown and 2^32 - 1 infinity
    Bias,        // exposure bias in EV
    Apex,        // a brightness in EV
    DateTime,    // "yyyy:MM:dd HH:mm:ss"
    Date,        // "yyyy:MM:dd"
    Time,        // "HH:mm:ss", in UTC
    Latitude,    // with the reference named by partner
    Longitude,   // with the reference named by partner
    Lettered,    // a one-letter code
    Lens,        // shortest and longest focal length, widest apertures there
    Version,     // "0232" as 2.32
    Dotted,      // a list of numbers as 1.4.0.0
    Direction,   // degrees
    Speed,       // in the unit named by partner
    GpsDistance, // in the unit named by partner
    Resolution,  // per the unit named by partner
    Pattern,     // a colour filter array
    Unit,        // a number and the unit given as partner
    Area,        // a point, a circle or a rectangle about its centre
};

struct Conversion {
    const char* set;
    const char* key;
    Kind kind;
    const Names* names = nullptr;
    const Letters* letters = nullptr;
    const char* partner = nullptr; // the neighbour the value takes its reference or unit from
};

// The two the formatting itself asks for: flash values are bits, and a
// speed's unit comes from its partner.
extern const Names flashNames;
extern const Letters speedLetters;

// The conversion of a set's key, or nullptr for a value shown as stored.
const Conversion* conversionOf(const QString& set, const QString& key);

} // namespace PrintConversion
