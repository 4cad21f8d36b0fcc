#include "templates/PropertyListCodec.h"
#include "templates/PropertyListReaders.h"

#include <QDateTime>
#include <QSet>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cmath>

namespace {

using namespace PropertyListLimits;

class XmlReader {
public:
    explicit XmlReader(const QByteArray& bytes) : m_xml(bytes) {
        // No entity is ever expanded: a document that declares one is refused.
        m_xml.setEntityExpansionLimit(0);
    }

    Result<QVariant> read() {
        using R = Result<QVariant>;
        std::optional<QVariant> root;
        while (!m_xml.atEnd()) {
            const auto token = m_xml.readNext();
            if (token == QXmlStreamReader::DTD) {
                if (!m_xml.entityDeclarations().isEmpty() ||
                    !m_xml.notationDeclarations().isEmpty())
                    return R::fail(QStringLiteral("the document type declares entities"));
                continue;
            }
            if (token == QXmlStreamReader::EntityReference)
                return R::fail(
                    QStringLiteral("an entity reference (&%1;)").arg(m_xml.name().toString()));
            if (token != QXmlStreamReader::StartElement)
                continue;
            if (m_xml.name() != QLatin1String("plist") || root)
                return R::fail(
                    QStringLiteral("<%1> where <plist> belongs").arg(m_xml.name().toString()));
            auto value = readPlistBody();
            if (!value)
                return value;
            root = value.value();
        }
        if (m_xml.hasError())
            return R::fail(QStringLiteral("not well-formed XML: %1 (line %2)")
                               .arg(m_xml.errorString())
                               .arg(m_xml.lineNumber()));
        if (!root)
            return R::fail(QStringLiteral("no <plist> element"));
        return R::ok(*root);
    }

private:
    Result<QVariant> readPlistBody() {
        using R = Result<QVariant>;
        std::optional<QVariant> value;
        while (nextChild()) {
            if (value)
                return R::fail(QStringLiteral("more than one value in <plist>"));
            auto read = readValue(1);
            if (!read)
                return read;
            value = read.value();
        }
        if (!m_error.isEmpty())
            return R::fail(m_error);
        if (!value)
            return R::fail(QStringLiteral("an empty <plist>"));
        return R::ok(*value);
    }

    // Advances to the next child element of the current one: false at its
    // end (or on an error, which m_error then holds). Text between elements
    // must be blank.
    bool nextChild() {
        while (!m_xml.atEnd()) {
            const auto token = m_xml.readNext();
            switch (token) {
            case QXmlStreamReader::StartElement:
                return true;
            case QXmlStreamReader::EndElement:
                return false;
            case QXmlStreamReader::Characters:
                if (!m_xml.isWhitespace()) {
                    m_error = QStringLiteral("stray text \"%1\"").arg(m_xml.text().left(40));
                    return false;
                }
                break;
            case QXmlStreamReader::EntityReference:
                m_error = QStringLiteral("an entity reference (&%1;)").arg(m_xml.name().toString());
                return false;
            case QXmlStreamReader::Comment:
            case QXmlStreamReader::ProcessingInstruction:
                break;
            default:
                m_error = QStringLiteral("unexpected content");
                return false;
            }
        }
        if (m_xml.hasError())
            m_error = QStringLiteral("not well-formed XML: %1 (line %2)")
                          .arg(m_xml.errorString())
                          .arg(m_xml.lineNumber());
        return false;
    }

    Result<QString> text() {
        const QString value = m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (m_xml.hasError())
            return Result<QString>::fail(QStringLiteral("not well-formed XML: %1 (line %2)")
                                             .arg(m_xml.errorString())
                                             .arg(m_xml.lineNumber()));
        return Result<QString>::ok(value);
    }

    Result<QVariant> readValue(int depth) {
        using R = Result<QVariant>;
        if (depth > MaxDepth)
            return R::fail(QStringLiteral("nested deeper than %1 levels").arg(MaxDepth));
        if (++m_objects > MaxObjects)
            return R::fail(QStringLiteral("more than %1 objects").arg(MaxObjects));
        const QString name = m_xml.name().toString();
        if (name == QLatin1String("dict"))
            return readDict(depth);
        if (name == QLatin1String("array")) {
            QVariantList items;
            while (nextChild()) {
                auto item = readValue(depth + 1);
                if (!item)
                    return item;
                items << item.value();
            }
            if (!m_error.isEmpty())
                return R::fail(m_error);
            return R::ok(items);
        }
        if (name == QLatin1String("true") || name == QLatin1String("false")) {
            const auto body = text();
            if (!body)
                return R::fail(body.error());
            if (!body->isEmpty())
                return R::fail(QStringLiteral("text inside <%1/>").arg(name));
            return R::ok(name == QLatin1String("true"));
        }
        const auto body = text();
        if (!body)
            return R::fail(body.error());
        const QString value = body.value();
        if (name == QLatin1String("string"))
            return R::ok(value);
        if (name == QLatin1String("integer")) {
            bool ok = false;
            const qlonglong number = value.trimmed().toLongLong(&ok, 10);
            if (!ok)
                return R::fail(
                    QStringLiteral("\"%1\" is not a 64-bit integer").arg(value.left(40)));
            return R::ok(number);
        }
        if (name == QLatin1String("real")) {
            bool ok = false;
            const double number = value.trimmed().toDouble(&ok);
            if (!ok)
                return R::fail(QStringLiteral("\"%1\" is not a number").arg(value.left(40)));
            return R::ok(number);
        }
        if (name == QLatin1String("date")) {
            const QDateTime when = QDateTime::fromString(value.trimmed(), Qt::ISODate);
            if (!when.isValid())
                return R::fail(QStringLiteral("\"%1\" is not a date").arg(value.left(40)));
            return R::ok(when.toUTC());
        }
        if (name == QLatin1String("data")) {
            QByteArray encoded = value.toLatin1();
            encoded.replace(' ', "").replace('\n', "").replace('\t', "").replace('\r', "");
            const auto decoded =
                QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
            if (!decoded)
                return R::fail(QStringLiteral("<data> that is not base64"));
            return R::ok(decoded.decoded);
        }
        return R::fail(QStringLiteral("unknown element <%1>").arg(name));
    }

    Result<QVariant> readDict(int depth) {
        using R = Result<QVariant>;
        QVariantMap map;
        while (nextChild()) {
            if (m_xml.name() != QLatin1String("key"))
                return R::fail(
                    QStringLiteral("<%1> where a <key> belongs").arg(m_xml.name().toString()));
            const auto key = text();
            if (!key)
                return R::fail(key.error());
            if (map.contains(key.value()))
                return R::fail(QStringLiteral("the key \"%1\" twice").arg(key.value().left(40)));
            if (!nextChild())
                return R::fail(m_error.isEmpty()
                                   ? QStringLiteral("the key \"%1\" has no value").arg(key.value())
                                   : m_error);
            auto value = readValue(depth + 1);
            if (!value)
                return value;
            map.insert(key.value(), value.value());
        }
        if (!m_error.isEmpty())
            return R::fail(m_error);
        return R::ok(map);
    }

    QXmlStreamReader m_xml;
    qint64 m_objects = 0;
    QString m_error;
};

void writeValue(QXmlStreamWriter& xml, const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        xml.writeStartElement(QStringLiteral("dict"));
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (!it.value().isValid() || it.value().typeId() == QMetaType::Nullptr)
                continue;
            xml.writeTextElement(QStringLiteral("key"), it.key());
            writeValue(xml, it.value());
        }
        xml.writeEndElement();
        return;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        xml.writeStartElement(QStringLiteral("array"));
        for (const QVariant& item : value.toList()) {
            if (item.isValid() && item.typeId() != QMetaType::Nullptr)
                writeValue(xml, item);
        }
        xml.writeEndElement();
        return;
    case QMetaType::Bool:
        xml.writeEmptyElement(value.toBool() ? QStringLiteral("true") : QStringLiteral("false"));
        return;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
        xml.writeTextElement(QStringLiteral("integer"), QString::number(value.toLongLong()));
        return;
    case QMetaType::ULongLong:
        xml.writeTextElement(QStringLiteral("integer"), QString::number(value.toULongLong()));
        return;
    case QMetaType::Double:
    case QMetaType::Float: {
        const double x = value.toDouble();
        xml.writeTextElement(QStringLiteral("real"), std::isfinite(x)
                                                         ? QString::number(x, 'g', 17)
                                                         : QString(std::isnan(x) ? "nan"
                                                                   : x > 0       ? "+infinity"
                                                                                 : "-infinity"));
        return;
    }
    case QMetaType::QDateTime:
        xml.writeTextElement(QStringLiteral("date"),
                             value.toDateTime().toUTC().toString(Qt::ISODate));
        return;
    case QMetaType::QByteArray:
        xml.writeTextElement(QStringLiteral("data"),
                             QString::fromLatin1(value.toByteArray().toBase64()));
        return;
    default:
        xml.writeTextElement(QStringLiteral("string"), value.toString());
        return;
    }
}

} // namespace

Result<QVariant> readXmlPropertyList(const QByteArray& bytes) {
    return XmlReader(bytes).read();
}

QByteArray toXmlPropertyList(const QVariantMap& dictionary) {
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(-1); // one tab a level
    xml.writeStartDocument(QStringLiteral("1.0"));
    xml.writeDTD(QStringLiteral("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"));
    xml.writeStartElement(QStringLiteral("plist"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    writeValue(xml, dictionary);
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}
