#include "metadata/CanonicalPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <sys/stat.h>

namespace {

// Below this many paths in one folder, asking after each costs less than
// listing a folder that may hold many more files.
constexpr int smallestListed = 32;

} // namespace

QString CanonicalPaths::absolute(const QString& path) {
    if (!QDir::isRelativePath(path))
        return path;
    if (m_workingFolder.isEmpty())
        m_workingFolder = QDir::currentPath();
    return m_workingFolder + QLatin1Char('/') + path;
}

void CanonicalPaths::expect(const QStringList& paths) {
    QHash<QString, int> counts;
    for (const QString& path : paths) {
        if (!path.isEmpty())
            ++counts[QFileInfo(absolute(path)).absolutePath()];
    }
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() < smallestListed || m_listings.contains(it.key()))
            continue;
        DIR* folder = ::opendir(QFile::encodeName(it.key()).constData());
        if (!folder)
            continue; // each of its paths is asked after instead
        QHash<QByteArray, unsigned char>& listing = m_listings[it.key()];
        while (const dirent* entry = ::readdir(folder))
            listing.insert(QByteArray(entry->d_name), entry->d_type);
        ::closedir(folder);
    }
}

// What lstat() would say: the listing answers for a listed folder, except
// where it does not know an entry's type.
bool CanonicalPaths::isLink(const QString& path, const QString& folder, const QString& name) {
    const auto listing = m_listings.constFind(folder);
    if (listing != m_listings.cend()) {
        const auto entry = listing->constFind(QFile::encodeName(name));
        if (entry == listing->cend())
            return false;
        if (*entry != DT_UNKNOWN)
            return *entry == DT_LNK;
    }
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISLNK(status.st_mode);
}

QString CanonicalPaths::of(const QString& path) {
    const QFileInfo info(absolute(path));
    const QString folder = info.absolutePath();
    if (isLink(path, folder, info.fileName()))
        return QFileInfo(path).canonicalFilePath();
    auto known = m_folders.constFind(folder);
    if (known == m_folders.cend()) {
        const QString resolved = QFileInfo(folder).canonicalFilePath();
        if (resolved.isEmpty())
            return QDir::cleanPath(folder) + QLatin1Char('/') + info.fileName();
        known = m_folders.insert(folder, resolved);
    }
    return *known + QLatin1Char('/') + info.fileName();
}
