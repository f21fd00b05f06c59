#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
    // Dead links are rescued only from archives on this machine, also by the programs a test starts.
    qputenv("SKIMMER_ARCHIVE_LOOPBACK_ONLY", "1");
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
