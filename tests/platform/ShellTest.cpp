#include "Shell.h"

#include <gtest/gtest.h>

TEST(ShellTarget, BareWebAddressesOpenAsWebAddresses) {
    EXPECT_EQ(Shell::desktopTarget("www.orveldesign.example/x"),
              QByteArray("http://www.orveldesign.example/x"));
    EXPECT_EQ(Shell::desktopTarget("WWW.Example"), QByteArray("http://WWW.Example"));
    EXPECT_EQ(Shell::desktopTarget("http://www.a.example"), QByteArray("http://www.a.example"));
    EXPECT_EQ(Shell::desktopTarget("/tmp/file.nfo"), QByteArray("/tmp/file.nfo"));
    EXPECT_EQ(Shell::desktopTarget("www"), QByteArray("www"));
}

TEST(ShellExecute, GoesThroughTheInstalledHandler) {
    int calls = 0;
    Shell::setHandler([&calls](const QByteArray& target) {
        ++calls;
        return target == "good" ? Shell::Success : Shell::ErrorNoAssociation;
    });
    EXPECT_GT(Shell::execute("good"), 32);
    EXPECT_LE(Shell::execute("bad"), 32);
    EXPECT_EQ(calls, 2);
}

TEST(ShellExecute, RealOpenerReportsAMissingFileAsFailure) {
    Shell::setHandler({});
    // Whether or not an opener is installed, a file that does not exist cannot be opened.
    EXPECT_LE(Shell::execute("/nonexistent/folder/zelvan-test-file.nfo"), 32);
    EXPECT_LE(Shell::execute(""), 32);
}
