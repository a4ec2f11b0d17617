// The updater: its command line, its progress figure, and Form1 downloading from a real HTTP server on
// 127.0.0.1 — completion and its button, replacing an older file, the failures, cancelling, a target
// held by a running program, and starting the downloaded program.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "shared/http_get.h"
#include "support/kepplet_http_server.h"
#include "updater/download_request.h"
#include "updater/form1.h"

using kepplet::DownloadRequest;
using kepplet::ReplaceOutcome;

Q_DECLARE_METATYPE(std::optional<DownloadRequest>)
Q_DECLARE_METATYPE(TestRoute)

namespace {

QByteArray patterned(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return bytes;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

}  // namespace

class KeppletTest : public QObject {
    Q_OBJECT

    TestHttpServer* server = nullptr;
    QTemporaryDir* folder = nullptr;
    Form1* form = nullptr;
    QStringList started;
    QStringList messages;
    int ends = 0;
    int beeps = 0;

    Form1* makeForm(const QString& commandLine) {
        const auto request = kepplet::parseCommandLine(commandLine.toStdString());
        if (!request) qFatal("unusable command line in a test");
        form = new Form1(*request, folder->path());
        form->endProgram = [this] { ++ends; };
        form->startProgram = [this](const QString& program) { started << program; return true; };
        form->message = [this](const QString& text) { messages << text; };
        form->beep = [this] { ++beeps; };
        form->show();
        form->start();
        return form;
    }
    QLabel* label(const char* name) { return form->findChild<QLabel*>(QString::fromLatin1(name)); }
    QPushButton* button() { return form->findChild<QPushButton*>(QStringLiteral("Cancelar")); }
    bool settled() { return form->state() == Form1::State::Completed || form->state() == Form1::State::Failed; }
    QStringList folderEntries() {
        return QDir(folder->path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }
    bool busyPointer() { return QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor; }

private slots:
    void init() {
        server = new TestHttpServer;
        folder = new QTemporaryDir;
        started.clear();
        messages.clear();
        ends = beeps = 0;
    }
    void cleanup() {
        delete form;
        form = nullptr;
        delete folder;
        delete server;
        QVERIFY(!QApplication::overrideCursor());
    }

    void commandLine_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<DownloadRequest>>("expected");
        auto req = [](const char* a, const char* t, bool run) {
            return std::optional<DownloadRequest>(DownloadRequest{a, t, run});
        };
        const std::optional<DownloadRequest> none;
        QTest::newRow("address") << "http://h/d/prog.exe" << req("http://h/d/prog.exe", "prog.exe", false);
        QTest::newRow("address &") << "http://h/d/prog.exe &" << req("http://h/d/prog.exe", "prog.exe", true);
        QTest::newRow("& without blank") << "http://h/prog&" << req("http://h/prog", "prog", true);
        QTest::newRow("own name") << "http://h/a.bin b.bin" << req("http://h/a.bin", "b.bin", false);
        QTest::newRow("own name, blanks, &") << "  http://h/a.bin    b.bin  & " << req("http://h/a.bin", "b.bin", true);
        QTest::newRow("name keeps inner blanks") << "http://h/a.bin mi prog" << req("http://h/a.bin", "mi prog", false);
        // A line end that came with the address stays in it but is cut from the name.
        QTest::newRow("address with line end") << "http://h/vandor\r\n &" << req("http://h/vandor\r\n", "vandor", true);
        QTest::newRow("empty") << "" << none;
        QTest::newRow("blanks") << "   " << none;
        QTest::newRow("only &") << " & " << none;
        QTest::newRow("address ends in /") << "http://h/dir/ &" << none;
        QTest::newRow("parent folder") << "http://h/a.bin ../vandor" << none;
        QTest::newRow("sub folder") << "http://h/a.bin sub/b.bin" << none;
        QTest::newRow("absolute") << "http://h/a.bin /tmp/b" << none;
        QTest::newRow("backslash") << "http://h/..\\..\\x.exe" << none;
        QTest::newRow("dot dot") << "http://h/a.bin .." << none;
        QTest::newRow("drive") << "http://h/a.bin C:b.exe" << none;
        QTest::newRow("dots inside a name are fine") << "http://h/a.bin b..c" << req("http://h/a.bin", "b..c", false);
    }
    void commandLine() {
        QFETCH(QString, text);
        QFETCH(std::optional<DownloadRequest>, expected);
        const auto got = kepplet::parseCommandLine(text.toStdString());
        QCOMPARE(got.has_value(), expected.has_value());
        if (!got) return;
        QCOMPARE(QString::fromStdString(got->address), QString::fromStdString(expected->address));
        QCOMPARE(QString::fromStdString(got->target), QString::fromStdString(expected->target));
        QCOMPARE(got->runAfterwards, expected->runAfterwards);
    }

    void percent_data() {
        QTest::addColumn<qint64>("total");
        QTest::addColumn<qint64>("next");
        QTest::addColumn<int>("percent");
        QTest::newRow("first 1024 of 10240") << qint64(10240) << qint64(1025) << 10;
        QTest::newRow("nothing yet") << qint64(10240) << qint64(1) << 0;
        QTest::newRow("all") << qint64(10240) << qint64(10241) << 100;
        QTest::newRow("103 bytes missing") << qint64(10240) << qint64(10138) << 99;
        QTest::newRow("one byte missing") << qint64(10240) << qint64(10240) << 100;
        QTest::newRow("floor of the missing share") << qint64(3) << qint64(2) << 34;
        QTest::newRow("empty file") << qint64(0) << qint64(1) << 100;
        QTest::newRow("huge announced size") << qint64(9000000000000000000) << qint64(4500000000000000001) << 50;
    }
    void percent() {
        QFETCH(qint64, total);
        QFETCH(qint64, next);
        QFETCH(int, percent);
        QCOMPARE(kepplet::progressPercent(total, next), percent);
    }

    void windowTexts() {
        server->route("/f", {.body = "x", .holdAfter = 0});
        makeForm(server->url("f"));
        QCOMPARE(form->windowTitle(), QStringLiteral("Actualización automática"));
        QCOMPARE(label("Label1")->text(), QStringLiteral("Descargando actualización."));
        QCOMPARE(label("Label3")->text(), QStringLiteral("Completado:"));
        QCOMPARE(label("Label2")->text(), QString());
        QCOMPARE(button()->text(), QStringLiteral("Cancelar"));
        QVERIFY(label("Label1")->font().bold());
        QCOMPARE(form->size(), QSize(312, 82));
        QVERIFY(busyPointer());
        // Every caption fits its control.
        for (QLabel* l : {label("Label1"), label("Label3")})
            QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(), qPrintable(l->text()));
        // The caption stays left of the progress value and right of the button.
        QVERIFY(label("Label3")->geometry().right() < label("Label2")->x());
        QVERIFY(label("Label3")->x() > button()->geometry().right());
    }

    // Downloads into the updater's folder and ends with the button the final "&" asks for.
    void completes_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("caption");
        QTest::newRow("run afterwards") << "dist/prog.exe &" << "prog.exe" << "Ejecutar";
        QTest::newRow("only download") << "dist/prog.exe" << "prog.exe" << "Cerrar";
        QTest::newRow("own target name") << "dist/a.bin b.bin" << "b.bin" << "Cerrar";
        QTest::newRow("manifest address with line end") << "dist/prog.exe\r\n &" << "prog.exe" << "Ejecutar";
    }
    void completes() {
        QFETCH(QString, commandLine);
        QFETCH(QString, saved);
        QFETCH(QString, caption);
        const QByteArray body = patterned(700000);  // about the size of the simulator
        server->route("/dist/prog.exe", {.body = body});
        server->route("/dist/a.bin", {.body = body});
        makeForm(server->base() + commandLine);
        QTRY_VERIFY(settled());
        QCOMPARE(label("Label1")->text(), QStringLiteral("Actualización completada"));
        QCOMPARE(label("Label2")->text(), QStringLiteral("100 %"));
        QCOMPARE(button()->text(), caption);
        QCOMPARE(folderEntries(), QStringList{saved});
        QCOMPARE(readAll(QDir(folder->path()).filePath(saved)), body);
        QCOMPARE(beeps, 1);
        QVERIFY(!busyPointer());

        QTest::mouseClick(button(), Qt::LeftButton);
        QCOMPARE(ends, 1);
        const QString path = QDir(folder->path()).filePath(saved);
        QCOMPARE(started, caption == "Ejecutar" ? QStringList{path} : QStringList{});
#ifndef Q_OS_WIN
        if (caption == "Ejecutar") QVERIFY(QFileInfo(path).isExecutable());
#endif
    }

    void replacesAnOlderFileWhole() {
        const QString target = QDir(folder->path()).filePath("prog.exe");
        write(target, QByteArray(20000, 'O'));
        server->route("/prog.exe", {.body = "nuevo"});
        makeForm(server->url("prog.exe"));
        QTRY_VERIFY(settled());
        QCOMPARE(readAll(target), QByteArray("nuevo"));
        QCOMPARE(folderEntries(), QStringList{"prog.exe"});
    }

    // The progress while the body is still coming; Escape or closing the window then abandons it and
    // keeps nothing.
    void progressThenCancel_data() {
        QTest::addColumn<bool>("byEscape");
        QTest::newRow("Escape") << true;
        QTest::newRow("window closed") << false;
    }
    void progressThenCancel() {
        QFETCH(bool, byEscape);
        const QString target = QDir(folder->path()).filePath("prog.exe");
        write(target, "viejo");
        server->route("/prog.exe", {.body = patterned(10240), .holdAfter = 1024});
        makeForm(server->url("prog.exe &"));
        QTRY_COMPARE(label("Label2")->text(), QStringLiteral("10 %"));
        QVERIFY(busyPointer());
        QCOMPARE(button()->text(), QStringLiteral("Cancelar"));
        if (byEscape)
            QTest::keyClick(button(), Qt::Key_Escape);
        else
            form->close();
        QCOMPARE(ends, 1);
        QVERIFY(started.isEmpty());
        QVERIFY(!busyPointer());
        server->release();
        QTest::qWait(100);
        QCOMPARE(readAll(target), QByteArray("viejo"));
        QCOMPARE(folderEntries(), QStringList{"prog.exe"});
    }

    // Every failure: its text, "Cerrar", a beep, the normal pointer, and the old file left as it was.
    // A reply is trusted only when it is a 200 whose body is not empty and is exactly as long as
    // announced; redirects are not followed.
    void failures_data() {
        QTest::addColumn<QString>("base");
        QTest::addColumn<TestRoute>("answer");
        QTest::addColumn<QString>("text");
        const QByteArray body = patterned(3000);
        const QString undetermined = QStringLiteral("Error no determinado");
        QTest::newRow("404") << "" << TestRoute{.status = 404, .body = body} << "Fichero no encontrado";
        QTest::newRow("500") << "" << TestRoute{.status = 500, .body = body} << undetermined;
        QTest::newRow("403") << "" << TestRoute{.status = 403, .body = body} << undetermined;
        QTest::newRow("refused") << TestHttpServer::refusedBase() << TestRoute{.body = body} << "Error en conexión";
        QTest::newRow("closed without an answer") << "" << TestRoute{.body = body, .silent = true}
                                                  << "Error en conexión";
        QTest::newRow("chunked") << "" << TestRoute{.body = body, .extraHeaders = "Transfer-Encoding: chunked\r\n"}
                                 << undetermined;
        QTest::newRow("no Content-Length") << "" << TestRoute{.body = body, .sendLength = false} << undetermined;
        QTest::newRow("empty body") << "" << TestRoute{.body = ""} << undetermined;
        QTest::newRow("empty body, no length") << "" << TestRoute{.body = "", .sendLength = false} << undetermined;
        QTest::newRow("body shorter than announced") << "" << TestRoute{.body = body, .declaredLength = 9000}
                                                     << undetermined;
        QTest::newRow("announced shorter than the body") << "" << TestRoute{.body = body, .declaredLength = 1000}
                                                         << undetermined;
        QTest::newRow("one byte more than announced") << "" << TestRoute{.body = body, .declaredLength = 2999}
                                                      << undetermined;
        QTest::newRow("closed part way") << "" << TestRoute{.body = body, .endAfter = 1000} << undetermined;
        QTest::newRow("reset part way") << "" << TestRoute{.body = body, .endAfter = 1000, .reset = true}
                                        << undetermined;
        QTest::newRow("302 to a good file") << "" << TestRoute{.status = 302, .body = "", .location = "/good.exe"}
                                            << undetermined;
        QTest::newRow("301 with a body") << "" << TestRoute{.status = 301, .body = body, .location = "/good.exe"}
                                         << undetermined;
    }
    void failures() {
        QFETCH(QString, base);
        QFETCH(TestRoute, answer);
        QFETCH(QString, text);
        const QString target = QDir(folder->path()).filePath("prog.exe");
        write(target, "viejo");
        server->route("/prog.exe", answer);
        server->route("/good.exe", {.body = "nuevo"});
        makeForm((base.isEmpty() ? server->base() : base) + "prog.exe &");
        QTRY_VERIFY(settled());
        QCOMPARE(form->state(), Form1::State::Failed);
        QCOMPARE(label("Label1")->text(), text);
        QCOMPARE(button()->text(), QStringLiteral("Cerrar"));
        QCOMPARE(beeps, 1);
        QVERIFY(!busyPointer());
        QCOMPARE(readAll(target), QByteArray("viejo"));
        QCOMPARE(folderEntries(), QStringList{"prog.exe"});
        QVERIFY(!server->requests.contains("/good.exe"));
        // "Cerrar" only closes, even though "&" asked for a start.
        QTest::mouseClick(button(), Qt::LeftButton);
        QCOMPARE(ends, 1);
        QVERIFY(started.isEmpty());
    }

    // The client itself: the request it sends, what it reports, and that a bad address or an abort
    // is reported (or silenced) after start() has returned.
    void httpGetRequestAndOutcome() {
        server->route("/dir/a%20b.bin?v=1", {.body = "cuerpo"});
        shared::HttpGet get;
        QStringList events;
        get.onHead = [&] { events << QStringLiteral("head %1").arg(get.status()); };
        get.onBody = [&] { events << "body " + QString::fromLatin1(get.readAll()); };
        get.onFinished = [&] { events << QStringLiteral("end"); };
        get.start(server->url("dir/a b.bin?v=1"));
        QTRY_VERIFY(events.contains("end"));
        QCOMPARE(get.result(), shared::HttpGet::Result::Complete);
        QCOMPARE(events, (QStringList{"head 200", "body cuerpo", "end"}));
        QCOMPARE(get.received(), qint64(6));
        QCOMPARE(get.announcedLength(), qint64(6));
        QCOMPARE(get.header("content-type"), QByteArray("application/octet-stream"));
        QCOMPARE(server->heads.size(), 1);
        const QByteArray head = server->heads.first();
        QVERIFY2(head.startsWith("GET /dir/a%20b.bin?v=1 HTTP/1.0\r\n"), head.constData());
        QVERIFY(head.contains("\r\nHost: 127.0.0.1:" + server->base().section(':', 2).chopped(1).toLatin1() + "\r\n"));
        QVERIFY(head.contains("\r\nConnection: close\r\n"));
    }

    void httpGetBadAddressAndAbort() {
        shared::HttpGet get;
        int finished = 0;
        get.onFinished = [&] { ++finished; };
        for (const char* address : {"ftp://127.0.0.1/a", "http:///a", "no es una dirección"}) {
            get.start(QString::fromUtf8(address));
            QCOMPARE(finished, 0);  // never from inside start()
            QTRY_COMPARE(finished, 1);
            QCOMPARE(get.result(), shared::HttpGet::Result::NoAnswer);
            finished = 0;
        }
        server->route("/f", {.body = "x"});
        get.onHead = [&] { get.abort(); };
        get.start(server->url("f"));
        QTRY_COMPARE(server->requests.size(), 1);
        QTest::qWait(200);
        QCOMPARE(finished, 0);
        QCOMPARE(get.result(), shared::HttpGet::Result::Aborted);
    }

    // The old program still running holds its file: the user is asked to close it, then the rename is
    // tried again.
    void targetInUseIsRetriedAfterTheMessage() {
        server->route("/prog.exe", {.body = "nuevo"});
        makeForm(server->url("prog.exe &"));
        int attempts = 0;
        form->replace = [&](const QString& from, const QString& to) {
            return ++attempts < 3 ? ReplaceOutcome::InUse : kepplet::replaceFile(from, to);
        };
        QTRY_VERIFY(settled());
        QCOMPARE(attempts, 3);
        QCOMPARE(messages, (QStringList{"Cierre la aplicación", "Cierre la aplicación"}));
        QCOMPARE(label("Label1")->text(), QStringLiteral("Actualización completada"));
        QCOMPARE(readAll(QDir(folder->path()).filePath("prog.exe")), QByteArray("nuevo"));
    }

    void otherSaveFailureIsNotRetried() {
        const QString target = QDir(folder->path()).filePath("prog.exe");
        write(target, "viejo");
        server->route("/prog.exe", {.body = "nuevo"});
        makeForm(server->url("prog.exe &"));
        int attempts = 0;
        form->replace = [&](const QString&, const QString&) { ++attempts; return ReplaceOutcome::Failed; };
        QTRY_VERIFY(settled());
        QCOMPARE(attempts, 1);
        QVERIFY(messages.isEmpty());
        QCOMPARE(label("Label1")->text(), QStringLiteral("Error no determinado"));
        QCOMPARE(button()->text(), QStringLiteral("Cerrar"));
        QCOMPARE(readAll(target), QByteArray("viejo"));
        QCOMPARE(folderEntries(), QStringList{"prog.exe"});
    }

#ifndef Q_OS_WIN
    // "Ejecutar" really starts the downloaded program, made executable first.
    void startsTheDownloadedProgram() {
        const QString marker = QDir(folder->path()).filePath("arrancado");
        server->route("/prog.sh", {.body = "#!/bin/sh\necho si > '" + marker.toUtf8() + "'\n"});
        makeForm(server->url("prog.sh &"));
        form->startProgram = [](const QString& program) { return QProcess::startDetached(program, {}); };
        QTRY_VERIFY(settled());
        QCOMPARE(button()->text(), QStringLiteral("Ejecutar"));
        QTest::mouseClick(button(), Qt::LeftButton);
        QTRY_COMPARE(readAll(marker), QByteArray("si\n"));
    }
#endif

    // The program itself ends at once, without a window, when its command line is unusable.
    void programEndsOnUnusableCommandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("none") << QStringList{};
        QTest::newRow("only &") << QStringList{"&"};
        QTest::newRow("target outside its folder") << QStringList{"http://127.0.0.1:1/a", "../a"};
    }
    void programEndsOnUnusableCommandLine() {
        QFETCH(QStringList, arguments);
        QProcess p;
        p.start(QStringLiteral(KEPPLET_PATH), arguments);
        const bool finished = p.waitForFinished(10000);
        if (!finished) p.kill();
        QVERIFY(finished);
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }
};

QTEST_MAIN(KeppletTest)
#include "kepplet_test.moc"
