#include "account/NSLoginForPwdVC.h"
#include "app/AppDelegate.h"
#include "core/net/MLServiceOrigins.h"
#include "live/engine/AudioRecordManager.h"
#include "live/engine/MLDBManager.h"
#include "platform/audio/MLAudioCapture.h"
#include "platform/kit/MLModule.h"
#include "support/MLTestMain.h"
#include "support/ModuleLinks.h"
#include "support/TestFiles.h"
#include "support/ToastTexts.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>

using namespace ml::test;
using namespace Qt::StringLiterals;

// An installation that lacks a module: the user is told once which file is missing, and what needed
// the module fails with its own notice, never with a service answer. The modules are looked for in a
// folder of links to the built ones, each row taking one away before anything has loaded it; the rows
// run in order in this one process, the cipher's first (the others never need it).
class TestModules : public QObject {
    Q_OBJECT
    QTemporaryDir m_modules;
    QTemporaryDir m_dir;

    // The toasts on the application window naming `file`.
    static QStringList noticesOf(const AppDelegate &delegate, const QString &file) {
        return toastTexts(delegate.contentView()).filter(file);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_modules.isValid() && m_dir.isValid());
        QVERIFY(useModuleLinks(m_modules.path(), m_dir.path()));
    }

    // A module that loads but has not the entry point asked for: the log names that entry.
    void missingEntryPointIsNamed() {
        const QString file = m_modules.filePath(u"libml_entry.so"_s);
        QVERIFY(QFile::link(QFile::symLinkTarget(m_modules.filePath(u"libml_crypto.so"_s)), file));
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression(u"could not be loaded: .*%1 has no entry point ml_no_entry"_s.arg(
                QRegularExpression::escape(file))));
        QString error;
        QVERIFY(!MLModule::object(
            u"libml_entry.so"_s, "ml_no_entry", [](void (*)()) -> void * { return nullptr; }, &error));
        QVERIFY2(error.contains(u"ml_no_entry"_s), qPrintable(error));
    }

    void missingModuleIsToldOnce_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("cipher: sign-in fails with the notice, nothing is sent") << u"libml_crypto.so"_s;
        QTest::newRow("media: the session is not recorded") << u"libml_media.so"_s;
        QTest::newRow("history: the row is not saved") << u"libml_history.so"_s;
    }
    void missingModuleIsToldOnce() {
        QFETCH(QString, file);
        QVERIFY(QFile::remove(m_modules.filePath(file)));
        const QString notice = MLModule::notLoadedNotice(file);
        QVERIFY(notice.contains(u"安装不完整"_s) && notice.contains(m_modules.filePath(file)));

        AppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        if (file == u"libml_crypto.so"_s) {
            // The launch's key recovery needs the module: the notice comes with the sign-in page.
            QTRY_COMPARE(noticesOf(delegate, file), QStringList{notice});
            QTcpServer service;
            QVERIFY(service.listen(QHostAddress::LocalHost));
            MLServiceOrigins::setApiBaseUrl(u"http://127.0.0.1:%1"_s.arg(service.serverPort()));
            auto *login = delegate.contentView()->findChild<NSLoginForPwdVC *>();
            QVERIFY(login);
            login->tokenField()->setText(u"a-valid-token"_s);
            QTest::mouseClick(login->loginButton(), Qt::LeftButton);
            // The sign-in's own toast is the notice (a request sent would wait for its answer).
            QTRY_COMPARE(noticesOf(delegate, file).size(), 2);
            QVERIFY(!toastTexts(delegate.contentView()).contains(u"非法请求"_s));
            QVERIFY(!service.hasPendingConnections());
            QTRY_VERIFY(login->loginButton()->isEnabled());
        } else if (file == u"libml_media.so"_s) {
            // Each session tells that its recording cannot be saved; the notice comes once.
            MLAudioCapture capture;
            AudioRecordManager recorder(&capture);
            QSignalSpy failed(&recorder, &AudioRecordManager::recordingFailed);
            for (const QString &session : {u"1"_s, u"2"_s}) {
                const QString folder = inDocuments(u"historicalRecord/7/2024-05-01/"_s + session);
                QVERIFY(QDir().mkpath(folder));
                recorder.start(folder);
                QVERIFY(!QFileInfo::exists(folder + u"/recording.m4a"_s));
                recorder.stop();
            }
            QCOMPARE(failed.size(), 2);
            QTRY_COMPARE(noticesOf(delegate, file), QStringList{notice});
        } else {
            // Each save fails (the engine's stop toasts that the row was not added); the notice comes once.
            MLDBManager store(inDocuments(u"historicalRecord.db"_s), [] { return qint64(7); });
            QVERIFY(!store.saveData(u"historicalRecord/7/2024-05-01/1"_s, 2, u"2024-05-01 10:00:00"_s));
            QVERIFY(!store.saveData(u"historicalRecord/7/2024-05-01/2"_s, 2, u"2024-05-01 10:01:00"_s));
            QTRY_COMPARE(noticesOf(delegate, file), QStringList{notice});
        }
        // Told once: a later need of the module tells nothing more.
        QString error;
        QVERIFY(!MLModule::object(file, "none", nullptr, &error));
        QVERIFY(error.contains(file));
        QCoreApplication::processEvents();
        QCOMPARE(noticesOf(delegate, file).size(), file == u"libml_crypto.so"_s ? 2 : 1);
    }
};

ML_TEST_MAIN(TestModules)
#include "tst_modules.moc"
