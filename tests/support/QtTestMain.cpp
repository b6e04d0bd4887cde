// The main of every test program that needs Qt: the application lives in
// main's scope, so that
// it is gone before the library's own globals are torn down at exit (key
// events and the print dialog leave clean-up work that needs them).
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
