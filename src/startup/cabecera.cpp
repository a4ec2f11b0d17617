#include "startup/cabecera.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include "shared/http_get.h"
#include "widgets/dialogs.h"
#include "widgets/zoom.h"
#include "startup/manifest.h"

namespace vandor {

QString updateBaseAddress() {
    const QString fromEnvironment = qEnvironmentVariable("VANDOR_UPDATE_URL").trimmed();
    return fromEnvironment.isEmpty() ? QStringLiteral(VANDOR_UPDATE_URL) : fromEnvironment;
}

QString manifestAddress() {
    QString base = updateBaseAddress();
    if (!base.endsWith(QLatin1Char('/'))) base += QLatin1Char('/');
    return base + QStringLiteral("update/vandor.upd");
}

QString updaterProgram() {
#ifdef Q_OS_WIN
    const QString name = QStringLiteral("kepplet.exe");
#else
    const QString name = QStringLiteral("kepplet");
#endif
    return QDir(QCoreApplication::applicationDirPath()).filePath(name);
}

}  // namespace vandor

namespace {

constexpr int kTimerInterval = 5000;
// A manifest is a line or two; a body beyond this is not one and is dropped unread.
constexpr qint64 kManifestLimit = 64 * 1024;

// The splash picture: an 8085 in its 40-pin package on a blue ground, drawn here rather than shipped, at
// the screen's device pixel ratio so that it stays crisp on a high-density screen.
QPixmap drawPicture(QSize size, qreal pixelRatio) {
    QPixmap pixmap(size * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient ground(0, 0, 0, size.height());
    ground.setColorAt(0, QColor(0x1f, 0x3a, 0x6b));
    ground.setColorAt(1, QColor(0x0b, 0x16, 0x2e));
    p.fillRect(QRect(QPoint(0, 0), size), ground);

    const QRectF body(size.width() * 0.12, size.height() * 0.26, size.width() * 0.76, size.height() * 0.48);
    const int pins = 10;  // per side, as drawn; the real part has 20
    const qreal pitch = body.width() / pins;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc8, 0xcc, 0xd2));
    for (int i = 0; i < pins; ++i) {
        const qreal x = body.left() + pitch * (i + 0.3);
        p.drawRect(QRectF(x, body.top() - 9, pitch * 0.4, 9));
        p.drawRect(QRectF(x, body.bottom(), pitch * 0.4, 9));
    }
    p.setBrush(QColor(0x22, 0x22, 0x26));
    p.drawRoundedRect(body, 3, 3);
    QPainterPath notch;
    notch.addEllipse(QPointF(body.left(), body.center().y()), 6, 6);
    p.fillPath(notch, ground);
    p.setBrush(QColor(0x55, 0x55, 0x5c));
    p.drawEllipse(QPointF(body.left() + 10, body.bottom() - 9), 3, 3);

    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(qRound(body.height() * 0.38));
    p.setFont(font);
    p.setPen(QColor(0xe8, 0xe8, 0xe8));
    p.drawText(body, Qt::AlignCenter, QStringLiteral("8085"));
    return pixmap;
}

}  // namespace

Cabecera::Cabecera(vandor::Dialogs& dialogs, QWidget* parent) : QDialog(parent), dialogs(dialogs) {
    setObjectName(QStringLiteral("Cabecera"));
    setWindowTitle(vandor::kAppTitle);
    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setAccessibleName(QStringLiteral("Un 8085"));
    Picture1->setAccessibleDescription(QStringLiteral("El microprocesador en su cápsula de 40 patillas"));
    layout.place(Picture1, {120, 120, 1980, 1680});

    auto makeLabel = [&](const char* name, const QString& text, QRect twipsRect) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QString::fromLatin1(name));
        layout.place(label, twipsRect);
        return label;
    };
    Label1 = makeLabel("Label1", QStringLiteral("Vandor"), {2280, 120, 2400, 600});
    Label6 = makeLabel("Label6", QStringLiteral("8085"), {2280, 720, 2400, 600});
    Label4 = makeLabel("Label4", QString(), {2280, 1320, 2400, 450});
    Label4->setAccessibleName(QStringLiteral("Versión"));

    OK = new QPushButton(QStringLiteral("OK"), this);
    OK->setObjectName(QStringLiteral("OK"));
    OK->setAccessibleName(QStringLiteral("OK"));
    OK->setAccessibleDescription(QStringLiteral("Cierra esta ventana"));
    layout.place(OK, {360, 1920, 855, 375});
    OK->setAutoDefault(false);
    OK->hide();
    OK->raise();
    connect(OK, &QPushButton::clicked, this, &Cabecera::OK_Click);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimerInterval);
    Timer1->setTimerType(Qt::PreciseTimer);  // a coarse timer may fire up to 5 % early
    connect(Timer1, &QTimer::timeout, this, &Cabecera::Timer1_Timer);

    Inet = new shared::HttpGet(this);
    Inet->setObjectName(QStringLiteral("Inet"));
    Inet->onHead = [this] {
        if (Inet->status() != 200) Inet->abort();
    };
    Inet->onBody = [this] {
        manifestBody += Inet->readAll();
        if (manifestBody.size() > kManifestLimit) Inet->abort();
    };
    Inet->onFinished = [this] { manifestArrived(); };

    vandor::Zoom::instance().follow(this, [this] { applyZoom(); });
    vandor::centreWhenFirstShown(this);

    endProgram = [] { QCoreApplication::quit(); };
    startProgram = [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };
}

Cabecera::~Cabecera() = default;

// The window at the zoom's scale, its picture drawn for the screen's pixel density.
void Cabecera::applyZoom() {
    const vandor::Zoom& zoom = vandor::Zoom::instance();
    setFixedSize(zoom.px(4800), zoom.px(2490));
    layout.apply(zoom);
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(27.75 * zoom.scale());
    Label1->setFont(titleFont);
    Label6->setFont(titleFont);
    QFont versionFont = QApplication::font();
    versionFont.setBold(true);
    versionFont.setPointSizeF(12 * zoom.scale());
    Label4->setFont(versionFont);
    QFont buttonFont = QApplication::font();
    buttonFont.setPointSizeF(buttonFont.pointSizeF() * zoom.scale());
    OK->setFont(buttonFont);
    drawPicture();
}

void Cabecera::drawPicture() {
    Picture1->setPixmap(::drawPicture(Picture1->size(), devicePixelRatioF()));
}

void Cabecera::setTimerInterval(int milliseconds) { Timer1->setInterval(milliseconds); }

Cabecera::Mode Cabecera::mode() const {
    if (!OK->isHidden()) return Mode::About;
    return OK->isEnabled() ? Mode::Splash : Mode::Closing;
}

void Cabecera::showSplash() {
    OK->hide();
    OK->setEnabled(true);
    show();
    activateWindow();
}

void Cabecera::showAbout() {
    OK->setEnabled(true);
    OK->show();
    exec();
}

void Cabecera::showClosing() {
    OK->hide();
    OK->setEnabled(false);
    const bool wasLoaded = loaded;
    show();
    activateWindow();
    // Shown again without having been closed in between: Load does not run, so start the countdown here.
    if (wasLoaded && !Timer1->isActive()) Timer1->start();
}

void Cabecera::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Shown on a screen of another pixel density than the picture was drawn for.
    if (!qFuzzyCompare(Picture1->pixmap().devicePixelRatio(), devicePixelRatioF())) drawPicture();
    // Shown again over the main window (about box, closing): on top of it, also without a window manager.
    raise();
    if (!loaded) Form_Load();
}

void Cabecera::Form_Load() {
    loaded = true;
    requestSent = false;
    Label4->setText(QString::fromStdString(vandor::versionText(vandor::ownVersion())));
    Timer1->start();
}

// Closing the window (by code or by the user) unloads it; a later showing loads it afresh.
void Cabecera::unload() {
    loaded = false;
    Timer1->stop();
    Inet->abort();
}

void Cabecera::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Form_Activate();
}

void Cabecera::Form_Activate() {
    // One request per splash; the about box and the closing window ask nothing.
    if (loaded && !requestSent && mode() == Mode::Splash) sendManifestRequest();
}

void Cabecera::sendManifestRequest() {
    requestSent = true;
    manifestBody.clear();
    Inet->start(vandor::manifestAddress());
}

void Cabecera::manifestArrived() {
    // Every failure is silent: the splash simply goes on. Only a whole reply counts: a 200 (redirects
    // are not followed) whose connection ended normally, with exactly the announced length if any.
    if (!loaded || mode() != Mode::Splash) return;
    if (Inet->result() != shared::HttpGet::Result::Complete || Inet->status() != 200) return;
    manifestBody += Inet->readAll();
    if (manifestBody.size() > kManifestLimit) return;
    if (Inet->hasHeader("Content-Length") && Inet->announcedLength() != Inet->received()) return;

    const auto manifest = vandor::parseManifest(std::string_view(manifestBody.constData(), manifestBody.size()));
    if (!manifest) return;
    const vandor::Version own = vandor::ownVersion();
    if (vandor::versionNumber(manifest->version) <= vandor::versionNumber(own)) return;

    Timer1->stop();
    const QString question = QString::fromStdString(vandor::updateQuestion(own, manifest->version));
    if (dialogs.question(this, question, vandor::Dialogs::Buttons::YesNo) == vandor::Dialogs::Answer::Yes) {
        const QStringList arguments{QString::fromUtf8(manifest->address.data(), qsizetype(manifest->address.size())),
                                    QStringLiteral("&")};
        if (startProgram(vandor::updaterProgram(), arguments)) {
            finishProgram();
            return;
        }
        // The updater could not be started: rather than ending with nothing, let the splash carry on.
    }
    if (loaded) Timer1->start();
}

void Cabecera::Timer1_Timer() {
    Timer1->stop();
    QCoreApplication::processEvents();
    // Events run just now may have ended the program or restarted the countdown (the update question).
    if (ending || !loaded || Timer1->isActive()) return;
    switch (mode()) {
    case Mode::Splash: {
        QWidget* mainWindow = createMainWindow ? createMainWindow() : nullptr;
        if (mainWindow) mainWindow->show();
        unload();
        hide();
        emit mainWindowShown(mainWindow);
        break;
    }
    case Mode::Closing: finishProgram(); break;
    case Mode::About: break;
    }
}

void Cabecera::finishProgram() {
    ending = true;
    unload();
    hide();
    endProgram();
}

void Cabecera::OK_Click() { accept(); }

void Cabecera::done(int result) {
    unload();
    QDialog::done(result);
}

// Escape closes only the about box; the splash and the closing window run their course.
void Cabecera::reject() {
    if (mode() == Mode::About) QDialog::reject();
}

void Cabecera::closeEvent(QCloseEvent* event) {
    if (mode() == Mode::About) {
        QDialog::closeEvent(event);
        return;
    }
    // Closed by the user while the splash or the closing window is up: the program ends, as it would
    // with no window left.
    event->accept();
    if (!ending) finishProgram();
}
