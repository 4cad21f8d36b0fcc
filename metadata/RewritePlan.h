#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

// A photo to be written, as a run of pieces: new bytes, or ranges of the
// source file copied unchanged. Copying the ranges is left to the kernel,
// so a large photo's image data never passes through the process.
struct RewritePlan {
    struct Piece {
        QByteArray bytes;
        qint64 sourceOffset = -1; // >= 0: a range of the source
        qint64 length = 0;
        bool isSource() const { return sourceOffset >= 0; }
    };
    QList<Piece> pieces;
    QStringList notes; // what was repaired on the way, for the photo's outcome

    void addBytes(const QByteArray& bytes) {
        if (bytes.isEmpty())
            return;
        if (!pieces.isEmpty() && !pieces.last().isSource())
            pieces.last().bytes.append(bytes);
        else
            pieces.append({bytes, -1, 0});
    }
    void addSource(qint64 offset, qint64 length) {
        if (length <= 0)
            return;
        if (!pieces.isEmpty() && pieces.last().isSource() &&
            pieces.last().sourceOffset + pieces.last().length == offset)
            pieces.last().length += length;
        else
            pieces.append({QByteArray(), offset, length});
    }
    qint64 size() const {
        qint64 total = 0;
        for (const Piece& piece : pieces)
            total += piece.isSource() ? piece.length : piece.bytes.size();
        return total;
    }
    QByteArray assemble(const QByteArray& source) const {
        QByteArray out;
        out.reserve(qsizetype(size()));
        for (const Piece& piece : pieces) {
            if (piece.isSource())
                out.append(source.constData() + piece.sourceOffset, qsizetype(piece.length));
            else
                out.append(piece.bytes);
        }
        return out;
    }
};
