// HttpGet: one GET of a plain "http://" address, read to the end of the connection. Both the splash
// window's update check and the updater use it; it is header-only because the updater links nothing
// of the simulator.
//
// The request is HTTP/1.0 with "Connection: close", so the body is every byte the server sends after
// the response head until it closes the connection. A caller can therefore compare the announced
// Content-Length with what really came, in both directions (a general HTTP client stops reading at the
// announced length and cannot see a longer body). Redirects are never followed: a 3xx is just a status.
//
//   shared::HttpGet get;
//   get.onHead = [&] { if (get.status() != 200) get.abort(); };
//   get.onBody = [&] { file.write(get.read(1024)); };
//   get.onFinished = [&] { if (get.result() == shared::HttpGet::Result::Complete) ... };
//   get.start(QStringLiteral("http://host/file"));
//
// The callbacks run on the object's thread from socket events, never from start(). A callback may call
// abort() or start(), but must not destroy the HttpGet.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QUrl>
#include <functional>
#include <utility>

namespace shared {

class HttpGet : public QObject {
public:
    enum class Result {
        Idle,      // not started
        Pending,   // started, not yet ended
        Complete,  // a response head arrived and the server then closed the connection
        NoAnswer,  // no usable response head: bad address, no connection, or closed or broken before it
        Broken,    // a head arrived, but the body cannot be trusted (an error other than the close, or a
                   // transfer coding this client does not read)
        Aborted,   // abort() was called
    };

    explicit HttpGet(QObject* parent = nullptr) : QObject(parent) {}
    ~HttpGet() override { dropSocket(); }

    // The status line and headers have arrived: status() and header() are set.
    std::function<void()> onHead;
    // Body bytes are waiting to be read.
    std::function<void()> onBody;
    // The reply has ended (result() is no longer Pending); unread body bytes can still be read.
    std::function<void()> onFinished;

    // Sends the request; any earlier one is abandoned first. An address that is not "http://host…"
    // ends with NoAnswer, reported like every other outcome through onFinished.
    void start(const QString& address) {
        dropSocket();
        resetReply();
        current = Result::Pending;
        const QUrl url(address);
        socket = new QTcpSocket;
        QTcpSocket* s = socket;
        if (!url.isValid() || url.scheme() != QLatin1String("http") || url.host().isEmpty()) {
            QMetaObject::invokeMethod(this, [this, s] { if (socket == s) end(Result::NoAnswer); }, Qt::QueuedConnection);
            return;
        }
        request = requestText(url);
        connect(s, &QTcpSocket::connected, this, [this, s] { if (socket == s) s->write(request); });
        connect(s, &QTcpSocket::readyRead, this, [this, s] { if (socket == s) receive(); });
        connect(s, &QTcpSocket::disconnected, this, [this, s] { if (socket == s) closed(); });
        connect(s, &QTcpSocket::errorOccurred, this, [this, s](QAbstractSocket::SocketError error) {
            if (socket != s) return;
            if (error == QAbstractSocket::RemoteHostClosedError) return closed();
            receive();
            if (socket == s) end(headSeen ? Result::Broken : Result::NoAnswer);
        });
        s->connectToHost(url.host(), quint16(url.port(80)));
    }

    // Abandons the request; no callback runs for it any more.
    void abort() {
        dropSocket();
        if (current == Result::Pending) current = Result::Aborted;
    }

    Result result() const { return current; }
    // The three-digit code of the status line; 0 before the head.
    int status() const { return statusCode; }
    // The value of the first header of that name (case-insensitive), trimmed; empty when absent.
    QByteArray header(QByteArrayView name) const {
        for (const auto& [key, value] : headers)
            if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
        return {};
    }
    bool hasHeader(QByteArrayView name) const {
        for (const auto& entry : headers)
            if (entry.first.compare(name, Qt::CaseInsensitive) == 0) return true;
        return false;
    }
    // The Content-Length, or -1 when there is none or it is not a plain decimal number.
    qint64 announcedLength() const {
        const QByteArray text = header("Content-Length");
        if (text.isEmpty() || text.size() > 18) return -1;
        for (char c : text)
            if (c < '0' || c > '9') return -1;
        return text.toLongLong();
    }
    // Body bytes received so far, read or not.
    qint64 received() const { return bodyReceived; }
    qint64 bytesAvailable() const { return body.size() - bodyRead; }
    QByteArray read(qint64 most) {
        const qint64 n = qMin(most, bytesAvailable());
        QByteArray piece = body.mid(bodyRead, n);
        bodyRead += n;
        if (bodyRead == body.size()) {
            body.clear();
            bodyRead = 0;
        }
        return piece;
    }
    QByteArray readAll() { return read(bytesAvailable()); }

private:
    static QByteArray requestText(const QUrl& url) {
        QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
        if (target.isEmpty()) target = "/";
        if (url.hasQuery()) target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
        QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
        if (host.contains(':')) host = '[' + host + ']';
        if (url.port() != -1) host += ':' + QByteArray::number(url.port());
        // The file exactly as stored: no compressed transfer, one connection that the server closes.
        return "GET " + target + " HTTP/1.0\r\nHost: " + host +
               "\r\nAccept-Encoding: identity\r\nConnection: close\r\n\r\n";
    }

    void resetReply() {
        head.clear();
        headers.clear();
        body.clear();
        bodyRead = 0;
        bodyReceived = 0;
        statusCode = 0;
        headSeen = false;
    }

    void dropSocket() {
        if (!socket) return;
        QTcpSocket* s = socket;
        socket = nullptr;
        s->disconnect(this);
        // The socket may be the sender of the signal being handled: it goes, and with it the
        // connection, once that is over.
        s->deleteLater();
    }

    // Takes what the socket has; parses the head once it is whole; hands on the body.
    void receive() {
        QTcpSocket* s = socket;
        const QByteArray data = s->readAll();
        if (!headSeen) {
            head += data;
            const qsizetype endOfHead = head.indexOf("\r\n\r\n");
            if (endOfHead < 0) {
                if (head.size() > kHeadLimit) end(Result::NoAnswer);
                return;
            }
            const QByteArray rest = head.mid(endOfHead + 4);
            head.truncate(endOfHead + 2);
            if (!parseHead()) return end(Result::NoAnswer);
            headSeen = true;
            appendBody(rest);
            if (onHead) onHead();
            if (socket != s) return;
            // Chunked or compressed framing would be taken for the file itself.
            const QByteArray coding = header("Transfer-Encoding").toLower();
            if (!coding.isEmpty() && coding != "identity") return end(Result::Broken);
        } else {
            appendBody(data);
        }
        if (bytesAvailable() > 0 && onBody) onBody();
    }

    void appendBody(const QByteArray& data) {
        body += data;
        bodyReceived += data.size();
    }

    // The status code is read at characters 10-12 of the head ("HTTP/1.x 200 …").
    bool parseHead() {
        if (!head.startsWith("HTTP/") || head.size() < 12) return false;
        int code = 0;
        for (int i = 9; i < 12; ++i) {
            const char c = head[i];
            if (c < '0' || c > '9') return false;
            code = code * 10 + (c - '0');
        }
        statusCode = code;
        const QList<QByteArray> lines = head.split('\n');
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0) headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        return true;
    }

    void closed() {
        QTcpSocket* s = socket;
        if (s->bytesAvailable() > 0) receive();
        if (socket == s) end(headSeen ? Result::Complete : Result::NoAnswer);
    }

    void end(Result result) {
        dropSocket();
        current = result;
        if (onFinished) onFinished();
    }

    // A response head longer than this is not one this program is waiting for.
    static constexpr qsizetype kHeadLimit = 64 * 1024;

    QTcpSocket* socket = nullptr;
    QByteArray request;
    QByteArray head;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;
    qint64 bodyRead = 0;
    qint64 bodyReceived = 0;
    int statusCode = 0;
    bool headSeen = false;
    Result current = Result::Idle;
};

}  // namespace shared
