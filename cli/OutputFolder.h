#pragma once

#include <QString>
#include <QStringList>

// The output folder of a writing command, made with the parents it lacks. A
// run that wrote nothing leaves no empty folder behind: what it made is
// removed again while empty, and a folder that was there before never is.
class OutputFolder {
public:
    explicit OutputFolder(const QString& path) : m_path(path) {}

    // False when the folder cannot be made.
    bool create();
    // The folders create() made, innermost first, for as long as they are empty.
    void removeIfEmpty() const;

private:
    QString m_path;
    QStringList m_made; // innermost first
};
