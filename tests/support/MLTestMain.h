#pragma once

#include <QApplication>
#include <QtTest>

namespace ml::test {

// Points HOME and the XDG folders (the runtime folder too) at a fresh temporary folder and turns on QStandardPaths' test
// mode, so tests never touch the developer's settings or Documents. Call before the application
// object exists.
void prepareEnvironment();

// The temporary HOME of this test process.
QString homeDir();

} // namespace ml::test

// Like QTEST_MAIN, with a QApplication and the isolated environment above.
#define ML_TEST_MAIN(TestClass)                                                                              \
    int main(int argc, char *argv[]) {                                                                       \
        ml::test::prepareEnvironment();                                                                      \
        QApplication app(argc, argv);                                                                        \
        QApplication::setOrganizationName(QStringLiteral("mltranslate"));                                    \
        QApplication::setApplicationName(QStringLiteral("mltranslate-tests"));                               \
        TestClass tc;                                                                                        \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&tc, argc, argv);                                                                \
    }
