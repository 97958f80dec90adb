#include <QCoreApplication>

#include "TestHome.h"

#include <gtest/gtest.h>

// Core tests get an event loop (the serial port hands events over through it)
// but no windows.
int main(int argc, char** argv) {
    const ostrevik::test::TestHome home;
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
