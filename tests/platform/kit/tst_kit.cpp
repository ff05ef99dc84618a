#include "platform/crypto/MLCryptoBackend.h"
#include "platform/kit/MLModule.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLUserDefaults.h"
#include "platform/kit/ui/MLAlert.h"
#include "platform/kit/ui/MLAnchors.h"
#include "platform/kit/ui/MLAppStyle.h"
#include "platform/kit/ui/MLApplicationModal.h"
#include "platform/kit/ui/MLClickRecognizer.h"
#include "platform/kit/ui/MLOpenPanel.h"
#include "platform/kit/ui/MLWorkspace.h"
#include "support/MLTestMain.h"

#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QThread>

using namespace Qt::StringLiterals;

using MakeConstraints = std::function<void(MLConstraintMaker &, QWidget *sibling)>;
Q_DECLARE_METATYPE(MakeConstraints)

namespace {
// A shown window holding a 400 x 300 parent with one sibling at (50, 40, 100, 60).
struct Scene {
    QWidget window;
    QWidget *parent = new QWidget(&window);
    QWidget *sibling = new QWidget(parent);
    QWidget *child = new QWidget(parent);

    explicit Scene(bool show = true) {
        window.resize(600, 500);
        parent->setGeometry(0, 0, 400, 300);
        MLAnchors::make(sibling, [](MLConstraintMaker &m) {
            m.left().offset(50);
            m.top().offset(40);
            m.size(100, 60);
        });
        if (show) {
            QVERIFY(ml::test::shown(&window));
        }
    }
};

// Fusion, counting the standard icons it is asked for.
class CountingStyle final : public QProxyStyle {
public:
    CountingStyle()
        : QProxyStyle(QStyleFactory::create(u"Fusion"_s)) {}
    QIcon standardIcon(StandardPixmap which, const QStyleOption *option,
                       const QWidget *widget) const override {
        ++asked;
        return QProxyStyle::standardIcon(which, option, widget);
    }
    mutable int asked = 0;
};

} // namespace

class TestKit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Modules are kept by module, not by the interface they are reached through: two modules asked for
    // through one type each give their own object, and asking again gives the same one.
    void eachModuleKeepsItsOwnObject() {
        MLCryptoBackend *crypto = MLCryptoBackend::instance();
        auto *history =
            MLModule::instance<MLCryptoBackend>(QStringLiteral("libml_history.so"), "ml_history_database");
        QVERIFY(crypto && history);
        QVERIFY(history != crypto);
        QCOMPARE(MLModule::instance<MLCryptoBackend>(QStringLiteral("libml_crypto.so"), "ml_crypto_backend"),
                 crypto);
    }

    void init() {
        MLAlert::clearNextResponses();
        MLOpenPanel::clearNextResponses();
        MLWorkspace::setRecorder(true);
        MLWorkspace::clearRecordedCalls();
    }

    // ---- foundation ----

    void notificationReachesLiveObserversOnly() {
        MLNotificationCenter center;
        int calls = 0;
        auto *dying = new QObject;
        QObject living;
        center.addObserver(dying, u"N"_s, [&](const MLNotification &) { ++calls; });
        center.addObserver(&living, u"N"_s, [&](const MLNotification &n) {
            ++calls;
            QCOMPARE(n.userInfo.value(u"k"_s).toInt(), 7);
        });
        center.postNotificationName(u"N"_s, nullptr, {{u"k"_s, 7}});
        QCOMPARE(calls, 2);
        delete dying;
        QCOMPARE(center.observerCount(u"N"_s), 1);
        center.postNotificationName(u"N"_s, nullptr, {{u"k"_s, 7}});
        QCOMPARE(calls, 3);
        // An observer destroyed by an earlier one during the delivery is skipped.
        auto *second = new QObject;
        center.addObserver(&living, u"M"_s, [&](const MLNotification &) { delete second; });
        center.addObserver(second, u"M"_s, [&](const MLNotification &) { ++calls; });
        center.postNotificationName(u"M"_s);
        QCOMPARE(calls, 3);
    }

    void postFromWorkerThreadIsDeliveredOnMainThread() {
        MLNotificationCenter center;
        QObject observer;
        QThread *deliveredOn = nullptr;
        center.addObserver(&observer, u"N"_s,
                           [&](const MLNotification &) { deliveredOn = QThread::currentThread(); });
        QThread *worker = QThread::create([&] { center.postNotificationName(u"N"_s); });
        worker->start();
        worker->wait();
        delete worker;
        QTRY_COMPARE(deliveredOn, QThread::currentThread());
    }

    // The settings hold the session token: private to the user when made and after each write, and an
    // existing readable file is tightened when opened.
    void userDefaultsRoundTripPrivately() {
        constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;
        const auto mode = [](const QString &path) {
            return QFileInfo(path).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
        };
        QTemporaryDir dir;
        const QString path = dir.filePath(u"s.ini"_s);
        {
            MLUserDefaults defaults(path);
            defaults.setString(u"大"_s, u"NSUserDefaultsFontSizeKey"_s);
            QVERIFY(defaults.synchronize());
        }
        QCOMPARE(mode(path), kOwnerOnly);
        MLUserDefaults reread(path);
        QCOMPARE(reread.stringForKey(u"NSUserDefaultsFontSizeKey"_s), u"大"_s);
        const QString old = dir.filePath(u"old.ini"_s);
        QFile file(old);
        QVERIFY(file.open(QIODevice::WriteOnly, kOwnerOnly | QFile::ReadGroup | QFile::ReadOther));
        file.close();
        MLUserDefaults reopened(old);
        QCOMPARE(mode(old), kOwnerOnly);
        const QString folder = QFileInfo(MLUserDefaults::defaultFilePath()).absolutePath();
        QCOMPARE(mode(folder), kOwnerOnly | QFile::ExeOwner);
    }

    // ---- anchors ----

    void constraintsGiveFrame_data() {
        QTest::addColumn<MakeConstraints>("make");
        QTest::addColumn<QRect>("frame");
        QTest::newRow("parent right/bottom") << MakeConstraints([](MLConstraintMaker &m, QWidget *) {
            m.right().offset(-20);
            m.bottom().inset(30);
            m.size(80, 32);
        }) << QRect(300, 238, 80, 32);
        QTest::newRow("right of sibling, centred on it")
            << MakeConstraints([](MLConstraintMaker &m, QWidget *s) {
                   m.left().equalTo(s, MLEdge::Right).offset(5);
                   m.centerY().equalTo(s);
                   m.size(20, 20);
               })
            << QRect(155, 60, 20, 20);
        QTest::newRow("size from sibling, multiplied")
            << MakeConstraints([](MLConstraintMaker &m, QWidget *s) {
                   m.left();
                   m.top();
                   m.width().equalTo(s).multipliedBy(0.5).offset(10);
                   m.height().equalTo(s, MLEdge::Width).multipliedBy(2);
               })
            << QRect(0, 0, 60, 200);
    }

    void constraintsGiveFrame() {
        QFETCH(MakeConstraints, make);
        for (const bool shown : {false, true}) {
            Scene scene(shown);
            MLAnchors::make(scene.child, [&](MLConstraintMaker &m) { make(m, scene.sibling); });
            QTEST(scene.child->geometry(), "frame");
        }
    }

    void chainFollowsConstrainedSibling() {
        // Tab items: each one's top on the bottom of the one before, the first moved by update.
        Scene scene;
        QList<QWidget *> items;
        for (int i = 0; i < 4; ++i)
            items.append(new QWidget(scene.parent));
        // Made last-first, so solving must follow the references, not the order of making.
        for (int i = 3; i >= 1; --i)
            MLAnchors::make(items[i], [&](MLConstraintMaker &m) {
                m.top().equalTo(items[i - 1], MLEdge::Bottom);
                m.width().equalTo(items[0]);
                m.height().equalTo(items[0]);
                m.centerX().equalTo(items[0]);
            });
        MLAnchors::make(items[0], [](MLConstraintMaker &m) {
            m.left();
            m.right();
            m.top().offset(15);
            m.height(40);
        });
        QCOMPARE(items[3]->geometry(), QRect(0, 135, 400, 40));
        MLAnchors::update(items[0], [](MLConstraintMaker &m) { m.top().offset(5); });
        QCOMPARE(items[0]->geometry(), QRect(0, 5, 400, 40));
        QCOMPARE(items[3]->geometry(), QRect(0, 125, 400, 40));
    }

    void hiddenTreeSolvesOnDemand() {
        // A container whose bottom follows a label inside it, while the label hangs from the
        // container's top: only a repeated solve gets it right, shown or not.
        QWidget parent;
        parent.resize(400, 300);
        auto *container = new QWidget(&parent);
        auto *box = new QWidget(container);
        auto *label = new QWidget(container);
        MLAnchors::make(container, [&](MLConstraintMaker &m) {
            m.top().offset(30);
            m.left().inset(20);
            m.right().inset(20);
            m.bottom().equalTo(label, MLEdge::Bottom).offset(5);
        });
        MLAnchors::make(box, [](MLConstraintMaker &m) {
            m.centerX();
            m.top().offset(10);
            m.size(100, 40);
        });
        MLAnchors::make(label, [&](MLConstraintMaker &m) {
            m.left().offset(10);
            m.right().offset(-10);
            m.top().equalTo(box, MLEdge::Bottom).offset(50);
            m.height(20);
        });
        MLAnchors::layoutIfNeeded(&parent);
        QCOMPARE(container->geometry(), QRect(20, 30, 360, 125));
        QCOMPARE(box->geometry(), QRect(130, 10, 100, 40));
        QCOMPARE(label->geometry(), QRect(10, 100, 340, 20));
    }

    void remakeReplacesUpdateKeeps() {
        Scene scene;
        MLAnchors::make(scene.child, [](MLConstraintMaker &m) {
            m.left().offset(10);
            m.top().offset(10);
            m.size(20, 20);
        });
        MLAnchors::update(scene.child, [](MLConstraintMaker &m) { m.width(50); });
        QCOMPARE(scene.child->geometry(), QRect(10, 10, 50, 20));
        MLAnchors::remake(scene.child, [](MLConstraintMaker &m) {
            m.right().offset(-10);
            m.bottom().offset(-10);
            m.size(30, 30);
        });
        QCOMPARE(scene.child->geometry(), QRect(360, 260, 30, 30));
        scene.parent->resize(500, 200); // follows its parent
        QCOMPARE(scene.child->geometry(), QRect(460, 160, 30, 30));
        MLAnchors::remove(scene.child);
        QVERIFY(!MLAnchors::hasConstraints(scene.child));
        scene.parent->resize(200, 200);
        QCOMPARE(scene.child->geometry(), QRect(460, 160, 30, 30));
    }

    void cycleEnds() {
        Scene scene;
        auto *a = new QWidget(scene.parent);
        auto *b = new QWidget(scene.parent);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"cycle"_s));
        MLAnchors::make(a, [&](MLConstraintMaker &m) {
            m.left().equalTo(b, MLEdge::Right);
            m.top();
            m.size(10, 10);
        });
        MLAnchors::make(b, [&](MLConstraintMaker &m) {
            m.left().equalTo(a, MLEdge::Right);
            m.top();
            m.size(10, 10);
        });
        MLAnchors::layoutIfNeeded(&scene.window);
        scene.parent->resize(300, 300);
        // Solved with the geometry at hand: sizes and tops hold, and one of the pair is right of the other.
        QCOMPARE(a->geometry().size(), QSize(10, 10));
        QCOMPARE(b->geometry().size(), QSize(10, 10));
        QCOMPARE(a->y() + b->y(), 0);
        QVERIFY(a->x() == b->x() + 10 || b->x() == a->x() + 10);
    }

    void referenceDestroyedIsIgnored() {
        Scene scene;
        auto *other = new QWidget(scene.parent);
        other->setGeometry(0, 0, 10, 10);
        MLAnchors::make(scene.child, [&](MLConstraintMaker &m) {
            m.left().equalTo(other, MLEdge::Right);
            m.top().offset(3);
            m.size(5, 5);
        });
        QCOMPARE(scene.child->pos(), QPoint(10, 3));
        delete other;
        scene.parent->resize(410, 300);
        QCOMPARE(scene.child->pos(), QPoint(10, 3));
    }

    // ---- click recogniser ----

    void clickRecogniserFires() {
        QWidget window;
        window.resize(200, 200);
        auto *target = new QLabel(u"查看"_s, &window);
        target->setGeometry(10, 10, 60, 30);
        QVERIFY(ml::test::shown(&window));
        auto *context = new QObject;
        int clicks = 0;
        QPointer<MLClickRecognizer> recognizer =
            MLClickRecognizer::attach(target, context, [&] { ++clicks; });
        QVERIFY(recognizer);

        QTest::mouseClick(target, Qt::LeftButton);
        QCOMPARE(clicks, 1);
        QTest::mouseClick(target, Qt::RightButton);
        QCOMPARE(clicks, 1);
        // Pressed inside, released outside: no click.
        QTest::mousePress(target, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(target, Qt::LeftButton, {}, QPoint(100, 5));
        QCOMPARE(clicks, 1);

        delete context;
        QTest::mouseClick(target, Qt::LeftButton);
        QCOMPARE(clicks, 1);
        QTRY_VERIFY(recognizer.isNull());
    }

    // ---- alert ----

    void alertAnswersItsButtonsWhileItsWindowLives() {
        // The answer for a window gone meanwhile is dropped.
        auto *gone = new QWidget;
        MLAlert alert;
        alert.addButtonWithTitle(u"确定"_s);
        MLAlert::setNextResponse(1000);
        bool called = false;
        alert.beginSheetModalForWindow(gone, [&](int) { called = true; });
        delete gone;
        bool later = false; // queued after the alert's answer
        QTimer::singleShot(0, this, [&] { later = true; });
        QTRY_VERIFY(later);
        QVERIFY(!called);

        // A sheet on a live window ends by its buttons only.
        QWidget window;
        QVERIFY(ml::test::shown(&window));
        MLAlert sheet;
        sheet.addButtonWithTitle(u"确定"_s);
        sheet.addButtonWithTitle(u"取消"_s);
        int got = -1;
        sheet.beginSheetModalForWindow(&window, [&](int r) { got = r; });
        const auto dialogs = window.findChildren<QDialog *>();
        QCOMPARE(dialogs.size(), 1);
        QCOMPARE(dialogs.first()->windowModality(), Qt::WindowModal);
        auto *b = dialogs.first()->findChild<QPushButton *>(u"alertButton1"_s);
        QVERIFY(b);
        // Escape does not end an alert; only its buttons do.
        QTest::keyClick(dialogs.first(), Qt::Key_Escape);
        QCOMPARE(got, -1);
        b->click();
        QCOMPARE(got, 1001);
    }

    // ---- open panel ----

    void openPanelCleansTypesAndChoosesAFile() {
        MLOpenPanel::setNextResponse(MLOpenPanel::CancelResponse, QString());
        auto panel = MLOpenPanel::openPanel();
        panel->setAllowedFileTypes({u"pdf"_s, u".DOCX"_s, u"*.doc"_s, u"PDF"_s});
        panel->beginSheetModalForWindow(nullptr, [](int) {});
        QCOMPARE(MLOpenPanel::lastAllowedFileTypes(), (QStringList{u"pdf"_s, u"DOCX"_s, u"doc"_s}));

        // The real dialog chooses an existing file of the allowed types.
        QTemporaryDir dir;
        const QString file = dir.filePath(u"a.pdf"_s);
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QWidget window;
        QVERIFY(ml::test::shown(&window));
        panel = MLOpenPanel::openPanel();
        panel->setAllowedFileTypes({u"pdf"_s});
        int got = -1;
        panel->beginSheetModalForWindow(&window, [&](int r) { got = r; });
        auto *dialog = window.findChild<QFileDialog *>();
        QVERIFY(dialog);
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
        QVERIFY(dialog->nameFilters().join(QLatin1Char(';')).contains(u"*.pdf"_s));
        dialog->setDirectory(dir.path());
        dialog->selectFile(file);
        QMetaObject::invokeMethod(dialog, "accept");
        QCOMPARE(got, MLOpenPanel::OKResponse);
        QCOMPARE(panel->URL().toLocalFile(), file);
    }

    // ---- modal runs ----

    void modalRunsNestAndEnd() {
        QWidget outer, inner;
        int innerCode = 0;
        QTimer::singleShot(5, &outer, [&] {
            QTimer::singleShot(5, &inner, [] { MLApplicationModal::stopModalWithCode(7); });
            innerCode = MLApplicationModal::runModalForWindow(&inner);
            MLApplicationModal::stopModalWithCode(9);
        });
        QCOMPARE(MLApplicationModal::runModalForWindow(&outer), 9);
        QCOMPARE(innerCode, 7);
        // A run ends when its window is destroyed.
        auto *window = new QWidget;
        QTimer::singleShot(5, window, [window] { window->deleteLater(); });
        QCOMPARE(MLApplicationModal::runModalForWindow(window), MLApplicationModal::AbortResponse);
        QCOMPARE(MLApplicationModal::runModalForWindow(nullptr), MLApplicationModal::AbortResponse);
    }

    // ---- workspace and pasteboard ----

    void workspaceRevealsTheFolder() {
        QTemporaryDir dir;
        QVERIFY(MLWorkspace::selectFile(QString(), dir.path()));
        QVERIFY(!MLWorkspace::selectFile(QString(), dir.filePath(u"gone"_s)));
        QCOMPARE(MLWorkspace::recordedCalls().size(), 1);
        QCOMPARE(MLWorkspace::recordedCalls()[0].kind, MLWorkspace::Call::Kind::RevealInFileViewer);
        QCOMPARE(MLWorkspace::recordedCalls()[0].url, QUrl::fromLocalFile(QDir(dir.path()).absolutePath()));
    }

    // ---- images ----

    // The application style's standard icons are made on first use, once, and look as the style's own.
    void standardIconsWaitForFirstUse_data() {
        QTest::addColumn<QStyle::StandardPixmap>("which");
        QTest::addColumn<int>("extent");
        QTest::newRow("menu bar overflow") << QStyle::SP_ToolBarHorizontalExtensionButton << 16;
        QTest::newRow("warning") << QStyle::SP_MessageBoxWarning << 32;
        QTest::newRow("back") << QStyle::SP_ArrowBack << 24;
    }
    void standardIconsWaitForFirstUse() {
        QFETCH(QStyle::StandardPixmap, which);
        QFETCH(int, extent);
        auto *base = new CountingStyle;
        MLAppStyle style(base);
        const QIcon icon = style.standardIcon(which);
        QCOMPARE(base->asked, 0);
        const QSize size(extent, extent);
        const QImage drawn = icon.pixmap(size).toImage();
        QVERIFY(!drawn.isNull());
        QCOMPARE(base->asked, 1);
        const std::unique_ptr<QStyle> fusion(QStyleFactory::create(u"Fusion"_s));
        const QIcon own = fusion->standardIcon(which);
        QCOMPARE(drawn, own.pixmap(size).toImage());
        QCOMPARE(icon.actualSize(size), own.actualSize(size));
        QCOMPARE(base->asked, 1);
    }
};

ML_TEST_MAIN(TestKit)
#include "tst_kit.moc"
