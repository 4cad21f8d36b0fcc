#pragma once

#include <QString>

// The names of XMP properties as the "{XMP}" set keys them: the prefix
// conventional for the property's namespace ("dc:creator", "Iptc4xmpCore:
// Location"), whatever prefix a packet declares for it; a namespace without
// a conventional prefix keeps the packet's.
namespace XmpNames {

// The conventional prefix of a namespace, or an empty text.
QString prefixOf(const QString& namespaceUri);
// The namespace of a conventional prefix, or an empty text.
QString namespaceOf(const QString& prefix);

// How a property is stored when it is written anew: a list of the
// property's items in an unordered or an ordered array, a text as the
// default of a language alternative, or as a plain text.
enum class Form { Text, Bag, Seq, LanguageAlternative };
// By the property's key ("dc:subject"); a property not known here takes
// the form of the value written (a list: an unordered array).
Form formOf(const QString& key);

// The prefix of a key ("dc" of "dc:creator"), and its top-level property
// ("Iptc4xmpCore:CreatorContactInfo" of "Iptc4xmpCore:CreatorContactInfo/
// Iptc4xmpCore:CiAdrCity", "xmpMM:History" of "xmpMM:History[2]/stEvt:when").
QString prefixOfKey(const QString& key);
QString topLevelOf(const QString& key);

} // namespace XmpNames
