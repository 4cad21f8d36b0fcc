#include "templates/PropertyListCodec.h"

#include <plist/plist.h>

#include <memory>

namespace {

struct PlistDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistNode = std::unique_ptr<void, PlistDeleter>;

plist_t nodeOf(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        plist_t dict = plist_new_dict();
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (plist_t child = nodeOf(it.value()))
                plist_dict_set_item(dict, it.key().toUtf8().constData(), child);
        }
        return dict;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        plist_t array = plist_new_array();
        for (const QVariant& item : value.toList()) {
            if (plist_t child = nodeOf(item))
                plist_array_append_item(array, child);
        }
        return array;
    }
    case QMetaType::Bool:
        return plist_new_bool(value.toBool());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return plist_new_uint(uint64_t(value.toLongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), uint64_t(bytes.size()));
    }
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        return nullptr; // a removal marker has no form in a property list
    default:
        return plist_new_string(value.toString().toUtf8().constData());
    }
}

QVariant valueOf(plist_t node) {
    switch (plist_get_node_type(node)) {
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        for (;;) {
            char* key = nullptr;
            plist_t child = nullptr;
            plist_dict_next_item(node, iter, &key, &child);
            if (!key)
                break;
            map.insert(QString::fromUtf8(key), valueOf(child));
            free(key);
        }
        free(iter);
        return map;
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t size = plist_array_get_size(node);
        for (uint32_t i = 0; i < size; ++i)
            list << valueOf(plist_array_get_item(node, i));
        return list;
    }
    case PLIST_STRING: {
        char* text = nullptr;
        plist_get_string_val(node, &text);
        const QString result = QString::fromUtf8(text);
        free(text);
        return result;
    }
    case PLIST_BOOLEAN: {
        uint8_t flag = 0;
        plist_get_bool_val(node, &flag);
        return bool(flag);
    }
    case PLIST_UINT: {
        uint64_t number = 0;
        plist_get_uint_val(node, &number);
        return qlonglong(number);
    }
    case PLIST_REAL: {
        double number = 0;
        plist_get_real_val(node, &number);
        return number;
    }
    case PLIST_DATA: {
        char* data = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &data, &length);
        const QByteArray bytes(data, qsizetype(length));
        free(data);
        return bytes;
    }
    default:
        return {};
    }
}

} // namespace

QByteArray toXmlPropertyList(const QVariantMap& dictionary) {
    PlistNode root(nodeOf(dictionary));
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(static_cast<plist_t>(root.get()), &xml, &length);
    const QByteArray result(xml, qsizetype(length));
    plist_to_xml_free(xml);
    return result;
}

Result<QVariantMap> fromXmlPropertyList(const QByteArray& xml) {
    plist_t parsed = nullptr;
    plist_from_xml(xml.constData(), uint32_t(xml.size()), &parsed);
    PlistNode root(parsed);
    if (!parsed || plist_get_node_type(parsed) != PLIST_DICT)
        return Result<QVariantMap>::fail(
            QStringLiteral("not a property list with a dictionary at its root"));
    return Result<QVariantMap>::ok(valueOf(parsed).toMap());
}
