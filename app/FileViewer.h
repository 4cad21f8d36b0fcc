#pragma once

#include <QString>
#include <QStringList>

// The desktop's file viewer: shows written files, selected, or opens a folder.
class FileViewer {
public:
    virtual ~FileViewer() = default;
    virtual void revealFiles(const QStringList& paths) = 0;
    virtual void openFolder(const QString& folder) = 0;
};

// The freedesktop FileManager1 service over D-Bus, falling back to opening
// the folder with the desktop's default handler.
class DesktopFileViewer : public FileViewer {
public:
    void revealFiles(const QStringList& paths) override;
    void openFolder(const QString& folder) override;
};
