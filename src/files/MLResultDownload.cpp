#include "files/MLResultDownload.h"

#include "core/net/MLAnswerJudge.h"
#include "core/net/MLServiceText.h"
#include "files/MLDownloadFileName.h"
#include "files/MLFilesLogging.h"
#include "platform/http/MLHttpTransport.h"
#include "platform/kit/ui/MLWorkspace.h"
#include "ui/widgets/MBProgressHUD.h"
#include "ui/widgets/MLToast.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {
MLProgressWatch::Rule g_progressRule;
}

void MLResultDownload::setProgressRule(MLProgressWatch::Rule rule) {
    g_progressRule = rule;
}

QString MLResultDownload::documentsFolder(const QString &name) {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString folder = QDir(documents).filePath(name);
    if (!QDir().mkpath(folder))
        qCWarning(lcFiles) << "cannot make the folder" << folder;
    return folder;
}

MLResultDownload *MLResultDownload::start(const QNetworkRequest &request, const QString &folder,
                                          const QString &fileName, Answer answer, QWidget *overlayHost,
                                          QNetworkAccessManager *network) {
    auto *download = new MLResultDownload(folder, fileName, answer, overlayHost);
    download->begin(request, network ? network : MLHttpTransport::shared().network());
    return download;
}

MLResultDownload::MLResultDownload(const QString &folder, const QString &fileName, Answer answer,
                                   QWidget *overlayHost)
    : QObject(QCoreApplication::instance())
    , m_folder(folder)
    , m_fileName(fileName)
    , m_answer(answer)
    , m_overlayHost(overlayHost) {}

MLResultDownload::~MLResultDownload() {
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

void MLResultDownload::begin(const QNetworkRequest &request, QNetworkAccessManager *network) {
    m_overlay = MBProgressHUD::showHUDAddedTo(m_overlayHost, true);
    QDir().mkpath(m_folder);
    m_file =
        std::make_unique<QTemporaryFile>(QDir(m_folder).filePath(QStringLiteral(".download-XXXXXX.part")));
    if (!m_file->open()) {
        m_writeError = m_file->errorString();
        QMetaObject::invokeMethod(
            this, [this] { finish({}, m_writeError, Failure::Saving); }, Qt::QueuedConnection);
        return;
    }
    const QUrl url = request.url();
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
        // Only web addresses are fetched: an address of a local file or another scheme is refused.
        const QString error = QStringLiteral("not a web address: %1").arg(url.toString());
        QMetaObject::invokeMethod(
            this, [this, error] { finish({}, error, Failure::Download); }, Qt::QueuedConnection);
        return;
    }
    m_reply = network->get(request);
    MLProgressWatch::attach(m_reply, g_progressRule);
    connect(m_reply, &QNetworkReply::readyRead, this, &MLResultDownload::receive);
    connect(m_reply, &QNetworkReply::finished, this, &MLResultDownload::complete);
}

void MLResultDownload::receive() {
    if (!m_reply->isOpen())
        return; // aborted (stalled): nothing more to read
    const QByteArray chunk = m_reply->readAll();
    if (m_head.size() < kServiceAnswerPeekBytes)
        m_head += chunk.left(kServiceAnswerPeekBytes - m_head.size());
    // A short write (the disk filled up during it) reports no error of its own: writing the rest
    // again brings the system's reason ("No space left on device").
    for (qsizetype offset = 0; m_writeError.isEmpty() && offset < chunk.size();) {
        const qint64 written = m_file->write(chunk.constData() + offset, chunk.size() - offset);
        if (written <= 0)
            m_writeError = m_file->error() != QFileDevice::NoError
                               ? m_file->errorString()
                               : QStringLiteral("the disk took none of %1 bytes").arg(chunk.size() - offset);
        else
            offset += written;
    }
}

namespace {
// What a file the user makes gets: 0666 less the umask (read from the process status, since setting
// the umask to read it would race with other threads making files).
QFile::Permissions usualFilePermissions() {
    uint mask = 022;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint value = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    mask = value;
                break;
            }
        }
    }
    const uint mode = 0666 & ~mask;
    QFile::Permissions permissions;
    const std::pair<uint, QFile::Permissions> bits[] = {{0400, QFile::ReadOwner}, {0200, QFile::WriteOwner},
                                                        {0040, QFile::ReadGroup}, {0020, QFile::WriteGroup},
                                                        {0004, QFile::ReadOther}, {0002, QFile::WriteOther}};
    for (const auto &[bit, permission] : bits) {
        if (mode & bit)
            permissions |= permission;
    }
    if (mode & 0400)
        permissions |= QFile::ReadUser;
    if (mode & 0200)
        permissions |= QFile::WriteUser;
    return permissions;
}
} // namespace

QString MLResultDownload::judge(int httpStatus) const {
    if (MLProgressWatch::stalled(m_reply))
        return QStringLiteral("no progress: fewer than %1 bytes in %2 ms")
            .arg(g_progressRule.minimumBytes)
            .arg(g_progressRule.windowMs);
    if (m_reply->error() != QNetworkReply::NoError)
        return m_reply->errorString();
    if (httpStatus < 200 || httpStatus >= 300)
        return QStringLiteral("HTTP %1").arg(httpStatus);
    if (m_answer == Answer::ServiceText && m_head.trimmed().startsWith('{')) {
        const QJsonObject object = QJsonDocument::fromJson(m_head).object();
        if (object.contains(QStringLiteral("code")) &&
            MLAnswerJudge::codeText(object.value(QStringLiteral("code"))) !=
                QLatin1String(MLAnswerJudge::kSuccessCode))
            return MLServiceText::message(object.value(QStringLiteral("message")));
    }
    return {};
}

void MLResultDownload::complete() {
    receive();
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString error = judge(status);
    m_reply->deleteLater();
    m_reply = nullptr;
    if (!error.isEmpty()) {
        finish({}, error, Failure::Download);
        return;
    }
    if (!m_writeError.isEmpty()) {
        finish({}, m_writeError, Failure::Saving);
        return;
    }
    const QString saved = save();
    finish(saved, saved.isEmpty() ? m_writeError : QString(), Failure::Saving);
}

// Renames the finished temporary file to the first free name; empty when that fails.
QString MLResultDownload::save() {
    if (!m_file->flush()) {
        m_writeError = m_file->errorString();
        return {};
    }
    // The temporary file was made private (0600); the result is an ordinary file of the user.
    if (!m_file->setPermissions(usualFilePermissions()))
        qCWarning(lcFiles) << "cannot set the permissions of" << m_file->fileName() << m_file->errorString();
    m_file->close();
    m_file->setAutoRemove(false);
    const QString temporary = m_file->fileName();
    for (int number = 0; number < 1000; ++number) {
        const QString candidate =
            QDir(m_folder).filePath(MLDownloadFileName::numberedName(m_fileName, number));
        // A rename never replaces an existing file, so two downloads finishing together cannot
        // overwrite each other.
        if (QFile::exists(candidate))
            continue;
        if (QFile::rename(temporary, candidate))
            return candidate;
    }
    m_writeError = QStringLiteral("no free name for %1").arg(m_fileName);
    QFile::remove(temporary);
    return {};
}

void MLResultDownload::finish(const QString &savedPath, const QString &error, Failure failure) {
    MBProgressHUD::hideHUD(m_overlay, true);
    if (savedPath.isEmpty()) {
        if (failure == Failure::Download)
            qCWarning(lcFiles).noquote() << QStringLiteral("下载失败：%1").arg(error);
        else
            qCWarning(lcFiles).noquote() << QStringLiteral("保存文件失败：%1").arg(error);
        MLToast::makeToast(m_overlayHost, QStringLiteral("下载失败"), 1.0);
    } else {
        qCInfo(lcFiles).noquote() << QStringLiteral("文件成功保存到 %1").arg(savedPath);
    }
    // The folder is opened in every case: it exists, and holds the result when there is one.
    MLWorkspace::selectFile(QString(), m_folder);
    m_file.reset(); // removes the temporary file unless it became the result
    Q_EMIT finished(savedPath, error);
    deleteLater();
}
