// Shared main() of the test executables: creates the Qt application object the suite needs.
#include <gtest/gtest.h>

#include <QCoreApplication>
#if defined(PIXVALE_TEST_APP_KIND_GUI)
#include <QGuiApplication>
#elif defined(PIXVALE_TEST_APP_KIND_WIDGETS)
#include <QApplication>
#endif

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
#if defined(PIXVALE_TEST_APP_KIND_GUI)
    QGuiApplication app(argc, argv);
#elif defined(PIXVALE_TEST_APP_KIND_WIDGETS)
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
