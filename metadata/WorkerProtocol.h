#pragma once

#include "metadata/PhotoProperties.h"
#include "metadata/Result.h"
#include "metadata/RewriteRequest.h"

#include <QByteArray>
#include <QVariantMap>

// Requests to the metadata worker and its answers: one CBOR map each, sent
// as a frame of a 4-byte big-endian length and the encoded map.
namespace WorkerProtocol {

QByteArray encode(const QVariantMap& message);
std::optional<QVariantMap> decode(const QByteArray& frame);

QVariantMap readRequest(const QString& path);
QVariantMap previewRequest(const QString& path, int maxSide);
QVariantMap rewriteRequest(const RewriteJob& job);
RewriteJob jobOf(const QVariantMap& request);

QVariantMap propertiesAnswer(const Result<PhotoProperties>& result);
Result<PhotoProperties> propertiesOf(const QVariantMap& answer);
QVariantMap previewAnswer(const Result<PhotoPreview>& result);
Result<PhotoPreview> previewOf(const QVariantMap& answer);
QVariantMap outcomeAnswer(const PhotoOutcome& outcome);
PhotoOutcome outcomeOf(const QVariantMap& answer, const RewriteJob& job);

// The file a request names, for the messages and fault reports.
QString pathOf(const QVariantMap& request);

enum class FrameStatus { Ok, Closed, TimedOut, Invalid };
bool writeFrame(int fd, const QByteArray& payload);
// Waits at most timeoutMs for a whole frame (a negative timeout waits for ever).
FrameStatus readFrame(int fd, QByteArray* payload, int timeoutMs);

} // namespace WorkerProtocol
