#include "platform/kit/ui/MLAlert.h"
#include "platform/kit/ui/MLAnchors.h"
#include "platform/kit/ui/MLApplicationModal.h"
#include "platform/kit/ui/MLClickRecognizer.h"
#include "platform/kit/ui/MLImage.h"
#include "platform/kit/ui/MLOpenPanel.h"
#include "platform/kit/ui/MLPasteboard.h"
#include "platform/kit/ui/MLWorkspace.h"
#include "support/MLTestMain.h"

#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

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
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
        }
    }
};

} // namespace

class TestUiKit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        MLAlert::clearNextResponses();
        MLOpenPanel::clearNextResponses();
        MLWorkspace::setRecorder(true);
        MLWorkspace::clearRecordedCalls();
    }

    // ---- anchors ----

    void constraintsGiveFrame_data() {
        QTest::addColumn<MakeConstraints>("make");
        QTest::addColumn<QRect>("frame");
        QTest::newRow("parent left/top") << MakeConstraints([](MLConstraintMaker &m, QWidget *) {
            m.left().equalToParent().offset(25);
            m.top().offset(10);
            m.size(30, 20);
        }) << QRect(25, 10, 30, 20);
        QTest::newRow("parent right/bottom") << MakeConstraints([](MLConstraintMaker &m, QWidget *) {
            m.right().offset(-20);
            m.bottom().inset(30);
            m.size(80, 32);
        }) << QRect(300, 238, 80, 32);
        QTest::newRow("centred, raised") << MakeConstraints([](MLConstraintMaker &m, QWidget *) {
            m.centerX();
            m.centerY().offset(-25);
            m.size(216, 122);
        }) << QRect(92, 64, 216, 122);
        QTest::newRow("below sibling") << MakeConstraints([](MLConstraintMaker &m, QWidget *s) {
            m.top().equalTo(s, MLEdge::Bottom).offset(15);
            m.left().equalTo(s);
            m.size(10, 10);
        }) << QRect(50, 115, 10, 10);
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
        QTest::newRow("half the parent") << MakeConstraints([](MLConstraintMaker &m, QWidget *) {
            m.width().equalToParent().multipliedBy(0.5);
            m.height(40);
            m.right();
            m.bottom();
        }) << QRect(200, 260, 200, 40);
        QTest::newRow("edges with insets")
            << MakeConstraints([](MLConstraintMaker &m, QWidget *) { m.edges(QMargins(15, 15, 15, 70)); })
            << QRect(15, 15, 370, 215);
        QTest::newRow("edges of sibling, inset")
            << MakeConstraints([](MLConstraintMaker &m, QWidget *s) { m.edges(s, 2); })
            << QRect(52, 42, 96, 56);
        QTest::newRow("width between edges") << MakeConstraints([](MLConstraintMaker &m, QWidget *s) {
            m.left().offset(20);
            m.right().equalTo(s, MLEdge::Left);
            m.top().equalTo(s, MLEdge::CenterY);
            m.bottom().equalTo(s, MLEdge::Bottom);
        }) << QRect(20, 70, 30, 30);
        QTest::newRow("centred on sibling") << MakeConstraints([](MLConstraintMaker &m, QWidget *s) {
            m.center(s);
            m.size(10, 20);
        }) << QRect(95, 60, 10, 20);
        QTest::newRow("later constraint wins") << MakeConstraints([](MLConstraintMaker &m, QWidget *) {
            m.left().offset(5);
            m.left().offset(7);
            m.top();
            m.size(1, 1);
        }) << QRect(7, 0, 1, 1);
    }

    void constraintsGiveFrame() {
        QFETCH(MakeConstraints, make);
        QFETCH(QRect, frame);
        for (const bool shown : {false, true}) {
            Scene scene(shown);
            MLAnchors::make(scene.child, [&](MLConstraintMaker &m) { make(m, scene.sibling); });
            QCOMPARE(scene.child->geometry(), frame);
        }
    }

    void unsetSizeFallsBackToSizeHint() {
        Scene scene;
        auto *label = new QLabel(QStringLiteral("共35条记录"), scene.parent);
        label->show();
        MLAnchors::make(label, [](MLConstraintMaker &m) {
            m.left().offset(20);
            m.centerY();
        });
        QCOMPARE(label->size(), label->sizeHint());
        QCOMPARE(label->y(), qRound(150 - label->sizeHint().height() / 2.0));
        // A longer text asks for layout again, and the label grows.
        const int before = label->width();
        label->setText(QStringLiteral("共123456789条记录"));
        QTRY_VERIFY(label->width() > before);
        QCOMPARE(label->size(), label->sizeHint());
    }

    void followsParentResize() {
        Scene scene;
        MLAnchors::make(scene.child, [](MLConstraintMaker &m) {
            m.right().offset(-10);
            m.top();
            m.bottom();
            m.width(20);
        });
        QCOMPARE(scene.child->geometry(), QRect(370, 0, 20, 300));
        scene.parent->resize(500, 200);
        QCOMPARE(scene.child->geometry(), QRect(470, 0, 20, 200));
    }

    void followsSiblingMoveAndResize() {
        Scene scene;
        auto *free = new QWidget(scene.parent);
        free->setGeometry(10, 10, 50, 50);
        free->show();
        MLAnchors::make(scene.child, [&](MLConstraintMaker &m) {
            m.top().equalTo(free, MLEdge::Bottom).offset(15);
            m.left().equalTo(free);
            m.width().equalTo(free);
            m.height(5);
        });
        QCOMPARE(scene.child->geometry(), QRect(10, 75, 50, 5));
        free->move(30, 100);
        QCOMPARE(scene.child->geometry(), QRect(30, 165, 50, 5));
        free->resize(80, 10);
        QCOMPARE(scene.child->geometry(), QRect(30, 125, 80, 5));
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
        QCOMPARE(MLAnchors::constraints(scene.child).size(), 4);
        MLAnchors::remove(scene.child);
        QVERIFY(!MLAnchors::hasConstraints(scene.child));
        scene.parent->resize(200, 200);
        QCOMPARE(scene.child->geometry(), QRect(360, 260, 30, 30));
    }

    void cycleEnds() {
        Scene scene;
        auto *a = new QWidget(scene.parent);
        auto *b = new QWidget(scene.parent);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cycle")));
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
        // Reaching here is the point; the pair is left somewhere to the right of the origin.
        QVERIFY(a->x() >= 0 && b->x() >= 0);
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

    void clickRecogniserFires_data() {
        QTest::addColumn<bool>("imageView");
        QTest::newRow("label") << false;
        QTest::newRow("image view") << true;
    }

    void clickRecogniserFires() {
        QFETCH(bool, imageView);
        QWidget window;
        window.resize(200, 200);
        auto *target = new QLabel(&window);
        if (imageView)
            target->setPixmap(MLImage::pixmap(QStringLiteral("dchange_icon"), QSize(28, 28)));
        else
            target->setText(QStringLiteral("查看"));
        target->setGeometry(10, 10, 60, 30);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
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

    void clickOnPlainChildReachesItsParentsRecogniser() {
        QWidget window;
        auto *item = new QWidget(&window);
        item->setGeometry(0, 0, 149, 40);
        auto *title = new QLabel(QStringLiteral("历史记录"), item);
        title->move(55, 10);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        int itemClicks = 0, windowClicks = 0;
        MLClickRecognizer::attach(item, &window, [&] { ++itemClicks; });
        MLClickRecognizer::attach(&window, &window, [&] { ++windowClicks; });
        QTest::mouseClick(title, Qt::LeftButton);
        QCOMPARE(itemClicks, 1);
        QCOMPARE(windowClicks, 0); // taken by the innermost recogniser
    }

    // ---- alert ----

    void alertButtonsAnswerInOrder() {
        MLAlert alert;
        alert.setMessageText(QStringLiteral("确定删除？"));
        QCOMPARE(alert.addButtonWithTitle(QStringLiteral("确定")), MLAlert::FirstButtonReturn);
        QCOMPARE(alert.addButtonWithTitle(QStringLiteral("取消")), MLAlert::SecondButtonReturn);
        QCOMPARE(alert.addButtonWithTitle(QStringLiteral("稍后")), MLAlert::ThirdButtonReturn);
        QCOMPARE(alert.buttonTitles(),
                 (QStringList{QStringLiteral("确定"), QStringLiteral("取消"), QStringLiteral("稍后")}));
    }

    void alertQueuedResponseCompletesAsynchronously_data() {
        QTest::addColumn<int>("response");
        QTest::newRow("first") << 1000;
        QTest::newRow("second") << 1001;
    }

    void alertQueuedResponseCompletesAsynchronously() {
        QFETCH(int, response);
        QWidget window;
        MLAlert alert;
        alert.setMessageText(QStringLiteral("确定退出登录？"));
        alert.addButtonWithTitle(QStringLiteral("确定"));
        alert.addButtonWithTitle(QStringLiteral("取消"));
        MLAlert::setNextResponse(response);
        int got = -1;
        alert.beginSheetModalForWindow(&window, [&](int r) { got = r; });
        QCOMPARE(got, -1);
        QCOMPARE(MLAlert::pendingResponseCount(), 0);
        QTRY_COMPARE(got, response);
        QVERIFY(window.findChildren<QDialog *>().isEmpty());
        QCOMPARE(MLAlert::lastAlert()->messageText(), QStringLiteral("确定退出登录？"));
    }

    void alertRunModalTakesQueuedResponse() {
        MLAlert::setNextResponse(1001);
        MLAlert::setNextResponse(1000);
        MLAlert alert;
        alert.addButtonWithTitle(QStringLiteral("快去更新"));
        QCOMPARE(alert.runModal(), 1001);
        QCOMPARE(alert.runModal(), 1000);
    }

    void alertCompletionDroppedWithItsWindow() {
        auto *window = new QWidget;
        MLAlert alert;
        alert.addButtonWithTitle(QStringLiteral("确定"));
        MLAlert::setNextResponse(1000);
        bool called = false;
        alert.beginSheetModalForWindow(window, [&](int) { called = true; });
        delete window;
        QTest::qWait(20);
        QVERIFY(!called);
    }

    void alertSheetButtonsGiveTheirResponses_data() {
        QTest::addColumn<int>("button");
        QTest::newRow("确定") << 0;
        QTest::newRow("取消") << 1;
        QTest::newRow("third") << 2;
    }

    void alertSheetButtonsGiveTheirResponses() {
        QFETCH(int, button);
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        MLAlert alert;
        alert.setMessageText(QStringLiteral("请确定源语言和目标语言，\n避免费用出现误差"));
        alert.addButtonWithTitle(QStringLiteral("确定"));
        alert.addButtonWithTitle(QStringLiteral("取消"));
        alert.addButtonWithTitle(QStringLiteral("其他"));
        int got = -1;
        alert.beginSheetModalForWindow(&window, [&](int r) { got = r; });
        const auto dialogs = window.findChildren<QDialog *>();
        QCOMPARE(dialogs.size(), 1);
        QCOMPARE(dialogs.first()->windowModality(), Qt::WindowModal);
        auto *b = dialogs.first()->findChild<QPushButton *>(QStringLiteral("alertButton%1").arg(button));
        QVERIFY(b);
        // Escape does not end an alert; only its buttons do.
        QTest::keyClick(dialogs.first(), Qt::Key_Escape);
        QCOMPARE(got, -1);
        b->click();
        QCOMPARE(got, 1000 + button);
    }

    // ---- open panel ----

    void openPanelQueuedAnswers_data() {
        QTest::addColumn<int>("response");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("hasURL");
        QTest::newRow("OK with a file") << 1 << QStringLiteral("/tmp/会议.docx") << true;
        QTest::newRow("cancel") << 0 << QString() << false;
        QTest::newRow("cancel ignores a path") << 0 << QStringLiteral("/tmp/a.pdf") << false;
    }

    void openPanelQueuedAnswers() {
        QFETCH(int, response);
        QFETCH(QString, path);
        QFETCH(bool, hasURL);
        QWidget window;
        MLOpenPanel::setNextResponse(response, path);
        int got = -1;
        QUrl url;
        {
            auto panel = MLOpenPanel::openPanel();
            panel->setAllowedFileTypes({QStringLiteral("pdf"), QStringLiteral(".DOCX"),
                                        QStringLiteral("*.doc"), QStringLiteral("PDF")});
            std::weak_ptr<MLOpenPanel> weak = panel;
            panel->beginSheetModalForWindow(&window, [&, weak](int r) {
                got = r;
                auto p = weak.lock();
                QVERIFY(p); // the panel outlives the caller's pointer until its completion has run
                url = p->URL();
            });
        }
        QCOMPARE(got, -1);
        QTRY_COMPARE(got, response);
        QCOMPARE(url.isValid(), hasURL);
        if (hasURL)
            QCOMPARE(url.toLocalFile(), path);
        QCOMPARE(MLOpenPanel::lastAllowedFileTypes(),
                 (QStringList{QStringLiteral("pdf"), QStringLiteral("DOCX"), QStringLiteral("doc")}));
    }

    void openPanelDialogChoosesAFile_data() {
        QTest::addColumn<bool>("accept");
        QTest::newRow("chosen") << true;
        QTest::newRow("cancelled") << false;
    }

    void openPanelDialogChoosesAFile() {
        QFETCH(bool, accept);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("a.pdf"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto panel = MLOpenPanel::openPanel();
        panel->setAllowedFileTypes({QStringLiteral("pdf")});
        int got = -1;
        panel->beginSheetModalForWindow(&window, [&](int r) { got = r; });
        auto *dialog = window.findChild<QFileDialog *>();
        QVERIFY(dialog);
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
        QVERIFY(dialog->nameFilters().join(QLatin1Char(';')).contains(QStringLiteral("*.pdf")));
        if (accept) {
            dialog->setDirectory(dir.path());
            dialog->selectFile(file);
            QMetaObject::invokeMethod(dialog, "accept");
        } else {
            dialog->reject();
        }
        QCOMPARE(got, accept ? MLOpenPanel::OKResponse : MLOpenPanel::CancelResponse);
        QCOMPARE(panel->URLs().size(), accept ? 1 : 0);
        if (accept)
            QCOMPARE(panel->URL().toLocalFile(), file);
    }

    // ---- modal runs ----

    void modalRunEndsWithStop() {
        QWidget window;
        Qt::WindowModality during = Qt::NonModal;
        QWidget *activeModal = nullptr;
        QTimer::singleShot(10, &window, [&] {
            during = window.windowModality();
            activeModal = QApplication::activeModalWidget();
            MLApplicationModal::stopModal();
        });
        QCOMPARE(MLApplicationModal::runModalForWindow(&window), MLApplicationModal::StopResponse);
        QCOMPARE(during, Qt::ApplicationModal);
        QCOMPARE(activeModal, &window);
        QVERIFY(!MLApplicationModal::isRunning());
        QCOMPARE(window.windowModality(), Qt::NonModal);
        MLApplicationModal::stopModal(); // none running: nothing happens
    }

    void modalRunsNest() {
        QWidget outer, inner;
        int innerCode = 0;
        QTimer::singleShot(5, &outer, [&] {
            QTimer::singleShot(5, &inner, [] { MLApplicationModal::stopModalWithCode(7); });
            innerCode = MLApplicationModal::runModalForWindow(&inner);
            MLApplicationModal::stopModalWithCode(9);
        });
        QCOMPARE(MLApplicationModal::runModalForWindow(&outer), 9);
        QCOMPARE(innerCode, 7);
    }

    void modalRunEndsWhenWindowIsDestroyed() {
        auto *window = new QWidget;
        QTimer::singleShot(5, window, [window] { window->deleteLater(); });
        QCOMPARE(MLApplicationModal::runModalForWindow(window), MLApplicationModal::AbortResponse);
        QCOMPARE(MLApplicationModal::runModalForWindow(nullptr), MLApplicationModal::AbortResponse);
    }

    // ---- workspace and pasteboard ----

    void workspaceRecordsInsteadOfOpening() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("recording.txt"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(MLWorkspace::activateFileViewerSelectingURLs({file}));
        QVERIFY(MLWorkspace::selectFile(QString(), dir.path()));
        QVERIFY(!MLWorkspace::selectFile(QString(), dir.filePath(QStringLiteral("gone"))));
        QVERIFY(!MLWorkspace::activateFileViewerSelectingURLs({dir.filePath(QStringLiteral("gone.txt"))}));
        QVERIFY(MLWorkspace::openURL(QUrl(QStringLiteral("https://example.com/"))));
        QVERIFY(!MLWorkspace::openURL(QUrl()));

        const auto calls = MLWorkspace::recordedCalls();
        QCOMPARE(calls.size(), 3);
        QCOMPARE(calls[0].kind, MLWorkspace::Call::Kind::RevealInFileViewer);
        QCOMPARE(calls[0].url, QUrl::fromLocalFile(QDir(dir.path()).absolutePath()));
        QCOMPARE(calls[0].paths, QStringList{file});
        QCOMPARE(calls[1].url, QUrl::fromLocalFile(QDir(dir.path()).absolutePath()));
        QCOMPARE(calls[2].kind, MLWorkspace::Call::Kind::OpenURL);
        QCOMPARE(calls[2].url, QUrl(QStringLiteral("https://example.com/")));
    }

    void pasteboardHoldsText() {
        MLPasteboard &pasteboard = MLPasteboard::generalPasteboard();
        QVERIFY(pasteboard.setString(QStringLiteral("13800138000")));
        QCOMPARE(pasteboard.string(), QStringLiteral("13800138000"));
        pasteboard.clearContents();
        QCOMPARE(pasteboard.string(), QString());
    }

    // ---- images ----

    void everyAssetHasAnImage_data() {
        QTest::addColumn<QString>("name");
        // Every asset name the screens ask for.
        const QString names = QStringLiteral(
            "123 bgTranslation_black bgTranslation_blue bgTranslation_darkblue bgTranslation_red "
            "bgTranslation_seleted bgTranslation_white cheapTranslation_icon dchange_icon "
            "detailsOfConsumption_icon generalTranslation_icon highPrecisionTranslation_icon "
            "historicalRecord_icon iconUserImage icon_data_empty icon_login_select icon_login_unselect "
            "individualCenter_icon overImage_icon packageRecharge_icon payment_close_icon pointRecharge_icon "
            "radioBtn_seleted recharge_icon regionQuery_icon setMeal_icon speechRecognition_icon "
            "startImage_icon suspensionImage_icon tariffDescription_icon topUpDetails_icon translate_upload "
            "translationSetup_icon upload_audio_icon upload_doc_ion wx_icon zfb_icon");
        for (const QString &name : names.split(QLatin1Char(' ')))
            QTest::newRow(qPrintable(name)) << name;
    }

    void everyAssetHasAnImage() {
        QFETCH(QString, name);
        QVERIFY(MLImage::exists(name));
        const QImage image = MLImage::pixmap(name, QSize(40, 40)).toImage();
        QVERIFY(!image.isNull());
        // Something is drawn: not every pixel is transparent.
        bool drawn = false;
        for (int y = 0; y < image.height() && !drawn; ++y)
            for (int x = 0; x < image.width() && !drawn; ++x)
                drawn = qAlpha(image.pixel(x, y)) > 0;
        QVERIFY(drawn);
    }

    void unknownAssetGivesNoImage() {
        QVERIFY(!MLImage::exists(QStringLiteral("no_such_icon")));
        QVERIFY(MLImage::pixmap(QStringLiteral("no_such_icon"), QSize(25, 25)).isNull());
        QVERIFY(MLImage::icon(QStringLiteral("no_such_icon")).isNull());
        QVERIFY(MLImage::pixmap(QString(), QSize(25, 25)).isNull());
    }
};

ML_TEST_MAIN(TestUiKit)
#include "tst_uikit.moc"
