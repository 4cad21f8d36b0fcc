#pragma once

#include "metadata/PhotoProperties.h"
#include "metadata/Result.h"
#include "metadata/RewriteRequest.h"

#include <QByteArray>
#include <QVariantMap>

// Requests to the metadata worker and its answers: one CBOR map each, sent
// as a frame of a 4-byte big-endian length and the encoded map.
namespace WorkerProtocol {

// The operations and the keys of their maps, named once for both sides.
namespace Op {
inline const QString Read = QStringLiteral("read");
inline const QString Preview = QStringLiteral("preview");
inline const QString Rewrite = QStringLiteral("rewrite");
} // namespace Op
namespace Key {
inline const QString Op = QStringLiteral("op");
inline const QString Ok = QStringLiteral("ok");
inline const QString Error = QStringLiteral("error");
inline const QString Path = QStringLiteral("path");
inline const QString Output = QStringLiteral("output");
inline const QString MaxSide = QStringLiteral("maxSide");
inline const QString Changes = QStringLiteral("changes");
inline const QString Overlay = QStringLiteral("overlay");
inline const QString Replaced = QStringLiteral("replaced");
inline const QString Container = QStringLiteral("container");
inline const QString Refusal = QStringLiteral("refusal");
inline const QString Modified = QStringLiteral("modified");
inline const QString DryRun = QStringLiteral("dryRun");
inline const QString RemoveAll = QStringLiteral("removeAll");
inline const QString Sidecar = QStringLiteral("sidecar"); // a job's policy, a photo's file
inline const QString SidecarKeys = QStringLiteral("sidecarKeys");
inline const QString Format = QStringLiteral("format");
inline const QString ImageCount = QStringLiteral("imageCount");
inline const QString Dictionary = QStringLiteral("dictionary");
inline const QString Warnings = QStringLiteral("warnings");
inline const QString Bytes = QStringLiteral("bytes");
inline const QString Width = QStringLiteral("width");
inline const QString Height = QStringLiteral("height");
inline const QString State = QStringLiteral("state");
inline const QString Reason = QStringLiteral("reason");
inline const QString NeedsSync = QStringLiteral("needsSync");
inline const QString Notes = QStringLiteral("notes");
inline const QString Remark = QStringLiteral("remark");
} // namespace Key

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
