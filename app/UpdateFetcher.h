#pragma once

#include "metadata/Result.h"

#include <QByteArray>
#include <QUrl>

#include <functional>

// Fetches the version file. One fetch at a time; done is called once, on
// the GUI thread, with the body or the reason it could not be had.
class UpdateFetcher {
public:
    using Done = std::function<void(const Result<QByteArray>&)>;
    virtual ~UpdateFetcher() = default;
    virtual void fetch(const QUrl& url, Done done) = 0;
    virtual bool isFetching() const = 0;
};

// Only HTTPS, except the loopback address, where nothing travels.
Status allowedUpdateUrl(const QUrl& url);
