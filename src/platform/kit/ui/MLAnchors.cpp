#include "platform/kit/ui/MLAnchors.h"

#include "platform/kit/ui/MLKitUiLogging.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <algorithm>

#include <optional>

namespace {

constexpr int kMaxPasses = 8;

// Offset of a widget inside its top-level window.
QPointF offsetInWindow(const QWidget *w) {
    QPointF p;
    while (w && !w->isWindow()) {
        p += w->pos();
        w = w->parentWidget();
    }
    return p;
}

// `view`'s rectangle in the coordinates of `parent` (the space the constrained views live in).
QRectF rectIn(const QWidget *view, const QWidget *parent) {
    if (view == parent)
        return QRectF(QPointF(0, 0), QSizeF(parent->size()));
    if (view->parentWidget() == parent)
        return QRectF(view->geometry());
    QPointF origin;
    if (view->window() == parent->window())
        origin = offsetInWindow(view) - offsetInWindow(parent);
    else
        origin = QPointF(view->mapToGlobal(QPoint(0, 0)) - parent->mapToGlobal(QPoint(0, 0)));
    return QRectF(origin, QSizeF(view->size()));
}

qreal attributeOf(const QRectF &r, MLEdge attribute) {
    switch (attribute) {
    case MLEdge::Left:
        return r.left();
    case MLEdge::Right:
        return r.left() + r.width();
    case MLEdge::Top:
        return r.top();
    case MLEdge::Bottom:
        return r.top() + r.height();
    case MLEdge::CenterX:
        return r.left() + r.width() / 2;
    case MLEdge::CenterY:
        return r.top() + r.height() / 2;
    case MLEdge::Width:
        return r.width();
    case MLEdge::Height:
        return r.height();
    }
    return 0;
}

class Engine final : public QObject {
public:
    static Engine &instance() {
        static QPointer<Engine> engine;
        if (!engine)
            engine = new Engine(QCoreApplication::instance());
        return *engine;
    }

    void set(QWidget *view, const MLConstraintMaker &maker, bool replaceAll) {
        auto &list = m_items[view];
        if (replaceAll)
            list.clear();
        for (const MLConstraint &c : maker.constraints()) {
            list.erase(std::remove_if(list.begin(), list.end(),
                                      [&](const MLConstraint &o) { return o.attribute() == c.attribute(); }),
                       list.end());
            list.append(c);
            if (c.view() && c.view() != view)
                watchReference(c.view(), view);
        }
        watchItem(view);
        if (QWidget *parent = view->parentWidget()) {
            watchParent(parent);
            solveGroup(parent);
        }
    }

    void remove(QWidget *view) { m_items.remove(view); }

    bool has(const QWidget *view) const { return m_items.contains(view); }
    QList<MLConstraint> constraintsOf(const QWidget *view) const { return m_items.value(view); }

    void layoutTree(QWidget *root) {
        for (int pass = 0; pass < kMaxPasses; ++pass) {
            bool changed = false;
            if (m_items.contains(root) && root->parentWidget())
                changed |= solveGroup(root->parentWidget());
            changed |= solveSubtree(root);
            if (!changed)
                return;
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        switch (event->type()) {
        case QEvent::Resize:
        case QEvent::LayoutRequest:
        case QEvent::Show:
            if (auto *w = qobject_cast<QWidget *>(watched); w && hasConstrainedChildren(w))
                solveGroup(w);
            if (event->type() == QEvent::Resize)
                referenceChanged(watched);
            break;
        case QEvent::Move:
            referenceChanged(watched);
            break;
        case QEvent::ParentChange:
            if (auto *w = qobject_cast<QWidget *>(watched); w && m_items.contains(w) && w->parentWidget()) {
                watchParent(w->parentWidget());
                solveGroup(w->parentWidget());
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    explicit Engine(QObject *parent)
        : QObject(parent) {}

    void watch(QWidget *w) {
        if (m_watched.contains(w))
            return;
        m_watched.insert(w);
        w->installEventFilter(this);
        connect(w, &QObject::destroyed, this, [this](QObject *gone) {
            m_watched.remove(gone);
            m_items.remove(gone);
            m_dependents.remove(gone);
            m_solving.remove(gone);
            m_again.remove(gone);
            m_warnedCycles.remove(gone);
        });
    }
    void watchItem(QWidget *view) { watch(view); }
    void watchParent(QWidget *parent) { watch(parent); }
    void watchReference(QWidget *reference, QWidget *dependent) {
        watch(reference);
        auto &deps = m_dependents[reference];
        if (!deps.contains(dependent))
            deps.append(dependent);
    }

    bool hasConstrainedChildren(const QWidget *parent) const {
        for (const QObject *child : parent->children())
            if (m_items.contains(child))
                return true;
        return false;
    }

    // A view that constraints refer to has moved or resized: solve the groups of its dependents.
    void referenceChanged(QObject *reference) {
        const auto it = m_dependents.constFind(reference);
        if (it == m_dependents.constEnd())
            return;
        QList<QWidget *> parents;
        for (const QPointer<QWidget> &dependent : *it) {
            if (!dependent || !m_items.contains(dependent.data()))
                continue;
            QWidget *parent = dependent->parentWidget();
            if (!parent || parents.contains(parent))
                continue;
            // Siblings are solved in dependency order within their group's pass.
            if (reference->parent() == parent && m_solving.contains(parent))
                continue;
            parents.append(parent);
        }
        for (QWidget *parent : parents)
            solveGroup(parent);
    }

    // The sibling (child of `parent`) that holds `view`, or nullptr when `view` is not inside one.
    static QWidget *siblingHolding(QWidget *view, const QWidget *parent) {
        for (QWidget *w = view; w; w = w->parentWidget())
            if (w->parentWidget() == parent)
                return w;
        return nullptr;
    }

    void warnCycle(QWidget *item, QWidget *sibling) {
        if (m_warnedCycles.contains(item))
            return;
        m_warnedCycles.insert(item);
        qCWarning(lcKitUi) << "constraint cycle between" << item << "and" << sibling
                           << "; solving with the current geometry";
    }

    QList<QWidget *> orderedItems(QWidget *parent) {
        QList<QWidget *> items;
        for (QObject *child : parent->children())
            if (auto *w = qobject_cast<QWidget *>(child); w && !w->isWindow() && m_items.contains(w))
                items.append(w);
        QList<QWidget *> ordered;
        QHash<QWidget *, int> state; // 1 visiting, 2 done
        std::function<void(QWidget *)> visit = [&](QWidget *item) {
            state[item] = 1;
            for (const MLConstraint &c : m_items.value(item)) {
                if (c.target() != MLConstraint::Target::View || !c.view())
                    continue;
                QWidget *sibling = siblingHolding(c.view(), parent);
                if (!sibling || sibling == item || !m_items.contains(sibling))
                    continue;
                const int s = state.value(sibling);
                if (s == 1)
                    warnCycle(item, sibling);
                else if (s == 0)
                    visit(sibling);
            }
            state[item] = 2;
            ordered.append(item);
        };
        for (QWidget *item : items)
            if (state.value(item) == 0)
                visit(item);
        return ordered;
    }

    std::optional<qreal> valueOf(const MLConstraint &c, QWidget *parent) const {
        switch (c.target()) {
        case MLConstraint::Target::Constant:
            return c.constant();
        case MLConstraint::Target::Parent:
            return attributeOf(rectIn(parent, parent), c.targetAttribute()) * c.multiplier() + c.constant();
        case MLConstraint::Target::View:
            if (!c.view())
                return std::nullopt;
            return attributeOf(rectIn(c.view(), parent), c.targetAttribute()) * c.multiplier() + c.constant();
        }
        return std::nullopt;
    }

    struct Axis {
        std::optional<qreal> lead, trail, center, size;
    };

    // Position and length on one axis; `hint` gives the length when nothing else does.
    static std::pair<qreal, qreal> solveAxis(const Axis &a, qreal current,
                                             const std::function<qreal()> &hint) {
        qreal length;
        if (a.size)
            length = *a.size;
        else if (a.lead && a.trail)
            length = *a.trail - *a.lead;
        else if (a.center && a.lead)
            length = 2 * (*a.center - *a.lead);
        else if (a.center && a.trail)
            length = 2 * (*a.trail - *a.center);
        else
            length = hint();
        length = std::max<qreal>(0, length);
        qreal position = current;
        if (a.lead)
            position = *a.lead;
        else if (a.trail)
            position = *a.trail - length;
        else if (a.center)
            position = *a.center - length / 2;
        return {position, length};
    }

    QRect frameFor(QWidget *item, QWidget *parent) const {
        Axis h, v;
        for (const MLConstraint &c : m_items.value(item)) {
            const auto value = valueOf(c, parent);
            if (!value)
                continue;
            switch (c.attribute()) {
            case MLEdge::Left:
                h.lead = value;
                break;
            case MLEdge::Right:
                h.trail = value;
                break;
            case MLEdge::CenterX:
                h.center = value;
                break;
            case MLEdge::Width:
                h.size = value;
                break;
            case MLEdge::Top:
                v.lead = value;
                break;
            case MLEdge::Bottom:
                v.trail = value;
                break;
            case MLEdge::CenterY:
                v.center = value;
                break;
            case MLEdge::Height:
                v.size = value;
                break;
            }
        }
        const QRect current = item->geometry();
        const QSize hint = item->sizeHint();
        const auto [x, w] =
            solveAxis(h, current.x(), [&] { return hint.width() >= 0 ? hint.width() : current.width(); });
        const int width = qRound(w);
        const auto [y, hgt] = solveAxis(v, current.y(), [&]() -> qreal {
            if (item->hasHeightForWidth())
                return item->heightForWidth(width);
            return hint.height() >= 0 ? hint.height() : current.height();
        });
        return QRect(qRound(x), qRound(y), width, qRound(hgt));
    }

    bool solveOnce(QWidget *parent) {
        bool changed = false;
        for (QWidget *item : orderedItems(parent)) {
            QPointer<QWidget> guard(item);
            const QRect frame = frameFor(item, parent);
            if (frame != item->geometry()) {
                item->setGeometry(frame);
                changed = true;
            }
            if (!guard || item->parentWidget() != parent)
                break; // the tree changed under us; a later event solves again
        }
        return changed;
    }

    // Solves the constrained children of `parent`; re-runs (a bounded number of times) when a view
    // outside the group that the group refers to moved meanwhile.
    bool solveGroup(QWidget *parent) {
        if (m_solving.contains(parent)) {
            m_again.insert(parent);
            return false;
        }
        QPointer<QWidget> guard(parent);
        m_solving.insert(parent);
        bool changed = false;
        int pass = 0;
        do {
            m_again.remove(parent);
            changed |= solveOnce(parent);
        } while (guard && m_again.contains(parent) && ++pass < kMaxPasses);
        if (guard) {
            m_solving.remove(parent);
            m_again.remove(parent);
        }
        return changed;
    }

    bool solveSubtree(QWidget *root) {
        bool changed = false;
        if (hasConstrainedChildren(root))
            changed |= solveGroup(root);
        for (QObject *child : root->children())
            if (auto *w = qobject_cast<QWidget *>(child); w && !w->isWindow())
                changed |= solveSubtree(w);
        return changed;
    }

    QHash<const QObject *, QList<MLConstraint>> m_items;
    QHash<const QObject *, QList<QPointer<QWidget>>> m_dependents;
    QSet<const QObject *> m_watched;
    QSet<const QObject *> m_solving;
    QSet<const QObject *> m_again;
    QSet<const QObject *> m_warnedCycles;
};

} // namespace

void MLAnchors::make(QWidget *view, const Block &block) {
    update(view, block);
}

void MLAnchors::update(QWidget *view, const Block &block) {
    if (!view)
        return;
    MLConstraintMaker maker;
    if (block)
        block(maker);
    Engine::instance().set(view, maker, false);
}

void MLAnchors::remake(QWidget *view, const Block &block) {
    if (!view)
        return;
    MLConstraintMaker maker;
    if (block)
        block(maker);
    Engine::instance().set(view, maker, true);
}

void MLAnchors::remove(QWidget *view) {
    if (view)
        Engine::instance().remove(view);
}

bool MLAnchors::hasConstraints(const QWidget *view) {
    return view && Engine::instance().has(view);
}

QList<MLConstraint> MLAnchors::constraints(const QWidget *view) {
    return view ? Engine::instance().constraintsOf(view) : QList<MLConstraint>();
}

void MLAnchors::layoutIfNeeded(QWidget *view) {
    if (view)
        Engine::instance().layoutTree(view);
}
