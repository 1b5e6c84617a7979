#include "FormReclama.h"
#include "ui_FormReclama.h"

#include "Hints.h"
#include "OrvelProducts.h"

#include <QTest>

#include <gtest/gtest.h>

TEST(TemplateWindow, HoldsTheSameColumnHiddenWithItsTargets) {
    TfrmMain frm;
    EXPECT_FALSE(frm.isVisible());
    EXPECT_EQ(frm.windowTitle(), QStringLiteral("Template"));
    const int tops[] = {72,  101, 130, 159, 188, 217, 246, 275, 304,
                        333, 362, 391, 420, 449, 478, 507, 537};
    int index = 0;
    for (const ProductLink& product : ProductLinks) {
        auto* label = frm.findChild<TInternetLabel*>(QString::fromLatin1(product.label));
        ASSERT_NE(label, nullptr) << product.label;
        EXPECT_EQ(label->Link(), QByteArray(product.target));
        EXPECT_EQ(label->geometry().topLeft(), QPoint(11, tops[index++]));
        EXPECT_EQ(label->fontColor(), QColor(0, 0, 255)) << "laid out red, drawn blue";
    }
    EXPECT_EQ(Hints::textFor(frm.form()->lblOthers),
              QStringLiteral("Double click to close this panel"));
}

TEST(TemplateWindow, DoubleClickOnThePanelUnticksAndHidesIt) {
    TfrmMain frm;
    QAction* products = frm.form()->mnuProducts;
    EXPECT_TRUE(products->isCheckable());
    EXPECT_TRUE(products->isChecked());
    EXPECT_EQ(products->shortcut(), QKeySequence(QStringLiteral("Ctrl+T")));
    frm.form()->pnlReclama->show();
    Q_EMIT frm.form()->pnlReclama->doubleClicked();
    EXPECT_FALSE(products->isChecked());
    EXPECT_TRUE(frm.form()->pnlReclama->isHidden());
}
