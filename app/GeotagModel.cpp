#include "app/GeotagModel.h"

#include <QDateTime>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>

GeotagModel::GeotagModel(QObject* parent) : QAbstractTableModel(parent) {}

void GeotagModel::setSelection(const std::vector<SelectedPhoto>& photos) {
    beginResetModel();
    m_photos.clear();
    for (const SelectedPhoto& photo : photos)
        m_photos.push_back({photo, {}, {}});
    m_instants.assign(m_photos.size(), Result<PhotoInstant>::fail(tr("reading…")));
    m_matches.assign(m_photos.size(), GeotagMatch{tr("reading…"), {}, 0, {}});
    m_read = false;
    m_instantsRead = false;
    endResetModel();
}

void GeotagModel::setPhotos(std::vector<Photo> photos) {
    beginResetModel();
    m_photos = std::move(photos);
    m_instants.assign(m_photos.size(), Result<PhotoInstant>::fail(QString()));
    m_matches.assign(m_photos.size(), GeotagMatch{});
    m_read = true;
    m_instantsRead = false;
    endResetModel();
}

void GeotagModel::match(const GpsTrack& track, const GeotagSettings& settings) {
    if (!m_read)
        return;
    if (!m_instantsRead || m_instantZone != settings.zone) {
        for (size_t i = 0; i < m_photos.size(); ++i) {
            m_instants[i] = m_photos[i].readError.isEmpty()
                                ? photoInstant(m_photos[i].clock, settings.zone)
                                : Result<PhotoInstant>::fail(m_photos[i].readError);
        }
        m_instantZone = settings.zone;
        m_instantsRead = true;
    }
    for (size_t i = 0; i < m_photos.size(); ++i)
        m_matches[i] = matchInstant(m_instants[i], m_photos[i].clock.hasPosition, track, settings);
    if (!m_photos.empty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

int GeotagModel::placedCount() const {
    return int(std::count_if(m_matches.begin(), m_matches.end(),
                             [](const GeotagMatch& m) { return m.placed(); }));
}

std::vector<SelectedPhoto> GeotagModel::placedPhotos() const {
    std::vector<SelectedPhoto> placed;
    for (size_t i = 0; i < m_photos.size(); ++i) {
        if (m_matches[i].placed())
            placed.push_back(m_photos[i].selected);
    }
    return placed;
}

QList<QPointF> GeotagModel::placedPositions() const {
    QList<QPointF> positions;
    for (const GeotagMatch& match : m_matches) {
        if (match.placed())
            positions.append({match.fix.longitude, match.fix.latitude});
    }
    return positions;
}

int GeotagModel::countFrom(ZoneSource source) const {
    return int(std::count_if(m_instants.begin(), m_instants.end(),
                             [source](const auto& i) { return i && i->source == source; }));
}

int GeotagModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_photos.size());
}

int GeotagModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString GeotagModel::placeText(int row) const {
    const GeotagMatch& m = m_matches[size_t(row)];
    if (!m.placed())
        return m.skipReason;
    QString text =
        QStringLiteral("%1, %2").arg(m.fix.latitude, 0, 'f', 6).arg(m.fix.longitude, 0, 'f', 6);
    if (m.fix.altitude)
        text += tr(", %1 m").arg(*m.fix.altitude, 0, 'f', 1);
    return text;
}

QVariant GeotagModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const int row = index.row();
    const GeotagMatch& m = m_matches[size_t(row)];
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case PhotoColumn:
            return m_photos[size_t(row)].selected.fileName;
        case CameraTimeColumn:
            return m.photo ? m.photo->describe().section(QLatin1String(" ("), 0, 0) : QString();
        case GpsTimeColumn:
            return m.photo ? utcText(m.gpsMsecs) : QString();
        case PlaceColumn:
            return placeText(row);
        default:
            return {};
        }
    }
    if (role == Qt::ToolTipRole) {
        if (index.column() == CameraTimeColumn && m.photo)
            return m.photo->describe();
        if (index.column() == PlaceColumn && m.placed())
            return tr("%1 m and %2 s from the nearest track point")
                .arg(m.fix.nearestMetres, 0, 'f', 1)
                .arg(double(m.fix.nearestMsecs) / 1000, 0, 'f', 1);
        if (index.column() == PhotoColumn)
            return m_photos[size_t(row)].selected.inputPath;
    }
    if (role == Qt::ForegroundRole && index.column() == PlaceColumn && !m.placed())
        return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
    return {};
}

QVariant GeotagModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case PhotoColumn:
        return tr("Photo");
    case CameraTimeColumn:
        return tr("Camera time");
    case GpsTimeColumn:
        return tr("GPS time (UTC)");
    case PlaceColumn:
        return tr("Position, or why it is skipped");
    default:
        return {};
    }
}
