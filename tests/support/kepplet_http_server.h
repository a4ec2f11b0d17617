// A small HTTP/1.1 server on 127.0.0.1 for the update tests. Each path is given a canned answer: a
// status, a body, a Content-Length that is right, wrong or missing, a Location, an optional delay before
// answering, an optional pause after part of the body that lasts until release(), and an optional end
// after part of the body, closed or reset. Unknown paths get 404.
//
//   TestHttpServer server;
//   server.route("/update/vandor.upd", {.body = "1.6.0\r\nhttp://127.0.0.1/vandor\r\n"});
//   qputenv("VANDOR_UPDATE_URL", server.base().toUtf8());
#pragma once

#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <sys/socket.h>

struct TestRoute {
    int status = 200;
    QByteArray body;
    bool sendLength = true;
    qint64 declaredLength = -1;  // -1: the body's real size
    int delayMs = 0;             // wait this long before answering
    qint64 holdAfter = -1;       // send only this many body bytes until release()
    qint64 endAfter = -1;        // send only this many body bytes, then end the connection
    bool reset = false;          // end it with a reset instead of an orderly close
    QByteArray location = {};    // a Location header, for redirects
    QByteArray extraHeaders = {};  // more header lines, each ending in CR LF
    bool silent = false;         // close the connection without answering
};

class TestHttpServer : public QObject {
public:
    TestHttpServer() {
        if (!server.listen(QHostAddress::LocalHost, 0)) qFatal("test server cannot listen");
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server.nextPendingConnection()) accept(socket);
        });
    }

    QString base() const { return QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort()); }
    QString url(const QString& path) const { return base() + path; }
    void route(const QByteArray& path, const TestRoute& answer) { routes[path] = answer; }

    // The paths asked for, in order, and each request's whole head.
    QList<QByteArray> requests;
    QList<QByteArray> heads;

    // Sends the rest of every body held back by holdAfter.
    void release() {
        for (auto& h : held)
            if (h.socket) {
                h.socket->write(h.rest);
                h.socket->disconnectFromHost();
            }
        held.clear();
    }

    // A base address on which nothing listens: connections to it are refused.
    static QString refusedBase() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        const quint16 port = probe.serverPort();
        probe.close();
        return QStringLiteral("http://127.0.0.1:%1/").arg(port);
    }

private:
    struct Held {
        QPointer<QTcpSocket> socket;
        QByteArray rest;
    };

    void accept(QTcpSocket* socket) {
        socket->setParent(this);
        auto* buffer = new QByteArray;
        connect(socket, &QTcpSocket::disconnected, socket, [socket, buffer] {
            delete buffer;
            socket->deleteLater();
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            if (!buffer->contains("\r\n\r\n") || buffer->startsWith("#")) return;
            const QList<QByteArray> requestLine = buffer->left(buffer->indexOf("\r\n")).split(' ');
            buffer->prepend("#");  // answered: later bytes on this connection are ignored
            const QByteArray path = requestLine.value(1);
            requests << path;
            heads << buffer->mid(1, buffer->indexOf("\r\n\r\n") + 3);
            const TestRoute answer = routes.value(path, TestRoute{.status = 404, .body = "no existe"});
            QPointer<QTcpSocket> guarded(socket);
            QTimer::singleShot(answer.delayMs, this, [this, guarded, answer] {
                if (guarded) respond(guarded, answer);
            });
        });
    }

    void respond(QTcpSocket* socket, const TestRoute& answer) {
        if (answer.silent) {
            socket->disconnectFromHost();
            return;
        }
        QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reason(answer.status) + "\r\n";
        if (answer.sendLength) {
            const qint64 length = answer.declaredLength >= 0 ? answer.declaredLength : answer.body.size();
            head += "Content-Length: " + QByteArray::number(length) + "\r\n";
        }
        if (!answer.location.isEmpty()) head += "Location: " + answer.location + "\r\n";
        head += answer.extraHeaders;
        head += "Content-Type: application/octet-stream\r\nConnection: close\r\n\r\n";
        socket->write(head);
        if (answer.endAfter >= 0) {
            socket->write(answer.body.left(answer.endAfter));
            socket->flush();
            // A moment for the bytes to arrive before the end, so that the client sees both.
            QPointer<QTcpSocket> guarded(socket);
            QTimer::singleShot(50, this, [guarded, reset = answer.reset] {
                if (!guarded) return;
                if (reset) {
                    const linger now{1, 0};  // closing with a zero linger time sends a reset
                    ::setsockopt(int(guarded->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
                    guarded->abort();
                } else {
                    guarded->disconnectFromHost();
                }
            });
            return;
        }
        if (answer.holdAfter >= 0 && answer.holdAfter < answer.body.size()) {
            socket->write(answer.body.left(answer.holdAfter));
            held.push_back({socket, answer.body.mid(answer.holdAfter)});
            return;
        }
        socket->write(answer.body);
        socket->disconnectFromHost();
    }

    static QByteArray reason(int status) {
        switch (status) {
        case 200: return "OK";
        case 302: return "Found";
        case 404: return "Not Found";
        case 500: return "Internal Server Error";
        default: return "Status";
        }
    }

    QTcpServer server;
    QMap<QByteArray, TestRoute> routes;
    QList<Held> held;
};
