#include "metadata/WorkerProtocol.h"

#include <QDeadlineTimer>
#include <QTimeZone>

#include <cerrno>
#include <cstring>
#include <limits>
#include <map>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace WorkerProtocol {
namespace {

using namespace Key;
constexpr quint32 maximumFrame = 1u << 30;

QVariantMap failure(const QString& why) {
    return {{Ok, false}, {Error, why}};
}

} // namespace

QVariantMap readRequest(const QString& path) {
    return {{Key::Op, Op::Read}, {Path, path}};
}

QVariantMap previewRequest(const QString& path, int maxSide) {
    return {{Key::Op, Op::Preview}, {Path, path}, {Key::MaxSide, maxSide}};
}

QVariantMap rewriteRequest(const RewriteJob& job) {
    QVariantMap request{{Key::Op, Op::Rewrite},
                        {Path, job.inputPath},
                        {Key::Output, job.outputPath},
                        {Key::Changes, job.changes},
                        {Key::Overlay, job.overlaySourceProperties},
                        {Key::Replaced, job.replacedSets},
                        {Key::Container, job.containerProperties},
                        {Key::Refusal, job.refusal}};
    if (job.fileModified)
        request.insert(Key::Modified, job.fileModified->toMSecsSinceEpoch());
    if (job.dryRun)
        request.insert(Key::DryRun, true);
    if (job.removeAll)
        request.insert(Key::RemoveAll, true);
    if (job.sidecar != SidecarPolicy::Present)
        request.insert(Key::Sidecar, int(job.sidecar));
    return request;
}

RewriteJob jobOf(const QVariantMap& request) {
    RewriteJob job;
    job.inputPath = request.value(Path).toString();
    job.outputPath = request.value(Key::Output).toString();
    job.changes = request.value(Key::Changes).toMap();
    job.overlaySourceProperties = request.value(Key::Overlay).toBool();
    job.replacedSets = request.value(Key::Replaced).toStringList();
    job.containerProperties = request.value(Key::Container).toMap();
    job.refusal = request.value(Key::Refusal).toString();
    job.dryRun = request.value(Key::DryRun).toBool();
    job.removeAll = request.value(Key::RemoveAll).toBool();
    job.sidecar = SidecarPolicy(request.value(Key::Sidecar, int(SidecarPolicy::Present)).toInt());
    const QVariant modified = request.value(Key::Modified);
    // In UTC: a date in local time would consult the time zone file again
    // for every photo when the worker converts it back to set the file's date.
    if (modified.isValid())
        job.fileModified = QDateTime::fromMSecsSinceEpoch(modified.toLongLong(), QTimeZone::utc());
    return job;
}

QString pathOf(const QVariantMap& request) {
    return request.value(Path).toString();
}

QVariantMap propertiesAnswer(const Result<PhotoProperties>& result) {
    if (!result)
        return failure(result.error());
    QVariantMap answer{{Ok, true},
                       {Key::Format, int(result->format)},
                       {Key::ImageCount, result->imageCount},
                       {Key::Dictionary, result->dictionary}};
    // Only when there are any, so an answer without warnings is the same
    // frame as before and either side reads the other's.
    if (!result->warnings.isEmpty())
        answer.insert(Key::Warnings, result->warnings);
    if (!result->sidecarPath.isEmpty()) {
        answer.insert(Key::Sidecar, result->sidecarPath);
        answer.insert(Key::SidecarKeys, result->sidecarKeys);
    }
    return answer;
}

namespace {
// A failure's reason; a damaged or foreign answer still gets one.
QString reasonOf(const QVariantMap& answer) {
    const QString why = answer.value(Error).toString();
    return why.isEmpty() ? QStringLiteral("the metadata worker gave no usable answer") : why;
}
} // namespace

Result<PhotoProperties> propertiesOf(const QVariantMap& answer) {
    if (!answer.value(Ok).toBool())
        return Result<PhotoProperties>::fail(reasonOf(answer));
    PhotoProperties properties;
    // A format the table does not name (from a damaged worker) is none.
    const int format = answer.value(Key::Format).toInt();
    properties.format =
        format >= 0 && format <= int(PhotoFormat::Mrw) ? PhotoFormat(format) : PhotoFormat::Unknown;
    properties.imageCount = answer.value(Key::ImageCount).toInt();
    properties.dictionary = answer.value(Key::Dictionary).toMap();
    properties.warnings = answer.value(Key::Warnings).toStringList();
    properties.sidecarPath = answer.value(Key::Sidecar).toString();
    properties.sidecarKeys = answer.value(Key::SidecarKeys).toStringList();
    return Result<PhotoProperties>::ok(std::move(properties));
}

QVariantMap previewAnswer(const Result<PhotoPreview>& result) {
    if (!result)
        return failure(result.error());
    return {{Ok, true},
            {Key::Bytes, result->bytes},
            {Key::Width, result->size.width()},
            {Key::Height, result->size.height()}};
}

Result<PhotoPreview> previewOf(const QVariantMap& answer) {
    if (!answer.value(Ok).toBool())
        return Result<PhotoPreview>::fail(reasonOf(answer));
    PhotoPreview preview;
    preview.bytes = answer.value(Key::Bytes).toByteArray();
    preview.size = QSize(answer.value(Key::Width).toInt(), answer.value(Key::Height).toInt());
    return Result<PhotoPreview>::ok(std::move(preview));
}

QVariantMap outcomeAnswer(const PhotoOutcome& outcome) {
    QVariantMap answer{{Key::State, int(outcome.state)},
                       {Key::Reason, outcome.reason},
                       {Key::NeedsSync, outcome.needsSync},
                       {Key::Notes, outcome.notes}};
    if (!outcome.remark.isEmpty())
        answer.insert(Key::Remark, outcome.remark);
    if (!outcome.changes.isEmpty()) {
        QVariantList changes;
        for (const KeyChange& change : outcome.changes)
            changes << QVariant(QVariantList{change.key, change.from, change.to});
        answer.insert(Key::Changes, changes);
    }
    return answer;
}

PhotoOutcome outcomeOf(const QVariantMap& answer, const RewriteJob& job) {
    PhotoOutcome outcome;
    outcome.inputPath = job.inputPath;
    outcome.outputPath = job.outputPath;
    // Only a state the worker sends counts: an answer without one (the
    // written state is 0) must never read as written.
    const QVariant state = answer.value(Key::State);
    const bool whole = state.typeId() == QMetaType::Int || state.typeId() == QMetaType::LongLong;
    const qlonglong value = state.toLongLong();
    if (!whole || (value != qlonglong(PhotoOutcome::State::Written) &&
                   value != qlonglong(PhotoOutcome::State::Skipped))) {
        outcome.state = PhotoOutcome::State::Skipped;
        outcome.reason = reasonOf(answer);
        return outcome;
    }
    outcome.state = PhotoOutcome::State(value);
    outcome.reason = answer.value(Key::Reason).toString();
    if (outcome.skipped() && outcome.reason.isEmpty())
        outcome.reason = reasonOf(answer);
    outcome.needsSync = answer.value(Key::NeedsSync).toBool();
    outcome.notes = answer.value(Key::Notes).toStringList();
    outcome.remark = answer.value(Key::Remark).toString();
    for (const QVariant& item : answer.value(Key::Changes).toList()) {
        const QVariantList change = item.toList();
        if (change.size() == 3)
            outcome.changes.append({change[0].toString(), change[1], change[2]});
    }
    return outcome;
}

bool writeFrame(int fd, const QByteArray& payload) {
    QByteArray frame(4, Qt::Uninitialized);
    const quint32 size = quint32(payload.size());
    for (int i = 0; i < 4; ++i)
        frame[i] = char((size >> (24 - 8 * i)) & 0xff);
    frame += payload;
    const char* data = frame.constData();
    qsizetype left = frame.size();
    while (left > 0) {
        // MSG_NOSIGNAL: a worker that died must not take the caller with it.
        const ssize_t sent = ::send(fd, data, size_t(left), MSG_NOSIGNAL);
        if (sent < 0 && errno == ENOTSOCK) {
            const ssize_t written = ::write(fd, data, size_t(left));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            data += written;
            left -= written;
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        left -= sent;
    }
    return true;
}

namespace {
// A payload mostly arrives with its header: it is taken without waiting
// first when the caller expects it, which saves a call per frame.
FrameStatus readExactly(int fd, char* into, qsizetype size, const QDeadlineTimer& deadline,
                        bool expected = false) {
    if (expected && size > 0) {
        const ssize_t got = ::recv(fd, into, size_t(size), MSG_DONTWAIT);
        if (got == 0)
            return FrameStatus::Closed;
        if (got > 0) {
            into += got;
            size -= got;
        } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ENOTSOCK) {
            return FrameStatus::Closed;
        }
    }
    while (size > 0) {
        pollfd waiting{fd, POLLIN, 0};
        const qint64 remaining = deadline.remainingTime();
        if (remaining == 0)
            return FrameStatus::TimedOut;
        const int ready =
            ::poll(&waiting, 1, remaining < 0 ? -1 : int(std::min<qint64>(remaining, 1 << 30)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return FrameStatus::Closed;
        if (ready == 0)
            return FrameStatus::TimedOut;
        const ssize_t got = ::read(fd, into, size_t(size));
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0)
            return FrameStatus::Closed;
        into += got;
        size -= got;
    }
    return FrameStatus::Ok;
}
} // namespace

FrameStatus readFrame(int fd, QByteArray* payload, int timeoutMs) {
    const QDeadlineTimer deadline =
        timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs);
    char header[4];
    FrameStatus status = readExactly(fd, header, 4, deadline);
    if (status != FrameStatus::Ok)
        return status;
    quint32 size = 0;
    for (char byte : header)
        size = (size << 8) | quint8(byte);
    if (size > maximumFrame)
        return FrameStatus::Invalid;
    payload->resize(qsizetype(size));
    return readExactly(fd, payload->data(), payload->size(), deadline, true);
}

} // namespace WorkerProtocol
