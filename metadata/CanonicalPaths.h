#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// canonicalPathOf() for many paths at once: each folder is resolved once, the
// working folder is asked for once, and a folder that holds many of the paths
// is listed once instead of asking after each of its files. What it learns is
// kept only while this object lives, so a folder renamed, replaced or filled
// later is looked at anew.
class CanonicalPaths {
public:
    // The paths about to be resolved, so that their folders can be listed.
    void expect(const QStringList& paths);
    QString of(const QString& path);

private:
    QString absolute(const QString& path);
    bool isLink(const QString& path, const QString& folder, const QString& name);

    QString m_workingFolder;
    QHash<QString, QString> m_folders;
    // Per listed folder: its entries' names and types, as the folder gives them.
    QHash<QString, QHash<QByteArray, unsigned char>> m_listings;
};
