#include "LobbyDownload.h"

#include "SiteConfig.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>

namespace
{

// A stalled server must not keep the buttons disabled for ever.
constexpr int kTransferTimeoutMs = 30000;

bool isLoopbackHost(const QString& host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

bool isSuccessStatus(const QVariant& status)
{
    // No status at all means a non-HTTP reply (a file URL is refused before this).
    if (!status.isValid())
        return false;
    const int code = status.toInt();
    return code >= 200 && code < 300;
}

} // namespace

QString downloadFileName(const QUrl& url)
{
    const QString safe = QStringLiteral(ZIRKY_LOBBY_INSTALLER);
    // Cut the encoded path, then decode: "%2F" must not become a separator
    // after the cut, and "..%2F.." must not pass as a name.
    const QByteArray encoded = url.path(QUrl::FullyEncoded).toLatin1();
    const QByteArray segment = encoded.mid(encoded.lastIndexOf('/') + 1);
    const QString name = QString::fromUtf8(QByteArray::fromPercentEncoding(segment));
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.size() > 200)
        return safe;
    for (const QChar c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20 || c.unicode() == 0x7f)
            return safe;
    return name;
}

QString refuseDownloadUrl(const QUrl& url)
{
    if (!url.isValid() || url.host().isEmpty())
        return QStringLiteral("The download address \"%1\" is not valid.").arg(url.toString());
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return {};
    if (scheme == QLatin1String("http")) {
        if (isLoopbackHost(url.host()))
            return {};
        return QStringLiteral("Refused to download over plain HTTP from %1: only https:// addresses are safe.")
            .arg(url.host());
    }
    return QStringLiteral("Only https:// addresses can be downloaded, not \"%1\".").arg(url.toString());
}

LobbyDownload::LobbyDownload(QObject* parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
{
}

LobbyDownload::~LobbyDownload()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
    // m_file goes uncommitted: its temporary file is removed.
}

bool LobbyDownload::start(const QUrl& url, const QString& folder)
{
    if (m_reply) {
        m_error = QStringLiteral("A download is already running.");
        return false;
    }
    m_error.clear();
    m_received = 0;
    m_documentStarted = false;
    m_aborted = false;
    m_fileName = downloadFileName(url);
    m_path.clear();

    if (const QString refused = refuseDownloadUrl(url); !refused.isEmpty()) {
        m_error = refused;
        return false;
    }
    if (!QDir().mkpath(folder)) {
        m_error = QStringLiteral("Cannot make the folder %1.").arg(folder);
        return false;
    }
    m_file = std::make_unique<QSaveFile>(QDir(folder).filePath(m_fileName));
    if (!m_file->open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("Cannot write %1: %2").arg(m_file->fileName(), m_file->errorString());
        m_file.reset();
        return false;
    }

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setTransferTimeout(kTransferTimeoutMs);
    // Undecoded bytes, so the announced length is the length of what we save.
    request.setRawHeader("Accept-Encoding", "identity");
    m_reply = m_manager->get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &LobbyDownload::onMetaData);
    connect(m_reply, &QNetworkReply::readyRead, this, &LobbyDownload::onReadyRead);
    connect(m_reply, &QNetworkReply::redirected, this, &LobbyDownload::onRedirected);
    connect(m_reply, &QNetworkReply::finished, this, &LobbyDownload::onFinished);
    return true;
}

void LobbyDownload::abort()
{
    if (!m_reply)
        return;
    m_aborted = true;
    m_reply->abort();
}

void LobbyDownload::fail(const QString& why)
{
    if (m_error.isEmpty())
        m_error = why;
    if (m_reply)
        m_reply->abort();
}

void LobbyDownload::onMetaData()
{
    for (qsizetype i = 0; i < m_reply->rawHeaderPairs().size(); ++i)
        emit headerReceived();
}

void LobbyDownload::onRedirected(const QUrl& url)
{
    if (url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0) {
        emit m_reply->redirectAllowed();
        return;
    }
    fail(QStringLiteral("Refused a redirect to %1: only https:// addresses are followed.").arg(url.toString()));
}

void LobbyDownload::onReadyRead()
{
    if (!m_reply || !m_error.isEmpty() || m_aborted)
        return;
    // An error page is not an installer: its body is never saved.
    if (!isSuccessStatus(m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute))) {
        m_reply->readAll();
        return;
    }
    const QByteArray chunk = m_reply->readAll();
    if (chunk.isEmpty())
        return;
    if (!m_documentStarted) {
        m_documentStarted = true;
        emit documentStarted();
    }
    if (m_received + chunk.size() > kMaxBytes) {
        fail(QStringLiteral("The download is larger than %1 bytes.").arg(kMaxBytes));
        return;
    }
    if (m_file->write(chunk) != chunk.size()) {
        fail(QStringLiteral("Cannot write %1: %2").arg(m_file->fileName(), m_file->errorString()));
        return;
    }
    m_received += chunk.size();
    emit progress(m_received);
}

void LobbyDownload::onFinished()
{
    QNetworkReply* reply = m_reply;
    onReadyRead(); // whatever arrived with the end
    m_reply = nullptr;
    reply->deleteLater();

    Outcome outcome = Outcome::Failed;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
    if (m_aborted) {
        outcome = Outcome::Aborted;
    } else if (!m_error.isEmpty()) {
        // fail() said why
    } else if (reply->error() != QNetworkReply::NoError) {
        // "Connection closed" alone does not tell the player the file was cut short.
        if (announced.isValid() && m_received < announced.toLongLong())
            m_error = QStringLiteral("The server stopped after %1 of %2 bytes (%3).")
                          .arg(m_received)
                          .arg(announced.toLongLong())
                          .arg(reply->errorString());
        else
            m_error = reply->errorString();
    } else if (!isSuccessStatus(status)) {
        m_error = QStringLiteral("The server answered %1 %2.")
                      .arg(status.toInt())
                      .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    } else if (announced.isValid() && announced.toLongLong() != m_received) {
        m_error = QStringLiteral("Only %1 of %2 bytes arrived.").arg(m_received).arg(announced.toLongLong());
    } else if (!m_file->commit()) {
        m_error = QStringLiteral("Cannot save %1: %2").arg(m_file->fileName(), m_file->errorString());
    } else {
        m_path = m_file->fileName();
        // An installer is run, so it must be executable, by its owner only.
        QFile::setPermissions(m_path,
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadUser
                | QFileDevice::WriteUser | QFileDevice::ExeUser);
        if (!m_documentStarted) {
            m_documentStarted = true;
            emit documentStarted();
        }
        outcome = Outcome::Complete;
    }
    if (outcome != Outcome::Complete)
        m_file->cancelWriting();
    m_file.reset();
    emit finished(outcome);
}
