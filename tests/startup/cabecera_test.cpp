// The splash window against a real HTTP server on 127.0.0.1: what the manifest leads to, the question
// and its two answers, the three modes and their timer ticks, and the real five seconds.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "support/kepplet_http_server.h"
#include "mainwindow/principal.h"
#include "widgets/scripted_dialogs.h"
#include "startup/cabecera.h"

using vandor::Dialogs;
using vandor::ScriptedDialogs;

Q_DECLARE_METATYPE(TestRoute)

namespace {

const QByteArray kManifestPath = "/update/vandor.upd";

}  // namespace

class CabeceraTest : public QObject {
    Q_OBJECT

    TestHttpServer* server = nullptr;
    ScriptedDialogs* dialogs = nullptr;
    Cabecera* cabecera = nullptr;
    QList<QWidget*> mainWindows;
    QList<QStringList> starts;  // program first, then its arguments
    bool updaterStarts = true;
    int ends = 0;

    void make(int interval) {
        cabecera = new Cabecera(*dialogs);
        if (interval > 0) cabecera->setTimerInterval(interval);
        cabecera->createMainWindow = [this] {
            auto* w = new QWidget;
            w->setObjectName(QStringLiteral("Principal"));
            mainWindows << w;
            return w;
        };
        cabecera->endProgram = [this] { ++ends; };
        cabecera->startProgram = [this](const QString& program, const QStringList& arguments) {
            starts << (QStringList{program} + arguments);
            return updaterStarts;
        };
    }
    void publish(const QByteArray& body, int status = 200, int delayMs = 0) {
        server->route(kManifestPath, {.status = status, .body = body, .delayMs = delayMs});
    }
    template <class T> T* child(const char* name) {
        T* w = cabecera->findChild<T*>(QString::fromLatin1(name));
        if (!w) qFatal("no control %s", name);
        return w;
    }
    QPushButton* ok() { return child<QPushButton>("OK"); }

private slots:
    void init() {
        server = new TestHttpServer;
        dialogs = new ScriptedDialogs;
        qputenv("VANDOR_UPDATE_URL", server->base().toUtf8());
        mainWindows.clear();
        starts.clear();
        updaterStarts = true;
        ends = 0;
    }
    void cleanup() {
        delete cabecera;
        cabecera = nullptr;
        qDeleteAll(mainWindows);
        delete dialogs;
        delete server;
    }

    void controls() {
        publish("1.5.7 http://h/v");
        make(60000);
        cabecera->showSplash();
        QCOMPARE(cabecera->windowTitle(), QStringLiteral("Vandor 8085"));
        QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("Vandor"));
        QCOMPARE(child<QLabel>("Label6")->text(), QStringLiteral("8085"));
        QCOMPARE(child<QLabel>("Label4")->text(), QStringLiteral("vers. 1.5.7"));
        for (const char* name : {"Label1", "Label6"}) {
            QVERIFY(child<QLabel>(name)->font().bold());
            QCOMPARE(child<QLabel>(name)->font().pointSizeF(), 27.75);
            QCOMPARE(child<QLabel>(name)->x(), 2280 / 15);
        }
        for (QLabel* l : {child<QLabel>("Label1"), child<QLabel>("Label6"), child<QLabel>("Label4")})
            QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(), qPrintable(l->text()));
        QVERIFY(!child<QLabel>("Picture1")->pixmap().isNull());
        QCOMPARE(ok()->text(), QStringLiteral("OK"));
        QVERIFY(ok()->isHidden());
        QVERIFY(ok()->isEnabled());
        QCOMPARE(cabecera->mode(), Cabecera::Mode::Splash);
    }

    void addresses_data() {
        QTest::addColumn<QByteArray>("base");
        QTest::addColumn<QString>("manifest");
        QTest::newRow("with slash") << QByteArray("http://10.0.0.1:81/") << "http://10.0.0.1:81/update/vandor.upd";
        QTest::newRow("without slash") << QByteArray("http://h/vandor") << "http://h/vandor/update/vandor.upd";
        QTest::newRow("unset") << QByteArray() << QString(VANDOR_UPDATE_URL) + "update/vandor.upd";
    }
    void addresses() {
        QFETCH(QByteArray, base);
        QFETCH(QString, manifest);
        if (base.isEmpty())
            qunsetenv("VANDOR_UPDATE_URL");
        else
            qputenv("VANDOR_UPDATE_URL", base);
        QCOMPARE(vandor::manifestAddress(), manifest);
        QCOMPARE(vandor::updaterProgram(), QDir(QCoreApplication::applicationDirPath()).filePath("kepplet"));
    }

    // One request per splash; whatever it brings, the main window opens when the splash ends.
    void manifestOutcomes_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("question");
        const QString none;
        auto asked = [](const char* v) {
            return QStringLiteral("Hay actualizaciones disponibles\r\n(Versión actual: 1.5.7 - Versión nueva: %1)"
                                  "\r\n¿Desea descargarla ahora?").arg(QLatin1String(v));
        };
        QTest::newRow("same version") << 200 << QByteArray("1.5.7\r\nhttp://h/vandor\r\n") << none;
        QTest::newRow("older") << 200 << QByteArray("1.4.999\r\nhttp://h/vandor\r\n") << none;
        QTest::newRow("1.10.0 is newer") << 200 << QByteArray("1.10.0\r\nhttp://h/vandor\r\n") << asked("1.10.0");
        QTest::newRow("newer revision") << 200 << QByteArray("1.5.8 http://h/vandor") << asked("1.5.8");
        QTest::newRow("blanks before the numbers") << 200 << QByteArray(" 2. 0. 1\r\nhttp://h/v") << asked("2.0.1");
        QTest::newRow("one dot") << 200 << QByteArray("2.0\r\nhttp://h/vandor\r\n") << none;
        QTest::newRow("no address") << 200 << QByteArray("9.9.9\r\n") << none;
        QTest::newRow("number out of range") << 200 << QByteArray("1.40000.0 http://h/v") << none;
        QTest::newRow("404") << 404 << QByteArray("9.9.9 http://h/v") << none;
        QTest::newRow("500") << 500 << QByteArray("9.9.9 http://h/v") << none;
    }
    void manifestOutcomes() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, question);
        publish(body, status);
        dialogs->answers.push_back(Dialogs::Answer::No);
        make(400);
        cabecera->showSplash();
        QTRY_COMPARE(mainWindows.size(), 1);
        QVERIFY(mainWindows.first()->isVisible());
        QVERIFY(!cabecera->isVisible());
        QCOMPARE(server->requests, QList<QByteArray>{kManifestPath});
        QCOMPARE(dialogs->questions, question.isEmpty() ? QStringList{} : QStringList{question});
        QVERIFY(starts.isEmpty());
        QCOMPARE(ends, 0);
    }

    // A reply that is not a whole, plain 200 is ignored however good its manifest looks: one cut short
    // or reset before its announced length, one longer than announced, and a redirect (not followed).
    void brokenRepliesAreIgnored_data() {
        QTest::addColumn<TestRoute>("answer");
        const QByteArray manifest = "1.6.0\r\nhttp://h/vandor\r\n";
        QTest::newRow("closed part way") << TestRoute{.body = manifest, .endAfter = 18};
        QTest::newRow("reset part way") << TestRoute{.body = manifest, .endAfter = 18, .reset = true};
        QTest::newRow("announced shorter than the body") << TestRoute{.body = manifest, .declaredLength = 18};
        QTest::newRow("302") << TestRoute{.status = 302, .body = "", .location = "/update/otro.upd"};
    }
    void brokenRepliesAreIgnored() {
        QFETCH(TestRoute, answer);
        server->route(kManifestPath, answer);
        server->route("/update/otro.upd", {.body = "1.6.0\r\nhttp://h/otro\r\n"});
        dialogs->answers.push_back(Dialogs::Answer::Yes);
        make(500);
        cabecera->showSplash();
        QTRY_COMPARE(mainWindows.size(), 1);
        QVERIFY(dialogs->questions.isEmpty());
        QVERIFY(starts.isEmpty());
        QCOMPARE(server->requests, QList<QByteArray>{kManifestPath});
    }

    void unreachableServer() {
        qputenv("VANDOR_UPDATE_URL", TestHttpServer::refusedBase().toUtf8());
        make(300);
        cabecera->showSplash();
        QTRY_COMPARE(mainWindows.size(), 1);
        QVERIFY(dialogs->questions.isEmpty());
    }

    // Yes starts the updater beside the program with the address and "&", and nothing else opens.
    void yesHandsOverToTheUpdater() {
        publish("1.6.0\r\nhttp://h/dist/vandor\r\n");
        dialogs->answers.push_back(Dialogs::Answer::Yes);
        make(300);
        cabecera->showSplash();
        QTRY_COMPARE(ends, 1);
        QCOMPARE(starts, (QList<QStringList>{{vandor::updaterProgram(), "http://h/dist/vandor\r\n", "&"}}));
        QVERIFY(!cabecera->isVisible());
        QTest::qWait(800);
        QVERIFY(mainWindows.isEmpty());
        QCOMPARE(ends, 1);
    }

    // An updater that cannot be started must not end the program with nothing open.
    void missingUpdaterLetsTheSplashEnd() {
        publish("1.6.0\r\nhttp://h/dist/vandor\r\n");
        dialogs->answers.push_back(Dialogs::Answer::Yes);
        updaterStarts = false;
        make(300);
        cabecera->showSplash();
        QTRY_COMPARE(mainWindows.size(), 1);
        QCOMPARE(starts.size(), 1);
        QCOMPARE(ends, 0);
    }

    // The answer No restarts the countdown: the main window comes a whole interval after the answer,
    // which arrives 600 ms into the first one.
    void noGivesAFullIntervalAfterTheAnswer() {
        publish("1.6.0 http://h/v", 200, 600);
        dialogs->answers.push_back(Dialogs::Answer::No);
        make(1000);
        QElapsedTimer clock;
        clock.start();
        cabecera->showSplash();
        QTRY_COMPARE(dialogs->questions.size(), 1);
        QVERIFY(mainWindows.isEmpty());
        QTRY_COMPARE(mainWindows.size(), 1);
        QVERIFY2(clock.elapsed() >= 1600, qPrintable(QString::number(clock.elapsed())));
    }

    void responseAfterTheSplashIsIgnored() {
        publish("1.6.0 http://h/v", 200, 700);
        make(150);
        cabecera->showSplash();
        QTRY_COMPARE(mainWindows.size(), 1);
        QTest::qWait(1000);
        QVERIFY(dialogs->questions.isEmpty());
        QCOMPARE(ends, 0);
    }

    // The about box: modal with OK, no request, and its timer tick changes nothing.
    void aboutSendsNoRequest_data() {
        QTest::addColumn<bool>("byEscape");
        QTest::newRow("OK") << false;
        QTest::newRow("Escape") << true;
    }
    void aboutSendsNoRequest() {
        QFETCH(bool, byEscape);
        publish("1.6.0 http://h/v");
        make(100);
        bool okShown = false, modal = false;
        Cabecera::Mode mode = Cabecera::Mode::Splash;
        QTimer::singleShot(400, cabecera, [&] {
            okShown = ok()->isVisible();
            modal = cabecera->isModal() || QApplication::activeModalWidget() == cabecera;
            mode = cabecera->mode();
            if (byEscape)
                QTest::keyClick(cabecera, Qt::Key_Escape);
            else
                QTest::mouseClick(ok(), Qt::LeftButton);
        });
        QTimer::singleShot(3000, cabecera, [this] { cabecera->hide(); });  // never wait forever
        cabecera->showAbout();
        QVERIFY(okShown);
        QVERIFY(modal);
        QCOMPARE(mode, Cabecera::Mode::About);
        QVERIFY(!cabecera->isVisible());
        QTest::qWait(200);
        QVERIFY(server->requests.isEmpty());
        QVERIFY(mainWindows.isEmpty());
        QCOMPARE(ends, 0);
    }

    // The whole life: splash, main window, about box, then the closing window that ends the program.
    void splashAboutAndClosing() {
        publish("1.5.7 http://h/v");
        make(300);
        cabecera->showSplash();
        QTRY_COMPARE(mainWindows.size(), 1);
        QCOMPARE(child<QLabel>("Label4")->text(), QStringLiteral("vers. 1.5.7"));

        QTimer::singleShot(100, cabecera, [this] { QTest::mouseClick(ok(), Qt::LeftButton); });
        QTimer::singleShot(3000, cabecera, [this] { cabecera->hide(); });
        cabecera->showAbout();

        mainWindows.first()->hide();
        cabecera->showClosing();
        QVERIFY(cabecera->isVisible());
        QVERIFY(!cabecera->isModal());
        QVERIFY(ok()->isHidden());
        QVERIFY(!ok()->isEnabled());
        QCOMPARE(cabecera->mode(), Cabecera::Mode::Closing);
        QCOMPARE(ends, 0);
        QTRY_COMPARE(ends, 1);
        QCOMPARE(mainWindows.size(), 1);
        QCOMPARE(server->requests, QList<QByteArray>{kManifestPath});
    }

    void userClosingTheSplashEndsTheProgram() {
        publish("1.5.7 http://h/v");
        make(300);
        cabecera->showSplash();
        cabecera->close();
        QCOMPARE(ends, 1);
        QTest::qWait(600);
        QVERIFY(mainWindows.isEmpty());
    }

    // Wired to the real main window as the program is: its about button shows the about box, and
    // closing it hides it and leaves the closing window, whose tick ends the program.
    void withTheMainWindow() {
        publish("1.5.7 http://h/v");
        make(300);
        std::unique_ptr<Principal> principal;
        cabecera->createMainWindow = [&] {
            principal = std::make_unique<Principal>(*dialogs);
            principal->onCloseRequested = [&] { cabecera->showClosing(); };
            principal->onAboutRequested = [&] { cabecera->showAbout(); };
            return principal.get();
        };
        cabecera->showSplash();
        QTRY_VERIFY(principal && principal->isVisible());

        auto* about = principal->findChild<QPushButton*>(QStringLiteral("about"));
        QVERIFY(about->isEnabled());
        Cabecera::Mode shownAs = Cabecera::Mode::Splash;
        QTimer::singleShot(200, cabecera, [&] {
            shownAs = cabecera->mode();
            QTest::mouseClick(ok(), Qt::LeftButton);
        });
        QTimer::singleShot(3000, cabecera, [this] { cabecera->hide(); });
        QTest::mouseClick(about, Qt::LeftButton);
        QCOMPARE(shownAs, Cabecera::Mode::About);
        QVERIFY(!cabecera->isVisible());

        principal->close();
        QVERIFY(!principal->isVisible());
        QVERIFY(cabecera->isVisible());
        QCOMPARE(cabecera->mode(), Cabecera::Mode::Closing);
        QTRY_COMPARE(ends, 1);
        QCOMPARE(server->requests, QList<QByteArray>{kManifestPath});
    }

    // With the real Timer1: the main window opens five seconds after the start, not before.
    void realFiveSeconds() {
        publish("1.5.7\r\nhttp://h/vandor\r\n");
        make(0);
        QElapsedTimer clock;
        clock.start();
        cabecera->showSplash();
        QTest::qWait(4500);
        QVERIFY(mainWindows.isEmpty());
        QVERIFY(cabecera->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(mainWindows.size(), 1, 2500);
        QVERIFY(clock.elapsed() >= 5000);
        QCOMPARE(server->requests, QList<QByteArray>{kManifestPath});
    }
};

QTEST_MAIN(CabeceraTest)
#include "cabecera_test.moc"
