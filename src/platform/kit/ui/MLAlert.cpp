#include "platform/kit/ui/MLAlert.h"

#include "platform/kit/ui/MLKitUiLogging.h"

#include <QCoreApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <deque>

namespace {

std::deque<int> &queuedResponses() {
    static std::deque<int> responses;
    return responses;
}

std::optional<MLAlert> &lastShown() {
    static std::optional<MLAlert> alert;
    return alert;
}

std::optional<int> takeQueuedResponse() {
    auto &queue = queuedResponses();
    if (queue.empty())
        return std::nullopt;
    const int response = queue.front();
    queue.pop_front();
    return response;
}

// An alert offers no way out but its buttons, like a sheet: Escape and the window's close do nothing.
class AlertDialog final : public QDialog {
public:
    using QDialog::QDialog;
    void reject() override {}
};

} // namespace

int MLAlert::addButtonWithTitle(const QString &title) {
    m_buttonTitles.append(title);
    return FirstButtonReturn + int(m_buttonTitles.size()) - 1;
}

QDialog *MLAlert::makeDialog(QWidget *parent) const {
    auto *dialog = new AlertDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    auto *column = new QVBoxLayout(dialog);
    column->setContentsMargins(20, 20, 20, 16);
    column->setSpacing(10);

    auto *message = new QLabel(m_messageText, dialog);
    message->setObjectName(QStringLiteral("messageText"));
    QFont bold = message->font();
    bold.setBold(true);
    message->setFont(bold);
    message->setWordWrap(true);
    column->addWidget(message);
    if (!m_informativeText.isEmpty()) {
        auto *informative = new QLabel(m_informativeText, dialog);
        informative->setObjectName(QStringLiteral("informativeText"));
        informative->setWordWrap(true);
        column->addWidget(informative);
    }

    // With no button added an alert still needs one way to answer, as a platform alert does.
    const QStringList titles =
        m_buttonTitles.isEmpty() ? QStringList{QStringLiteral("确定")} : m_buttonTitles;
    auto *row = new QHBoxLayout;
    row->addStretch();
    for (int i = 0; i < titles.size(); ++i) {
        auto *button = new QPushButton(titles.at(i), dialog);
        button->setObjectName(QStringLiteral("alertButton%1").arg(i));
        button->setAutoDefault(false);
        button->setDefault(i == 0);
        const int response = FirstButtonReturn + i;
        QObject::connect(button, &QPushButton::clicked, dialog,
                         [dialog, response] { dialog->done(response); });
        row->addWidget(button);
    }
    column->addLayout(row);
    dialog->setMinimumWidth(320);
    return dialog;
}

void MLAlert::beginSheetModalForWindow(QWidget *window, std::function<void(int)> completion) const {
    lastShown() = *this;
    QWidget *host = window ? window->window() : nullptr;
    if (const auto response = takeQueuedResponse()) {
        QObject *context = host ? static_cast<QObject *>(host) : QCoreApplication::instance();
        QTimer::singleShot(0, context, [completion = std::move(completion), r = *response] {
            if (completion)
                completion(r);
        });
        return;
    }
    QDialog *dialog = makeDialog(host);
    dialog->setWindowModality(host ? Qt::WindowModal : Qt::ApplicationModal);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, completion = std::move(completion)](int r) {
        dialog->deleteLater();
        if (completion)
            completion(r);
    });
    dialog->open();
}

void MLAlert::setNextResponse(int response) {
    queuedResponses().push_back(response);
}

void MLAlert::clearNextResponses() {
    queuedResponses().clear();
}

int MLAlert::pendingResponseCount() {
    return int(queuedResponses().size());
}

std::optional<MLAlert> MLAlert::lastAlert() {
    return lastShown();
}

void MLAlert::clearLastAlert() {
    lastShown().reset();
}
