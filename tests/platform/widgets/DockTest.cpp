#include "Dock.h"

#include <QFrame>
#include <QPushButton>
#include <QVariant>

#include <gtest/gtest.h>

namespace {

QWidget* child(QWidget* parent, const char* align, QRect design, const char* anchors = nullptr) {
    auto* w = new QWidget(parent);
    w->setGeometry(design);
    if (align)
        w->setProperty("align", QString::fromLatin1(align));
    if (anchors)
        w->setProperty("anchors", QString::fromLatin1(anchors));
    return w;
}

} // namespace

TEST(Dock, EdgesAreTakenInOrderAndTheClientFillsTheRest) {
    QWidget parent;
    parent.resize(200, 100);
    QWidget* client = child(&parent, "client", {50, 20, 10, 10});
    QWidget* right = child(&parent, "right", {150, 0, 40, 10});
    QWidget* outerRight = child(&parent, "right", {190, 0, 10, 10});
    QWidget* top = child(&parent, "top", {0, 0, 10, 10});
    QWidget* bottom = child(&parent, "bottom", {0, 80, 10, 20});
    QWidget* left = child(&parent, "left", {0, 10, 30, 10});
    Dock::install(&parent);
    parent.show();

    EXPECT_EQ(top->geometry(), QRect(0, 0, 200, 10));
    EXPECT_EQ(bottom->geometry(), QRect(0, 80, 200, 20));
    EXPECT_EQ(left->geometry(), QRect(0, 10, 30, 70));
    EXPECT_EQ(outerRight->geometry(), QRect(190, 10, 10, 70)) << "nearest the edge comes first";
    EXPECT_EQ(right->geometry(), QRect(150, 10, 40, 70));
    EXPECT_EQ(client->geometry(), QRect(30, 10, 120, 70));

    parent.resize(300, 200);
    EXPECT_EQ(outerRight->geometry(), QRect(290, 10, 10, 170));
    EXPECT_EQ(client->geometry(), QRect(30, 10, 220, 170));
}

TEST(Dock, AHiddenChildGivesItsRoomAndTakesItBackInItsPlace) {
    QWidget parent;
    parent.resize(200, 100);
    QWidget* client = child(&parent, "client", {0, 0, 10, 10});
    QWidget* bar = child(&parent, "right", {150, 0, 3, 100});
    QWidget* panel = child(&parent, "right", {153, 0, 47, 100});
    Dock::install(&parent);
    parent.show();

    panel->hide();
    EXPECT_EQ(bar->geometry(), QRect(197, 0, 3, 100));
    EXPECT_EQ(client->geometry(), QRect(0, 0, 197, 100));
    panel->show();
    EXPECT_EQ(panel->geometry(), QRect(153, 0, 47, 100));
    EXPECT_EQ(bar->geometry(), QRect(150, 0, 3, 100));

    // Resized from outside, a docked child keeps its new size along its edge.
    panel->resize(80, 100);
    EXPECT_EQ(panel->geometry(), QRect(120, 0, 80, 100));
    EXPECT_EQ(client->geometry(), QRect(0, 0, 117, 100));
}

TEST(Dock, AnchorsKeepDistancesStretchOrCentre) {
    QFrame parent;
    parent.resize(200, 100);
    QWidget* stretched = child(&parent, nullptr, {10, 10, 50, 20}, "left,top,right,bottom");
    QWidget* bottomRight = child(&parent, nullptr, {150, 70, 40, 20}, "right,bottom");
    QWidget* centred = child(&parent, nullptr, {80, 70, 40, 20}, "bottom");
    QWidget* dockedStretch = child(&parent, "bottom", {0, 40, 200, 60}, "left,top,right,bottom");
    Dock::install(&parent);
    parent.show();

    parent.resize(300, 150);
    EXPECT_EQ(stretched->geometry(), QRect(10, 10, 150, 70));
    EXPECT_EQ(bottomRight->geometry(), QRect(250, 120, 40, 20));
    EXPECT_EQ(centred->geometry(), QRect(130, 120, 40, 20)) << "centre stays at half the width";
    EXPECT_EQ(dockedStretch->geometry(), QRect(0, 40, 300, 110)) << "its top stays in place";
}
