// The live settings page and the settings window: their rows, and what building them fetches.
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"

#include "live/ui/MLHelpSelectVC.h"
#include "live/ui/MLLiveSettingsWindow.h"
#include "live/ui/MLRegionSettingCellView.h"
#include "live/ui/MLSimultaneousInterpretationView.h"
#include "live/ui/MLSubtitleLookKeys.h"
#include "live/ui/MLTogetherSettingView.h"
#include "live/ui/NSTranslationSetupFontCellView.h"
#include "live/ui/NSTranslationSonView.h"
#include "live/ui/NSTranslationVC.h"
#include "platform/http/MLHttpTransport.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLUserDefaults.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>

namespace {

const QString kListPath = QStringLiteral("/meInfo/getAzureVoiceRegionList");

int startedRequests(const QString &path) {
    int count = 0;
    for (QNetworkReply *reply : MLHttpTransport::shared().network()->findChildren<QNetworkReply *>()) {
        if (reply->url().path() == path)
            ++count;
    }
    return count;
}

QStringList rowClasses(const MLTogetherSettingView &view) {
    QStringList names;
    for (QWidget *row : view.rowViews())
        names.append(QString::fromLatin1(row->metaObject()->className()));
    return names;
}

} // namespace

class TestSettingsView final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<ml::test::StandinFixture>();
        QVERIFY(m_standin->isRunning());
        m_standin->signInDemo();
    }

    void init() { QTRY_COMPARE(startedRequests(kListPath), 0); }

    void rowsOfEachMode_data() {
        QTest::addColumn<bool>("isSetting");
        QTest::addColumn<QStringList>("classes");
        QTest::newRow("panel") << false
                               << QStringList{"MLSoundSettingCellView", "MLRegionSettingCellView",
                                              "NSTranslationSetupFontCellView",
                                              "NSTranslationSetupColorCellView"};
        QTest::newRow("window") << true
                                << QStringList{"MLSoundSettingCellView", "NSTranslationSetupFontCellView",
                                               "NSTranslationSetupColorCellView"};
    }
    void rowsOfEachMode() {
        QFETCH(bool, isSetting);
        QFETCH(QStringList, classes);
        MLTogetherSettingView view;
        QVERIFY(!view.isSetting());
        view.resize(900, 600);
        view.setIsSetting(isSetting);
        QCOMPARE(view.numberOfRowsInTableView(), classes.size());
        QCOMPARE(rowClasses(view), classes);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        // Rows take their table heights and are stacked from the top, in order.
        for (int i = 0; i < view.rowViews().size(); ++i) {
            QTRY_COMPARE(view.rowViews().at(i)->height(), view.heightOfRow(i));
            if (i > 0)
                QCOMPARE(view.rowViews().at(i)->y(), view.rowViews().at(i - 1)->geometry().bottom() + 1);
        }
        QCOMPARE(startedRequests(kListPath), isSetting ? 0 : 1);
    }

    void refreshMakesNewRows() {
        MLTogetherSettingView view;
        view.refreshData();
        QCOMPARE(startedRequests(kListPath), 1);
        QList<QPointer<QWidget>> old;
        for (QWidget *row : view.rowViews())
            old.append(row);
        view.refreshData();
        QCOMPARE(view.rowViews().size(), 4);
        for (QWidget *row : view.rowViews())
            QVERIFY(!old.contains(row));
        // Each region row fetches the list for itself.
        QCOMPARE(startedRequests(kListPath), 2);
        QTRY_VERIFY(
            std::all_of(old.begin(), old.end(), [](const QPointer<QWidget> &row) { return row.isNull(); }));
        auto *region = qobject_cast<MLRegionSettingCellView *>(view.rowViews().at(1));
        QVERIFY(region);
        QTRY_VERIFY(!region->dataList().isEmpty());
    }

    // The settings window's rows are white with their "#efefef" separators, whichever window hosts it,
    // and it makes no region row (so fetches no region list).
    void settingsWindowIsWhite_data() {
        QTest::addColumn<bool>("floating");
        QTest::newRow("control bar") << false;
        QTest::newRow("floating window") << true;
    }
    void settingsWindowIsWhite() {
        QFETCH(bool, floating);
        NSTranslationVC floatingVC;
        NSTranslationSonView bar;
        MLLiveSettingsWindow *window = floating ? floatingVC.suspensionWindow() : bar.helpWindow();
        auto *content = new MLHelpSelectVC;
        window->setContentViewController(content);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(rowClasses(*content->contentView()),
                 (QStringList{"MLSoundSettingCellView", "NSTranslationSetupFontCellView",
                              "NSTranslationSetupColorCellView"}));
        QCOMPARE(startedRequests(kListPath), 0);
        QWidget *row = content->contentView()->rowViews().at(0);
        QTRY_COMPARE(row->height(), 100);
        const QImage image = window->grab().toImage();
        const QPoint corner = row->mapTo(window, QPoint(row->width() - 5, 0));
        QCOMPARE(image.pixelColor(window->width() - 5, 5), QColor(Qt::white)); // the root view
        QCOMPARE(image.pixelColor(corner + QPoint(0, 50)), QColor(Qt::white));
        QCOMPARE(image.pixelColor(corner + QPoint(0, 99)), QColor(QStringLiteral("#efefef")));
        window->close();
    }

    void reopenedWindowMarksStoredChoices() {
        auto &defaults = MLUserDefaults::standardUserDefaults();
        defaults.setString(QStringLiteral("中"), MLSubtitleLookKeys::kFontSizeKey);
        defaults.synchronize();
        for (int opening = 0; opening < 2; ++opening) {
            MLHelpSelectVC window;
            window.show();
            auto *font = window.findChild<NSTranslationSetupFontCellView *>();
            QVERIFY(font);
            QCOMPARE(font->seletedBtn()->text(), opening == 0 ? QStringLiteral("中") : QStringLiteral("大"));
            if (opening == 0)
                QTest::mouseClick(font->seletedBtnList().at(2), Qt::LeftButton);
        }
        QCOMPARE(defaults.stringForKey(MLSubtitleLookKeys::kFontSizeKey), QStringLiteral("大"));
    }

    // The live section's first showing of its settings tab builds the rows once: one region list
    // request reaches the service and the font row writes and posts its size once.
    void firstShowingBuildsRowsOnce() {
        m_standin->server().clearReceivedRequests();
        QObject observer;
        int fontPosts = 0;
        MLNotificationCenter::defaultCenter().addObserver(&observer,
                                                          MLSubtitleLookKeys::kChangeFontSizeNotification,
                                                          [&](const MLNotification &) { ++fontPosts; });
        MLSimultaneousInterpretationView section;
        section.resize(1039, 673);
        section.show();
        QTRY_COMPARE(section.seletedIndex(), 1);
        auto *settings = qobject_cast<MLTogetherSettingView *>(section.existingPage(1));
        QVERIFY(settings);
        auto *region = qobject_cast<MLRegionSettingCellView *>(settings->rowViews().at(1));
        QTRY_VERIFY(!region->dataList().isEmpty());
        QCOMPARE(m_standin->server().receivedRequests(kListPath).size(), 1);
        QCOMPARE(fontPosts, 1);
        QCOMPARE(section.findChildren<NSTranslationSetupFontCellView *>().size(), 1);
    }

    void cleanupTestCase() { m_standin.reset(); }

private:
    std::unique_ptr<ml::test::StandinFixture> m_standin;
};

ML_TEST_MAIN(TestSettingsView)
#include "tst_settingsview.moc"
