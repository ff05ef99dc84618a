// An installation without the media module, in a process of its own (a module is loaded, or found
// missing, once per process).
#include "app/AppDelegate.h"
#include "app/NSMainVC.h"
#include "live/engine/MLLiveEngine.h"
#include "live/ui/MLNormalTranslationView.h"
#include "platform/kit/MLModule.h"
#include "support/LiveUiSupport.h"
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"
#include "support/ToastTexts.h"
#include "ui/widgets/MLSectionToolBar.h"

#include <QTemporaryDir>

using namespace ml::test;
using namespace Qt::StringLiterals;

class TestMissingMedia : public QObject {
    Q_OBJECT
    QTemporaryDir m_modules; // links to the built modules but the media one

private Q_SLOTS:
    // A live page's first showing tells the loader's notice, which lets clicks through to the page;
    // the start click tells it again and starts nothing that is metered.
    void aStartClickTellsTheNoticeAndMetersNothing() {
        for (const QString &file : {u"libml_crypto.so"_s, u"libml_history.so"_s})
            QVERIFY(QFile::link(QDir(MLModule::folder()).filePath(file), m_modules.filePath(file)));
        MLModule::setFolderForTesting(m_modules.path());
        StandinFixture standin;
        standin.signInDemo();
        AppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        auto *main = delegate.contentView()->findChild<NSMainVC *>();
        QTRY_VERIFY(main && main->seletedIndex() == 1); // the live section
        auto *section = static_cast<MLSectionFrame *>(main->pageInView());
        QTRY_VERIFY(section->leftView()->seletedView()); // its first tab chosen
        section->leftView()->clickTab(3);
        auto *page = qobject_cast<MLNormalTranslationView *>(section->pageInView());
        QVERIFY(page && QTest::qWaitForWindowExposed(delegate.window()));
        const QString notice = MLModule::notLoadedNotice(u"libml_media.so"_s);
        QTRY_COMPARE(toastTexts(delegate.contentView()), QStringList{notice});

        QWidget *start = page->startOrOverImage();
        QTest::mouseClick(delegate.window()->windowHandle(), Qt::LeftButton, {},
                          start->mapTo(delegate.window(), start->rect().center()));
        QCOMPARE(page->engine()->state(), MLLiveEngine::State::Idle);
        QCOMPARE(startedRequests(u"/signature/getKeepupSin"_s), 0);
        QCOMPARE(toastTexts(delegate.contentView()), (QStringList{notice, notice}));
    }
};

ML_TEST_MAIN(TestMissingMedia)
#include "tst_missingmedia.moc"
