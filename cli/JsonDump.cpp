#include "cli/JsonDump.h"

#include <QJsonDocument>
#include <QJsonObject>

QByteArray dictionaryToJson(const QVariantMap& dictionary) {
    return QJsonDocument(QJsonObject::fromVariantMap(dictionary)).toJson(QJsonDocument::Indented);
}
