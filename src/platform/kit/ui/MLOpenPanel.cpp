#include "platform/kit/ui/MLOpenPanel.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <optional>

namespace {

struct QueuedAnswer {
    int response;
    QString path;
};

std::deque<QueuedAnswer> &queuedAnswers() {
    static std::deque<QueuedAnswer> answers;
    return answers;
}

struct Presented {
    QStringList allowedFileTypes;
    int count = 0;
};

Presented &presented() {
    static Presented p;
    return p;
}

std::optional<QueuedAnswer> takeQueuedAnswer() {
    auto &queue = queuedAnswers();
    if (queue.empty())
        return std::nullopt;
    QueuedAnswer a = queue.front();
    queue.pop_front();
    return a;
}

} // namespace

std::shared_ptr<MLOpenPanel> MLOpenPanel::openPanel() {
    return std::make_shared<MLOpenPanel>(Key{});
}

void MLOpenPanel::setAllowedFileTypes(const QStringList &types) {
    m_allowedFileTypes.clear();
    for (QString type : types) {
        type = type.trimmed();
        while (type.startsWith(QLatin1Char('*')) || type.startsWith(QLatin1Char('.')))
            type.remove(0, 1);
        if (!type.isEmpty() && !m_allowedFileTypes.contains(type, Qt::CaseInsensitive))
            m_allowedFileTypes.append(type);
    }
}

QString MLOpenPanel::nameFilter() const {
    QStringList patterns;
    for (const QString &type : m_allowedFileTypes) {
        // File names on Linux are case-sensitive; a "PDF" file is still a pdf.
        for (const QString &variant : {type, type.toLower(), type.toUpper()}) {
            const QString pattern = QStringLiteral("*.") + variant;
            if (!patterns.contains(pattern))
                patterns.append(pattern);
        }
    }
    return patterns.join(QLatin1Char(' '));
}

void MLOpenPanel::present() {
    presented().allowedFileTypes = m_allowedFileTypes;
    ++presented().count;
}

void MLOpenPanel::answer(int response, const QString &path) {
    m_URLs.clear();
    if (response == OKResponse && !path.isEmpty())
        m_URLs.append(QUrl::fromLocalFile(path));
}

void MLOpenPanel::beginSheetModalForWindow(QWidget *window, std::function<void(int)> completion) {
    present();
    QWidget *host = window ? window->window() : nullptr;
    auto self = shared_from_this();
    if (const auto queued = takeQueuedAnswer()) {
        QObject *context = host ? static_cast<QObject *>(host) : QCoreApplication::instance();
        QTimer::singleShot(0, context, [self, completion = std::move(completion), a = *queued] {
            self->answer(a.response, a.path);
            if (completion)
                completion(a.response);
        });
        return;
    }
    auto *dialog = new QFileDialog(host);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    if (!m_allowedFileTypes.isEmpty())
        dialog->setNameFilter(nameFilter());
    dialog->setWindowModality(host ? Qt::WindowModal : Qt::ApplicationModal);
    // The connection holds the panel (and the caller's completion) until the dialog is gone.
    QObject::connect(dialog, &QFileDialog::finished, dialog,
                     [self, dialog, completion = std::move(completion)](int r) {
                         const int response = r == QDialog::Accepted ? OKResponse : CancelResponse;
                         self->answer(response, dialog->selectedFiles().value(0));
                         dialog->deleteLater();
                         if (completion)
                             completion(response);
                     });
    dialog->open();
}

int MLOpenPanel::runModal() {
    present();
    if (const auto queued = takeQueuedAnswer()) {
        answer(queued->response, queued->path);
        return queued->response;
    }
    QFileDialog dialog;
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!m_allowedFileTypes.isEmpty())
        dialog.setNameFilter(nameFilter());
    const int response = dialog.exec() == QDialog::Accepted ? OKResponse : CancelResponse;
    answer(response, dialog.selectedFiles().value(0));
    return response;
}

void MLOpenPanel::setNextResponse(int response, const QString &path) {
    queuedAnswers().push_back({response, path});
}

void MLOpenPanel::clearNextResponses() {
    queuedAnswers().clear();
}

int MLOpenPanel::pendingResponseCount() {
    return int(queuedAnswers().size());
}

QStringList MLOpenPanel::lastAllowedFileTypes() {
    return presented().allowedFileTypes;
}

int MLOpenPanel::presentedCount() {
    return presented().count;
}
