#include "platform/kit/ui/MLImage.h"
#include "support/MLTestMain.h"
#include "ui/widgets/MBProgressHUD.h"
#include "ui/widgets/MLSimultaneousInterpretationToolBarSonView.h"
#include "ui/widgets/MLToast.h"
#include "ui/widgets/NSNotDataView.h"
#include "ui/widgets/NSPagingView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

MLMinePageBaseModel pageModel(qint64 pageNum, qint64 pages, qint64 total, bool hasPrevious, bool hasNext) {
    MLMinePageBaseModel m;
    m.pageNum = pageNum;
    m.pages = pages;
    m.total = total;
    m.prePage = pageNum - 1;
    m.nextPage = pageNum + 1;
    m.hasPreviousPage = hasPrevious;
    m.hasNextPage = hasNext;
    return m;
}

QColor textColour(const QLabel *label) {
    return label->palette().color(QPalette::WindowText);
}

} // namespace

class TestWidgets : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // ---- progress overlay and toast ----

    // A request hides the overlay it showed; hiding by view takes the topmost spinner, never a toast.
    void hideRemovesOnlyItsOwnOverlay() {
        QWidget view;
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QPointer<MBProgressHUD> first = MBProgressHUD::showHUDAddedTo(&view, false);
        QPointer<MBProgressHUD> second = MBProgressHUD::showHUDAddedTo(&view, true);
        QPointer<MBProgressHUD> toast = MLToast::makeToast(&view, QStringLiteral("链接超时!"), 60);
        auto *later = new QLabel(QStringLiteral("not an overlay"), &view); // added above them all
        later->show();

        QCOMPARE(MBProgressHUD::HUDForView(&view), toast.data());
        QVERIFY(MBProgressHUD::hideHUD(first, false));
        QVERIFY(first->isHidden());
        QVERIFY(second->isVisible() && toast->isVisible());
        QVERIFY(!MBProgressHUD::hideHUD(first, false));

        QVERIFY(MBProgressHUD::hideHUDForView(&view, true));
        QVERIFY(toast->isVisible());
        QVERIFY(!MBProgressHUD::hideHUDForView(&view, false));
        QVERIFY(!MBProgressHUD::hideHUDForView(nullptr, false));
        QVERIFY(!MBProgressHUD::hideHUD(nullptr, false));
        QVERIFY(MBProgressHUD::hideHUD(toast, false));
        QTRY_VERIFY(first.isNull() && second.isNull() && toast.isNull());
        QVERIFY(later->isVisible());
    }

    // A toast too large for its view is shown whole on the nearest view that holds it.
    void toastIsReadableOnASmallView() {
        QWidget window;
        window.resize(800, 450);
        auto *row = new QWidget(&window);
        row->setGeometry(0, 20, 800, 100);
        auto *picker = new QWidget(row);
        picker->setGeometry(100, 35, 240, 30);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (QWidget *view : {picker, static_cast<QWidget *>(&window)}) {
            const QString text = view == picker ? QStringLiteral("链接超时!") : QString(60, QChar(0x8D85));
            MBProgressHUD *toast = MLToast::makeToast(view, text, 60);
            QCOMPARE(toast->parentWidget(), view == picker ? row : view);
            const QRect label = toast->label()->geometry();
            QVERIFY(!label.isEmpty());
            QVERIFY(toast->rect().contains(toast->bezelRect()));
            QVERIFY(toast->bezelRect().contains(label));
            QVERIFY(label.height() >= toast->label()->heightForWidth(label.width()));
            // The label's text is painted: white pixels inside the dark box, once faded in.
            QTRY_VERIFY(!toast->graphicsEffect());
            const QImage image = toast->grab().toImage();
            bool white = false;
            for (int y = label.top(); y <= label.bottom() && !white; ++y)
                for (int x = label.left(); x <= label.right() && !white; ++x)
                    white = qGray(image.pixel(x, y)) > 200;
            QVERIFY(white);
            MBProgressHUD::hideHUD(toast, false);
        }
    }

    void overlayCoversAndFollowsItsView() {
        QWidget window;
        auto *view = new QWidget(&window);
        view->setGeometry(10, 10, 300, 200);
        window.resize(500, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        MBProgressHUD *hud = MBProgressHUD::showHUDAddedTo(view, false);
        QCOMPARE(hud->parentWidget(), view);
        QCOMPARE(hud->geometry(), view->rect());
        QCOMPARE(hud->mode(), MBProgressHUD::Mode::Indeterminate);
        QVERIFY(hud->label()->isHidden());
        view->resize(400, 300);
        QCOMPARE(hud->geometry(), QRect(0, 0, 400, 300));
        QCOMPARE(hud->bezelRect().center(), QRect(0, 0, 400, 300).center());
        QVERIFY(!MBProgressHUD::showHUDAddedTo(nullptr, false));
    }

    void overlayTakesClicksUnderIt() {
        QWidget window;
        window.resize(300, 200);
        auto *button = new QPushButton(QStringLiteral("刷新"), &window);
        button->setGeometry(20, 20, 80, 30);
        int clicks = 0;
        connect(button, &QPushButton::clicked, &window, [&] { ++clicks; });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint onButton = button->geometry().center();

        // Through the window, so that the click lands on whatever is on top there.
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, onButton);
        QCOMPARE(clicks, 1);

        QPointer<MBProgressHUD> hud = MBProgressHUD::showHUDAddedTo(&window, false);
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, onButton);
        QCOMPARE(clicks, 1);

        MBProgressHUD::hideHUDForView(&window, false);
        QTRY_VERIFY(hud.isNull());
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, onButton);
        QCOMPARE(clicks, 2);
    }

    void toastShowsWhiteTextThenGoes_data() {
        QTest::addColumn<double>("seconds");
        QTest::newRow("50 ms") << 0.05;
        QTest::newRow("no time") << 0.0;
        QTest::newRow("negative") << -1.0;
        QTest::newRow("not a number") << std::nan("");
    }

    void toastShowsWhiteTextThenGoes() {
        QFETCH(double, seconds);
        QWidget view;
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QPointer<MBProgressHUD> toast =
            MLToast::makeToast(&view, QStringLiteral("文件已经不存在了"), seconds);
        QVERIFY(toast);
        QCOMPARE(toast->mode(), MBProgressHUD::Mode::Text);
        QCOMPARE(toast->label()->text(), QStringLiteral("文件已经不存在了"));
        QCOMPARE(textColour(toast->label()), QColor(Qt::white));
        QVERIFY(toast->isVisible());
        QCOMPARE(MBProgressHUD::HUDForView(&view), toast.data());
        QTRY_VERIFY(toast.isNull());
        QVERIFY(!MBProgressHUD::hideHUDForView(&view, false));
    }

    void toastOnNothingDoesNothing() { QVERIFY(!MLToast::makeToast(nullptr, QStringLiteral("x"), 1.0)); }

    // ---- pager ----

    void pagerTexts_data() {
        QTest::addColumn<bool>("hasModel");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("pages");
        QTest::newRow("model") << true << QStringLiteral("共35条记录") << QStringLiteral("2")
                               << QStringLiteral("共4页");
        QTest::newRow("none") << false << QStringLiteral("共0条记录") << QStringLiteral("0")
                              << QStringLiteral("共0页");
    }

    void pagerTexts() {
        QFETCH(bool, hasModel);
        QFETCH(QString, total);
        QFETCH(QString, page);
        QFETCH(QString, pages);
        NSPagingView pager;
        QCOMPARE(pager.pageField()->text(), QStringLiteral("1"));
        QCOMPARE(pager.previousButton()->text(), QStringLiteral("上一页"));
        QCOMPARE(pager.nextButton()->text(), QStringLiteral("下一页"));
        QCOMPARE(pager.pageLabel()->text(), QStringLiteral("第"));
        QCOMPARE(pager.jumpButton()->text(), QStringLiteral("跳转"));
        pager.setPaging(pageModel(2, 4, 35, true, true));
        if (!hasModel)
            pager.setPaging(std::nullopt);
        QCOMPARE(pager.totalLabel()->text(), total);
        QCOMPARE(pager.pageField()->text(), page);
        QCOMPARE(pager.pagesLabel()->text(), pages);
        QCOMPARE(pager.paging().has_value(), hasModel);
    }

    void pagerButtonRules_data() {
        QTest::addColumn<bool>("hasModel");
        QTest::addColumn<bool>("hasPrevious");
        QTest::addColumn<bool>("hasNext");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QList<qint64>>("calls");
        QTest::newRow("previous") << true << true << false << QStringLiteral("prev") << QString()
                                  << QList<qint64>{2};
        QTest::newRow("no previous page")
            << true << false << true << QStringLiteral("prev") << QString() << QList<qint64>{};
        QTest::newRow("next") << true << false << true << QStringLiteral("next") << QString()
                              << QList<qint64>{4};
        QTest::newRow("no next page")
            << true << true << false << QStringLiteral("next") << QString() << QList<qint64>{};
        QTest::newRow("previous without model")
            << false << true << true << QStringLiteral("prev") << QString() << QList<qint64>{};
        QTest::newRow("next without model")
            << false << true << true << QStringLiteral("next") << QString() << QList<qint64>{};
        QTest::newRow("jump") << true << true << true << QStringLiteral("jump") << QStringLiteral("7")
                              << QList<qint64>{7};
        QTest::newRow("jump abc") << true << true << true << QStringLiteral("jump") << QStringLiteral("abc")
                                  << QList<qint64>{0};
        QTest::newRow("jump past the end, unchecked")
            << true << true << true << QStringLiteral("jump") << QStringLiteral("99") << QList<qint64>{99};
        QTest::newRow("jump leading digits") << true << true << true << QStringLiteral("jump")
                                             << QStringLiteral(" 12abc") << QList<qint64>{12};
        QTest::newRow("jump without model")
            << false << false << false << QStringLiteral("jump") << QStringLiteral("5") << QList<qint64>{5};
    }

    void pagerButtonRules() {
        QFETCH(bool, hasModel);
        QFETCH(bool, hasPrevious);
        QFETCH(bool, hasNext);
        QFETCH(QString, button);
        QFETCH(QString, field);
        QFETCH(QList<qint64>, calls);
        NSPagingView pager;
        pager.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pager));
        if (hasModel)
            pager.setPaging(pageModel(3, 9, 90, hasPrevious, hasNext));
        if (!field.isEmpty())
            pager.pageField()->setText(field);
        QList<qint64> got;
        pager.setSeletedPageBlock([&](qint64 page) { got.append(page); });
        QPushButton *target = button == QLatin1String("prev")   ? pager.previousButton()
                              : button == QLatin1String("next") ? pager.nextButton()
                                                                : pager.jumpButton();
        QTest::mouseClick(target, Qt::LeftButton);
        QCOMPARE(got, calls);

        // Without a block no button calls anything.
        pager.setSeletedPageBlock(nullptr);
        QTest::mouseClick(target, Qt::LeftButton);
        QCOMPARE(got, calls);
    }

    void pageFieldIntegerValue_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("value");
        QTest::newRow("empty") << "" << qint64(0);
        QTest::newRow("plus") << "+8" << qint64(8);
        QTest::newRow("inner space") << "1 2" << qint64(1);
        QTest::newRow("too big") << "99999999999999999999" << std::numeric_limits<qint64>::max();
        QTest::newRow("too small") << "-99999999999999999999" << std::numeric_limits<qint64>::min();
        QTest::newRow("lowest") << "-9223372036854775808" << std::numeric_limits<qint64>::min();
        QTest::newRow("highest") << "9223372036854775807" << std::numeric_limits<qint64>::max();
    }

    void pageFieldIntegerValue() {
        QFETCH(QString, text);
        QFETCH(qint64, value);
        QCOMPARE(NSPagingView::integerValue(text), value);
    }

    void pagerLaysOutLeftToRight() {
        NSPagingView pager;
        pager.resize(900, 70);
        pager.setPaging(pageModel(1, 3, 25, false, true));
        pager.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pager));
        const QList<QWidget *> order = {pager.totalLabel(), pager.previousButton(), pager.nextButton(),
                                        pager.pageLabel(),  pager.pageField(),      pager.pagesLabel(),
                                        pager.jumpButton()};
        for (int i = 1; i < order.size(); ++i)
            QVERIFY2(order[i - 1]->geometry().right() < order[i]->geometry().left(),
                     qPrintable(QString::number(i)));
        for (QWidget *w : order)
            QVERIFY(pager.rect().contains(w->geometry()));
    }

    // ---- empty state ----

    void emptyStateGeometry() {
        NSNotDataView view;
        view.resize(600, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.imageView()->geometry(), QRect(192, 114, 216, 122));
        QVERIFY(!view.imageView()->pixmap().isNull());
        QCOMPARE(view.textLabel()->text(), QStringLiteral("暂无数据"));
        QCOMPARE(view.textLabel()->y(), 114 + 122 + 15);
        QVERIFY(qAbs(view.textLabel()->geometry().center().x() - 300) <= 1);
        QCOMPARE(view.textLabel()->font().pixelSize(), 14);
        QCOMPARE(textColour(view.textLabel()), QColor(QStringLiteral("#999999")));
        view.resize(400, 300);
        QCOMPARE(view.imageView()->geometry(), QRect(92, 64, 216, 122));
    }

    // ---- tab item ----

    void tabItemLook() {
        MLSimultaneousInterpretationToolBarSonView item;
        item.resize(149, 40);
        item.show();
        QVERIFY(QTest::qWaitForWindowExposed(&item));
        QCOMPARE(item.tipLabel()->text(), QString());
        QCOMPARE(textColour(item.tipLabel()), QColor(QStringLiteral("#4E4E4E")));
        item.setImageStr(QStringLiteral("historicalRecord_icon"), QStringLiteral("历史记录"));
        QCOMPARE(item.tipLabel()->text(), QStringLiteral("历史记录"));
        QCOMPARE(item.tipLabel()->font().pixelSize(), 12);
        QCOMPARE(item.iconImage()->size(), QSize(25, 25));
        QCOMPARE(item.iconImage()->x(), 25);
        QVERIFY(qAbs(item.iconImage()->geometry().center().y() - 20) <= 1);
        QCOMPARE(item.tipLabel()->x(), 55);
        QVERIFY(qAbs(item.tipLabel()->geometry().center().y() - 20) <= 1);
        QVERIFY(!item.autoFillBackground());
    }

    void tabItemSelectionColours_data() {
        QTest::addColumn<bool>("seleted");
        QTest::addColumn<QString>("colour");
        QTest::newRow("selected") << true << "#0089FF";
        QTest::newRow("not selected") << false << "#4E4E4E";
    }

    void tabItemSelectionColours() {
        QFETCH(bool, seleted);
        QFETCH(QString, colour);
        MLSimultaneousInterpretationToolBarSonView item;
        item.setImageStr(QStringLiteral("upload_doc_ion"), QStringLiteral("上传文档"));
        item.setSeleted(!seleted);
        item.setSeleted(seleted);
        QCOMPARE(textColour(item.tipLabel()), QColor(colour));
        QVERIFY(!item.iconImage()->pixmap().isNull());
    }

    void tabItemImageSwap() {
        MLSimultaneousInterpretationToolBarSonView item;
        item.setImageStr(QStringLiteral("upload_doc_ion"), QStringLiteral("上传文档"));
        const QImage doc = item.iconImage()->pixmap().toImage();
        item.setImageStr(QStringLiteral("upload_audio_icon"), QStringLiteral("上传音频"));
        const QImage audio = item.iconImage()->pixmap().toImage();
        QVERIFY(!audio.isNull());
        QVERIFY(doc != audio);
        QCOMPARE(audio, MLImage::pixmap(QStringLiteral("upload_audio_icon"), QSize(25, 25)).toImage());
        item.setImageStr(QStringLiteral("no_such_icon"), QStringLiteral("x"));
        QVERIFY(item.iconImage()->pixmap().isNull());
        item.setSeleted(true);
        QVERIFY(item.iconImage()->pixmap().isNull());
    }
};

ML_TEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
