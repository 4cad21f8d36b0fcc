#include "support/TestPhotos.h"
#include "templates/PropertyListCodec.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace {

QByteArray xmlList(const QByteArray& body, const QByteArray& doctype = QByteArray()) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + doctype + "<plist version=\"1.0\">" +
           body + "</plist>";
}

// A binary list of the objects given as encoded bytes, the first at the top.
QByteArray binaryList(const QList<QByteArray>& objects, int refSize = 1) {
    QByteArray out("bplist00");
    QList<quint64> offsets;
    for (const QByteArray& object : objects) {
        offsets << quint64(out.size());
        out += object;
    }
    const quint64 table = quint64(out.size());
    for (quint64 offset : offsets) {
        out.append(char(offset >> 8));
        out.append(char(offset & 0xff));
    }
    QByteArray trailer(32, '\0');
    trailer[6] = 2;
    trailer[7] = char(refSize);
    for (int i = 0; i < 8; ++i) {
        trailer[8 + i] = char((quint64(objects.size()) >> (56 - 8 * i)) & 0xff);
        trailer[24 + i] = char((table >> (56 - 8 * i)) & 0xff);
    }
    return out + trailer;
}

// The sanitizers make every step several times slower; the limits are for
// the program as users run it.
#ifdef TESSAVIEW_SANITIZED_BUILD
constexpr int sanitizerSlowdown = 10;
#else
constexpr int sanitizerSlowdown = 1;
#endif

#ifndef TESSAVIEW_SANITIZED_BUILD
long peakMegabytes() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}
#endif

} // namespace

// Each hostile list is refused with its reason within a second, without
// memory running away.
TEST(PropertyList, refusesHostileInputQuicklyWithAReason) {
    QByteArray deep;
    for (int i = 0; i < 10000; ++i)
        deep += "<array>";
    for (int i = 0; i < 10000; ++i)
        deep += "</array>";
    QByteArray laughs = "<!DOCTYPE plist [\n<!ENTITY lol \"lol\">\n";
    for (int i = 1; i < 10; ++i) {
        laughs += "<!ENTITY lol" + QByteArray::number(i) + " \"";
        for (int j = 0; j < 10; ++j)
            laughs += "&lol" + (i > 1 ? QByteArray::number(i - 1) : QByteArray()) + ";";
        laughs += "\">\n";
    }
    laughs += "]>\n";
    // Each array holds the next one twice: 30 levels expand to 2^30 objects.
    QList<QByteArray> shared;
    for (int i = 0; i < 30; ++i)
        shared << QByteArray("\xa2", 1) + char(i + 1) + char(i + 1);
    shared << QByteArray("\x10\x01", 2);
    QList<QByteArray> cycle = {QByteArray("\xa1\x01", 2), QByteArray("\xa1\x00", 2)};
    QByteArray truncated = binaryList({QByteArray("\xd0", 1)});
    truncated.chop(5);
    QByteArray pastTheEnd = binaryList({QByteArray("\x5f\x10\x7f", 3) + "abc"});
    // A million and one objects in a 7 MB list.
    QByteArray many = "<array>";
    for (int i = 0; i < 1000001; ++i)
        many += "<true/>";
    many += "</array>";
    // One 1 MB data object referenced 100 times: 100 MB once expanded.
    QList<QByteArray> bigShared = {QByteArray("\xaf\x10\x64", 3) + QByteArray(100, '\x01'),
                                   QByteArray("\x4f\x12\x00\x10\x00\x00", 6) +
                                       QByteArray(1 << 20, 'x')};
    const struct {
        const char* what;
        QByteArray bytes;
        const char* reason;
    } cases[] = {
        {"a NUL inside a string", xmlList(QByteArray("<string>a\0b</string>", 21)), "XML"},
        {"a NUL as a character reference", xmlList("<string>a&#0;b</string>"), "XML"},
        {"10,000 nested arrays", xmlList(deep), "nested deeper"},
        {"a billion laughs", xmlList("<string>&lol9;</string>", laughs), "entities"},
        {"an external entity",
         xmlList("<string>&x;</string>", "<!DOCTYPE plist [<!ENTITY x SYSTEM \"/etc/passwd\">]>"),
         "entities"},
        {"an integer past 64 bits", xmlList("<integer>9223372036854775808</integer>"), "64-bit"},
        {"a key twice", xmlList("<dict><key>a</key><true/><key>a</key><false/></dict>"), "twice"},
        {"stray text", xmlList("<dict>hello<key>a</key><true/></dict>"), "stray"},
        {"an unknown element", xmlList("<dict><key>a</key><blob/></dict>"), "unknown element"},
        {"shared references expanding to 2^30 objects", binaryList(shared), "objects"},
        {"a reference cycle", binaryList(cycle), "contains itself"},
        {"a truncated binary list", truncated, "cut short"},
        {"references of nine bytes", binaryList({QByteArray("\x09", 1)}, 9), "damaged trailer"},
        {"a string past the end of its area", pastTheEnd, "past"},
        {"a file over 16 MB", QByteArray(17 * 1024 * 1024, ' '), "16 MB"},
        {"more than a million objects", xmlList(many), "objects"},
        {"shared data expanding to 100 MB", binaryList(bigShared), "expands"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QElapsedTimer timer;
        timer.start();
        const auto read = readPropertyList(c.bytes);
        // Generous: a busy machine must not fail it; a blow-up takes minutes.
        EXPECT_LT(timer.elapsed(), 5000 * sanitizerSlowdown);
        ASSERT_FALSE(read.isOk());
        EXPECT_TRUE(read.error().contains(QLatin1String(c.reason))) << qPrintable(read.error());
    }
#ifndef TESSAVIEW_SANITIZED_BUILD
    // The million objects read before the list is refused take about 100 MB,
    // and how much of that stays resident varies with the machine's load; a
    // blow-up takes gigabytes.
    EXPECT_LT(peakMegabytes(), 256);
#endif
}

TEST(PropertyList, readsWhatAnotherWriterWroteInBothForms) {
    TestFolder folder;
    const QString script = folder.writeFile(
        QStringLiteral("write.py"),
        "import plistlib, sys, datetime\n"
        "value = {'{TIFF}': {'Artist': 'Ana \\u00e9', 'XResolution': 72.0},\n"
        "         '{GPS}': {'Latitude': 43.5, 'LatitudeRef': 'N'},\n"
        "         '{IPTC}': {'Keywords': ['lake', 'hills']},\n"
        "         'Count': -5, 'Big': 9007199254740993, 'Yes': True, 'No': False,\n"
        "         'Blob': b'\\x00\\x01\\xff', 'When': datetime.datetime(2014, 5, 6, 12, 34, 56)}\n"
        "fmt = plistlib.FMT_BINARY if sys.argv[1] == 'binary' else plistlib.FMT_XML\n"
        "open(sys.argv[2], 'wb').write(plistlib.dumps(value, fmt=fmt))\n");
    for (const char* form : {"xml", "binary"}) {
        SCOPED_TRACE(form);
        const QString path = folder.file(QStringLiteral("t.plist"));
        int exitCode = -1;
        runTool(QStringLiteral("python3"), {script, QLatin1String(form), path}, &exitCode);
        ASSERT_EQ(exitCode, 0);
        const auto read = readPropertyListDictionary(fileBytes(path));
        ASSERT_TRUE(read.isOk()) << qPrintable(read.error());
        const QVariantMap d = read.value();
        EXPECT_EQ(
            d.value(QStringLiteral("{TIFF}")).toMap().value(QStringLiteral("Artist")).toString(),
            QStringLiteral("Ana \u00e9"));
        EXPECT_EQ(
            d.value(QStringLiteral("{GPS}")).toMap().value(QStringLiteral("Latitude")).toDouble(),
            43.5);
        EXPECT_EQ(
            d.value(QStringLiteral("{IPTC}")).toMap().value(QStringLiteral("Keywords")).toList(),
            (QVariantList{QStringLiteral("lake"), QStringLiteral("hills")}));
        EXPECT_EQ(d.value(QStringLiteral("Count")).toLongLong(), -5);
        EXPECT_EQ(d.value(QStringLiteral("Big")).toLongLong(), 9007199254740993LL);
        EXPECT_EQ(d.value(QStringLiteral("Yes")), QVariant(true));
        EXPECT_EQ(d.value(QStringLiteral("No")), QVariant(false));
        EXPECT_EQ(d.value(QStringLiteral("Blob")).toByteArray(), QByteArray("\x00\x01\xff", 3));
        EXPECT_EQ(d.value(QStringLiteral("When")).toDateTime(),
                  QDateTime(QDate(2014, 5, 6), QTime(12, 34, 56), QTimeZone::utc()));
    }
}

TEST(PropertyList, writesWhatAnotherReaderReadsBack) {
    const QVariantMap dictionary = {
        {QStringLiteral("{TIFF}"),
         QVariantMap{{QStringLiteral("Artist"), QStringLiteral("<Ana> & \u00e9")},
                     {QStringLiteral("XResolution"), 72.5}}},
        {QStringLiteral("{IPTC}"),
         QVariantMap{{QStringLiteral("Keywords"),
                      QVariantList{QStringLiteral("lake"), QStringLiteral("hills")}}}},
        {QStringLiteral("Count"), qlonglong(-5)},
        {QStringLiteral("Gone"), QVariant::fromValue(nullptr)},
        {QStringLiteral("Yes"), true},
    };
    const QByteArray xml = toXmlPropertyList(dictionary);
    EXPECT_TRUE(xml.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist"));
    TestFolder folder;
    const QString path = folder.writeFile(QStringLiteral("w.plist"), xml);
    const QString printed = runTool(
        QStringLiteral("python3"),
        {QStringLiteral("-c"),
         QStringLiteral("import plistlib,sys,json; print(json.dumps(plistlib.load(open(sys.argv[1],"
                        "'rb')), sort_keys=True, ensure_ascii=False))"),
         path});
    EXPECT_EQ(printed.trimmed(),
              QStringLiteral("{\"Count\": -5, \"Yes\": true, \"{IPTC}\": {\"Keywords\": [\"lake\", "
                             "\"hills\"]}, \"{TIFF}\": {\"Artist\": \"<Ana> & \u00e9\", "
                             "\"XResolution\": 72.5}}"));
    // And our own reader takes it back whole, the removal left out.
    QVariantMap expected = dictionary;
    expected.remove(QStringLiteral("Gone"));
    EXPECT_EQ(readPropertyListDictionary(xml).value(), expected);
}
