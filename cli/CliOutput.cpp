#include "cli/CliOutput.h"

#include "cli/JsonDump.h"
#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"
#include "templates/PropertyListCodec.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace {

void printWarnings(const CliStreams& streams, const QString& path, const QStringList& warnings) {
    for (const QString& warning : warnings)
        std::fprintf(streams.err, "%s: warning: %s\n", QFile::encodeName(path).constData(),
                     warning.toUtf8().constData());
}

void printFailure(const CliStreams& streams, const QString& path, const QString& reason) {
    std::fprintf(streams.err, "%s: %s\n", QFile::encodeName(path).constData(),
                 reason.toUtf8().constData());
}

QByteArray jsonString(const QString& text) {
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

// The photo's object with "SourceFile" first, indented one level for the array.
QByteArray arrayElement(const QString& path, const QVariantMap& dictionary) {
    const QByteArray object = dictionaryToJson(dictionary).trimmed();
    QByteArray out = "    {\n        \"SourceFile\": " + jsonString(path);
    const QByteArray body = object.mid(2, object.size() - 3); // between "{\n" and "}"
    if (!body.trimmed().isEmpty()) {
        out += ",\n";
        for (const QByteArray& line : body.split('\n')) {
            if (!line.isEmpty())
                out += "    " + line + '\n';
        }
    } else {
        out += '\n';
    }
    out += "    }";
    return out;
}

// Reads the files on several threads, handing the answers over in argument
// order; no thread runs further ahead of the printer than the window.
class OrderedReads {
public:
    OrderedReads(const QStringList& files, MetadataService& service)
        : m_files(files), m_service(service) {
        const int threads = std::max(2, QThread::idealThreadCount() * 2);
        m_window = qsizetype(threads) * 4;
        for (int t = 0; t < std::min<qsizetype>(threads, files.size()); ++t)
            m_threads.emplace_back([this] { work(); });
    }

    ~OrderedReads() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        for (std::thread& thread : m_threads)
            thread.join();
    }

    Result<PhotoProperties> take(qsizetype index) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] {
            return qsizetype(m_ready.size()) > index - m_taken && m_ready[index - m_taken];
        });
        Result<PhotoProperties> answer = std::move(*m_ready.front());
        m_ready.pop_front();
        ++m_taken;
        m_changed.notify_all();
        return answer;
    }

private:
    void work() {
        for (;;) {
            qsizetype index = 0;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] { return m_stop || m_next < m_taken + m_window; });
                if (m_stop || m_next >= m_files.size())
                    return;
                index = m_next++;
                while (qsizetype(m_ready.size()) <= index - m_taken)
                    m_ready.emplace_back();
            }
            auto answer = m_service.readProperties(m_files[index]);
            {
                std::lock_guard lock(m_mutex);
                m_ready[size_t(index - m_taken)].emplace(std::move(answer));
            }
            m_changed.notify_all();
        }
    }

    const QStringList& m_files;
    MetadataService& m_service;
    qsizetype m_window = 8;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::optional<Result<PhotoProperties>>> m_ready; // from m_taken on
    qsizetype m_taken = 0;
    qsizetype m_next = 0;
    bool m_stop = false;
    std::vector<std::thread> m_threads;
};

int dumpOne(const QString& file, bool plist, MetadataService& service, const CliStreams& streams) {
    const auto properties = service.readProperties(file);
    if (!properties) {
        printFailure(streams, file, properties.error());
        return ExitSomeSkipped;
    }
    printWarnings(streams, file, properties->warnings);
    const QByteArray text = plist ? toXmlPropertyList(properties->dictionary)
                                  : dictionaryToJson(properties->dictionary);
    std::fwrite(text.constData(), 1, size_t(text.size()), streams.out);
    return ExitAllWritten;
}

QByteArray jsonOf(const QVariant& value) {
    if (PropertyKeys::isRemoval(value))
        return "null";
    const QByteArray array =
        QJsonDocument(QJsonArray{QJsonValue::fromVariant(value)}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

int dumpFiles(const QStringList& files, bool plist, MetadataService& service,
              const CliStreams& streams) {
    if (files.size() == 1)
        return dumpOne(files.first(), plist, service, streams);
    OrderedReads reads(files, service);
    int exitCode = ExitAllWritten;
    bool first = true;
    std::fputs("[\n", streams.out);
    for (qsizetype i = 0; i < files.size(); ++i) {
        const auto properties = reads.take(i);
        if (!properties) {
            printFailure(streams, files[i], properties.error());
            exitCode = ExitSomeSkipped;
            continue;
        }
        printWarnings(streams, files[i], properties->warnings);
        QByteArray element = first ? QByteArray() : QByteArray(",\n");
        first = false;
        element += arrayElement(files[i], properties->dictionary);
        std::fwrite(element.constData(), 1, size_t(element.size()), streams.out);
    }
    std::fputs(first ? "]\n" : "\n]\n", streams.out);
    return exitCode;
}

int printPreviews(const std::vector<PhotoChangePreview>& previews, const CliStreams& streams) {
    int exitCode = ExitAllWritten;
    for (const PhotoChangePreview& preview : previews) {
        if (!preview.skipReason.isEmpty()) {
            printFailure(streams, preview.inputPath, preview.skipReason);
            exitCode = ExitSomeSkipped;
            continue;
        }
        // Written by hand to keep the keys in reading order.
        QByteArray text = "{\"file\": " + jsonString(preview.inputPath) + ", \"changes\": [";
        for (qsizetype i = 0; i < preview.changes.size(); ++i) {
            const KeyChange& change = preview.changes[i];
            text += (i ? ", " : "") + QByteArray("{\"key\": ") + jsonString(change.key) +
                    ", \"from\": " + jsonOf(change.from) + ", \"to\": " + jsonOf(change.to) + '}';
        }
        text += ']';
        for (const PreviewDetail& detail : preview.details)
            text += ", " + jsonString(detail.key) + ": " + jsonOf(detail.value);
        text += "}\n";
        std::fwrite(text.constData(), 1, size_t(text.size()), streams.out);
        // What a run would say of the photo, as the run says it.
        for (const PreviewDetail& detail : preview.details) {
            if (detail.key == QLatin1String("note"))
                printFailure(streams, preview.inputPath, detail.value.toString());
        }
    }
    return exitCode;
}
