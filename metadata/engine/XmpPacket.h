#pragma once

#include "metadata/Result.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// An XMP packet read from its text, and edited on its text: a change
// rewrites only the properties it names, so every other property, the
// toolkit name, the comments and the layout keep their bytes, and the
// padding takes up a change of size where it can, so that the container
// around the packet need not move what follows it.
class XmpPacket {
public:
    // One value of the RDF tree: a text, an array of values or a structure
    // of named fields.
    struct Node {
        enum class Kind { Text, Bag, Seq, Alt, Struct };
        Kind kind = Kind::Text;
        QString key; // of a property or field: "dc:creator", as the "{XMP}" set keys it
        QString ns;  // its namespace
        QString text;
        QString lang;         // an item's xml:lang
        QList<Node> children; // the items of an array, the fields of a structure
    };

    // Fails, saying why, for a text that is not a well-formed XMP packet. A
    // packet may be UTF-8, UTF-16 or UTF-32 text, and an edit keeps its
    // encoding. Control characters, which XML forbids and other readers
    // drop, are dropped, and a byte that is no UTF-8 is read as Latin-1, as
    // other readers read it; repairs() names what was so read.
    static Result<XmpPacket> parse(const QByteArray& bytes);
    // A packet with no properties, with the padding writers leave for edits.
    static QByteArray emptyPacket(bool padded);

    // The "{XMP}" set: simple values as texts, arrays as lists, language
    // alternatives as their default text, structures flattened with "/" paths
    // and arrays of structures with 1-based "[n]" ones.
    QVariantMap values() const;
    // The top-level properties that hold no value: a structure or an array
    // without fields or items, which values() cannot show.
    QStringList emptyProperties() const;
    // What the packet's text needed to be read: an edit writes it so mended.
    QStringList repairs() const { return m_repairs; }
    // The packet's bytes up to the padding of zeros a container may add.
    const QByteArray& bytes() const { return m_bytes; }
    // The packet with the changes (keys of the "{XMP}" set with a value or a
    // removal) made.
    Result<QByteArray> edited(const QVariantMap& changes) const;

private:
    struct Property {
        Node node;
        int description = 0;
        bool attribute = false;
        qsizetype start = 0; // an attribute's span starts with the blanks before it
        qsizetype end = 0;
        qsizetype valueStart = 0; // an attribute's value, between its quotes
        qsizetype valueEnd = 0;
    };
    struct Description {
        qsizetype tagStart = 0;
        qsizetype tagEnd = 0;     // past its start tag's ">"
        qsizetype contentEnd = 0; // past its last property element
        bool selfClosing = false;
        QString name; // as its start tag writes it, which its end tag repeats
        QHash<QString, QString> prefixOfNamespace; // the declarations in scope
    };
    enum class Encoding { Utf8, Utf16BE, Utf16LE, Utf32BE, Utf32LE };
    class Reader;
    class Editor;

    QByteArray encoded(const QString& text) const;
    // How the packet is stored, by its first "<" or byte order mark, and
    // its text up to the first zero character, as containers pad packets.
    static Encoding encodingOf(QByteArrayView bytes);
    static int unitOf(Encoding encoding);
    static QByteArrayView unpadded(QByteArrayView bytes, Encoding encoding);
    // The text decoded; what had to be mended is said in repairs.
    static Result<QString> decoded(QByteArrayView text, Encoding encoding, QStringList* repairs);

    QByteArray m_bytes;
    Encoding m_encoding = Encoding::Utf8;
    qsizetype m_rdfEnd = 0; // the text up to the RDF's end tag, which every edit lies before
    QString m_text;
    QStringList m_repairs;
    QString m_rdfPrefix = QStringLiteral("rdf");
    QList<Description> m_descriptions;
    QList<Property> m_properties;
    QHash<QString, QString> m_namespaceOfPrefix; // every declaration of the packet
    QVariantMap m_values;
};
