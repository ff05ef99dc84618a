#include "account/NSLoginForPwdVC.h"

#include "core/session/MLUserManager.h"
#include "ui/widgets/MBProgressHUD.h"
#include "ui/widgets/MLAppHost.h"
#include "ui/widgets/MLToast.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

NSLoginForPwdVC::NSLoginForPwdVC(QWidget *parent)
    : QWidget(parent)
    , m_tokenField(new QLineEdit(this))
    , m_loginButton(new QPushButton(QStringLiteral("登录"), this)) {
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);

    auto *title = new QLabel(QStringLiteral("登录"), this);
    QFont titleFont = font();
    titleFont.setPixelSize(24);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);

    m_tokenField->setPlaceholderText(QStringLiteral("请输入登录令牌"));
    m_tokenField->setFixedHeight(40);
    m_loginButton->setFixedHeight(40);
    m_loginButton->setStyleSheet(QStringLiteral("QPushButton { background: #0089FF; color: white; border: "
                                                "none; border-radius: 5px; font-size: 16px; }"
                                                "QPushButton:disabled { background: #9cccff; }"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 80, 40, 80);
    layout->setSpacing(20);
    layout->addWidget(title);
    layout->addStretch();
    layout->addWidget(m_tokenField);
    layout->addWidget(m_loginButton);
    layout->addStretch();

    connect(m_loginButton, &QPushButton::clicked, this, &NSLoginForPwdVC::loginClick);
    connect(m_tokenField, &QLineEdit::returnPressed, this, &NSLoginForPwdVC::loginClick);
}

void NSLoginForPwdVC::loginClick() {
    const QString token = m_tokenField->text().trimmed();
    MLAppHost *app = MLAppHost::shared();
    if (token.isEmpty() || !app)
        return;
    QWidget *host = app->contentView();
    MLUserManager &users = MLUserManager::sharedManager();
    // The request carries the stored user's token, so the candidate is stored while it is checked and
    // removed again when the service refuses it.
    users.setCurrentUser(MLUserModel{token});
    m_loginButton->setEnabled(false);
    const QPointer<MBProgressHUD> hud = MBProgressHUD::showHUDAddedTo(host, true);
    QPointer<NSLoginForPwdVC> self(this);
    // The answer is awaited on the host's content view, which lives as long as the host; this page goes
    // when the UI is rebuilt.
    app->requestMineNetworkSuccess(
        host,
        [app, hud](const MLMineModel &) {
            MBProgressHUD::hideHUD(hud, true);
            app->creatUI();
        },
        [self, host, hud](const QString &message, const QString &) {
            MBProgressHUD::hideHUD(hud, true);
            MLUserManager::sharedManager().logoutBlock(nullptr);
            if (self)
                self->m_loginButton->setEnabled(true);
            MLToast::makeToast(host, message, 1.0);
        });
}
