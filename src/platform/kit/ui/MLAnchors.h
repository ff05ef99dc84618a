#pragma once

#include "platform/kit/ui/MLConstraintMaker.h"

#include <functional>

// Anchor constraints: a view's edges, centres and sizes stated against its parent or other views,
//
//     MLAnchors::make(icon, [&](MLConstraintMaker &m) {
//         m.left().offset(25);
//         m.centerY();
//         m.size(25, 25);
//     });
//     MLAnchors::make(label, [&](MLConstraintMaker &m) { m.top().equalTo(icon, MLEdge::Bottom).offset(15);
//     });
//
// Per axis a view takes its size from a width/height constraint, else from two opposite edges (or an
// edge and the centre), else from its sizeHint (heightForWidth when it has one); its position from
// the leading edge, else the trailing edge, else the centre, else it keeps its position.
// The views of one parent are solved together, each after the siblings it refers to; a cycle is
// broken (and logged) rather than followed. Solving happens at once when constraints are made, again
// whenever the parent resizes or asks for layout, or a view that a constraint refers to moves or
// resizes, and on demand through layoutIfNeeded().
class MLAnchors final {
public:
    using Block = std::function<void(MLConstraintMaker &)>;

    MLAnchors() = delete;

    // Adds the block's constraints; a constraint on an attribute that already has one replaces it.
    static void make(QWidget *view, const Block &block);
    // Changes the constraints of the attributes named in the block and keeps the others.
    static void update(QWidget *view, const Block &block);
    // Drops every constraint of the view, then adds the block's.
    static void remake(QWidget *view, const Block &block);
    static void remove(QWidget *view);

    static bool hasConstraints(const QWidget *view);
    static QList<MLConstraint> constraints(const QWidget *view);

    // Solves the view's own constraints and every constrained view inside it until nothing moves,
    // whether or not the widgets are visible yet.
    static void layoutIfNeeded(QWidget *view);
};
