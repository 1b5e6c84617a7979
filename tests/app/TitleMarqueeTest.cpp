#include "MainWindowFixture.h"

#include "OrvelMarquee.h"
#include "TitleMarquee.h"

#include <QTest>
#include <QTimer>

TEST_F(MainWindowTest, EachTickMovesCaptionAndTitleOneCharacter) {
    start();
    EXPECT_EQ(form->timer()->interval(), 150);
    EXPECT_TRUE(form->timer()->isActive());
    form->TimerTimer();
    EXPECT_TRUE(form->windowTitle().startsWith(QStringLiteral("=[ Zelvan")));
    EXPECT_TRUE(form->windowTitle().endsWith(QStringLiteral(" -")));
    EXPECT_EQ(Application::title(), form->windowTitle());
    for (qsizetype i = 1; i < MarqueeText().size(); ++i)
        form->TimerTimer();
    EXPECT_EQ(form->windowTitle(), MarqueeText());
    EXPECT_EQ(Application::title(), MarqueeText());
}

TEST_F(MainWindowTest, TheTimerDrivesTheMarquee) {
    start();
    const QString before = form->windowTitle();
    QTest::qWait(400);
    EXPECT_NE(form->windowTitle(), before);
    EXPECT_TRUE(MarqueeText().repeated(2).contains(form->windowTitle()));
}

TEST_F(MainWindowTest, EmptyTextsStayEmptyAndLongTitlesAreCut) {
    start();
    form->setWindowTitle(QString());
    Application::setTitle(QString());
    form->TimerTimer();
    EXPECT_EQ(form->windowTitle(), QString());
    EXPECT_EQ(Application::title(), QString());
    EXPECT_TRUE(OutsideWorld::get().messages.isEmpty());

    const QString longText = QStringLiteral("x") + QString(299, u'-');
    Application::setTitle(longText);
    RotateTitle();
    EXPECT_EQ(Application::title().size(), Application::MaxTitleLength);
    EXPECT_EQ(Application::title(), longText.mid(1, 254) + u'x');
}
