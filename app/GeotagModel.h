#pragma once

#include "editing/GeotagOperation.h"
#include "editing/PhotoSelection.h"

#include <QAbstractTableModel>
#include <QPointF>

#include <vector>

// The photos of a geotagging and what the track makes of each: the camera's
// time, the GPS time it matched and the position, or why it is skipped.
// Matching all again is cheap: each photo's instant is kept until the zone
// changes, and a change of offset or limits only looks the track up anew.
class GeotagModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { PhotoColumn, CameraTimeColumn, GpsTimeColumn, PlaceColumn, ColumnCount };

    struct Photo {
        SelectedPhoto selected;
        PhotoClock clock;
        QString readError; // the photo could not be read
    };

    explicit GeotagModel(QObject* parent = nullptr);

    // The photos, not read yet.
    void setSelection(const std::vector<SelectedPhoto>& photos);
    // Their clocks, in the same order.
    void setPhotos(std::vector<Photo> photos);
    bool photosRead() const { return m_read; }
    void match(const GpsTrack& track, const GeotagSettings& settings);

    const Photo& photoAt(int row) const { return m_photos[size_t(row)]; }
    const Result<PhotoInstant>& instantAt(int row) const { return m_instants[size_t(row)]; }
    int placedCount() const;
    std::vector<SelectedPhoto> placedPhotos() const;
    QList<QPointF> placedPositions() const; // (longitude, latitude)
    // How many photos took their zone from each source.
    int countFrom(ZoneSource source) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QString placeText(int row) const;

    std::vector<Photo> m_photos;
    std::vector<Result<PhotoInstant>> m_instants;
    std::vector<GeotagMatch> m_matches;
    bool m_read = false;
    bool m_instantsRead = false;
    std::optional<QTimeZone> m_instantZone; // the zone m_instants were read in
};
