#include "editing/WorkingCopies.h"

#include "metadata/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QUrl>

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// A name that cannot be taken after this many tries means a folder no one
// should search further.
constexpr int maxNumberedNames = 10000;

// "file://" and the path, percent-encoded but for its slashes: what QUrl
// would write, at a fraction of the cost, once per written file.
QByteArray fileUrl(const QString& path) {
    return QByteArrayLiteral("file://") + QFile::encodeName(path).toPercentEncoding("/");
}

QString absoluteClean(const QString& path) {
    return QDir::cleanPath(path.startsWith(QLatin1Char('/')) ? path
                                                             : QFileInfo(path).absoluteFilePath());
}

QString folderOf(const QString& path) {
    return path.left(path.lastIndexOf(QLatin1Char('/')));
}

bool exists(const QString& path) {
    return ::access(QFile::encodeName(path).constData(), F_OK) == 0;
}

enum class AttributeState { Found, Missing, Unsupported };

// Tests stand in for a file system without extended attributes with
// TESSAVIEW_NO_XATTRS, as a FAT stick or some network shares are.
bool attributesRefused() {
    static const bool refused = qEnvironmentVariableIsSet("TESSAVIEW_NO_XATTRS");
    return refused;
}

struct AttributeRead {
    AttributeState state = AttributeState::Missing;
    QString origin;
};

AttributeRead readAttribute(const QString& path) {
    if (attributesRefused())
        return {AttributeState::Unsupported, {}};
    const QByteArray name = QFile::encodeName(path);
    QByteArray value(1024, Qt::Uninitialized);
    ssize_t length = ::getxattr(name.constData(), OriginAttribute, value.data(), value.size());
    if (length < 0 && errno == ERANGE) {
        length = ::getxattr(name.constData(), OriginAttribute, nullptr, 0);
        if (length > 0 && length <= 65536) {
            value.resize(length);
            length = ::getxattr(name.constData(), OriginAttribute, value.data(), value.size());
        }
    }
    if (length < 0)
        return {errno == ENOTSUP ? AttributeState::Unsupported : AttributeState::Missing, {}};
    value.truncate(length);
    const QUrl url = QUrl::fromEncoded(value);
    if (!url.isLocalFile())
        return {AttributeState::Missing, {}};
    return {AttributeState::Found, QDir::cleanPath(url.toLocalFile())};
}

// The index of a folder whose file system keeps no attributes: one line
// "NAME\tURL" per file, the last line of a name counting.
QHash<QString, QString> readIndex(const QString& folder) {
    QHash<QString, QString> index;
    QFile file(folder + QLatin1Char('/') + QLatin1String(OriginIndexName));
    // The index is ours and small; one of more than a few megabytes is not.
    if (file.size() > 16 * 1024 * 1024 || !file.open(QIODevice::ReadOnly))
        return index;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab <= 0)
            continue;
        const QUrl url = QUrl::fromEncoded(line.mid(tab + 1));
        if (url.isLocalFile())
            index.insert(QString::fromUtf8(line.left(tab)), QDir::cleanPath(url.toLocalFile()));
    }
    return index;
}

void writeIndex(const QString& folder, const QHash<QString, QString>& entries) {
    QHash<QString, QString> index = readIndex(folder);
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        index.insert(it.key(), it.value());
    QByteArray text;
    for (auto it = index.cbegin(); it != index.cend(); ++it) {
        if (exists(folder + QLatin1Char('/') + it.key()))
            text += it.key().toUtf8() + '\t' + fileUrl(it.value()) + '\n';
    }
    // Losing the index costs only names: a copy whose origin is unknown is
    // left alone and the next write takes a new name.
    (void)writeFileAtomically(folder + QLatin1Char('/') + QLatin1String(OriginIndexName), text,
                              SyncMode::Later);
}

// The origins of the files of one storage folder, as one batch asks them.
class Origins {
public:
    explicit Origins(QString folder) : m_folder(std::move(folder)) {}

    QString of(const QString& path) {
        const AttributeRead read = readAttribute(path);
        if (read.state == AttributeState::Found)
            return read.origin;
        if (!m_indexRead) {
            m_index = readIndex(m_folder);
            m_indexRead = true;
        }
        return m_index.value(QFileInfo(path).fileName());
    }

    // Whether the folder holds the name. A folder that is new or small is
    // listed once, so that a batch into it asks nothing per photo; a large
    // one is asked for each name.
    bool holds(const QString& name) {
        if (!m_listingTried) {
            m_listingTried = true;
            struct stat folder {};
            const QByteArray path = QFile::encodeName(m_folder);
            if (::stat(path.constData(), &folder) != 0) {
                m_listed = true; // no folder yet: nothing in it
            } else if (S_ISDIR(folder.st_mode) && folder.st_size <= 64 * 1024) {
                if (DIR* dir = ::opendir(path.constData())) {
                    while (const dirent* entry = ::readdir(dir))
                        m_names.insert(QFile::decodeName(entry->d_name));
                    ::closedir(dir);
                    m_listed = true;
                }
            }
        }
        if (m_listed)
            return m_names.contains(name);
        return exists(m_folder + QLatin1Char('/') + name);
    }

private:
    QString m_folder;
    bool m_indexRead = false;
    QHash<QString, QString> m_index;
    bool m_listingTried = false;
    bool m_listed = false;
    QSet<QString> m_names;
};

// The photo a file stands for: a file of the storage folder that was made
// from another photo stands for that photo, any other for itself.
QString originOfPhoto(const QString& input, const QString& folder, Origins& origins) {
    if (folderOf(input) == folder) {
        const QString recorded = origins.of(input);
        if (!recorded.isEmpty())
            return recorded;
    }
    return input;
}

// The first name of the wanted name's series that this photo may write:
// its own file, its own earlier copy, or a free name. Names the batch has
// given out count as taken by their photos.
QString nameFor(const QString& folder, const QString& wanted, const QString& input,
                const QString& origin, Origins& origins, const QHash<QString, QString>* claimed,
                bool freeNameWanted) {
    for (int number = 1; number <= maxNumberedNames; ++number) {
        const QString candidate = number == 1 ? wanted : numberedName(wanted, number);
        const QString path = folder + QLatin1Char('/') + candidate;
        if (claimed) {
            const auto it = claimed->constFind(candidate);
            if (it != claimed->cend()) {
                if (it.value() == origin)
                    return candidate;
                continue;
            }
        }
        if (path == input)
            return candidate;
        if (!origins.holds(candidate))
            return freeNameWanted ? candidate : QString();
        if (origins.of(path) == origin)
            return candidate;
    }
    return QString();
}

} // namespace

void OriginRecorder::record(const QString& path, const QString& origin) {
    const QByteArray url = fileUrl(origin);
    if (!attributesRefused() && ::setxattr(QFile::encodeName(path).constData(), OriginAttribute,
                                           url.constData(), size_t(url.size()), 0) == 0)
        return;
    if (!attributesRefused() && errno != ENOTSUP)
        return; // the name stays unknown: a later write takes a new name, nothing is lost
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const std::lock_guard lock(m_mutex);
    m_forIndex[path.left(slash)].insert(path.mid(slash + 1), origin);
}

void OriginRecorder::finish() {
    const std::lock_guard lock(m_mutex);
    for (auto it = m_forIndex.cbegin(); it != m_forIndex.cend(); ++it)
        writeIndex(it.key(), it.value());
    m_forIndex.clear();
}

QStringList originsOf(const std::vector<BatchTarget>& targets) {
    QStringList origins;
    origins.reserve(qsizetype(targets.size()));
    for (const BatchTarget& target : targets)
        origins << target.origin;
    return origins;
}

QString recordedOrigin(const QString& path) {
    const QString absolute = absoluteClean(path);
    return Origins(folderOf(absolute)).of(absolute);
}

QString numberedName(const QString& name, int number) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString suffix = QStringLiteral(" (%1)").arg(number);
    if (dot <= 0)
        return name + suffix;
    return name.left(dot) + suffix + name.mid(dot);
}

std::vector<BatchTarget> batchTargets(const std::vector<SelectedPhoto>& photos,
                                      const QString& storage, OutputForm form,
                                      const OutputNameOf& nameOf) {
    const QString folder = absoluteClean(storage);
    Origins origins(folder);
    QHash<QString, QString> claimed; // output name → the photo it was given to
    std::vector<BatchTarget> targets;
    targets.reserve(photos.size());
    for (const SelectedPhoto& photo : photos) {
        BatchTarget target;
        const QString name = nameOf ? nameOf(photo) : photo.fileName;
        const auto own = outputPath(folder, form, name);
        if (!own) {
            target.refusal = own.error();
        } else if (photo.inputPath.isEmpty()) {
            target.refusal = QStringLiteral("no downloaded copy");
        } else {
            const QString input = absoluteClean(photo.inputPath);
            target.origin = originOfPhoto(input, folder, origins);
            const QString working =
                nameFor(folder, photo.fileName, input, target.origin, origins, nullptr, false);
            target.input =
                working.isEmpty() ? photo.inputPath : folder + QLatin1Char('/') + working;
            const QString wanted = outputPrefix(form) + name;
            const QString given =
                nameFor(folder, wanted, input, target.origin, origins, &claimed, true);
            if (given.isEmpty()) {
                target.refusal =
                    QStringLiteral("no free name for %1 in the storage folder").arg(wanted);
            } else {
                target.output = folder + QLatin1Char('/') + given;
                target.renamed = given != wanted;
                claimed.insert(given, target.origin);
            }
        }
        targets.push_back(std::move(target));
    }
    return targets;
}

BatchTask taskFor(const BatchTarget& target, std::function<PhotoOutcome(MetadataService&)> run) {
    BatchTask task{target.input, target.output, std::move(run), target.origin};
    if (!target.refusal.isEmpty())
        task.run = [input = target.input, reason = target.refusal](MetadataService&) {
            return PhotoOutcome{PhotoOutcome::State::Skipped, input, QString(), reason, false};
        };
    return task;
}

SelectedPhoto readFrom(const SelectedPhoto& photo, const BatchTarget& target) {
    SelectedPhoto read = photo;
    if (!target.input.isEmpty())
        read.inputPath = target.input;
    return read;
}

OperationReport reportOf(std::vector<PhotoOutcome> outcomes,
                         const std::vector<SelectedPhoto>& photos,
                         const std::vector<BatchTarget>& targets) {
    for (size_t i = 0; i < outcomes.size() && i < photos.size(); ++i) {
        PhotoOutcome& outcome = outcomes[i];
        if (!photos[i].inputPath.isEmpty())
            outcome.inputPath = photos[i].inputPath;
        outcome.renamed = outcome.written() && targets[i].renamed;
    }
    return OperationReport::from(outcomes);
}

QString workingCopyOf(const QString& photoPath, const QString& storage) {
    if (photoPath.isEmpty() || storage.isEmpty())
        return QString();
    const SelectedPhoto photo(0, photoPath, QFileInfo(photoPath).fileName());
    const BatchTarget target = batchTargets({photo}, storage, OutputForm::PlainName).front();
    return absoluteClean(target.input) == absoluteClean(photoPath) ? QString() : target.input;
}
