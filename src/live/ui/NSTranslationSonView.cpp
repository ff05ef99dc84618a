#include "live/ui/NSTranslationSonView.h"

#include "core/net/MLEncryptOperation.h"
#include "core/net/MLLoginNetService.h"
#include "live/ui/NSTranslationComboBoxView.h"
#include "platform/kit/ui/MLClickRecognizer.h"
#include "ui/widgets/MLAppHost.h"
#include "ui/widgets/MLToast.h"

#include <QHBoxLayout>
#include <QJsonObject>
#include <QLabel>
#include <QLoggingCategory>
#include <QPointer>
#include <QPushButton>

namespace {
Q_LOGGING_CATEGORY(lcBar, "ml.live.ui.bar")
}

NSTranslationSonView::NSTranslationSonView(QWidget *parent)
    : MLLiveBarView(parent) {
    m_targetLanguageView = new NSTranslationComboBoxView(this);
    m_targetLanguageView->setFixedSize(150, 30);

    m_changeImage = makeIcon(this, QStringLiteral("switchLanguage_icon"), 20);
    MLClickRecognizer::attach(m_changeImage, this, [this] { changeIconClick(); });

    m_suspensionImage = makeIcon(this, QStringLiteral("suspensionImage_icon"), 20);
    auto *suspensionLabel = new QLabel(QStringLiteral("悬浮框"), this);
    suspensionLabel->setStyleSheet(QStringLiteral("color: #ADADAD; background: transparent;"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(25, 0, 25, 0);
    layout->setSpacing(0);
    layout->addWidget(m_sourceLanguageView);
    layout->addSpacing(15);
    layout->addWidget(m_changeImage);
    layout->addSpacing(15);
    layout->addWidget(m_targetLanguageView);
    layout->addStretch(1);
    layout->addWidget(m_timeLabel);
    layout->addSpacing(30);
    layout->addWidget(m_suspensionImage);
    layout->addSpacing(5);
    layout->addWidget(suspensionLabel);
    layout->addSpacing(20);
    layout->addWidget(m_settingImage);
}

void NSTranslationSonView::setRightItem(const MLMineLanguageListModel &item) {
    m_rightItem = item;
    m_targetLanguageView->setItemLanguage(item);
    m_targetLanguageView->setLanguageKey(m_languageKey);
    m_targetLanguageView->setLanguageType(NSTranslationComboBoxView::kTargetLanguageType);
}

void NSTranslationSonView::startOrOverBtnClick() {
    MLLiveBarView::startOrOverBtnClick();
    m_targetLanguageView->comboBoxBtn()->setVisible(isTranslation());
}

void NSTranslationSonView::changeIconClick() {
    MLAppHost *app = MLAppHost::shared();
    if (app && app->isTranslation()) {
        MLToast::makeToast(app->contentView(), QStringLiteral("正在翻译，不允许修改"), 1.0);
        return;
    }
    const MLMineLanguageListModel &from = m_sourceLanguageView->itemLanguage();
    const MLMineLanguageListModel &to = m_targetLanguageView->itemLanguage();
    QJsonObject params;
    params[QStringLiteral("fromCode")] = from.languageCode;
    params[QStringLiteral("fromCodeName")] = from.languageName;
    params[QStringLiteral("toCode")] = to.languageCode;
    params[QStringLiteral("toCodeName")] = to.languageName;
    QPointer<NSTranslationSonView> weakSelf(this);
    MLLoginNetService::shareService().ml_requireSwitchLanguageUrl(
        QStringLiteral("/transLangue/switchLanguage"), MLEncryptOperation::returnRequestJsonToDic(params),
        [weakSelf](const QJsonObject &answer) {
            if (!weakSelf)
                return;
            const auto apply = [&answer](NSTranslationComboBoxView *picker, const QString &codeKey,
                                         const QString &nameKey) {
                MLMineLanguageListModel item = picker->itemLanguage();
                item.languageCode = answer.value(codeKey).toString();
                item.languageName = answer.value(nameKey).toString();
                picker->setItemLanguage(item);
                picker->changeLanguage();
            };
            apply(weakSelf->m_sourceLanguageView, QStringLiteral("fromCode"), QStringLiteral("fromCodeName"));
            apply(weakSelf->m_targetLanguageView, QStringLiteral("toCode"), QStringLiteral("toCodeName"));
        },
        [](const QString &message, const QString &code) {
            qCInfo(lcBar) << "language swap refused:" << message << code;
        },
        this);
}
