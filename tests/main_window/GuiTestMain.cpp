// GoogleTest driving the window on Qt's offscreen platform.
#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Settings (recent files, the window's place) go to a test folder.
    QStandardPaths::setTestModeEnabled(true);
    // No window of a test offers itself on the user's session bus; the
    // media-key tests start a bus of their own.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
