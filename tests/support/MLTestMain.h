#pragma once

#include <QtTest>

// Widget tests run in a QApplication; tests that link no widgets (the engine's) in a QGuiApplication.
#ifdef QT_WIDGETS_LIB
#include <QApplication>
using MLTestApplication = QApplication;
#else
#include <QGuiApplication>
using MLTestApplication = QGuiApplication;
#endif

namespace ml::test {

#ifdef QT_WIDGETS_LIB
// Shows `widget` (at `size`, when one is given) and waits until it is on screen.
inline bool shown(QWidget *widget, QSize size = {}) {
    if (size.isValid())
        widget->resize(size);
    widget->show();
    return QTest::qWaitForWindowExposed(widget);
}
#endif

// Points HOME and the XDG folders (the runtime folder too) at a fresh temporary folder and turns on
// QStandardPaths' test mode, so tests never touch the developer's settings or Documents. Call before the
// application object exists.
void prepareEnvironment();

// Runs the tests of `TestClass` in the test application and the isolated environment above.
template <class TestClass> int runTests(int argc, char *argv[]) {
    prepareEnvironment();
    MLTestApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("mltranslate"));
    QCoreApplication::setApplicationName(QStringLiteral("mltranslate-tests"));
    TestClass tc;
    return QTest::qExec(&tc, argc, argv);
}

} // namespace ml::test

// Like QTEST_MAIN, with ml::test::runTests.
#define ML_TEST_MAIN(TestClass)                                                                              \
    int main(int argc, char *argv[]) {                                                                       \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return ml::test::runTests<TestClass>(argc, argv);                                                    \
    }
