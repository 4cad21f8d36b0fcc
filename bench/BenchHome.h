#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

// A window bench runs offscreen with a home, settings and cache of its own,
// so that it neither reads nor changes the user's. Made before the
// application; name() after it.
class BenchHome {
public:
    BenchHome() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.path() + QStringLiteral("/.config")));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_home.path() + QStringLiteral("/.cache")));
    }
    QString filePath(const QString& name) const { return m_home.filePath(name); }
    static void name() {
        QCoreApplication::setOrganizationName(QStringLiteral("TessaviewBench"));
        QCoreApplication::setApplicationName(QStringLiteral("TessaviewBench"));
    }

private:
    QTemporaryDir m_home;
};
