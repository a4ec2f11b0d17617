#include "widgets/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QStringList>

namespace vandor {

QString qtFilter(const QString& barFilter) {
    const QStringList parts = barFilter.split('|');
    QStringList filters;
    // Pairs of description and pattern; the description already names the pattern, as Qt expects.
    for (int i = 0; i + 1 < parts.size(); i += 2) filters << parts[i];
    return filters.join(QStringLiteral(";;"));
}

namespace {

// Messages break their lines with CR LF or a lone CR; a message box breaks them at LF.
QString displayed(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

}  // namespace

int titleBarWidth(const QString& title) {
    QFont font = QApplication::font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    // The title, and the window menu and three buttons of a title bar, about a line and a half each.
    return metrics.horizontalAdvance(title) + 4 * (metrics.height() * 3 / 2) + 2 * metrics.height();
}

std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                            QMessageBox::StandardButtons buttons) {
    auto box = std::make_unique<QMessageBox>(icon, kAppTitle, displayed(text), buttons, parent);
    // A short message makes a narrow box, whose title bar would cut the title; the box sizes itself from
    // its layout, so the room goes in as an empty item across the layout.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        grid->addItem(new QSpacerItem(titleBarWidth(kAppTitle), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    return box;
}

void QtDialogs::message(QWidget* parent, const QString& text, Qt::Alignment alignment) {
    const auto box = makeMessageBox(parent, QMessageBox::NoIcon, text, QMessageBox::Ok);
    if (alignment & Qt::AlignRight) {
        // Right-aligned text, as the loader's error messages are shown.
        box->setStyleSheet(QStringLiteral("QLabel{qproperty-alignment: 'AlignRight|AlignVCenter';}"));
    }
    box->exec();
}

Dialogs::Answer QtDialogs::question(QWidget* parent, const QString& text, Buttons buttons) {
    QMessageBox::StandardButtons b = QMessageBox::Yes | QMessageBox::No;
    if (buttons == Buttons::YesNoCancel) b |= QMessageBox::Cancel;
    const auto box = makeMessageBox(parent, QMessageBox::Question, text, b);
    switch (box->exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return buttons == Buttons::YesNoCancel ? Answer::Cancel : Answer::No;
    }
}

namespace {

// The extension of a default name pattern such as "*.hex", or an empty string.
QString suffixOf(const QString& defaultName) {
    const int dot = defaultName.lastIndexOf('.');
    if (dot < 0) return {};
    const QString suffix = defaultName.mid(dot + 1);
    return suffix.contains('*') ? QString() : suffix;
}

QString runFileDialog(QWidget* parent, const Dialogs::FileRequest& request, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, request.title, QString(), qtFilter(request.filter));
    dialog.setAcceptMode(mode);
    // Any name typed is accepted, an open dialog's too: the command itself answers for a file that does
    // not exist ("El fichero … no existe", or the offer to create it).
    dialog.setFileMode(QFileDialog::AnyFile);
    // The default name pattern becomes the default extension of a name typed without one.
    dialog.setDefaultSuffix(suffixOf(request.defaultName));
    // The overwrite question is the caller's own ("El fichero ... ya existe"), so Qt must not ask too.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace

QString QtDialogs::openFile(QWidget* parent, const FileRequest& request) {
    return runFileDialog(parent, request, QFileDialog::AcceptOpen);
}

QString QtDialogs::saveFile(QWidget* parent, const FileRequest& request) {
    return runFileDialog(parent, request, QFileDialog::AcceptSave);
}

void QtDialogs::beep() { QApplication::beep(); }

}  // namespace vandor
