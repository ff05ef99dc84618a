#pragma once

#include "platform/kit/ui/MLConstraint.h"

#include <QMargins>
#include <QSize>

#include <deque>

// Collects the constraints of one view inside an MLAnchors block. A new constraint starts out equal
// to the parent's same attribute, so `m.left().offset(25)` is "25 from the parent's left edge".
class MLConstraintMaker final {
public:
    MLConstraint &left() { return add(MLEdge::Left); }
    MLConstraint &right() { return add(MLEdge::Right); }
    MLConstraint &top() { return add(MLEdge::Top); }
    MLConstraint &bottom() { return add(MLEdge::Bottom); }
    MLConstraint &centerX() { return add(MLEdge::CenterX); }
    MLConstraint &centerY() { return add(MLEdge::CenterY); }
    MLConstraint &width() { return add(MLEdge::Width); }
    MLConstraint &height() { return add(MLEdge::Height); }

    // Fixed sizes.
    MLConstraint &width(qreal value) { return width().equalTo(value); }
    MLConstraint &height(qreal value) { return height().equalTo(value); }
    void size(qreal width, qreal height);
    void size(const QSize &size) { this->size(size.width(), size.height()); }

    // All four edges on the parent's (or `view`'s), each moved inwards by its inset.
    void edges() { edges(QMargins()); }
    void edges(int inset) { edges(QMargins(inset, inset, inset, inset)); }
    void edges(const QMargins &insets);
    void edges(QWidget *view, int inset = 0) { edges(view, QMargins(inset, inset, inset, inset)); }
    void edges(QWidget *view, const QMargins &insets);

    // Both centres on the parent's (or `view`'s).
    void center();
    void center(QWidget *view);

    const std::deque<MLConstraint> &constraints() const { return m_constraints; }

private:
    MLConstraint &add(MLEdge attribute) { return m_constraints.emplace_back(attribute); }

    // A deque keeps references to earlier constraints valid while more are added.
    std::deque<MLConstraint> m_constraints;
};
