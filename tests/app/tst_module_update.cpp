#include "app/AppDelegate.h"
#include "live/engine/AudioRecordManager.h"
#include "live/engine/MLDBManager.h"
#include "platform/audio/MLAudioCapture.h"
#include "platform/kit/MLModule.h"
#include "support/MLTestMain.h"
#include "support/ModuleLinks.h"
#include "support/TestFiles.h"
#include "support/ToastTexts.h"

#include <QTemporaryDir>

using namespace ml::test;
using namespace Qt::StringLiterals;

// An installation updated while the app runs: the modules the app has not loaded yet are of the next
// version (built by tests/CMakeLists.txt in ML_NEXT_MODULE_DIR). None of them is used, the user is told
// once that the app must be restarted, and what needed a module fails with its own notice, never as an
// incomplete installation. The modules are looked for in a folder of links to the built ones, each row
// pointing one of them at its next version; the rows run in order in this one process.
class TestModuleUpdate : public QObject {
    Q_OBJECT
    QTemporaryDir m_modules;
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_modules.isValid() && m_dir.isValid());
        QVERIFY(useModuleLinks(m_modules.path(), m_dir.path()));
    }

    void moduleOfNextVersionIsNotUsed_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("told"); // times the update is told, counting from the first row
        QTest::newRow("history: the row is not saved, the update is told") << u"libml_history.so"_s << 1;
        QTest::newRow("media: the session is not recorded, nothing more is told") << u"libml_media.so"_s << 0;
    }
    void moduleOfNextVersionIsNotUsed() {
        QFETCH(QString, file);
        QFETCH(int, told);
        QVERIFY(QFile::remove(m_modules.filePath(file)));
        QVERIFY(
            QFile::link(QDir(QStringLiteral(ML_NEXT_MODULE_DIR)).filePath(file), m_modules.filePath(file)));

        AppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        if (file == u"libml_history.so"_s) {
            MLDBManager store(inDocuments(u"historicalRecord.db"_s), [] { return qint64(7); });
            QVERIFY(!store.createDB());
            QVERIFY(!store.saveData(u"historicalRecord/7/2024-05-01/1"_s, 2, u"2024-05-01 10:00:00"_s));
        } else {
            MLAudioCapture capture;
            AudioRecordManager recorder(&capture);
            QSignalSpy failed(&recorder, &AudioRecordManager::recordingFailed);
            const QString folder = inDocuments(u"historicalRecord/7/2024-05-01/3"_s);
            QVERIFY(QDir().mkpath(folder));
            recorder.start(folder);
            QVERIFY(!QFileInfo::exists(folder + u"/recording.m4a"_s));
            recorder.stop();
            QCOMPARE(failed.size(), 1);
        }
        QCOMPARE(MLModule::notLoadedNotice(file), MLModule::updatedNotice());
        QString error;
        QVERIFY(!MLModule::object(file, "none", nullptr, &error));
        QVERIFY2(error.contains(u"\"%1.1\""_s.arg(QStringLiteral(ML_APP_VERSION))), qPrintable(error));
        if (told)
            QTRY_COMPARE(toastTexts(delegate.contentView()).count(MLModule::updatedNotice()), told);
        QCoreApplication::processEvents();
        QCOMPARE(toastTexts(delegate.contentView()).count(MLModule::updatedNotice()), told);
        QCOMPARE(toastTexts(delegate.contentView()).filter(u"安装不完整"_s), QStringList());
    }
};

ML_TEST_MAIN(TestModuleUpdate)
#include "tst_module_update.moc"
