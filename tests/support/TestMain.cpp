#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

// Every suite runs with a real QApplication on the offscreen platform, so widgets, fonts
// and queued calls work without a display.
int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
