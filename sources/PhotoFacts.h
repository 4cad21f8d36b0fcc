#pragma once

#include <QDateTime>
#include <QString>
#include <QVariantMap>

// What the browser knows of a listed photo beyond its path: enough to mark,
// filter and sort it, read once off the GUI thread and kept small, so that
// a long list costs little more than its paths.
struct PhotoFacts {
    bool known = false;    // read yet
    bool readable = false; // the metadata library could read it
    bool hasPosition = false;
    QString camera;  // as people name it, "Canon EOS 40D"
    QDateTime taken; // when it was taken, invalid when it holds no date
};

// The facts of a photo's property dictionary.
PhotoFacts photoFactsOf(const QVariantMap& dictionary);
// The facts of a file that could not be read.
PhotoFacts unreadablePhotoFacts();
