#include "metadata/engine/MetadataLibrary.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    initialiseMetadataLibrary();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
