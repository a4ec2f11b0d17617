#include "machine/vigilancia_window.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <algorithm>

#include "machine/simulator.h"
#include "machine/watchpoints.h"
#include "widgets/dialogs.h"
#include "widgets/hexbox.h"
#include "widgets/twips.h"
#include "widgets/zoom.h"

using vandor::HexBox;
using vandor::Watchpoint;

namespace {

// Widths in twips of the address and port boxes: they make 4- and 2-digit boxes.
constexpr int kAddressBox = 615;
constexpr int kPortBox = 375;

// The access choices in the order of the list, writes first as in vandor-cli.
constexpr uint8_t kAccess[] = {vandor::kWatchWrite, vandor::kWatchRead, vandor::kWatchRead | vandor::kWatchWrite};

}  // namespace

Vigilancia::Vigilancia(vandor::Simulator& sim, vandor::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), sim_(sim), dialogs_(dialogs) {
    setObjectName(QStringLiteral("Vigilancia"));
    setWindowTitle(QStringLiteral("Vigilancia"));

    lista_ = new QListWidget(this);
    lista_->setObjectName(QStringLiteral("lstVigilancia"));

    optMemoria_ = new QRadioButton(QStringLiteral("&Memoria"), this);
    optMemoria_->setObjectName(QStringLiteral("optMemoria"));
    optPuerto_ = new QRadioButton(QStringLiteral("&Puerto"), this);
    optPuerto_->setObjectName(QStringLiteral("optPuerto"));
    optMemoria_->setChecked(true);

    auto makeBox = [this](const char* name, int width, const char* spoken, const char* description) {
        auto* b = new HexBox(dialogs_, this, width);
        b->setObjectName(QString::fromLatin1(name));
        b->setAccessibleName(QString::fromUtf8(spoken));
        b->setAccessibleDescription(QString::fromUtf8(description));
        return b;
    };
    txtDesde_ = makeBox("txtDesde", kAddressBox, "Desde la dirección", "Primera dirección vigilada, cuatro cifras hexadecimales");
    txtHasta_ = makeBox("txtHasta", kAddressBox, "Hasta la dirección",
                        "Última dirección vigilada; vacía, solo se vigila la primera");
    txtPuertoDesde_ = makeBox("txtPuertoDesde", kPortBox, "Desde el puerto", "Primer puerto vigilado, dos cifras hexadecimales");
    txtPuertoHasta_ = makeBox("txtPuertoHasta", kPortBox, "Hasta el puerto",
                              "Último puerto vigilado; vacío, solo se vigila el primero");
    // An empty "Hasta" watches the one cell of "Desde".
    for (HexBox* b : {txtHasta_, txtPuertoHasta_}) {
        b->setEmptyAllowed(true);
        b->clear();
    }

    cboAcceso_ = new QComboBox(this);
    cboAcceso_->setObjectName(QStringLiteral("cboAcceso"));
    cboAcceso_->addItems({QStringLiteral("Escritura"), QStringLiteral("Lectura"), QStringLiteral("Lectura y escritura")});

    lblDesde_ = new QLabel(QStringLiteral("&Desde:"), this);
    lblHasta_ = new QLabel(QStringLiteral("&Hasta:"), this);
    auto* acceso = new QLabel(QStringLiteral("A&cceso:"), this);
    acceso->setBuddy(cboAcceso_);

    Anadir_ = new QPushButton(QStringLiteral("&Añadir"), this);
    Anadir_->setObjectName(QStringLiteral("Anadir"));
    Quitar_ = new QPushButton(QStringLiteral("&Quitar"), this);
    Quitar_->setObjectName(QStringLiteral("Quitar"));
    cerrar_ = new QPushButton(QStringLiteral("Ce&rrar"), this);
    cerrar_->setObjectName(QStringLiteral("cerrar"));
    for (QPushButton* b : {Anadir_, Quitar_, cerrar_}) b->setAutoDefault(false);

    const std::pair<QWidget*, const char*> spoken[] = {
        {lista_, "Vigilancias|Las direcciones y puertos vigilados; Supr quita el seleccionado"},
        {optMemoria_, "Memoria|Vigilar direcciones de memoria (Alt+M)"},
        {optPuerto_, "Puerto|Vigilar puertos de entrada y salida (Alt+P)"},
        {cboAcceso_, "Acceso|Lo que para la ejecución: escritura, lectura o las dos (Alt+C)"},
        {Anadir_, "Añadir|Añade la vigilancia escrita (Alt+A)"},
        {Quitar_, "Quitar|Quita la vigilancia seleccionada (Alt+Q)"},
        {cerrar_, "Cerrar|Cierra la ventana (Alt+R)"},
    };
    for (auto [widget, text] : spoken) {
        const QStringList parts = QString::fromUtf8(text).split(QLatin1Char('|'));
        widget->setAccessibleName(parts[0]);
        widget->setAccessibleDescription(parts[1]);
    }

    auto* grid = new QGridLayout;
    grid->addWidget(optMemoria_, 0, 0, 1, 2);
    grid->addWidget(optPuerto_, 0, 2, 1, 2);
    grid->addWidget(lblDesde_, 1, 0);
    grid->addWidget(txtDesde_, 1, 1);
    grid->addWidget(txtPuertoDesde_, 1, 1);
    grid->addWidget(lblHasta_, 1, 2);
    grid->addWidget(txtHasta_, 1, 3);
    grid->addWidget(txtPuertoHasta_, 1, 3);
    grid->addWidget(acceso, 2, 0);
    grid->addWidget(cboAcceso_, 2, 1, 1, 3);
    grid->setColumnStretch(4, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Anadir_);
    buttons->addWidget(Quitar_);
    buttons->addStretch();
    buttons->addWidget(cerrar_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lista_, 1);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(optMemoria_, &QRadioButton::toggled, this, &Vigilancia::kindChanged);
    connect(Anadir_, &QPushButton::clicked, this, &Vigilancia::Anadir_Click);
    connect(Quitar_, &QPushButton::clicked, this, &Vigilancia::Quitar_Click);
    connect(cerrar_, &QPushButton::clicked, this, &QWidget::close);
    connect(lista_, &QListWidget::currentRowChanged, this,
            [this](int row) { Quitar_->setEnabled(row >= 0 && row < lista_->count()); });
    auto* remove = new QShortcut(QKeySequence::Delete, lista_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, &Vigilancia::Quitar_Click);

    kindChanged();
    refresh();
    vandor::Zoom::instance().follow(this, [this] { applyZoom(); });
}

// Captions, the list and the boxes at the zoom's size; each box as wide as its digits need.
void Vigilancia::applyZoom() {
    const vandor::Zoom& zoom = vandor::Zoom::instance();
    setFont(zoom.captionFont());
    const QFont fixed = zoom.fixedFont();
    lista_->setFont(fixed);
    lista_->setMinimumHeight(zoom.px(1500));
    // The longest entry shows whole, with room for the list's frame and a vertical scroll bar.
    const QString longest = QString::fromStdString(
        vandor::watchDescription({false, 0x0000, 0xFFFF, vandor::kWatchRead | vandor::kWatchWrite}));
    lista_->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance(longest) + zoom.px(480));
    for (HexBox* b : {txtDesde_, txtHasta_, txtPuertoDesde_, txtPuertoHasta_}) {
        b->setFont(fixed);
        b->setFixedWidth(QFontMetrics(fixed).horizontalAdvance(QString(b->digits() + 1, QLatin1Char('0'))) + 8);
    }
    adjustSize();
}

void Vigilancia::kindChanged() {
    const bool memory = optMemoria_->isChecked();
    txtDesde_->setVisible(memory);
    txtHasta_->setVisible(memory);
    txtPuertoDesde_->setVisible(!memory);
    txtPuertoHasta_->setVisible(!memory);
    lblDesde_->setBuddy(memory ? txtDesde_ : txtPuertoDesde_);
    lblHasta_->setBuddy(memory ? txtHasta_ : txtPuertoHasta_);
}

void Vigilancia::refresh() {
    const int row = lista_->currentRow();
    lista_->clear();
    for (const Watchpoint& w : sim_.watches.entries()) lista_->addItem(QString::fromStdString(vandor::watchDescription(w)));
    lista_->setCurrentRow(std::min(row, lista_->count() - 1));
    Quitar_->setEnabled(lista_->currentRow() >= 0);
}

std::optional<Watchpoint> Vigilancia::entered() {
    // A box whose entry is still in progress is checked first, also when the button was pressed by its
    // key: its "Valor incorrecto" keeps the focus and nothing is added.
    if (auto* typing = qobject_cast<HexBox*>(QApplication::focusWidget()); typing && typing->isEntering()) {
        Anadir_->setFocus(Qt::ShortcutFocusReason);
        if (QApplication::focusWidget() == typing) return std::nullopt;
    }
    const bool memory = optMemoria_->isChecked();
    HexBox* from = memory ? txtDesde_ : txtPuertoDesde_;
    HexBox* to = memory ? txtHasta_ : txtPuertoHasta_;
    Watchpoint w;
    w.port = !memory;
    w.first = from->wordValue();
    w.last = to->isBlank() ? w.first : to->wordValue();
    w.access = kAccess[std::clamp(cboAcceso_->currentIndex(), 0, 2)];
    if (w.last < w.first) {
        dialogs_.message(this, QStringLiteral("«Hasta» es menor que «Desde»"));
        to->setFocus();
        return std::nullopt;
    }
    return w;
}

void Vigilancia::Anadir_Click() {
    const auto w = entered();
    if (!w) return;
    if (!sim_.watches.add(*w)) {
        dialogs_.message(this, QStringLiteral("Esa vigilancia ya está en la lista"));
        return;
    }
    refresh();
    lista_->setCurrentRow(lista_->count() - 1);
    emit watchesChanged();
}

void Vigilancia::Quitar_Click() {
    const int row = lista_->currentRow();
    if (row < 0 || row >= static_cast<int>(sim_.watches.entries().size())) return;
    sim_.watches.remove(static_cast<size_t>(row));
    refresh();
    emit watchesChanged();
}
