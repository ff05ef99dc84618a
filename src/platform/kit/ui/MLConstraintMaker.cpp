#include "platform/kit/ui/MLConstraintMaker.h"

void MLConstraintMaker::size(qreal width, qreal height) {
    this->width(width);
    this->height(height);
}

void MLConstraintMaker::edges(const QMargins &insets) {
    left().inset(insets.left());
    top().inset(insets.top());
    right().inset(insets.right());
    bottom().inset(insets.bottom());
}

void MLConstraintMaker::edges(QWidget *view, const QMargins &insets) {
    left().equalTo(view).inset(insets.left());
    top().equalTo(view).inset(insets.top());
    right().equalTo(view).inset(insets.right());
    bottom().equalTo(view).inset(insets.bottom());
}

void MLConstraintMaker::center() {
    centerX();
    centerY();
}

void MLConstraintMaker::center(QWidget *view) {
    centerX().equalTo(view);
    centerY().equalTo(view);
}
