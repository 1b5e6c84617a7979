#include "Application.h"
#include "TestSupport.h"

#include <QDir>
#include <QStandardPaths>
#include <QWidget>

#include <gtest/gtest.h>

TEST(ErrorHandler, ShowsTheMessageAndLetsTheProgramRunOn) {
    Application::setTitle(QStringLiteral("Viewer"));
    bool after = false;
    const bool completed = Application::guarded([&] {
        throw UserError(QStringLiteral("Stream write error"));
        after = true;
    });
    EXPECT_FALSE(completed);
    EXPECT_FALSE(after);
    EXPECT_EQ(OutsideWorld::get().messages, QStringList{QStringLiteral("Stream write error")});
    EXPECT_EQ(OutsideWorld::get().messageCaptions, QStringList{QStringLiteral("Viewer")});

    EXPECT_TRUE(Application::guarded([] {}));
    EXPECT_FALSE(Application::guarded([] { throw std::runtime_error("plain"); }));
    EXPECT_EQ(OutsideWorld::get().messages.size(), 2);
    EXPECT_EQ(OutsideWorld::get().messages.back(), QStringLiteral("plain"));
}

TEST(ApplicationTitle, LivesInTheMainWindowsIconTextAndReadsBackCut) {
    Application::setTitle(QStringLiteral("before the window"));
    {
        QWidget window;
        Application::setMainWindow(&window);
        EXPECT_EQ(window.windowIconText(), QStringLiteral("before the window"));
        const QString longTitle(300, u'x');
        Application::setTitle(longTitle);
        EXPECT_EQ(window.windowIconText(), longTitle);
        EXPECT_EQ(Application::title(), QString(255, u'x'));
    }
    Application::setMainWindow(nullptr);
    Application::setTitle(QString());
    EXPECT_EQ(Application::title(), QString());
}

TEST(TestHome, QtsOwnFilesGoToAHomeOfTheTestsOwn) {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    EXPECT_TRUE(config.startsWith(QDir::tempPath() + u'/')) << config.toStdString();
    EXPECT_TRUE(QDir::homePath().startsWith(QDir::tempPath() + u'/'));
}
