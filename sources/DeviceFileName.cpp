#include "sources/DeviceFileName.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

namespace {

// Names longer than a file system takes are cut, keeping the extension.
constexpr int maxNameBytes = 200;

bool isUnsafeCharacter(QChar c) {
    const ushort u = c.unicode();
    if (u < 0x20 || u == 0x7f || (u >= 0x80 && u <= 0x9f))
        return true;
    if (u == 0xfffd) // where the bytes were not UTF-8
        return true;
    // Bidirectional overrides and other invisible characters can make a
    // name read as another one.
    return c.category() == QChar::Other_Format || c.isSurrogate() ||
           c.category() == QChar::Other_NotAssigned;
}

QString decoded(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Default);
    return decoder.decode(bytes);
}

QString cutToLength(const QString& name) {
    if (name.toUtf8().size() <= maxNameBytes)
        return name;
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    QString extension = dot > 0 && name.size() - dot <= 10 ? name.mid(dot) : QString();
    QString stem = name.left(name.size() - extension.size());
    while (!stem.isEmpty() && (stem + extension).toUtf8().size() > maxNameBytes)
        stem.chop(1);
    if (!stem.isEmpty() && stem.back().isHighSurrogate())
        stem.chop(1);
    return stem + extension;
}

} // namespace

QString safeDeviceFileName(const QByteArray& deviceName) {
    // Each step of a path-like name that means something is kept, joined by
    // "_": "DCIM/IMG_1.JPG" stays readable, "../../x" becomes "x".
    QStringList parts;
    const QString text = decoded(deviceName);
    for (QString part : text.split(QRegularExpression(QStringLiteral("[/\\\\]")))) {
        QString clean;
        for (const QChar c : part)
            clean += isUnsafeCharacter(c) ? QLatin1Char('_') : c;
        clean = clean.trimmed();
        if (clean.isEmpty() || clean == QLatin1String(".") || clean == QLatin1String(".."))
            continue;
        parts << clean;
    }
    QString name = parts.join(QLatin1Char('_'));
    // Hidden files are not what a person downloads.
    while (name.startsWith(QLatin1Char('.')) || name.startsWith(QLatin1Char(' ')))
        name.remove(0, 1);
    // "-rf" and the like stay file names in a shell too.
    if (name.startsWith(QLatin1Char('-')))
        name.replace(0, 1, QLatin1Char('_'));
    name = cutToLength(name.trimmed());
    if (name.isEmpty() || name.count(QLatin1Char('_')) == name.size())
        name = QStringLiteral("unnamed");
    return name;
}

QString numberedFileName(const QString& name, int number) {
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    if (dot <= 0)
        return QStringLiteral("%1 (%2)").arg(name).arg(number);
    return QStringLiteral("%1 (%2)%3").arg(name.left(dot)).arg(number).arg(name.mid(dot));
}

Result<QString> pathInsideFolder(const QString& folder, const QString& name) {
    using R = Result<QString>;
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('/')) || name.contains(QChar(0)))
        return R::fail(QStringLiteral("\"%1\" is not a plain file name").arg(name));
    const QString base = QFileInfo(folder).canonicalFilePath();
    if (base.isEmpty())
        return R::fail(QStringLiteral("the folder %1 does not exist").arg(folder));
    const QString path = base + QLatin1Char('/') + name;
    if (QFileInfo(QDir::cleanPath(path)).absolutePath() != base)
        return R::fail(QStringLiteral("\"%1\" would leave %2").arg(name, folder));
    return R::ok(path);
}
