#include "fuzz/FuzzEntries.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <string>

namespace {

// Not a std::exception: the targets take those from the library as refusals.
struct BrokenPromise {
    std::string why;
};

[[noreturn]] void throwBrokenPromise(const QString& why) {
    throw BrokenPromise{why.toStdString()};
}

} // namespace

// Every input that once made a fuzz target fail goes through that target
// again, without the sanitizers: a crash ends this test, a broken promise
// (a plan the photo read back does not show) fails it.
TEST(FuzzRegressions, everyInputThatFoundAFaultPassesItsTarget) {
    FuzzEntries::setFailureHandler(throwBrokenPromise);
    const QDir root(QStringLiteral(TV_FUZZ_REGRESSIONS));
    int inputs = 0;
    for (const QString& target : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const FuzzEntries::Entry entry = FuzzEntries::find(target);
        ASSERT_NE(entry, nullptr) << "no fuzz target is named " << qPrintable(target);
        const QDir folder(root.filePath(target));
        for (const QString& name : folder.entryList(QDir::Files)) {
            QFile file(folder.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(file.fileName());
            ++inputs;
            try {
                entry(file.readAll());
            } catch (const BrokenPromise& failure) {
                ADD_FAILURE() << qPrintable(target) << "/" << qPrintable(name) << ": "
                              << failure.why;
            }
        }
    }
    EXPECT_GT(inputs, 0);
}
