#pragma once

#include <QObject>
#include <QSet>
#include <QStringList>

#include <atomic>
#include <memory>

class MetadataService;
class PhotoListModel;
class QCompleter;
class QLineEdit;
class QStringListModel;
class QThreadPool;

// Offers the keywords of the listed photos for the one being typed in a
// comma-separated field: only the part after the last comma is completed,
// and the words before it stay. The listed photos are read off the GUI
// thread once the field is first used, not as they are listed: a list of
// thousands would otherwise be read whole beside its first thumbnails.
class KeywordCompleter : public QObject {
    Q_OBJECT

public:
    KeywordCompleter(QLineEdit* field, MetadataService& metadata, QObject* parent = nullptr);
    // Stops and waits for its reads: the service may go right after.
    ~KeywordCompleter() override;

    // Notes each photo the list gains, to be read when the field gets the
    // focus or is typed in; a cleared list offers none.
    void follow(const PhotoListModel& photos);
    // Reads the photos listed since the last read.
    void readListed();
    void addKeywords(const QStringList& keywords);
    QStringList keywords() const;
    QCompleter* completer() const { return m_completer; }

Q_SIGNALS:
    void keywordsRead();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void complete(const QString& text);
    void insert(const QString& keyword);

    QLineEdit* m_field;
    MetadataService& m_metadata;
    QCompleter* m_completer;
    QStringListModel* m_model;
    QSet<QString> m_known;
    bool m_inserting = false;
    int m_listing = 0; // counts the list's clearings: older reads are dropped
    QStringList m_unread;
    QThreadPool* m_pool;
    std::shared_ptr<std::atomic<bool>> m_stop = std::make_shared<std::atomic<bool>>(false);
};
