#pragma once

#include "editing/EditFormOperation.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

// The control a field is edited in.
enum class FormFieldKind { Line, Lines, DateAndTime, Date, Time, Stars };

// How a field's text is read from a photo and written back.
enum class FormFieldRule {
    Text,       // shown from the first of its homes the photo has, set in every home
    Keywords,   // shown as text, written as a list of words
    Place,      // shown as text, written where the photo keeps IPTC and XMP
    CameraDate, // the photo's date with the zone it keeps for it
    Latitude,   // signed decimal degrees, south negative
    Longitude,  // west negative
    Altitude,   // metres, below sea level negative
    GpsStamp,   // the GPS date or time as stored
};

struct FormFieldHome {
    QString set, key;
};

// One field of the edit form. The window builds, fills, compares and applies
// its fields from these rows, in their order; templates save and the
// operation writes them by the same rows, so a new field is a new row.
struct FormField {
    QString outlet;          // the widget's name, as the commands and tests call it
    const char* label;       // translated by the window
    const char* placeholder; // the hint in an empty field; may be empty
    FormFieldKind kind;
    FormFieldRule rule;
    QList<FormFieldHome> homes;
    std::optional<QString> EditFormFields::*edit; // what Apply hands the operation
    // Written only when the user changed it, even for one photo.
    bool onlyWhenEdited = false;
    QStringList templateKeys; // none: a template leaves the field out

    bool isGps() const;
};

const QList<FormField>& formFields();

// The texts the form shows for a photo's dictionary, every field given.
EditFormFields shownFields(const QVariantMap& dictionary);
