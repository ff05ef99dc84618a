#include "live/ui/MLLiveBarView.h"

#include "live/ui/MLHelpSelectVC.h"
#include "live/ui/MLLiveSettingsWindow.h"
#include "live/ui/NSTranslationComboBoxView.h"
#include "platform/kit/ui/MLApplicationModal.h"
#include "platform/kit/ui/MLClickRecognizer.h"
#include "platform/kit/ui/MLImage.h"
#include "ui/widgets/MLAppHost.h"

#include <QLabel>
#include <QPushButton>

MLLiveBarView::MLLiveBarView(QWidget *parent)
    : QWidget(parent) {
    m_sourceLanguageView = new NSTranslationComboBoxView(this);
    m_sourceLanguageView->setFixedSize(150, 30);

    m_timeLabel = makeTimeLabel(this);

    m_settingImage = makeIcon(this, QStringLiteral("liveSetting_icon"), 20);
    MLClickRecognizer::attach(m_settingImage, this, [this] { settingClick(); });
}

QLabel *MLLiveBarView::makeTimeLabel(QWidget *parent) {
    auto *label = new QLabel(QStringLiteral("00:00:00"), parent);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    QFont font = label->font();
    font.setPixelSize(16);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: #ADADAD; background: transparent;"));
    return label;
}

QLabel *MLLiveBarView::makeIcon(QWidget *parent, const QString &asset, int size) {
    auto *icon = new QLabel(parent);
    icon->setFixedSize(size, size);
    icon->setPixmap(MLImage::pixmap(asset, QSize(size, size)));
    icon->setCursor(Qt::PointingHandCursor);
    return icon;
}

void MLLiveBarView::setLeftItem(const MLMineLanguageListModel &item) {
    m_leftItem = item;
    m_sourceLanguageView->setItemLanguage(item);
    m_sourceLanguageView->setIsSourceLanguage(true);
    m_sourceLanguageView->setLanguageKey(m_languageKey);
    m_sourceLanguageView->setLanguageType(NSTranslationComboBoxView::kSourceLanguageType);
}

bool MLLiveBarView::isTranslation() {
    const MLAppHost *app = MLAppHost::shared();
    return app && app->isTranslation();
}

void MLLiveBarView::startOrOverBtnClick() {
    m_sourceLanguageView->comboBoxBtn()->setVisible(isTranslation());
}

MLLiveSettingsWindow *MLLiveBarView::helpWindow() {
    if (!m_helpWindow)
        m_helpWindow = new MLLiveSettingsWindow(this);
    return m_helpWindow;
}

void MLLiveBarView::settingClick() {
    MLLiveSettingsWindow *window = helpWindow();
    window->setContentViewController(new MLHelpSelectVC);
    MLApplicationModal::runModalForWindow(window);
}
