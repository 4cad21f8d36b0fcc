#include "editing/ChangePreview.h"

#include "metadata/DateText.h"
#include "metadata/FileTimes.h"
#include "metadata/MetadataService.h"
#include "metadata/PhotoFormat.h"
#include "metadata/PropertyKeys.h"
#include "metadata/PropertyValues.h"
#include "metadata/XmpMirrors.h"

using namespace PropertyKeys;

bool KeyChange::operator==(const KeyChange& other) const {
    return key == other.key && PropertyValues::same(from, other.from) &&
           PropertyValues::same(to, other.to) && isRemoval(from) == isRemoval(other.from) &&
           isRemoval(to) == isRemoval(other.to);
}

namespace {

// A key the writer would change: a removal of a key the photo has, or a value
// other than the photo's.
void compare(QList<KeyChange>& out, const QString& name, const QVariantMap& current,
             const QString& key, const QVariant& value) {
    const bool has = current.contains(key);
    if (isRemoval(value)) {
        if (has)
            out.append({name, current.value(key), removal()});
        return;
    }
    if (has && PropertyValues::same(current.value(key), value))
        return;
    out.append({name, has ? current.value(key) : removal(), value});
}

} // namespace

QList<KeyChange> previewChanges(const QVariantMap& dictionary, const QVariantMap& changes) {
    QList<KeyChange> out;
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (!isSetKey(it.key())) {
            compare(out, it.key(), dictionary, it.key(), it.value());
            continue;
        }
        const QVariantMap current = dictionary.value(it.key()).toMap();
        const QString prefix = it.key() + QLatin1Char('.');
        if (isRemoval(it.value())) {
            for (auto key = current.cbegin(); key != current.cend(); ++key)
                out.append({prefix + key.key(), key.value(), removal()});
            continue;
        }
        const QVariantMap values = it.value().toMap();
        for (auto key = values.cbegin(); key != values.cend(); ++key)
            compare(out, prefix + key.key(), current, key.key(), key.value());
    }
    return out;
}

QList<KeyChange> previewChanges(const QVariantMap& dictionary, const RewriteJob& job) {
    return previewChanges(dictionary, XmpMirrors::jobChanges(dictionary, job));
}

namespace {

PhotoChangePreview skippedPreview(const QString& input, const QString& reason) {
    return {input, reason, {}};
}

// The writer's first refusal, found before it is asked.
QString writeRefusal(const PhotoProperties& properties) {
    return isWritableFormat(properties.format) ? QString() : QStringLiteral("format not writable");
}

} // namespace

std::vector<PhotoChangePreview> previewJobs(const std::vector<RewriteJob>& jobs,
                                            MetadataService& service) {
    std::vector<PhotoChangePreview> previews;
    for (const RewriteJob& job : jobs) {
        if (!job.refusal.isEmpty()) {
            previews.push_back(skippedPreview(job.inputPath, job.refusal));
            continue;
        }
        const auto properties = service.readProperties(job.inputPath);
        if (!properties) {
            previews.push_back(skippedPreview(job.inputPath, properties.error()));
            continue;
        }
        if (const QString refusal = writeRefusal(properties.value()); !refusal.isEmpty()) {
            previews.push_back(skippedPreview(job.inputPath, refusal));
            continue;
        }
        previews.push_back({job.inputPath, QString(), previewChanges(properties->dictionary, job)});
    }
    return previews;
}

std::vector<PhotoChangePreview> previewRemoval(RemovalKind kind, SourceMode mode,
                                               const std::vector<SelectedPhoto>& photos,
                                               const QString& storage, MetadataService& service) {
    return previewJobs(removalJobs(kind, mode, photos, storage), service);
}

std::vector<PhotoChangePreview> previewDates(const std::vector<SelectedPhoto>& photos,
                                             const QString& storage, const DatePlanner& planner,
                                             MetadataService& service) {
    std::vector<PhotoChangePreview> previews;
    for (const SelectedPhoto& photo : photos) {
        const auto output = dateOutputPath(storage, photo);
        if (!output) {
            previews.push_back(skippedPreview(photo.inputPath, output.error()));
            continue;
        }
        const auto properties = service.readProperties(photo.inputPath);
        const DateChange change = planner(photo, properties, output.value());
        if (!change.skipReason.isEmpty()) {
            previews.push_back(skippedPreview(photo.inputPath, change.skipReason));
            continue;
        }
        PhotoChangePreview preview{photo.inputPath, QString(), {}};
        if (change.rewrite) {
            if (const QString refusal = writeRefusal(properties.value()); !refusal.isEmpty()) {
                previews.push_back(skippedPreview(photo.inputPath, refusal));
                continue;
            }
            RewriteJob job;
            job.changes = change.changes;
            job.containerProperties = change.containerProperties;
            preview.changes = previewChanges(properties->dictionary, job);
        } else if (const auto stamp = change.modified ? change.modified : change.created) {
            const auto times = readFileTimes(photo.inputPath);
            const QString to = DateText::normalise(DateText::timePointText(*stamp));
            const QString from =
                times ? DateText::normalise(DateText::timePointText(times->modified)) : QString();
            if (from != to)
                preview.changes.append({QStringLiteral("FileModificationDate"),
                                        from.isEmpty() ? removal() : QVariant(from), to});
        }
        previews.push_back(std::move(preview));
    }
    return previews;
}
