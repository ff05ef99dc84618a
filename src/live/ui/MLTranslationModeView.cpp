#include "live/ui/MLTranslationModeView.h"

#include "live/engine/MLLiveEngine.h"
#include "live/ui/MLLiveEngineNotices.h"
#include "live/ui/MLSubtitleTableView.h"
#include "live/ui/NSTranslationComboBoxView.h"
#include "live/ui/NSTranslationSonView.h"
#include "live/ui/NSTranslationVC.h"
#include "platform/audio/MLMediaBackend.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"
#include "platform/kit/ui/MLClickRecognizer.h"
#include "platform/speech/MLRecognizer.h"
#include "ui/widgets/MLAppHost.h"

#include <QLabel>
#include <QTimer>

const QString &MLTranslationModeView::tipText() {
    static const QString text =
        QStringLiteral("打开有声音的网页及视频，选择语种，点击开始按钮体验实时翻译字幕\n"
                       "温馨提示：请使用电脑外放声音，不要佩戴耳机");
    return text;
}

MLTranslationModeView::MLTranslationModeView(MLLiveEngine &engine, const QString &pageKey, QWidget *parent)
    : MLLivePageFrame(parent)
    , m_engine(&engine)
    , m_pageKey(pageKey) {
    MLLiveEngineNotices::attach(engine);
    // creatUI
    m_barView = new NSTranslationSonView;
    m_barView->setLanguageKey(m_pageKey);
    MLClickRecognizer::attach(m_barView->suspensionImage(), this, [this] { suspensionBtnClick(); });
    setBarView(m_barView);

    m_tableView = new MLSubtitleTableView(contentView());
    m_tableView->setRowBackground(kContentColor);

    m_showTipLabel = new QLabel(tipText(), contentView());
    m_showTipLabel->setAlignment(Qt::AlignCenter);
    m_showTipLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont font = m_showTipLabel->font();
    font.setPixelSize(19);
    m_showTipLabel->setFont(font);
    m_showTipLabel->setStyleSheet(QStringLiteral("color: #FFFFFF; background: transparent;"));
    startOrOverImage()->raise();

    layoutUI();
    initLanguage();

    MLNotificationCenter &center = MLNotificationCenter::defaultCenter();
    for (const QString &name : {MLNotificationNames::kWindowDidResize, MLNotificationNames::kChangeFontSize})
        center.addObserver(this, name, [this](const MLNotification &) { screenResize(); });

    setContentBlock();
}

MLTranslationModeView::~MLTranslationModeView() {
    // The floating window may hold this page's controller; it goes with the page.
    delete m_suspensionVc;
}

QStringList MLTranslationModeView::strList() const {
    return m_tableView->strList();
}

void MLTranslationModeView::layoutUI() {
    MLLivePageFrame::layoutUI();
    if (!m_tableView)
        return;
    m_tableView->setGeometry(middleRect());
    m_showTipLabel->setGeometry(middleRect());
}

void MLTranslationModeView::showEvent(QShowEvent *event) {
    MLLivePageFrame::showEvent(event);
    MLMediaBackend::preload();
    MLRecognizer::preload();
    // The floating window's page too, once this page is on screen, rather than in the first session.
    QTimer::singleShot(0, this, [this] { suspensionVc(); });
}

void MLTranslationModeView::initLanguage() {
    m_barView->setLeftItem(NSTranslationComboBoxView::storedLanguage(m_pageKey + QStringLiteral("Left")));
    m_barView->setRightItem(NSTranslationComboBoxView::storedLanguage(m_pageKey + QStringLiteral("Right")));
}

void MLTranslationModeView::setContentBlock() {
    QPointer<MLTranslationModeView> weakSelf(this);
    m_engine->setStatusBlock([weakSelf](bool running) {
        if (weakSelf)
            weakSelf->statusChanged(running);
        else if (MLAppHost *app = MLAppHost::shared())
            app->setIsTranslation(running);
    });
    m_engine->setTimeChangeBlock([weakSelf](const QString &time) {
        if (weakSelf)
            weakSelf->timeChanged(time);
    });
    m_engine->setDataChangeBlock([weakSelf](const MLCaptionLines &list) {
        if (weakSelf)
            weakSelf->dataChanged(list);
    });
}

void MLTranslationModeView::statusChanged(bool running) {
    if (MLAppHost *app = MLAppHost::shared())
        app->setIsTranslation(running);
    changeUI();
}

void MLTranslationModeView::timeChanged(const QString &time) {
    m_barView->timeLabel()->setText(time);
    suspensionVc()->timeLabel()->setText(time);
}

void MLTranslationModeView::dataChanged(const MLCaptionLines &list) {
    m_tableView->setListData(list);
    suspensionVc()->setListData(list);
}

NSTranslationVC *MLTranslationModeView::suspensionVc() {
    if (!m_suspensionVc)
        m_suspensionVc = new NSTranslationVC;
    return m_suspensionVc;
}

void MLTranslationModeView::startOrOverClick() {
    if (!m_engine)
        return;
    const MLAppHost *app = MLAppHost::shared();
    if (app && app->isTranslation()) {
        m_engine->stopTranslation();
        return;
    }
    m_engine->startTranslation(m_barView->sourceLanguageView()->itemLanguage().languageCode,
                               m_barView->targetLanguageView()->itemLanguage().languageCode);
}

void MLTranslationModeView::changeUI() {
    MLAppHost *app = MLAppHost::shared();
    const bool running = app && app->isTranslation();
    setStartOrOverImage(running ? QStringLiteral("overImage_icon") : QStringLiteral("startImage_icon"));
    if (QWidget *shelter = app ? app->translationShelterView() : nullptr)
        shelter->setVisible(running);
    m_showTipLabel->hide();
    m_barView->startOrOverBtnClick();
}

void MLTranslationModeView::screenResize() {
    m_tableView->reloadData();
}

void MLTranslationModeView::suspensionBtnClick() {
    MLAppHost *app = MLAppHost::shared();
    if (!app)
        return;
    app->setIsFloatingWindow(true);
    if (QWidget *main = app->window())
        main->close();
    app->setTranslationContent(suspensionVc());
    QWidget *floating = app->translationWindow();
    floating->show();
    floating->raise();
    floating->activateWindow();
}
