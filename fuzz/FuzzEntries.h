#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The bodies of the fuzz targets, one function per target. The fuzzers and
// the test that replays every input that once found a fault both call them,
// so a fixed fault stays fixed through the same path that found it.
namespace FuzzEntries {

using Entry = void (*)(const QByteArray& input);
struct Target {
    const char* name; // also the folder of its corpus, dictionary and regressions
    Entry run;
};

const QList<Target>& targets();
// Nothing for an unknown name.
Entry find(const QString& name);

// A broken promise that is no crash (a plan the read-back does not show, a
// message that changes when sent twice): the fuzzer aborts on it, the
// regression test reports it.
[[noreturn]] void fail(const QString& why);
// Replaces the abort; the handler must not return (the test throws).
void setFailureHandler(void (*handler)(const QString& why));

// The targets, in the files that hold them.
void tiffParse(const QByteArray& input);
void tiffEdit(const QByteArray& input);
void jpegRewrite(const QByteArray& input);
void chunkRewrite(const QByteArray& input);
void heifRewrite(const QByteArray& input);
void iptcBlock(const QByteArray& input);
void xmpEdit(const QByteArray& input);
void plistXml(const QByteArray& input);
void plistBinary(const QByteArray& input);
void workerCodec(const QByteArray& input);
void dateText(const QByteArray& input);
void deviceFileName(const QByteArray& input);
void trackLog(const QByteArray& input);
void differential(const QByteArray& input);

} // namespace FuzzEntries
