#pragma once

#include <QPointer>
#include <QWidget>

// The attributes a constraint can pin: four edges, two centres and two sizes.
enum class MLEdge { Left, Right, Top, Bottom, CenterX, CenterY, Width, Height };

// One equation of a view's layout: `attribute = target * multiplier + offset`. The target is an
// attribute of the parent, of another view (a sibling, or any view of the same window) or a constant.
// A constant on an edge or centre is taken from the parent's same attribute, as in
// `m.right().equalTo(-20)` ("20 in from the parent's right edge").
class MLConstraint final {
public:
    enum class Target { Constant, Parent, View };

    explicit MLConstraint(MLEdge attribute);

    // The same attribute of `view`.
    MLConstraint &equalTo(QWidget *view);
    MLConstraint &equalTo(QWidget *view, MLEdge attribute);
    MLConstraint &equalToParent();
    MLConstraint &equalToParent(MLEdge attribute);
    MLConstraint &equalTo(int constant);
    MLConstraint &equalTo(qreal constant);

    MLConstraint &offset(qreal value);
    // An offset towards the inside of the target: positive moves a left/top edge right/down and a
    // right/bottom edge left/up.
    MLConstraint &inset(qreal value);
    MLConstraint &multipliedBy(qreal factor);

    MLEdge attribute() const { return m_attribute; }
    Target target() const { return m_target; }
    QWidget *view() const { return m_view; }
    // True when the constraint named a view that has since been destroyed.
    bool isBroken() const { return m_target == Target::View && !m_view; }
    MLEdge targetAttribute() const { return m_targetAttribute; }
    qreal multiplier() const { return m_multiplier; }
    qreal constant() const { return m_constant; }

private:
    MLEdge m_attribute;
    Target m_target = Target::Parent;
    QPointer<QWidget> m_view;
    MLEdge m_targetAttribute;
    qreal m_multiplier = 1.0;
    qreal m_constant = 0.0;
};
