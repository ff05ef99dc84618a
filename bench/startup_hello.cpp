// The peer of bench_startup: a minimal Qt Widgets window (a label in a window), built with the same
// compiler, options and Qt as the app, that reports its first frame the way the app's window does.
#include <QApplication>
#include <QLabel>
#include <QLoggingCategory>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

Q_LOGGING_CATEGORY(lcStartup, "ml.app.startup", QtWarningMsg)

namespace {

class HelloWindow final : public QWidget {
public:
    HelloWindow() {
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("Hello, world")));
    }

protected:
    void paintEvent(QPaintEvent *event) override {
        QWidget::paintEvent(event);
        if (m_shownOnce)
            return;
        m_shownOnce = true;
        QTimer::singleShot(0, this, [] { qCInfo(lcStartup) << "main window shown"; });
    }

private:
    bool m_shownOnce = false;
};

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    HelloWindow window;
    window.resize(1188, 673);
    window.show();
    return app.exec();
}
