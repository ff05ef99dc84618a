// The package check's hand in the installed app (scripts/package): a Qt generic plugin, loaded by the
// app's own QGuiApplication when started with QT_PLUGIN_PATH naming this plugin's folder and
// QT_QPA_GENERIC_PLUGINS=mlpackagecheck, and built in the tree only (never installed, nothing in the
// app knows it). It uses the app as a user would, by its widgets: signs in with the token in
// ML_CHECK_TOKEN, runs a short session of normal translation (the app's --audio-input stands in for the
// microphone), stops it and opens the history. Then it checks what that left: a recording under
// Documents, a history row shown, and each module mapped from the folder ML_CHECK_MODULES only. It
// prints "package-check: ..." lines and ends the app with exit code 0 when all holds, 1 otherwise.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QGenericPlugin>
#include <QLabel>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

constexpr int kStepTimeoutMs = 30000;
// How long the session runs before the stop: a few caption lines and recorded fragments.
constexpr int kSessionMs = 5000;

void say(const QString &line) {
    std::fprintf(stderr, "package-check: %s\n", qPrintable(line));
    std::fflush(stderr);
}

// Visible widgets of type W in any visible top-level window that `match` accepts.
template <typename W> QList<W *> visible(const std::function<bool(W *)> &match = {}) {
    QList<W *> found;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (!top->isVisible())
            continue;
        for (W *widget : top->findChildren<W *>()) {
            if (widget->isVisible() && (!match || match(widget)))
                found.append(widget);
        }
    }
    return found;
}

bool inside(const QWidget *widget, const char *className) {
    for (const QObject *o = widget; o; o = o->parent()) {
        if (qstrcmp(o->metaObject()->className(), className) == 0)
            return true;
    }
    return false;
}

// The tab item whose title is `title`.
QWidget *tab(const QString &title) {
    const QList<QLabel *> labels = visible<QLabel>([&](QLabel *label) {
        return label->text() == title && inside(label, "MLSimultaneousInterpretationToolBarSonView");
    });
    return labels.isEmpty() ? nullptr : labels.first()->parentWidget();
}

QWidget *startOrStop() {
    const QList<QLabel *> found = visible<QLabel>(
        [](QLabel *label) { return label->objectName() == QLatin1String("startOrOverImage"); });
    return found.size() == 1 ? found.first() : nullptr;
}

bool sessionRunning() {
    return !visible<QWidget>([](QWidget *w) {
                return w->objectName() == QLatin1String("translationShelterView");
            }).isEmpty();
}

// The files named `name` in the session folders under Documents.
QStringList sessionFiles(const QString &name) {
    QStringList found;
    QDirIterator files(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                           QStringLiteral("/historicalRecord"),
                       {name}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext())
        found.append(files.next());
    return found;
}

class PackageCheck final : public QObject {
public:
    PackageCheck() {
        m_steps = {
            {"the sign-in page",
             [] {
                 const QList<QLineEdit *> fields = visible<QLineEdit>(
                     [](QLineEdit *f) { return f->placeholderText() == QStringLiteral("请输入登录令牌"); });
                 const QList<QAbstractButton *> buttons = visible<QAbstractButton>([](QAbstractButton *b) {
                     return b->text() == QStringLiteral("登录") && b->isEnabled();
                 });
                 if (fields.size() != 1 || buttons.size() != 1)
                     return false;
                 fields.first()->setText(qEnvironmentVariable("ML_CHECK_TOKEN"));
                 QTest::mouseClick(buttons.first(), Qt::LeftButton);
                 return true;
             }},
            {"the main page after signing in",
             [] {
                 // After the section's own first choice (its settings page), so that does not follow the
                 // click.
                 QWidget *normal = tab(QStringLiteral("普通翻译"));
                 const bool settingsShown = !visible<QLabel>([](QLabel *label) {
                                                 return label->text() == QStringLiteral("声音设置");
                                             }).isEmpty();
                 if (!normal || !settingsShown)
                     return false;
                 QTest::mouseClick(normal, Qt::LeftButton);
                 return true;
             }},
            {"the normal translation page with its languages",
             [] {
                 QWidget *start = startOrStop();
                 if (!start)
                     return false;
                 const QList<QComboBox *> pickers =
                     visible<QComboBox>([](QComboBox *box) { return box->currentIndex() >= 0; });
                 if (pickers.size() < 2)
                     return false;
                 QTest::mouseClick(start, Qt::LeftButton);
                 return true;
             }},
            {"a running session",
             [this] {
                 if (!sessionRunning())
                     return false;
                 m_sessionClock.start();
                 return true;
             }},
            {"the session's stop",
             [this] {
                 QWidget *stop = startOrStop();
                 if (m_sessionClock.elapsed() < kSessionMs || !stop)
                     return false;
                 QTest::mouseClick(stop, Qt::LeftButton);
                 return true;
             }},
            {"the session's end",
             [] {
                 // Its folder's in-progress marker goes once the transcript and the history row are saved.
                 if (sessionRunning() || sessionFiles(QStringLiteral(".inprogress")).size() != 0 ||
                     sessionFiles(QStringLiteral("recording.txt")).size() != 1)
                     return false;
                 QWidget *history = tab(QStringLiteral("历史记录"));
                 if (!history)
                     return false;
                 QTest::mouseClick(history, Qt::LeftButton);
                 return true;
             }},
            {"a history row",
             [] {
                 return !visible<QWidget>([](QWidget *w) {
                             return qstrcmp(w->metaObject()->className(), "NSSubtitleExportCellView") == 0;
                         }).isEmpty();
             }},
        };
        m_clock.start();
        m_timer.setInterval(100);
        connect(&m_timer, &QTimer::timeout, this, &PackageCheck::poll);
        m_timer.start();
    }

private:
    void poll() {
        if (m_step == m_steps.size())
            return;
        if (m_steps[m_step].second()) {
            say(QStringLiteral("reached %1").arg(QLatin1String(m_steps[m_step].first)));
            ++m_step;
            m_clock.restart();
            if (m_step == m_steps.size())
                finish();
        } else if (m_clock.elapsed() > kStepTimeoutMs) {
            say(QStringLiteral("FAILED: no %1 within %2 s")
                    .arg(QLatin1String(m_steps[m_step].first))
                    .arg(kStepTimeoutMs / 1000));
            // What was on screen instead.
            for (QLabel *label : visible<QLabel>([](QLabel *l) { return !l->text().isEmpty(); }))
                say(QStringLiteral("  shown: %1 \"%2\"")
                        .arg(QLatin1String(label->parentWidget()->metaObject()->className()), label->text()));
            m_timer.stop();
            QCoreApplication::exit(1);
        }
    }

    void finish() {
        m_timer.stop();
        bool ok = true;
        // The recording of the session.
        const QStringList recordings = sessionFiles(QStringLiteral("recording.m4a"));
        const qint64 recorded = recordings.size() == 1 ? QFileInfo(recordings.first()).size() : 0;
        say(QStringLiteral("recording %1 (%2 bytes)")
                .arg(recordings.join(QStringLiteral(", ")))
                .arg(recorded));
        if (recorded <= 0) {
            say(QStringLiteral("FAILED: no recording"));
            ok = false;
        }
        // Where each module was loaded from.
        QFile maps(QStringLiteral("/proc/self/maps"));
        const QString mapped =
            maps.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(maps.readAll()) : QString();
        const QString folder = qEnvironmentVariable("ML_CHECK_MODULES");
        for (const char *module : {"libml_crypto.so", "libml_media.so", "libml_history.so"}) {
            QStringList from;
            for (const QString &line : mapped.split(QLatin1Char('\n'))) {
                const QString path = line.section(QLatin1Char(' '), -1);
                if (path.endsWith(QLatin1Char('/') + QLatin1String(module)) && !from.contains(path))
                    from.append(path);
            }
            const QString expected = folder + QLatin1Char('/') + QLatin1String(module);
            say(QStringLiteral("%1 loaded from %2")
                    .arg(QLatin1String(module), from.join(QStringLiteral(", "))));
            if (from != QStringList{expected}) {
                say(QStringLiteral("FAILED: %1 not loaded from %2 alone")
                        .arg(QLatin1String(module), expected));
                ok = false;
            }
        }
        say(ok ? QStringLiteral("all checks passed") : QStringLiteral("FAILED"));
        QCoreApplication::exit(ok ? 0 : 1);
    }

    QList<std::pair<const char *, std::function<bool()>>> m_steps;
    qsizetype m_step = 0;
    QElapsedTimer m_clock;
    QElapsedTimer m_sessionClock;
    QTimer m_timer;
};

} // namespace

class MLPackageCheckPlugin final : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "mlpackagecheck.json")
public:
    QObject *create(const QString &name, const QString &) override {
        return name == QLatin1String("mlpackagecheck") ? new PackageCheck : nullptr;
    }
};

#include "MLPackageCheck.moc"
