#include "OrvelMarquee.h"
#include "OrvelAddresses.h"

#include <gtest/gtest.h>

TEST(MarqueeText, IsTheTwoMessagesEachFollowedBy43Blanks) {
    const QString gap(43, u' ');
    EXPECT_EQ(MarqueeText(), QStringLiteral("-=[ Zelvan RID Evodad by OrvelDesign ]=-") + gap +
                                 QStringLiteral("-=[ www.orveldesign.example ]=-") + gap);
    EXPECT_TRUE(MarqueeText().contains(QString::fromLatin1(MakerWebAddress)));
}

TEST(RotateLeft, MovesTheFirstCharacterToTheEnd) {
    EXPECT_EQ(RotateLeft(QStringLiteral("abc")), QStringLiteral("bca"));
    EXPECT_EQ(RotateLeft(QStringLiteral("a")), QStringLiteral("a"));
    EXPECT_EQ(RotateLeft(QString()), QString());

    QString text = MarqueeText();
    for (qsizetype i = 0; i < MarqueeText().size(); ++i) {
        text = RotateLeft(text);
        if (i == 0) {
            EXPECT_TRUE(text.startsWith(QStringLiteral("=[ Zelvan")));
            EXPECT_TRUE(text.endsWith(QStringLiteral(" -")));
        }
    }
    EXPECT_EQ(text, MarqueeText()) << "a full cycle brings the text back";
}
