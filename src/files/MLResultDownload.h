#pragma once

#include "platform/http/MLProgressWatch.h"

#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class MBProgressHUD;

class QNetworkAccessManager;
class QNetworkReply;
class QTemporaryFile;
class QWidget;

// One download of a job's result into a folder of the user's Documents directory. A progress overlay
// covers `overlayHost` while it runs. The body is written to a temporary file in the folder and, when
// the whole answer has arrived, renamed to the file name, or to the first free "<name> (n)" beside it,
// so no earlier file is ever replaced and no half-written file ever carries the name. Afterwards the
// folder is opened in the file viewer, whatever the outcome; a failure is logged and shown as a toast.
//
// The download owns itself: it runs to its end even when the row that started it is gone.
class MLResultDownload final : public QObject {
    Q_OBJECT
public:
    enum class Answer {
        File,       // any 2xx answer is the file
        ServiceText // also: a JSON answer of the service with a code other than "SUCCESS" is a failure
    };

    // Starts the GET of `request` into `folder` as `fileName` (already a safe plain name).
    static MLResultDownload *start(const QNetworkRequest &request, const QString &folder,
                                   const QString &fileName, Answer answer, QWidget *overlayHost,
                                   QNetworkAccessManager *network = nullptr);

    // "<Documents>/<name>", made when missing.
    static QString documentsFolder(const QString &name);

    // Downloads have no overall deadline; one that stops making progress (MLProgressWatch's rule) ends
    // as a failure. Tests shorten the rule.
    static void setProgressRule(MLProgressWatch::Rule rule);
    static constexpr qint64 kServiceAnswerPeekBytes = 64 * 1024;

Q_SIGNALS:
    // `savedPath` is empty on failure, `error` empty on success.
    void finished(const QString &savedPath, const QString &error);

private:
    enum class Failure { Download, Saving };

    MLResultDownload(const QString &folder, const QString &fileName, Answer answer, QWidget *overlayHost);
    ~MLResultDownload() override;

    void begin(const QNetworkRequest &request, QNetworkAccessManager *network);
    void receive();
    void complete();
    QString judge(int httpStatus) const;
    QString save();
    void finish(const QString &savedPath, const QString &error, Failure failure);

    QString m_folder;
    QString m_fileName;
    Answer m_answer;
    QPointer<QWidget> m_overlayHost;
    QPointer<MBProgressHUD> m_overlay; // the overlay this download showed
    QPointer<QNetworkReply> m_reply;
    std::unique_ptr<QTemporaryFile> m_file;
    QByteArray m_head; // the first bytes, for judging a service answer
    QString m_writeError;
};
