#include "live/ui/NSTranslationVC.h"

#include "live/ui/MLHelpSelectVC.h"
#include "live/ui/MLLiveBarView.h"
#include "live/ui/MLLiveSettingsWindow.h"
#include "live/ui/MLSubtitleTableView.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"
#include "platform/kit/MLUserDefaults.h"
#include "platform/kit/ui/MLClickRecognizer.h"
#include "ui/widgets/MLAppHost.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>

NSTranslationVC::NSTranslationVC(QWidget *parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);

    m_bgView = new QWidget(this);
    m_bgView->setObjectName(QStringLiteral("floatingBackground"));
    m_bgView->setAttribute(Qt::WA_StyledBackground);
    m_bgView->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_backButton = new QPushButton(QStringLiteral("返回"), this);
    m_backButton->setCursor(Qt::PointingHandCursor);
    m_backButton->setStyleSheet(QStringLiteral("QPushButton { color: #FFFFFF; background: transparent; "
                                               "border: 1px solid #ADADAD; border-radius: 4px; "
                                               "padding: 2px 10px; }"));
    connect(m_backButton, &QPushButton::clicked, this, [this] { backClick(); });

    m_timeLabel = MLLiveBarView::makeTimeLabel(this);
    m_settingImage = MLLiveBarView::makeIcon(this, QStringLiteral("liveSetting_icon"), 20);
    MLClickRecognizer::attach(m_settingImage, this, [this] { settingClick(); });

    m_tableView = new MLSubtitleTableView(this);

    auto *top = new QHBoxLayout;
    top->setContentsMargins(15, 10, 15, 0);
    top->addWidget(m_backButton);
    top->addStretch(1);
    top->addWidget(m_timeLabel);
    top->addStretch(1);
    top->addWidget(m_settingImage);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 10);
    layout->setSpacing(5);
    layout->addLayout(top);
    layout->addWidget(m_tableView, 1);

    MLNotificationCenter &center = MLNotificationCenter::defaultCenter();
    center.addObserver(this, MLNotificationNames::kChangeFontSize,
                       [this](const MLNotification &) { screenResize(); });
    center.addObserver(this, MLNotificationNames::kChangeBgFloat,
                       [this](const MLNotification &) { changeBgFloat(); });
    changeBgFloat();
}

void NSTranslationVC::setListData(const MLCaptionLines &list) {
    m_tableView->setListData(list);
}

QStringList NSTranslationVC::listData() const {
    return m_tableView->strList();
}

void NSTranslationVC::changeBgFloat() {
    m_bgAlpha = MLUserDefaults::standardUserDefaults().stringForKey(
                    QStringLiteral("NSUserDefaultsBgFloatKey")) == QStringLiteral("0.3")
                    ? 0.3
                    : 0.7;
    m_bgView->setStyleSheet(QStringLiteral("#floatingBackground { background: rgba(0, 0, 0, %1); "
                                           "border-radius: 10px; }")
                                .arg(qRound(m_bgAlpha * 255)));
}

void NSTranslationVC::screenResize() {
    m_tableView->reloadData();
}

void NSTranslationVC::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    m_bgView->setGeometry(rect());
    m_bgView->lower();
}

MLLiveSettingsWindow *NSTranslationVC::suspensionWindow() {
    if (!m_suspensionWindow)
        m_suspensionWindow = new MLLiveSettingsWindow(this, true);
    return m_suspensionWindow;
}

void NSTranslationVC::settingClick() {
    MLLiveSettingsWindow *window = suspensionWindow();
    window->setContentViewController(new MLHelpSelectVC);
    window->show();
    window->raise();
    window->activateWindow();
}

void NSTranslationVC::closeEvent(QCloseEvent *event) {
    backClick();
    event->accept();
}

void NSTranslationVC::backClick() {
    if (m_suspensionWindow && m_suspensionWindow->isVisible())
        m_suspensionWindow->close();
    MLAppHost *app = MLAppHost::shared();
    if (!app)
        return;
    app->setIsFloatingWindow(false);
    if (QWidget *main = app->window()) {
        main->show();
        main->raise();
        main->activateWindow();
    }
    if (QWidget *floating = app->translationWindow())
        floating->hide();
}
