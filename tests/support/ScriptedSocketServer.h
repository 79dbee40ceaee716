#pragma once

// Hand-made HTTP answers on loopback for what the maker server tool does not give (silence, a
// body that stops coming, a part from elsewhere), and the files the download tests compare.

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>

#include <vector>

namespace testing_support {

// Each request gets the next
// of the answers; with none left it gets none (a silent server). After an answer the connection
// stays open or is closed.
class ScriptedSocketServer
{
public:
    enum class After { StayOpen, Close };
    explicit ScriptedSocketServer(QByteArray answer = {})
        : ScriptedSocketServer(std::vector<QByteArray> {std::move(answer)}, After::StayOpen)
    { }
    ScriptedSocketServer(std::vector<QByteArray> answers, After after)
        : m_answers(std::move(answers))
        , m_after(after)
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_incoming += socket->readAll();
                    const qsizetype end = m_incoming.indexOf("\r\n\r\n");
                    static const QRegularExpression length(
                        QStringLiteral("\r\ncontent-length: *(\\d+)"),
                        QRegularExpression::CaseInsensitiveOption);
                    const auto match = length.match(QString::fromLatin1(m_incoming.left(end)));
                    if (end < 0 || m_next >= m_answers.size()
                        || m_incoming.size() < end + 4 + match.captured(1).toLongLong())
                        return;
                    request = std::exchange(m_incoming, {});
                    socket->write(m_answers[m_next++]);
                    if (m_after == After::Close)
                        socket->disconnectFromHost();
                });
            }
        });
    }
    QString url(const QString &path = QStringLiteral("/f.bin")) const
    {
        return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()) + path;
    }
    // The last whole request, its body included.
    QByteArray request;

private:
    QTcpServer m_server;
    std::vector<QByteArray> m_answers;
    After m_after;
    std::size_t m_next = 0;
    QByteArray m_incoming;
};

// An https server on loopback with one of the certificates of tests/support/certificates, which
// no client trusts: a client that goes past the refused certificate leaves its request here.
class UntrustedTlsServer
{
public:
    explicit UntrustedTlsServer(const QString &certificate)
    {
        const QString folder = QStringLiteral(KOVARA_TEST_CERTIFICATES "/");
        QFile key(folder + QStringLiteral("key.pem"));
        key.open(QIODevice::ReadOnly);
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setPrivateKey(QSslKey(&key, QSsl::Rsa));
        configuration.setLocalCertificate(QSslCertificate::fromPath(folder + certificate).value(0));
        m_server.setSslConfiguration(configuration);
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::pendingConnectionAvailable, &m_server, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    request += socket->readAll();
                });
            }
        });
    }
    QString url() const
    {
        return QStringLiteral("https://127.0.0.1:%1/update.hex").arg(m_server.serverPort());
    }
    // What came through: nothing, when the client refused the certificate.
    QByteArray request;

private:
    QSslServer m_server;
};

// An address on loopback where nothing listens.
inline QString closedPortUrl(const QString &path = QStringLiteral("/files/update.hex"))
{
    QTcpServer reserve;
    reserve.listen(QHostAddress::LocalHost);
    const quint16 port = reserve.serverPort();
    reserve.close();
    return QStringLiteral("http://127.0.0.1:%1").arg(port) + path;
}

// Bytes that are not all the same, so a splice or an offset error shows in a comparison.
inline QByteArray patternBytes(int size, int seed = 1)
{
    QByteArray bytes(size, '\0');
    quint32 state = 2463534242u + static_cast<quint32>(seed);
    for (int i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[i] = static_cast<char>(state & 0xFF);
    }
    return bytes;
}

} // namespace testing_support
