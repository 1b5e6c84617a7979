#pragma once

class QString;
class QWidget;

// Docking and anchoring of child widgets, read from the dynamic properties a layout gives them:
//   align   = "top" | "bottom" | "left" | "right" | "client"
//             the child takes that whole edge of what its parent has left (the parent's contents
//             rectangle, inside its frame), in the order top, bottom, left, right, client; within
//             one edge the child nearest the edge in the layout comes first. Hidden children take
//             nothing, so hiding one gives its room to the others.
//   anchors = a comma list of "left", "top", "right", "bottom"
//             a side listed keeps its distance to the parent's side when the parent is resized;
//             with both sides of an axis listed the child stretches; with neither, its centre
//             keeps its place as a fraction of the parent's size. Children without the property
//             keep left and top.
namespace Dock {

enum class Align { None, Top, Bottom, Left, Right, Client };

// The edge a widget is docked to, as its "align" property says.
Align alignmentOf(const QWidget* widget);

// Takes over the placement of every descendant of root that carries one of the properties.
// The geometry found now is the designed geometry the anchors work from.
void install(QWidget* root);

// Docks a widget to another edge (or "none"), as if its layout had said so.
void setAlign(QWidget* widget, const QString& align);

// Places the children of parent again at once (normally done on every resize and show/hide).
void relayout(QWidget* parent);

} // namespace Dock
