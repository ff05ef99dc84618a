#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("mltranslate"));
    QApplication::setApplicationName(QStringLiteral("mltranslate"));
    QMainWindow window;
    window.resize(375, 500);
    window.show();
    return app.exec();
}
