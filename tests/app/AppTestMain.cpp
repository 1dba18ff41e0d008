#include <gtest/gtest.h>

#include <QApplication>

// Widget tests need a QApplication; scripts/test selects the offscreen platform,
// and it is the default here so the tests also run without a display.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariable("QT_QPA_PLATFORM", "offscreen").toUtf8());
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
