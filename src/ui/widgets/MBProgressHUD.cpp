#include "ui/widgets/MBProgressHUD.h"

#include "platform/kit/ui/MLAnchors.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {
constexpr int kSpinnerSteps = 12;
constexpr int kSpinnerIntervalMs = 80;
constexpr int kFadeMs = 200;
constexpr int kIndicatorSize = 37;
} // namespace

MBProgressHUD::MBProgressHUD(QWidget *view)
    : QWidget(view) {
    setAttribute(Qt::WA_NoMousePropagation);
    setFocusPolicy(Qt::NoFocus);
    m_label = new QLabel(this);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setWordWrap(true);
    QPalette palette = m_label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    m_label->setPalette(palette);
    m_label->setFont(labelFont());
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_label->hide();
    m_spinTimer.setInterval(kSpinnerIntervalMs);
    connect(&m_spinTimer, &QTimer::timeout, this, [this] {
        m_spinStep = (m_spinStep + 1) % kSpinnerSteps;
        update(bezelRect());
    });
    if (view)
        MLAnchors::make(this, [](MLConstraintMaker &m) { m.edges(); });
}

MBProgressHUD *MBProgressHUD::showHUDAddedTo(QWidget *view, bool animated) {
    if (!view)
        return nullptr;
    auto *hud = new MBProgressHUD(view);
    hud->showAnimated(animated);
    return hud;
}

MBProgressHUD *MBProgressHUD::HUDForView(QWidget *view) {
    if (!view)
        return nullptr;
    const QObjectList children = view->children();
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        auto *hud = qobject_cast<MBProgressHUD *>(*it);
        if (hud && !hud->hasFinished())
            return hud;
    }
    return nullptr;
}

bool MBProgressHUD::hideHUD(MBProgressHUD *hud, bool animated) {
    if (!hud || hud->hasFinished())
        return false;
    hud->hideAnimated(animated);
    return true;
}

bool MBProgressHUD::hideHUDForView(QWidget *view, bool animated) {
    if (!view)
        return false;
    const QObjectList children = view->children();
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        auto *hud = qobject_cast<MBProgressHUD *>(*it);
        if (hud && !hud->hasFinished() && hud->mode() == Mode::Indeterminate)
            return hideHUD(hud, animated);
    }
    return false;
}

void MBProgressHUD::setMode(Mode mode) {
    m_mode = mode;
    m_label->setVisible(mode == Mode::Text);
    if (mode == Mode::Text)
        m_spinTimer.stop();
    else if (isVisible())
        m_spinTimer.start();
    placeLabel();
    update();
}

void MBProgressHUD::showAnimated(bool animated) {
    m_finished = false;
    raise();
    show();
    if (animated)
        fade(0.0, 1.0, nullptr);
}

void MBProgressHUD::hideAnimated(bool animated) {
    if (m_finished)
        return;
    m_finished = true;
    auto remove = [this] {
        hide();
        deleteLater();
    };
    if (animated && isVisible())
        fade(1.0, 0.0, remove);
    else
        remove();
}

void MBProgressHUD::hideAnimated(bool animated, double delaySeconds) {
    if (!std::isfinite(delaySeconds) || delaySeconds < 0)
        delaySeconds = 0;
    const double ms = std::min(delaySeconds * 1000.0, double(std::numeric_limits<int>::max()));
    QTimer::singleShot(int(ms), this, [this, animated] { hideAnimated(animated); });
}

void MBProgressHUD::fade(qreal from, qreal to, std::function<void()> done) {
    if (m_animation)
        m_animation->stop();
    auto *effect = new QGraphicsOpacityEffect(this);
    effect->setOpacity(from);
    setGraphicsEffect(effect); // replaces (and deletes) an earlier one
    auto *animation = new QPropertyAnimation(effect, "opacity", this);
    animation->setDuration(kFadeMs);
    animation->setStartValue(from);
    animation->setEndValue(to);
    m_animation = animation;
    connect(animation, &QPropertyAnimation::finished, this, [this, done = std::move(done)] {
        if (!m_finished)
            setGraphicsEffect(nullptr); // fully shown: draw without the effect
        if (done)
            done();
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

QFont MBProgressHUD::labelFont() {
    QFont font = QApplication::font();
    font.setPixelSize(14);
    return font;
}

QSize MBProgressHUD::textBezelSize(const QString &text) {
    const QRect bounds =
        QFontMetrics(labelFont())
            .boundingRect(QRect(0, 0, kMaxTextWidth, 10000), Qt::AlignCenter | Qt::TextWordWrap, text);
    return bounds.size() + QSize(2 * kBezelMargin, 2 * kBezelMargin);
}

QSize MBProgressHUD::labelTextSize() const {
    // Lines wrap at the narrower of the usual width and what the view leaves inside the margins.
    const int maxWidth = std::clamp(width() - 2 * kBezelMargin, 1, kMaxTextWidth);
    return m_label->fontMetrics()
        .boundingRect(QRect(0, 0, maxWidth, 10000), Qt::AlignCenter | Qt::TextWordWrap, m_label->text())
        .size();
}

QRect MBProgressHUD::bezelRect() const {
    QSize box = m_mode == Mode::Text
                    ? labelTextSize() + QSize(2 * kBezelMargin, 2 * kBezelMargin)
                    : QSize(kIndicatorSize + 2 * kBezelMargin, kIndicatorSize + 2 * kBezelMargin);
    box = box.boundedTo(size());
    return QRect(QPoint((width() - box.width()) / 2, (height() - box.height()) / 2), box);
}

void MBProgressHUD::placeLabel() {
    // On a view smaller than the box the margins give way first, so the label keeps the text's size.
    QRect rect(QPoint(), labelTextSize().boundedTo(size()));
    rect.moveCenter(bezelRect().center());
    m_label->setGeometry(rect);
}

void MBProgressHUD::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect bezel = bezelRect();
    QPainterPath path;
    path.addRoundedRect(QRectF(bezel), 5, 5);
    painter.fillPath(path, QColor(0, 0, 0, 200));
    if (m_mode == Mode::Text)
        return;
    // Twelve spokes, brightest at the current step, fading behind it.
    const QPointF centre = QRectF(bezel).center();
    const qreal inner = kIndicatorSize * 0.25, outer = kIndicatorSize * 0.5;
    QPen pen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap);
    for (int i = 0; i < kSpinnerSteps; ++i) {
        const int age = (m_spinStep - i + kSpinnerSteps) % kSpinnerSteps;
        QColor colour(Qt::white);
        colour.setAlphaF(1.0 - 0.8 * age / (kSpinnerSteps - 1));
        pen.setColor(colour);
        painter.setPen(pen);
        const qreal angle = 2 * std::numbers::pi * i / kSpinnerSteps;
        const QPointF direction(std::sin(angle), -std::cos(angle));
        painter.drawLine(centre + direction * inner, centre + direction * outer);
    }
}

void MBProgressHUD::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    placeLabel();
    if (m_mode == Mode::Indeterminate)
        m_spinTimer.start();
}

void MBProgressHUD::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    m_spinTimer.stop();
}

void MBProgressHUD::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    placeLabel();
}

void MBProgressHUD::mousePressEvent(QMouseEvent *event) {
    event->accept();
}
void MBProgressHUD::mouseReleaseEvent(QMouseEvent *event) {
    event->accept();
}
void MBProgressHUD::mouseDoubleClickEvent(QMouseEvent *event) {
    event->accept();
}
void MBProgressHUD::mouseMoveEvent(QMouseEvent *event) {
    event->accept();
}
void MBProgressHUD::wheelEvent(QWheelEvent *event) {
    event->accept();
}
