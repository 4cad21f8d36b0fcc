#pragma once

#include <QDialog>
#include <QList>
#include <QString>

class QLabel;

// What the About window tells: the version, the libraries in use with their
// licences, and where the settings and the photos written are kept.
struct AboutFacts {
    struct Library {
        QString name;
        QString version;
        QString licence;
        QString note; // where it runs, when not in the window itself
    };
    QString version;
    QList<Library> libraries;
    QString settingsFile;
    QString storageFolder;

    // The facts of this build and this user.
    static AboutFacts gather(const QString& storageFolder);
    QString toHtml() const;
};

class AboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent = nullptr);
    // Shows the facts as they are now: the storage folder may have moved.
    void showFacts(const AboutFacts& facts);
    QString text() const;

private:
    QLabel* m_text;
};
