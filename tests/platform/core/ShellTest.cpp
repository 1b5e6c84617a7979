#include "Shell.h"

#include <QFile>
#include <QTemporaryDir>

#include <csignal>

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

TEST(ShellExecute, AnOpenerThatHangsIsEndedWithTheProgram) {
    const QTemporaryDir bin;
    const QString pidFile = bin.filePath(QStringLiteral("pid"));
    QFile script(bin.filePath(QStringLiteral("xdg-open")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho $$ > '" + pidFile.toLocal8Bit() + "'\nexec /bin/sleep 1000\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()));
    Shell::setHandler({});
    EXPECT_GT(Shell::execute("www.hangs.example"), 32) << "a running opener has found a handler";
    qputenv("PATH", path);
    QFile written(pidFile);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const pid_t pid = written.readAll().trimmed().toInt();
    ASSERT_GT(pid, 0);
    EXPECT_EQ(kill(pid, 0), 0);
    Shell::endOpeners();
    EXPECT_EQ(kill(pid, 0), -1) << "the opener outlived the program (or was left a zombie)";
}
