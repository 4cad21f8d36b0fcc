#include "metadata/SizeText.h"

#include <gtest/gtest.h>

TEST(SizeText, readsAsTheSummaryShowsIt) {
    const struct {
        quint64 bytes;
        const char* text;
    } cases[] = {
        {0, "0 bytes (0 bytes)"},
        {999, "999 bytes (999 bytes)"},
        {1000, "1.00 KB (1000 bytes)"},
        {1005, "1.00 KB (1005 bytes)"},
        {999999, "1000.00 KB (999999 bytes)"},
        {1234567, "1.23 MB (1234567 bytes)"},
        {999999999999ULL, "1000.00 GB (999999999999 bytes)"},
        {1000000000000ULL, "1.00 TB (1000000000000 bytes)"},
        {18446744073709551615ULL, "18446744.00 TB (18446744073709551615 bytes)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fileSizeText(c.bytes).toStdString(), c.text);
}
