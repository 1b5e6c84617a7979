#include "Hints.h"

#include <QLabel>
#include <QVariant>

#include <gtest/gtest.h>

TEST(Hints, ANearestParentsHintShowsWhereHintsAreOn) {
    QWidget window;
    auto* panel = new QWidget(&window);
    panel->setToolTip(QStringLiteral("Double click to close this panel"));
    panel->setProperty("showHint", true);
    auto* inner = new QWidget(panel);
    inner->setToolTip(QStringLiteral("List of links"));
    auto* label = new QLabel(inner);
    auto* own = new QLabel(panel);
    own->setToolTip(QStringLiteral("own"));
    own->setProperty("showHint", true);
    auto* silenced = new QLabel(panel);
    silenced->setProperty("showHint", false);
    auto* elsewhere = new QLabel(&window);
    elsewhere->setToolTip(QStringLiteral("no hints on this side"));

    EXPECT_TRUE(Hints::enabledFor(label));
    EXPECT_EQ(Hints::textFor(label), QStringLiteral("List of links"));
    EXPECT_EQ(Hints::textFor(own), QStringLiteral("own"));
    EXPECT_FALSE(Hints::enabledFor(silenced));
    EXPECT_EQ(Hints::textFor(silenced), QStringLiteral("Double click to close this panel"));
    EXPECT_FALSE(Hints::enabledFor(elsewhere)) << "the window turns hints off by default";
}
