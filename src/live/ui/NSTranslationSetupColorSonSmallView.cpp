#include "live/ui/NSTranslationSetupColorSonSmallView.h"

#include "live/ui/MLSubtitleLookKeys.h"

#include "platform/kit/ui/MLImage.h"

namespace {
constexpr int kImageSide = 45;
constexpr int kCheckSide = 18;
} // namespace

NSTranslationSetupColorSonSmallView::NSTranslationSetupColorSonSmallView(QWidget *parent)
    : QWidget(parent)
    , m_bgImageView(new QLabel(this))
    , m_seletedImageView(new QLabel(this)) {
    m_bgImageView->setScaledContents(true);
    m_seletedImageView->setScaledContents(true);
    m_seletedImageView->setPixmap(
        MLImage::pixmap(QStringLiteral("bgTranslation_seleted"), QSize(kCheckSide, kCheckSide)));
    m_seletedImageView->setHidden(true);
    setImageName(QStringLiteral("bgTranslation_black"));
    layoutUI();
}

void NSTranslationSetupColorSonSmallView::setImageName(const QString &assetName) {
    m_imageName = assetName;
    m_bgImageView->setPixmap(MLImage::pixmap(assetName, QSize(kImageSide, kImageSide)));
}

void NSTranslationSetupColorSonSmallView::setSeleted(bool seleted) {
    m_seletedImageView->setHidden(!seleted);
}

void NSTranslationSetupColorSonSmallView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layoutUI();
}

void NSTranslationSetupColorSonSmallView::layoutUI() {
    m_bgImageView->setGeometry((width() - kImageSide) / 2, (height() - kImageSide) / 2, kImageSide,
                               kImageSide);
    m_seletedImageView->setGeometry(width() - kCheckSide, height() - kCheckSide, kCheckSide, kCheckSide);
    // The check mark lies over the image.
    m_seletedImageView->raise();
}

void MLSwatchChoice::mark(NSTranslationSetupColorSonSmallView *view) {
    if (m_chosen)
        m_chosen->setSeleted(false);
    view->setSeleted(true);
    m_chosen = view;
}

void MLSwatchChoice::choose(NSTranslationSetupColorSonSmallView *view, const QString &value) {
    if (view == m_chosen)
        return;
    mark(view);
    MLSubtitleLookKeys::write(m_key, value, m_notification);
}
