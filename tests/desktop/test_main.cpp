// The desktop tests share one QApplication, made before the first test runs. Listing the
// tests (at build time, for CTest) needs no display, so no application is made for it.

#include <gtest/gtest.h>

#include <QApplication>

#include "ui/desktop/web_engine_setup.hpp"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    // WebEngine asks for its settings before the application exists.
    zov::ui::desktop::prepareWebEngine();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
