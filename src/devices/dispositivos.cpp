#include "devices/dispositivos.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "devices/device_panels.h"
#include "machine/simulator.h"
#include "widgets/dialogs.h"
#include "widgets/zoom.h"

using vandor::Arrangement;
using vandor::Device;
using vandor::DeviceKind;
using vandor::DevicePanel;

namespace {

const vandor::Dialogs::FileRequest kSaveRequest{
    QStringLiteral("Guardar disposición de dispositivos"),
    QStringLiteral("Disposición de dispositivos (*.toml)|*.toml|Todos los ficheros (*.*)|*.*"), QStringLiteral("*.toml")};
const vandor::Dialogs::FileRequest kOpenRequest{
    QStringLiteral("Abrir disposición de dispositivos"),
    QStringLiteral("Disposición de dispositivos (*.toml)|*.toml|Todos los ficheros (*.*)|*.*"), QStringLiteral("*.toml")};

// At most this many of a bad file's problems are listed in its message.
constexpr size_t kShownErrors = 8;

QString fromUtf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// A key typed here belongs to the widget that has the focus, not to a push button.
bool takesTyping(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QPlainTextEdit*>(w);
}

char keyOf(const QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Space) return vandor::kSpaceKey;
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) return static_cast<char>(key);
    return 0;
}

}  // namespace

Dispositivos::Dispositivos(vandor::Simulator& sim, vandor::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), sim_(sim), dialogs_(dialogs) {
    setObjectName(QStringLiteral("Dispositivos"));
    setWindowTitle(QStringLiteral("Dispositivos"));

    auto* layout = new QVBoxLayout(this);
    auto* commands = new QHBoxLayout;
    anadir_ = new QPushButton(QStringLiteral("&Añadir"), this);
    anadir_->setObjectName(QStringLiteral("anadir"));
    auto* menu = new QMenu(anadir_);
    menu->setObjectName(QStringLiteral("menuAnadir"));
    const std::pair<DeviceKind, QString> kinds[] = {
        {DeviceKind::Leds, QStringLiteral("&LEDs")},
        {DeviceKind::Display, QStringLiteral("&Display de 7 segmentos")},
        {DeviceKind::Switches, QStringLiteral("&Interruptores")},
        {DeviceKind::Button, QStringLiteral("&Pulsador")},
        {DeviceKind::Console, QStringLiteral("&Consola serie")},
    };
    for (const auto& [kind, caption] : kinds) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QStringLiteral("anadir_") + fromUtf8(vandor::deviceKindKey(kind)));
        connect(action, &QAction::triggered, this, [this, kind = kind] { anadir(kind); });
        if (kind == DeviceKind::Console) addConsole_ = action;
    }
    anadir_->setMenu(menu);
    guardar_ = new QPushButton(QStringLiteral("&Guardar"), this);
    guardar_->setObjectName(QStringLiteral("guardar"));
    abrir_ = new QPushButton(QStringLiteral("Abri&r"), this);
    abrir_->setObjectName(QStringLiteral("abrir"));
    cerrar_ = new QPushButton(QStringLiteral("&Cerrar"), this);
    cerrar_->setObjectName(QStringLiteral("cerrar"));
    for (QPushButton* b : {anadir_, guardar_, abrir_, cerrar_}) b->setAutoDefault(false);
    const std::pair<QPushButton*, const char*> spoken[] = {
        {anadir_, "Añade un dispositivo: LEDs, display, interruptores, pulsador o consola serie (Alt+A)"},
        {guardar_, "Guarda la disposición de los dispositivos en un fichero (Alt+G)"},
        {abrir_, "Abre una disposición de dispositivos guardada (Alt+R)"},
        {cerrar_, "Cierra la ventana; los dispositivos siguen como están (Alt+C)"},
    };
    for (auto [b, description] : spoken) {
        b->setAccessibleName(b->text().remove(QLatin1Char('&')));
        b->setAccessibleDescription(QString::fromUtf8(description));
    }
    commands->addWidget(anadir_);
    commands->addWidget(guardar_);
    commands->addWidget(abrir_);
    commands->addStretch(1);
    commands->addWidget(cerrar_);
    layout->addLayout(commands);
    connect(guardar_, &QPushButton::clicked, this, &Dispositivos::guardar_Click);
    connect(abrir_, &QPushButton::clicked, this, &Dispositivos::abrir_Click);
    connect(cerrar_, &QPushButton::clicked, this, &Dispositivos::cerrar_Click);

    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("columna"));
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    // The column scrolls only up and down: the window is kept as wide as its widest device.
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column_ = new QWidget(scroll_);
    columnLayout_ = new QVBoxLayout(column_);
    columnLayout_->setContentsMargins(0, 0, 0, 0);
    columnLayout_->addStretch(1);
    scroll_->setWidget(column_);
    layout->addWidget(scroll_, 1);

    setArrangement(vandor::defaultArrangement());
    vandor::Zoom::instance().follow(this, [this] { applyZoom(); });
    vandor::centreWhenFirstShown(this);
}

// The captions and the drawn devices grow with the zoom's text; the window with them.
void Dispositivos::applyZoom() {
    const vandor::Zoom& zoom = vandor::Zoom::instance();
    setFont(zoom.captionFont());
    for (DevicePanel* p : panels_) p->applyZoom();
    fitWidestDevice();
    const QSize least = QSize(zoom.px(6600), zoom.px(7200)).boundedTo(vandor::availableArea(this).size());
    resize(size().expandedTo(sizeHint()).expandedTo(least));
}

Dispositivos::~Dispositivos() {
    if (keysWatched_) qApp->removeEventFilter(this);
}

Arrangement Dispositivos::arrangement() const {
    Arrangement a;
    for (const DevicePanel* p : panels_) a.devices.push_back(p->device());
    return a;
}

void Dispositivos::setArrangement(const Arrangement& arrangement) {
    releaseKeyButtons();
    for (DevicePanel* p : panels_) delete p;
    panels_.clear();
    for (const Device& d : arrangement.devices) addPanel(d);
    updateConsoleCommand();
}

bool Dispositivos::hasConsole() const {
    return std::any_of(panels_.begin(), panels_.end(), [](const DevicePanel* p) { return p->device().kind == DeviceKind::Console; });
}

// SOD and SID are one line each: a second console cannot be added.
void Dispositivos::updateConsoleCommand() { addConsole_->setEnabled(!hasConsole()); }

void Dispositivos::addPanel(const Device& device) {
    DevicePanel* panel = vandor::makePanel(device, sim_, dialogs_, column_);
    if (!panel) return;
    panels_.push_back(panel);
    // Before the stretch that keeps the panels at the top.
    columnLayout_->insertWidget(columnLayout_->count() - 1, panel);
    connect(panel, &DevicePanel::removeRequested, this, [this, panel] { removePanel(panel); });
    panel->applyZoom();
    panel->refresh(sim_.m);
    fitWidestDevice();
}

void Dispositivos::fitWidestDevice() {
    int widest = 0;
    for (const DevicePanel* p : panels_) widest = std::max(widest, p->minimumSizeHint().width());
    const QMargins margins = layout()->contentsMargins();
    const int bar = scroll_->verticalScrollBar()->sizeHint().width();
    const int least = widest + bar + margins.left() + margins.right();
    setMinimumWidth(least);
    if (width() < least) resize(least, height());
}

void Dispositivos::removePanel(DevicePanel* panel) {
    if (auto* b = qobject_cast<vandor::ButtonPanel*>(panel)) b->release();
    panels_.erase(std::remove(panels_.begin(), panels_.end(), panel), panels_.end());
    panel->hide();
    panel->deleteLater();  // its own button's click is still being delivered
    updateConsoleCommand();
}

void Dispositivos::anadir(DeviceKind kind) {
    if (panels_.size() >= vandor::kMaxDevices) {
        dialogs_.message(this, QStringLiteral("No caben más dispositivos: como mucho %1.").arg(vandor::kMaxDevices));
        return;
    }
    if (kind == DeviceKind::Console && hasConsole()) return;
    addPanel(vandor::newDevice(kind));
    updateConsoleCommand();
    QWidget* added = panels_.back();
    QMetaObject::invokeMethod(this, [this, added = QPointer<QWidget>(added)] {
        if (added) scroll_->ensureWidgetVisible(added);
    }, Qt::QueuedConnection);
}

void Dispositivos::refresh() {
    for (DevicePanel* p : panels_) p->refresh(sim_.m);
}

void Dispositivos::portWritten(uint8_t port) {
    if (deferred_) return;
    for (DevicePanel* p : panels_)
        if (p->uses(port)) p->refresh(sim_.m);
}

void Dispositivos::guardar_Click() {
    const QString path = dialogs_.saveFile(this, kSaveRequest);
    if (path.isEmpty()) return;
    if (QFileInfo::exists(path)) {
        const QString question = QStringLiteral("El fichero ") + QDir::toNativeSeparators(path) +
                                 QStringLiteral(" ya existe\r\n¿Desea sobreescribirlo?");
        if (dialogs_.question(this, question) != vandor::Dialogs::Answer::Yes) return;
    }
    if (!vandor::saveArrangement(arrangement(), QFile::encodeName(path).toStdString()))
        dialogs_.message(this, QStringLiteral("Error guardando fichero"));
}

void Dispositivos::abrir_Click() {
    const QString path = dialogs_.openFile(this, kOpenRequest);
    if (path.isEmpty()) return;
    const vandor::ArrangementResult r =
        vandor::readArrangement(QFile::encodeName(path).toStdString(), QFileInfo(path).fileName().toStdString());
    if (r.errors.empty()) {
        setArrangement(r.arrangement);
        return;
    }
    QString text = QStringLiteral("No se puede abrir la disposición de dispositivos:");
    for (size_t i = 0; i < r.errors.size() && i < kShownErrors; ++i) text += QStringLiteral("\r\n") + fromUtf8(r.errors[i]);
    if (r.errors.size() > kShownErrors)
        text += QStringLiteral("\r\n(y %1 errores más)").arg(r.errors.size() - kShownErrors);
    dialogs_.message(this, text);
}

void Dispositivos::cerrar_Click() { close(); }

void Dispositivos::closeEvent(QCloseEvent* event) {
    releaseKeyButtons();
    QWidget::closeEvent(event);
}

void Dispositivos::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange) return;
    const bool active = isActiveWindow();
    if (active && !keysWatched_) {
        qApp->installEventFilter(this);
        keysWatched_ = true;
    } else if (!active && keysWatched_) {
        qApp->removeEventFilter(this);
        keysWatched_ = false;
        releaseKeyButtons();  // its key's release would go to another window
    }
}

bool Dispositivos::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this && buttonKey(static_cast<QKeyEvent*>(event))) return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool Dispositivos::buttonKey(QKeyEvent* event) {
    const char key = keyOf(event);
    if (!key || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    if (takesTyping(QApplication::focusWidget())) return false;
    bool any = false;
    for (DevicePanel* p : panels_) {
        auto* b = qobject_cast<vandor::ButtonPanel*>(p);
        if (!b || b->key() != key) continue;
        any = true;
        if (event->isAutoRepeat()) continue;
        if (event->type() == QEvent::KeyPress)
            b->press();
        else
            b->release();
    }
    return any;
}

void Dispositivos::releaseKeyButtons() {
    for (DevicePanel* p : panels_)
        if (auto* b = qobject_cast<vandor::ButtonPanel*>(p)) b->release();
}
