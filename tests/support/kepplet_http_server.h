// A small HTTP/1.1 server on 127.0.0.1 for the update tests. Each path is given a canned answer: a
// status, a body, a Content-Length that is right, wrong or missing, an optional delay before answering,
// and an optional pause after part of the body that lasts until release(). Unknown paths get 404.
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

struct TestRoute {
    int status = 200;
    QByteArray body;
    bool sendLength = true;
    qint64 declaredLength = -1;  // -1: the body's real size
    int delayMs = 0;             // wait this long before answering
    qint64 holdAfter = -1;       // send only this many body bytes until release()
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

    // The paths asked for, in order.
    QList<QByteArray> requests;

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
            const TestRoute answer = routes.value(path, TestRoute{404, "no existe", true, -1, 0, -1});
            QPointer<QTcpSocket> guarded(socket);
            QTimer::singleShot(answer.delayMs, this, [this, guarded, answer] {
                if (guarded) respond(guarded, answer);
            });
        });
    }

    void respond(QTcpSocket* socket, const TestRoute& answer) {
        QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reason(answer.status) + "\r\n";
        if (answer.sendLength) {
            const qint64 length = answer.declaredLength >= 0 ? answer.declaredLength : answer.body.size();
            head += "Content-Length: " + QByteArray::number(length) + "\r\n";
        }
        head += "Content-Type: application/octet-stream\r\nConnection: close\r\n\r\n";
        socket->write(head);
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
        case 404: return "Not Found";
        case 500: return "Internal Server Error";
        default: return "Status";
        }
    }

    QTcpServer server;
    QMap<QByteArray, TestRoute> routes;
    QList<Held> held;
};
