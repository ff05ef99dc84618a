#include "platform/kit/ui/MLConstraint.h"

MLConstraint::MLConstraint(MLEdge attribute)
    : m_attribute(attribute)
    , m_targetAttribute(attribute) {}

MLConstraint &MLConstraint::equalTo(QWidget *view) {
    return equalTo(view, m_attribute);
}

MLConstraint &MLConstraint::equalTo(QWidget *view, MLEdge attribute) {
    m_target = Target::View;
    m_view = view;
    m_targetAttribute = attribute;
    return *this;
}

MLConstraint &MLConstraint::equalToParent() {
    return equalToParent(m_attribute);
}

MLConstraint &MLConstraint::equalToParent(MLEdge attribute) {
    m_target = Target::Parent;
    m_view = nullptr;
    m_targetAttribute = attribute;
    return *this;
}

MLConstraint &MLConstraint::equalTo(int constant) {
    return equalTo(qreal(constant));
}

MLConstraint &MLConstraint::equalTo(qreal constant) {
    const bool isSize = m_attribute == MLEdge::Width || m_attribute == MLEdge::Height;
    m_target = isSize ? Target::Constant : Target::Parent;
    m_view = nullptr;
    m_targetAttribute = m_attribute;
    m_constant += constant;
    return *this;
}

MLConstraint &MLConstraint::offset(qreal value) {
    m_constant += value;
    return *this;
}

MLConstraint &MLConstraint::inset(qreal value) {
    const bool farEdge = m_attribute == MLEdge::Right || m_attribute == MLEdge::Bottom;
    m_constant += farEdge ? -value : value;
    return *this;
}

MLConstraint &MLConstraint::multipliedBy(qreal factor) {
    m_multiplier = factor;
    return *this;
}
