#include "app/AppDelegate.h"

#include "account/NSLoginForPwdVC.h"
#include "app/MLAppWindow.h"
#include "app/MLFloatingWindow.h"
#include "app/NSMainVC.h"
#include "core/net/MLNetRequestManager.h"
#include "core/security/SecurityCore.h"
#include "core/session/MLUserManager.h"
#include "live/engine/MLDBManager.h"
#include "live/engine/MLLiveEngine.h"
#include "platform/kit/MLModule.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"
#include "platform/kit/ui/MLAppStyle.h"
#include "platform/kit/ui/MLApplicationModal.h"
#include "ui/widgets/MBProgressHUD.h"
#include "ui/widgets/MLToast.h"

#include <QApplication>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QSessionManager>
#include <QSet>

#include <csignal>

Q_LOGGING_CATEGORY(lcApp, "ml.app")

namespace {
AppDelegate *g_shared = nullptr;
const QSize kLoginSize(375, 500);
const QSize kMainSize(1188, 673);
constexpr double kModuleNoticeSeconds = 6.0;
} // namespace

AppDelegate::AppDelegate(QObject *parent)
    : QObject(parent) {
    g_shared = this;
    MLAppHost::install(this);
    // A module of the installation that cannot be loaded is told once, on the window, from any thread.
    // The notice stays long enough to be read and lets every click through to the window under it.
    MLModule::setNotLoadedHandler([](const QString &notice) {
        QMetaObject::invokeMethod(
            qApp,
            [notice] {
                if (g_shared && g_shared->contentView())
                    MLToast::makeToast(g_shared->contentView(), notice, kModuleNoticeSeconds)
                        ->setAttribute(Qt::WA_TransparentForMouseEvents);
            },
            Qt::QueuedConnection);
    });
}

AppDelegate::~AppDelegate() {
    if (g_shared == this) {
        g_shared = nullptr;
        MLModule::setNotLoadedHandler({});
    }
    if (MLAppHost::shared() == this)
        MLAppHost::install(nullptr);
    qApp->removeEventFilter(this);
    delete m_translationWindow;
    delete m_window;
}

AppDelegate *AppDelegate::shared() {
    return g_shared;
}

void AppDelegate::configureApplication() {
    // Before any widget: the style's standard icons wait for their first use.
    QApplication::setStyle(new MLAppStyle);
    QApplication::setOrganizationName(QStringLiteral("mltranslate"));
    QApplication::setApplicationName(QStringLiteral("mltranslate"));
    QApplication::setApplicationDisplayName(QStringLiteral("同声传译"));
    QApplication::setApplicationVersion(QStringLiteral(ML_APP_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(ML_APP_ID));
    QApplication::setQuitOnLastWindowClosed(false);
}

void AppDelegate::applicationDidFinishLaunching() {
    // A write past the user's file-size limit fails with EFBIG and takes the failure path of what wrote
    // (the recording, the transcript, the history row) instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    // Off the main thread while the window is built; a failure is logged ("ml.security"), and the
    // first request waits for the recovery.
    SecurityCore::beginStoredKeyRecovery();
    // The history store's notices (a damaged file set aside) may come from any thread.
    MLDBManager::getSharedInstance().setNoticeHandler(
        [self = QPointer<AppDelegate>(this)](const QString &notice) {
            if (self)
                QMetaObject::invokeMethod(self, [self, notice] {
                    if (QWidget *host = self ? self->contentView() : nullptr)
                        MLToast::makeToast(host, notice, 3.0);
                });
        });
    MLNotificationCenter::defaultCenter().addObserver(this, MLNotificationNames::kUserLogout,
                                                      [this](const MLNotification &) { userLogoutEvent(); });
    qApp->installEventFilter(this);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) { sessionWillEnd(); });
    creatUI();
    initTranslation();
}

void AppDelegate::creatUI() {
    if (!m_window)
        m_window = new MLAppWindow;
    m_window->hide();
    if (m_translationWindow)
        m_translationWindow->hide();

    if (MLUserManager::sharedManager().currentUser()) {
        auto *main = new NSMainVC;
        m_window->setContentPage(main, kMainSize);
        // The shelter lies over the main page's left bar and the live section's tab bar, above the page.
        auto *shelter = new QWidget(m_window->contentView());
        shelter->setObjectName(QStringLiteral("translationShelterView"));
        shelter->setAutoFillBackground(true);
        QPalette palette = shelter->palette();
        palette.setColor(QPalette::Window, QColor(0, 0, 0, qRound(255 * 0.1)));
        shelter->setPalette(palette);
        shelter->setGeometry(0, 0, kShelterWidth, kMainSize.height());
        shelter->hide();
        delete m_shelterView;
        m_shelterView = shelter;
    } else {
        delete m_shelterView;
        m_window->setContentPage(new NSLoginForPwdVC, kLoginSize);
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void AppDelegate::initTranslation() {
    if (!m_translationWindow)
        m_translationWindow = new MLFloatingWindow;
    m_translationWindow->hide();
}

void AppDelegate::bringWindowForward() {
    if (!m_window)
        return;
    m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

QWidget *AppDelegate::window() const {
    return m_window;
}

QWidget *AppDelegate::contentView() const {
    return m_window ? m_window->contentView() : nullptr;
}

QWidget *AppDelegate::translationWindow() const {
    return m_translationWindow;
}

void AppDelegate::setTranslationContent(QWidget *content) {
    if (!m_translationWindow)
        initTranslation();
    m_translationWindow->setContent(content);
}

QWidget *AppDelegate::translationShelterView() const {
    if (m_shelterView)
        m_shelterView->raise();
    return m_shelterView;
}

void AppDelegate::requestMineNetworkSuccess(QObject *context,
                                            std::function<void(const MLMineModel &)> success,
                                            std::function<void(const QString &, const QString &)> failure) {
    MLNetRequestManager::sharedService().postUrl(
        QStringLiteral("/meInfo/getMeInfo"), QString(),
        [success, failure](const QJsonObject &answer) {
            const auto account = ml::json::fromJson<MLMineModel>(
                SecurityCore::decryptString(answer.value(QStringLiteral("dt"))));
            MLUserManager::sharedManager().setCurrentMineUser(account);
            // The first account answer of a process: sessions of this user that a previous
            // process left in progress get their history rows.
            static QSet<qint64> recovered;
            if (account && account->consumerId != 0 && !recovered.contains(account->consumerId)) {
                recovered.insert(account->consumerId);
                MLLiveEngine::recoverInterruptedSessions(MLDBManager::getSharedInstance(),
                                                         account->consumerId);
            }
            if (account) {
                if (success)
                    success(*account);
            } else if (failure) {
                failure(QStringLiteral("数据格式异常"), QString());
            }
        },
        [failure](const QString &message, const QString &code) {
            if (failure)
                failure(message, code);
        },
        context);
}

void AppDelegate::windowWillClose() {
    MLApplicationModal::stopModal();
}

void AppDelegate::applicationWillTerminate() {
    if (m_translationWindow)
        m_translationWindow->hide();
    if (m_window)
        m_window->hide();
    MLLiveEngine::endSessionsForQuit();
}

void AppDelegate::sessionWillEnd() {
    MLLiveEngine::endSessionsForQuit();
}

void AppDelegate::userLogoutEvent() {
    creatUI();
}

bool AppDelegate::eventFilter(QObject *watched, QEvent *event) {
    if (auto *widget = qobject_cast<QWidget *>(watched); widget && widget->isWindow()) {
        if (event->type() == QEvent::Close)
            windowWillClose();
        else if (event->type() == QEvent::Resize)
            MLNotificationCenter::defaultCenter().postNotificationName(MLNotificationNames::kWindowDidResize);
    }
    return QObject::eventFilter(watched, event);
}
