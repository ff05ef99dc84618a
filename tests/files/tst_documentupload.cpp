#include "FilesTestSupport.h"
#include "StandinFileJobs.h"
#include "core/session/MLMineLanguageListModel.h"
#include "files/MLDocumentTranslationSonView.h"
#include "files/MLDocumentTranslationViewToolBarView.h"
#include "files/MLFileJobFailure.h"
#include "live/ui/NSTranslationComboBoxView.h"
#include "platform/kit/MLKeyedArchive.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLUserDefaults.h"
#include "platform/kit/ui/MLAlert.h"
#include "platform/kit/ui/MLOpenPanel.h"
#include "platform/kit/ui/MLWorkspace.h"
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"

#include <QScopeGuard>
#include <QTemporaryDir>

namespace {
const QString kCheck = QStringLiteral("/documentTranslate/checkTranslate");
const QString kUpload = QStringLiteral("/file/uploadTranslateFile");
const QString kStart = QStringLiteral("/documentTranslate/startTranslate");
const QString kLeft = QStringLiteral("MLDocumentTranslationLeft");
const QString kRight = QStringLiteral("MLDocumentTranslationRight");

NSDocumentTranslationModel formatsOf(const QList<QStringList> &extensions) {
    NSDocumentTranslationModel model;
    for (const QStringList &format : extensions)
        model.value.append({format, {}, {}});
    return model;
}

QStringList numbered(int count) {
    QStringList list;
    for (int i = 1; i <= count; ++i)
        list << QStringLiteral(".t%1").arg(i);
    return list;
}

void storeLanguage(const QString &key, const MLMineLanguageListModel &language) {
    MLUserDefaults::standardUserDefaults().setData(MLKeyedArchive::archivedData(language), key);
    MLUserDefaults::standardUserDefaults().synchronize();
}

} // namespace

class TestDocumentUpload : public QObject {
    Q_OBJECT
    std::unique_ptr<ml::test::StandinFixture> m_standin;
    std::unique_ptr<MLDocumentTranslationSonView> m_page;
    QTemporaryDir m_dir;
    int m_notifications = 0;

    StandinServer &server() { return m_standin->server(); }

    std::unique_ptr<MLDocumentTranslationSonView> makePage() {
        auto page = std::make_unique<MLDocumentTranslationSonView>();
        page->resize(1039, 673);
        page->show();
        return page;
    }

    // Clicks the upload box with the file chosen in the panel and the alerts answered in order.
    void upload(const QString &path, const QList<int> &alertResponses) {
        ml::test::chooseAndClick(m_page->updaloadView(), path, alertResponses);
    }
    QString document(const QString &name = QStringLiteral("季度报告.docx")) {
        return ml::test::writeFile(m_dir.path(), name, QByteArray("PK document body ") + name.toUtf8());
    }

private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<ml::test::StandinFixture>();
        QVERIFY(m_standin->isRunning());
        m_standin->signInDemo();
        MLWorkspace::setRecorder(true);
        MLNotificationCenter::defaultCenter().addObserver(
            this, MLDocumentTranslationViewToolBarView::kHistoricalNotification,
            [this](const MLNotification &) { ++m_notifications; });
        storeLanguage(kLeft, {QStringLiteral("en-US"), QStringLiteral("Y"), QStringLiteral("英语")});
        storeLanguage(kRight,
                      {QStringLiteral("zh-Hans"), QStringLiteral("Z"), QStringLiteral("中文（普通话）")});
    }
    void init() {
        server().clearFaults();
        ml::test::resetDialogs();
        m_notifications = 0;
        m_page = makePage();
        QTRY_VERIFY(m_page->extensions().has_value());
        QTRY_VERIFY(!m_page->sourceLanguageView()->dataSource().isEmpty());
        QTRY_VERIFY(!m_page->targetLanguageView()->dataSource().isEmpty());
        server().clearReceivedRequests();
    }
    void cleanup() { m_page.reset(); }

    void formats_data() {
        QTest::addColumn<QList<QStringList>>("extensions");
        QTest::addColumn<QStringList>("allowed");
        QTest::addColumn<QString>("text");
        QTest::newRow("two formats") << QList<QStringList>{{".doc", ".docx"}, {".pdf"}}
                                     << QStringList{"doc", "docx", "pdf"}
                                     << QStringLiteral("支持的格式:（3种）\n\n.doc，.docx，.pdf");
        QTest::newRow("several dots") << QList<QStringList>{{".tar.gz"}} << QStringList{"targz"}
                                      << QStringLiteral("支持的格式:（1种）\n\n.tar.gz");
        QTest::newRow("none") << QList<QStringList>{} << QStringList{}
                              << QStringLiteral("支持的格式:（0种）\n\n");
        const QStringList sixteen = numbered(16);
        QTest::newRow("16: one line and a break")
            << QList<QStringList>{sixteen} << QStringList()
            << QStringLiteral("支持的格式:（16种）\n\n") + sixteen.join(QStringLiteral("，")) + "\n";
        QTest::newRow("17: the 17th on its own line")
            << QList<QStringList>{numbered(17)} << QStringList()
            << QStringLiteral("支持的格式:（17种）\n\n") + sixteen.join(QStringLiteral("，")) + "\n.t17";
        const QStringList all = numbered(32);
        QTest::newRow("32: two lines, ending in a break")
            << QList<QStringList>{all.mid(0, 5), all.mid(5)} << QStringList()
            << QStringLiteral("支持的格式:（32种）\n\n") + all.mid(0, 16).join(QStringLiteral("，")) + "\n" +
                   all.mid(16).join(QStringLiteral("，")) + "\n";
    }
    void formats() {
        QFETCH(QList<QStringList>, extensions);
        QFETCH(QStringList, allowed);
        const auto shown = MLDocumentTranslationSonView::formats(formatsOf(extensions));
        QTEST(shown.text, "text");
        if (!allowed.isEmpty() || extensions.isEmpty())
            QCOMPARE(shown.allowedTypes, allowed);
    }

    void configurationAndPickers() {
        QCOMPARE(m_page->extensions()->size(), 11);
        QVERIFY(m_page->formatLabel()->text().startsWith(
            QStringLiteral("支持的格式:（11种）\n\n.doc，.docx，.pdf")));
        QCOMPARE(m_page->sourceLanguageView()->itemLanguage().languageCode, QStringLiteral("en-US"));
        QCOMPARE(m_page->targetLanguageView()->itemLanguage().languageCode, QStringLiteral("zh-Hans"));
    }

    // Confirmation, panel, check, upload, price, start, and the history brought into view.
    void wholeChain() {
        StandinAccount *account = server().state().account(10001);
        const double balance = account->profile.balanceStr.toDouble();
        const QString path = document();
        upload(path, {MLAlert::FirstButtonReturn, MLAlert::FirstButtonReturn});
        QTRY_COMPARE(m_notifications, 1);
        QCOMPARE(MLOpenPanel::lastAllowedFileTypes().size(), 11);

        const QJsonObject check = server().lastRequest(kCheck)->params;
        QCOMPARE(check.value("fileName").toString(), QStringLiteral("季度报告.docx"));
        QCOMPARE(check.value("fileSize").toString(), QString::number(QFileInfo(path).size()));
        QCOMPARE(check.value("sourceLanguage").toString(), QStringLiteral("en-US"));
        QCOMPARE(check.value("targetLanguage").toString(), QStringLiteral("zh-Hans"));

        const StandinRequest sent = *server().lastRequest(kUpload);
        QCOMPARE(sent.formFields.value("fileName"), QStringLiteral("季度报告.docx"));
        QVERIFY(!sent.formFields.value("key").isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(sent.fileData, file.readAll());
        QCOMPARE(sent.fileName, QStringLiteral("季度报告.docx"));

        // The price and the job are the upload's, not the check's.
        QVERIFY(MLAlert::lastAlert()->messageText().contains(QStringLiteral("是否确认翻译")));
        const QString translateId = server().lastRequest(kStart)->params.value("translateId").toString();
        QVERIFY(translateId != QLatin1String("0"));
        const auto *job = StandinFileJobs::of(server())->documentJob(translateId.toLongLong());
        QVERIFY(job->started);
        QCOMPARE(account->profile.balanceStr.toDouble(),
                 balance - double(job->price)); // charged at the start
    }

    void confirmationRefusedEndsTheChain() {
        const int panels = MLOpenPanel::presentedCount();
        upload(document(), {MLAlert::SecondButtonReturn});
        QTRY_VERIFY(MLAlert::lastAlert().has_value());
        QCOMPARE(MLAlert::lastAlert()->messageText(),
                 QStringLiteral("请确定源语言和目标语言，\n避免费用出现误差"));
        QCOMPARE(MLAlert::lastAlert()->buttonTitles(), (QStringList{"确定", "取消"}));
        QTest::qWait(50);
        QCOMPARE(MLOpenPanel::presentedCount(), panels);
        QVERIFY(server().receivedRequests().isEmpty());
    }

    void priceRefusedStartsNoJob() {
        upload(document(), {MLAlert::FirstButtonReturn, MLAlert::SecondButtonReturn});
        QTRY_COMPARE(MLAlert::pendingResponseCount(), 0);
        QTRY_COMPARE(server().receivedRequests(kUpload).size(), 1);
        QTest::qWait(100);
        QVERIFY(server().receivedRequests(kStart).isEmpty());
        QCOMPARE(m_notifications, 0);
        QVERIFY(ml::test::toastTexts(m_page.get()).isEmpty());
    }

    void checkRefusesTheFormat() {
        upload(document(QStringLiteral("setup.exe")), {MLAlert::FirstButtonReturn});
        QTRY_COMPARE(ml::test::toastTexts(m_page.get()), QStringList{QStringLiteral("不支持的文件格式")});
        QVERIFY(server().receivedRequests(kUpload).isEmpty());
    }

    void unreadableFileIsNotUploaded() {
        m_page->updateFile(QStringLiteral("key"), m_dir.filePath(QStringLiteral("gone.docx")));
        QCOMPARE(ml::test::toastTexts(m_page.get()), QStringList{QStringLiteral("读取文件失败")});
        QTest::qWait(50);
        QVERIFY(server().receivedRequests(kUpload).isEmpty());
    }

    void topUpOffer_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("code");
        QTest::newRow("check, DIA036") << kCheck << "DIA036";
        QTest::newRow("upload, DIA037") << kUpload << "DIA037";
        QTest::newRow("start, DIA037") << kStart << "DIA037";
        QTest::newRow("upload, the balance falls short") << kUpload << "";
    }
    void topUpOffer() {
        QFETCH(QString, path);
        QFETCH(QString, code);
        QString message = QStringLiteral("点数不足，请充值");
        MLMineModel &profile = server().state().account(10001)->profile;
        const auto restore =
            qScopeGuard([&profile, balance = profile.balanceStr] { profile.balanceStr = balance; });
        if (code.isEmpty()) {
            profile.balanceStr = QStringLiteral("0"); // the stand-in refuses by itself
            message = QStringLiteral("账户余额不足，请充值后再试");
        } else {
            server().injectFault(path, StandinFault::answer(code, message));
        }
        upload(document(),
               {MLAlert::FirstButtonReturn, MLAlert::FirstButtonReturn, MLAlert::FirstButtonReturn});
        QTRY_COMPARE(MLWorkspace::recordedCalls().size(), 1);
        QCOMPARE(MLAlert::lastAlert()->messageText(), message);
        QCOMPARE(MLAlert::lastAlert()->buttonTitles(), (QStringList{"立即充值", "取消翻译"}));
        QCOMPARE(MLWorkspace::recordedCalls().first().url, MLFileJobFailure::websiteUrl());
        QCOMPARE(m_notifications, 0);
    }

    // Nothing stored and the lists not arrived: no language goes with the check, which the service
    // refuses.
    void noLanguagesYet() {
        MLUserDefaults::standardUserDefaults().removeObjectForKey(kLeft);
        MLUserDefaults::standardUserDefaults().removeObjectForKey(kRight);
        server().injectFault(QStringLiteral("/transLangue/getLanguageList"), StandinFault::silence(), 2);
        m_page = makePage();
        QTRY_VERIFY(m_page->extensions().has_value());
        upload(document(), {MLAlert::FirstButtonReturn});
        QTRY_COMPARE(server().receivedRequests(kCheck).size(), 1);
        const QJsonObject check = server().lastRequest(kCheck)->params;
        QVERIFY(!check.contains("sourceLanguage") && !check.contains("targetLanguage"));
        QTRY_COMPARE(ml::test::toastTexts(m_page.get()),
                     QStringList{QStringLiteral("请选择源语言和目标语言")});
    }
};

ML_TEST_MAIN(TestDocumentUpload)
#include "tst_documentupload.moc"
