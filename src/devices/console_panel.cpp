#include "devices/console_panel.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>
#include <cmath>

#include "machine/simulator.h"
#include "widgets/zoom.h"

namespace vandor {
namespace {

// The screen keeps this many lines; older ones scroll away for good.
constexpr int kScreenLines = 2000;

}  // namespace

ConsoleScreen::ConsoleScreen(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setFocusPolicy(Qt::StrongFocus);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFont(Zoom::instance().fixedFont());
    setMaximumBlockCount(kScreenLines);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QPalette p = palette();
    p.setColor(QPalette::Base, QColor(16, 16, 16));
    p.setColor(QPalette::Text, QColor(120, 235, 120));
    setPalette(p);
    setToolTip(QStringLiteral("Lo que el programa envía por SOD; lo que se teclea aquí se envía por SID"));
}

void ConsoleScreen::showReceived(const std::vector<SerialByte>& bytes) {
    if (bytes.empty()) return;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    QString run;  // printable text waiting to be inserted in one go
    auto flush = [&] {
        if (!run.isEmpty()) cursor.insertText(run);
        run.clear();
    };
    for (const SerialByte& b : bytes) {
        const bool wasCR = afterCR_;
        afterCR_ = false;
        if (b.framingError) {
            run += QChar(0xFFFD);
            continue;
        }
        switch (b.value) {
        case '\r':
            flush();
            cursor.insertBlock();
            afterCR_ = true;
            break;
        case '\n':
            if (!wasCR) {
                flush();
                cursor.insertBlock();
            }
            break;
        case '\b':
            flush();
            if (!cursor.atBlockStart()) cursor.deletePreviousChar();
            break;
        case '\t': run += QLatin1Char('\t'); break;
        default:
            // The bytes above 7F as the Latin-1 characters of a terminal of the time.
            if (b.value >= 0x20 && b.value != 0x7F) run += QChar(b.value);
            break;
        }
    }
    flush();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ConsoleScreen::keyPressEvent(QKeyEvent* event) {
    QByteArray bytes;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: bytes = "\r"; break;
    case Qt::Key_Backspace: bytes = "\b"; break;
    case Qt::Key_Escape: bytes = "\x1B"; break;
    case Qt::Key_Tab: bytes = "\t"; break;
    default:
        for (QChar ch : event->text()) {
            // What a byte cannot carry is not sent.
            if (ch.unicode() <= 0xFF && ch.unicode() != 0x7F) bytes.append(static_cast<char>(ch.unicode()));
        }
        break;
    }
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll)) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    if (bytes.isEmpty()) {
        QPlainTextEdit::keyPressEvent(event);  // scrolling keys
        return;
    }
    emit typed(bytes);
}

ConsolePanel::ConsolePanel(const Device& device, Simulator& sim, Dialogs& dialogs, QWidget* parent)
    : DevicePanel(device, sim, dialogs, parent) {
    auto* layout = new QVBoxLayout(this);
    auto* options = new QHBoxLayout;
    baudios_ = new QComboBox(this);
    baudios_->setObjectName(QStringLiteral("baudios"));
    for (unsigned baud : kBaudRates) baudios_->addItem(QString::number(baud), baud);
    baudios_->setCurrentIndex(baudios_->findData(device.serial.baud));
    formato_ = new QComboBox(this);
    formato_->setObjectName(QStringLiteral("formato"));
    formato_->addItem(QStringLiteral("8N1"), 1);
    formato_->addItem(QStringLiteral("8N2"), 2);
    formato_->setCurrentIndex(formato_->findData(device.serial.stopBits));
    formato_->setToolTip(QStringLiteral("8 bits de datos, sin paridad, 1 o 2 bits de parada"));
    reloj_ = new QDoubleSpinBox(this);
    reloj_->setObjectName(QStringLiteral("reloj"));
    reloj_->setLocale(QLocale::c());  // 3.072, as the file and the examples write it
    reloj_->setDecimals(3);
    reloj_->setRange(kMinClockHz / 1e6, kMaxClockHz / 1e6);
    reloj_->setSingleStep(0.001);
    reloj_->setSuffix(QStringLiteral(" MHz"));
    reloj_->setValue(device.serial.clockHz / 1e6);
    reloj_->setToolTip(QStringLiteral("Reloj del 8085: la duración de un bit en estados T es reloj / baudios"));
    auto* borrar = new QPushButton(QStringLiteral("B&orrar"), this);
    borrar->setObjectName(QStringLiteral("borrar"));
    borrar->setAutoDefault(false);
    const std::pair<const char*, QWidget*> labelled[] = {
        {"Ba&udios:", baudios_}, {"&Formato:", formato_}, {"R&eloj:", reloj_}};
    for (auto [caption, widget] : labelled) {
        auto* l = new QLabel(QString::fromUtf8(caption), this);
        l->setBuddy(widget);
        options->addWidget(l);
        options->addWidget(widget);
    }
    options->addStretch(1);
    options->addWidget(borrar);
    options->addWidget(quitar_);
    layout->addLayout(options);

    screen_ = new ConsoleScreen(this);
    screen_->setObjectName(QStringLiteral("consola"));
    speak(baudios_, QStringLiteral("Baudios"), QStringLiteral("Bits por segundo de la línea serie (Alt+U)"));
    speak(formato_, QStringLiteral("Formato"), QStringLiteral("8N1 u 8N2: 8 bits de datos, sin paridad, 1 o 2 bits de parada (Alt+F)"));
    speak(reloj_, QStringLiteral("Reloj"), QStringLiteral("Reloj del 8085 en MHz, que da la duración de un bit en estados T (Alt+E)"));
    speak(borrar, QStringLiteral("Borrar"), QStringLiteral("Borra lo que muestra la consola (Alt+O)"));
    speak(screen_, QStringLiteral("Consola serie"),
          QStringLiteral("Lo que el programa envía por SOD; lo que se teclea aquí se envía por SID"));
    screen_->setMinimumHeight(screen_->fontMetrics().lineSpacing() * 8);
    layout->addWidget(screen_, 1);
    estado_ = new QLabel(this);
    estado_->setObjectName(QStringLiteral("estado"));
    layout->addWidget(estado_);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);

    tabInOrder({baudios_, formato_, reloj_, borrar, quitar_, screen_});
    connect(baudios_, &QComboBox::currentIndexChanged, this, &ConsolePanel::formatChanged);
    connect(formato_, &QComboBox::currentIndexChanged, this, &ConsolePanel::formatChanged);
    connect(reloj_, &QDoubleSpinBox::valueChanged, this, &ConsolePanel::formatChanged);
    connect(borrar, &QPushButton::clicked, this, &ConsolePanel::clear);
    connect(screen_, &ConsoleScreen::typed, this, &ConsolePanel::type);

    terminal_.setFormat(device.serial);
    sim_.attachTerminal(&terminal_);
    refresh(sim_.m);
}

ConsolePanel::~ConsolePanel() { sim_.detachTerminal(&terminal_); }

void ConsolePanel::applyZoom() {
    DevicePanel::applyZoom();
    screen_->setFont(Zoom::instance().fixedFont());
    screen_->setMinimumHeight(screen_->fontMetrics().lineSpacing() * 8);
}

Device ConsolePanel::device() const {
    Device d = device_;
    d.serial = terminal_.format();
    return d;
}

void ConsolePanel::formatChanged() {
    SerialFormat f;
    f.baud = baudios_->currentData().toUInt();
    f.stopBits = formato_->currentData().toUInt();
    f.clockHz = std::round(reloj_->value() * 1000.0) * 1000.0;
    if (f == terminal_.format()) return;
    // A character half read or half sent at the old speed is dropped.
    terminal_.setFormat(f);
    refresh(sim_.m);
}

void ConsolePanel::type(const QByteArray& bytes) {
    for (char ch : bytes) terminal_.typed.send(static_cast<uint8_t>(ch), sim_.m.tstates);
    refresh(sim_.m);
}

void ConsolePanel::clear() {
    screen_->clear();
    framingErrors_ = 0;
    refresh(sim_.m);
}

QString ConsolePanel::text() const { return screen_->toPlainText(); }

void ConsolePanel::refresh(const Machine& m) {
    terminal_.received.advance(m.tstates);
    const std::vector<SerialByte> bytes = terminal_.received.take();
    for (const SerialByte& b : bytes) framingErrors_ += b.framingError ? 1 : 0;
    screen_->showReceived(bytes);
    QString state = QStringLiteral("Por enviar: %1").arg(terminal_.typed.pending());
    if (framingErrors_ != 0) state += QStringLiteral("   Errores de trama: %1").arg(framingErrors_);
    if (estado_->text() != state) estado_->setText(state);
}

}  // namespace vandor
