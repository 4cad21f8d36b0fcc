#pragma once

#include "metadata/Result.h"
#include "metadata/RewritePlan.h"

#include <QString>

#include <utility>

struct MetadataEdit;

// What a container writer makes of a photo. The writers change a photo's
// metadata where it lies and copy every other byte as it is; each answers
// with a plan, a refusal that says why (the photo is then skipped), or "not
// mine": a form it does not edit (a block that would outgrow its container,
// a second EXIF block), which the metadata library's writer takes then.
class ContainerAnswer {
public:
    enum class Kind { Planned, Refused, NotMine };

    // The writers speak in results: a plan, or a refusal with its reason.
    ContainerAnswer(Result<RewritePlan> result)
        : m_kind(result ? Kind::Planned : Kind::Refused), m_result(std::move(result)) {}
    // why says what made the form one the writer does not edit, for the
    // message should the library's writer fail on the photo too.
    static ContainerAnswer notMine(QString why = QString()) {
        ContainerAnswer answer(Result<RewritePlan>::fail(std::move(why)));
        answer.m_kind = Kind::NotMine;
        return answer;
    }

    Kind kind() const { return m_kind; }
    // The plan or the refusal; of a "not mine", the reason it gave.
    const Result<RewritePlan>& result() const& { return m_result; }
    Result<RewritePlan>&& result() && { return std::move(m_result); }

private:
    Kind m_kind;
    Result<RewritePlan> m_result;
};

// The size limit of a block where the container sets none: what the 32-bit
// offsets of a TIFF structure reach.
inline constexpr qsizetype Unlimited = qsizetype(0xfffffff0);

using ContainerWriter = ContainerAnswer (*)(const QByteArray& source, const MetadataEdit& edit);

ContainerAnswer rewriteJpegInPlace(const QByteArray& source, const MetadataEdit& edit);
ContainerAnswer rewriteTiffInPlace(const QByteArray& source, const MetadataEdit& edit);
ContainerAnswer rewritePngInPlace(const QByteArray& source, const MetadataEdit& edit);
ContainerAnswer rewriteWebpInPlace(const QByteArray& source, const MetadataEdit& edit);
ContainerAnswer rewriteHeifInPlace(const QByteArray& source, const MetadataEdit& edit);
