#pragma once
// One download of the lobby installer, asynchronous, into a folder of ours.
// The body goes to a temporary file beside the target and is renamed into place
// only when all of it arrived, so a file of the installer's name is always whole.

#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QSaveFile;

// The file name a download of `url` is saved under: the last path segment, or a
// fixed safe name when that is empty, "." or "..", or could reach another folder.
QString downloadFileName(const QUrl& url);

// Empty when `url` may be fetched; otherwise why not. Plain HTTP is for this
// computer only, so nobody on the way can hand us a program to run.
QString refuseDownloadUrl(const QUrl& url);

class LobbyDownload : public QObject
{
    Q_OBJECT
public:
    enum class Outcome { Complete, Aborted, Failed };

    // A body larger than this is not an installer; the download fails.
    static constexpr qint64 kMaxBytes = qint64(512) * 1024 * 1024;

    explicit LobbyDownload(QObject* parent = nullptr);
    ~LobbyDownload() override;

    // Starts fetching `url` into `folder`; false (with error()) when it cannot start.
    bool start(const QUrl& url, const QString& folder);
    // Stops a running download; finished(Aborted) follows.
    void abort();
    bool running() const { return m_reply != nullptr; }

    QString fileName() const { return m_fileName; }
    // The complete file, once finished(Complete) was sent.
    QString filePath() const { return m_path; }
    qint64 received() const { return m_received; }
    QString error() const { return m_error; }

signals:
    // One per header line of the answer.
    void headerReceived();
    // The body begins.
    void documentStarted();
    void progress(qint64 bytesSoFar);
    void finished(LobbyDownload::Outcome outcome);

private:
    void onMetaData();
    void onReadyRead();
    void onRedirected(const QUrl& url);
    void onFinished();
    void fail(const QString& why);

    QNetworkAccessManager* m_manager = nullptr;
    QNetworkReply* m_reply = nullptr;
    std::unique_ptr<QSaveFile> m_file;
    QString m_fileName;
    QString m_path;
    QString m_error;
    qint64 m_received = 0;
    bool m_documentStarted = false;
    bool m_aborted = false;
};
