#include "inspect/listapasos.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "inspect/trace_grid.h"
#include "inspect/trace_model.h"
#include "machine/flag_explanation.h"
#include "machine/simulator.h"
#include "widgets/dialogs.h"
#include "widgets/twips.h"
#include "widgets/zoom.h"

using vandor::Dialogs;

namespace {

// The grid catches up with the trace at most this often (ms), and never spends more than about a fifth
// of the time doing so and repainting: with millions of rows one catch-up costs milliseconds.
constexpr qint64 kMinFlushInterval = 16;
constexpr qint64 kFlushCostFactor = 4;

// Rows of the grid in view below its header; the scroll rule keeps the last ones of them visible.
constexpr int kVisibleRows = 10;

// A count as Spanish writes it: digits in groups of three from five digits on, joined by a non-breaking
// space ("2986", "10 000 000").
QString groupedNumber(uint64_t n) {
    QString digits = QString::number(n);
    if (digits.size() < 5) return digits;
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, QChar(0x00A0));
    return digits;
}

}  // namespace

Listapasos::Listapasos(vandor::Simulator& sim, vandor::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), sim_(sim), dialogs_(dialogs), flushInterval_(kMinFlushInterval) {
    setWindowTitle(vandor::kAppTitle);
    setWindowIcon(parent ? parent->window()->windowIcon() : QApplication::windowIcon());

    lista_ = new vandor::TraceGrid(this);
    lista_->setObjectName(QStringLiteral("lista"));
    lista_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    model_ = new vandor::TraceModel(sim_.trace, this);
    lista_->setModel(model_);
    QHeaderView* header = lista_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setMinimumSectionSize(1);
    header->setStretchLastSection(false);
    lista_->setAccessibleName(QStringLiteral("Lista de pasos"));
    lista_->setAccessibleDescription(
        QStringLiteral("Una fila por instrucción ejecutada: dirección, bytes, instrucción y los registros después"));

    indicadores_ = new QLabel(this);
    indicadores_->setObjectName(QStringLiteral("lblIndicadores"));
    indicadores_->setWordWrap(true);
    indicadores_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    indicadores_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    connect(lista_->selectionModel(), &QItemSelectionModel::currentChanged, this, &Listapasos::showExplanation);
    connect(model_, &QAbstractItemModel::modelReset, this, &Listapasos::showExplanation);

    salvar_ = new QPushButton(QStringLiteral("&Salvar"), this);
    salvar_->setObjectName(QStringLiteral("salvar"));
    borrar_ = new QPushButton(QStringLiteral("&Borrar"), this);
    borrar_->setObjectName(QStringLiteral("borrar"));
    cerrar_ = new QPushButton(QStringLiteral("&Cerrar"), this);
    cerrar_->setObjectName(QStringLiteral("cerrar"));
    connect(salvar_, &QPushButton::clicked, this, &Listapasos::salvar_Click);
    connect(borrar_, &QPushButton::clicked, this, &Listapasos::borrar_Click);
    connect(cerrar_, &QPushButton::clicked, this, &Listapasos::cerrar_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(salvar_);
    buttons->addWidget(borrar_);
    buttons->addWidget(cerrar_);
    buttons->addStretch();
    descartadas_ = new QLabel(this);
    descartadas_->setObjectName(QStringLiteral("descartadas"));
    descartadas_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(descartadas_);
    layout->addWidget(lista_, 1);
    layout->addWidget(indicadores_);
    layout->addLayout(buttons);
    salvar_->setAccessibleName(QStringLiteral("Salvar"));
    salvar_->setAccessibleDescription(QStringLiteral("Guarda la lista en un fichero de texto .TXT (Alt+S)"));
    borrar_->setAccessibleName(QStringLiteral("Borrar"));
    borrar_->setAccessibleDescription(QStringLiteral("Vacía la lista (Alt+B)"));
    cerrar_->setAccessibleName(QStringLiteral("Cerrar"));
    cerrar_->setAccessibleDescription(QStringLiteral("Cierra la ventana; la lista se pierde (Alt+C)"));

    vandor::Zoom::instance().follow(this, [this] { applyZoom(); });
    resize(minimumSize());
    vandor::centreWhenFirstShown(this);

    flushTimer_.setSingleShot(true);
    connect(&flushTimer_, &QTimer::timeout, this, &Listapasos::flush);
    sinceFlush_.start();
}

Listapasos::~Listapasos() = default;

// The grid's font, row height and column widths at the zoom's size; the window at least as large as ten
// rows and every column need.
void Listapasos::applyZoom() {
    const vandor::Zoom& zoom = vandor::Zoom::instance();
    setFont(zoom.captionFont());
    const QFont font = zoom.fixedFont();
    lista_->setFont(font);
    QHeaderView* header = lista_->horizontalHeader();
    header->setFont(font);
    const QFontMetrics metrics(font);
    const int rowHeight = metrics.height() + 4;
    lista_->setRowHeight(rowHeight);
    // Column widths follow the lengths of the header's titles.
    const int padding = 2 * lista_->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, lista_) + 4;
    int columnsWidth = 0;
    for (int c = 0; c < vandor::TraceModel::kColumns; ++c) {
        const auto title = model_->headerData(c, Qt::Horizontal).toString();
        const int width = metrics.horizontalAdvance(QString(title.size(), QChar('0'))) + padding;
        header->resizeSection(c, width);
        columnsWidth += width;
    }
    header->setFixedHeight(rowHeight + 2);
    const int frame = 2 * lista_->frameWidth();
    const int scrollBar = lista_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, lista_);
    lista_->setMinimumSize(columnsWidth + scrollBar + frame, rowHeight + 2 + kVisibleRows * rowHeight + frame);
    // The flags' explanation under the grid may take two lines when the window is narrow.
    indicadores_->setMinimumHeight(2 * QFontMetrics(zoom.captionFont()).lineSpacing());
    const QSize room = vandor::availableArea(this).size();
    setMinimumSize(minimumSizeHint().boundedTo(room));
    if (width() < minimumWidth() || height() < minimumHeight()) resize(size().expandedTo(minimumSize()));
}

void Listapasos::traceChanged() {
    // Called after every step of a run: only a comparison unless a catch-up is due.
    if (flushTimer_.isActive() || !model_->outOfDate()) return;
    if (!isVisible()) return;  // showEvent catches up
    const qint64 since = sinceFlush_.elapsed();
    if (since >= flushInterval_) {
        flush();
    } else {
        flushTimer_.start(static_cast<int>(flushInterval_ - since));
    }
}

void Listapasos::flush() {
    flushTimer_.stop();
    if (!model_->outOfDate()) return;
    QElapsedTimer cost;
    cost.start();
    if (model_->sync()) applyScrollRule();
    showDropped();
    const qint64 paint = lista_->lastPaintCost();
    flushInterval_ = std::max(kMinFlushInterval, kFlushCostFactor * (cost.elapsed() + paint));
    sinceFlush_.restart();
}

void Listapasos::showDropped() {
    const uint64_t dropped = sim_.trace.dropped();
    if (dropped == 0) {
        descartadas_->hide();
        return;
    }
    descartadas_->setText(QStringLiteral("Se han descartado las %1 filas más antiguas; se conservan las %2 últimas.")
                              .arg(groupedNumber(dropped), groupedNumber(sim_.trace.size())));
    descartadas_->show();
}

void Listapasos::applyScrollRule() {
    // With more than ten grid rows counting the header, the first row in view is (rows - 10): the last
    // ten rows are visible.
    const int gridRows = model_->rowCount() + 1;
    if (gridRows > kVisibleRows) lista_->scrollToTopRow(gridRows - kVisibleRows - 1);
}

void Listapasos::showExplanation() {
    const QModelIndex current = lista_->currentIndex();
    indicadores_->setText(
        current.isValid() ? QString::fromStdString(vandor::explainTraceRow(sim_.trace, static_cast<size_t>(current.row())))
                          : QString());
}

void Listapasos::salvar_Click() {
    flush();
    if (sim_.trace.empty()) return;
    const QString path = dialogs_.saveFile(
        this, {QStringLiteral("Salvar fichero .TXT"),
               QStringLiteral("Fichero de texto (*.txt)|*.txt|Todos los ficheros (*.*)|*.*"), QStringLiteral("*.txt")});
    if (path.isEmpty()) return;
    if (QFileInfo::exists(path)) {
        const QString question = QStringLiteral("El fichero ") + QDir::toNativeSeparators(path) +
                                 QStringLiteral(" ya existe\r\n¿Desea sobreescribirlo?");
        if (dialogs_.question(this, question) != Dialogs::Answer::Yes) return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool saved = sim_.trace.save(QFile::encodeName(path).toStdString());
    QApplication::restoreOverrideCursor();
    if (!saved) dialogs_.message(this, QStringLiteral("Error guardando fichero"));
}

void Listapasos::borrar_Click() {
    flushTimer_.stop();
    sim_.trace.clear();
    model_->reload();
    showDropped();
}

void Listapasos::cerrar_Click() { close(); }

void Listapasos::closeEvent(QCloseEvent* event) {
    flush();
    if (!sim_.trace.empty()) {
        const QString question =
            QStringLiteral("Todo el listado se perderá.\r\n¿Desea cerrar de todas formas?");
        if (dialogs_.question(this, question) != Dialogs::Answer::Yes) {
            event->ignore();
            return;
        }
    }
    // The next recorded step starts a new trace.
    flushTimer_.stop();
    sim_.trace.clear();
    model_->reload();
    showDropped();
    event->accept();
}

void Listapasos::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    flush();
}
