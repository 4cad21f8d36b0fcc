#include "metadata/engine/PropertyWriter.h"

#include "metadata/engine/LibraryWriter.h"
#include "metadata/engine/SidecarOnlyPlan.h"
#include "metadata/engine/WritePlan.h"
#include "metadata/engine/WriteVerification.h"

namespace {

// What a writer made of the photo, and which writer it was; of the library,
// why the container's writer left the photo to it.
struct Written {
    RewritePlan plan;
    WrittenBy by = WrittenBy::Us;
    QString declined;
};

// One writer per photo: its container's, and where that answers "not mine",
// the metadata library's. A refusal is final: the library is never asked to
// do what a writer found wrong.
Result<Written> write(const QByteArray& source, const WritePlan& plan) {
    using R = Result<Written>;
    std::optional<ContainerAnswer> answer;
    try {
        answer = plan.inPlace(source, plan.edit);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& error) {
        return R::fail(
            QStringLiteral("metadata library error: %1").arg(QString::fromLocal8Bit(error.what())));
    }
    if (answer->kind() == ContainerAnswer::Kind::Refused)
        return R::fail(answer->result().error());
    if (answer->kind() == ContainerAnswer::Kind::Planned)
        return R::ok({std::move(*answer).result().value(), WrittenBy::Us, QString()});
    if (plan.writer != WritePlan::Writer::InPlaceOrLibrary)
        return R::fail(QStringLiteral("format not writable"));
    const QString& declined = answer->result().error();
    auto written = rewriteWithLibrary(source, plan.format, plan.edit);
    if (!written)
        return R::fail(declined.isEmpty() ? written.error() : declined);
    return R::ok({std::move(written.value()), WrittenBy::Library, declined});
}

} // namespace

Result<RewritePlan> planRewrite(const QByteArray& source, const QVariantMap& changes,
                                const QVariantMap& containerProperties,
                                const QVariantMap* sourceDictionary,
                                std::shared_ptr<const TiffEditor> parsedExifBlock,
                                bool stripHidden) {
    using R = Result<RewritePlan>;
    const auto plan = planWrite(source, changes, containerProperties, sourceDictionary,
                                std::move(parsedExifBlock), stripHidden);
    if (!plan)
        return R::fail(plan.error());
    if (plan->writer == WritePlan::Writer::SidecarOnly)
        return planSidecarOnly(source, plan->format, plan->dictionary, plan->edit);
    auto written = write(source, plan.value());
    if (!written)
        return R::fail(written.error());
    // Should what the library wrote fail too, the reason the container's
    // writer gave for leaving the photo to it is the one told.
    const Status verified = verifyWrite(source, plan.value(), written->plan, written->by);
    if (!verified)
        return R::fail(written->declined.isEmpty() ? verified.error() : written->declined);
    return R::ok(std::move(written.value().plan));
}

Result<QByteArray> rewritePhoto(const QByteArray& source, const QVariantMap& changes,
                                const QVariantMap& containerProperties) {
    auto plan = planRewrite(source, changes, containerProperties);
    if (!plan)
        return Result<QByteArray>::fail(plan.error());
    return Result<QByteArray>::ok(plan->assemble(source));
}
