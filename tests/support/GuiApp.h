// One Qt application for a test program, on the offscreen platform, made on
// first use and kept until the program ends.
#pragma once

#include <QCoreApplication>
#ifdef QT_WIDGETS_LIB
#include <QApplication>
using KorvaneTestApp = QApplication;
#else
#include <QGuiApplication>
using KorvaneTestApp = QGuiApplication;
#endif

#include <cstdlib>

namespace korvane::testing {

inline void EnsureGuiApp() {
    if (QCoreApplication::instance() != nullptr) return;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "korvane-tests";
    static char* argv[] = {name, nullptr};
    static KorvaneTestApp app(argc, argv);
}

}  // namespace korvane::testing
