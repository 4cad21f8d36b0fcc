#pragma once

#include <QObject>
#include <QSet>
#include <QStringList>

class MetadataService;
class PhotoListModel;
class QCompleter;
class QLineEdit;
class QStringListModel;

// Offers the keywords of the listed photos for the one being typed in a
// comma-separated field: only the part after the last comma is completed,
// and the words before it stay. The photos are read off the GUI thread as
// they are listed.
class KeywordCompleter : public QObject {
    Q_OBJECT

public:
    KeywordCompleter(QLineEdit* field, MetadataService& metadata, QObject* parent = nullptr);

    // Reads the keywords of each photo the list gains; a cleared list offers
    // none.
    void follow(const PhotoListModel& photos);
    void addKeywords(const QStringList& keywords);
    QStringList keywords() const;
    QCompleter* completer() const { return m_completer; }

Q_SIGNALS:
    void keywordsRead();

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
};
