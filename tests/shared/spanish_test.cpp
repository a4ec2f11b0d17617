// Qt's own Spanish texts: with the translation the message-box buttons and the file dialogs speak
// Spanish even under an English locale; without it the program goes on in English and says nothing.
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "shared/spanish.h"

namespace {

QString plain(QString text) { return text.remove(QLatin1Char('&')); }

QStringList buttonTexts(QMessageBox::StandardButtons buttons) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Vandor 8085"), QStringLiteral("¿Seguro?"), buttons);
    QStringList texts;
    for (QMessageBox::StandardButton b : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel, QMessageBox::Ok})
        if (buttons & b) texts << plain(box.button(b)->text());
    return texts;
}

QString acceptText(QFileDialog::AcceptMode mode) {
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    auto* box = dialog.findChild<QDialogButtonBox*>();
    if (!box) return {};
    return plain(box->button(mode == QFileDialog::AcceptOpen ? QDialogButtonBox::Open : QDialogButtonBox::Save)->text());
}

}  // namespace

class SpanishTest : public QObject {
    Q_OBJECT

    QTranslator* installed = nullptr;

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup() {
        if (installed) QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }

    void spanishWhateverTheLocale() {
        installed = shared::installQtSpanish();
        QVERIFY(installed);
        QCOMPARE(buttonTexts(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel),
                 (QStringList{"Sí", "No", "Cancelar"}));
        QCOMPARE(buttonTexts(QMessageBox::Ok), QStringList{"Aceptar"});
        QCOMPARE(acceptText(QFileDialog::AcceptOpen), QStringLiteral("Abrir"));
        QCOMPARE(acceptText(QFileDialog::AcceptSave), QStringLiteral("Guardar"));
    }

    void missingTranslationLeavesEnglish() {
        QTemporaryDir empty;
        installed = shared::installQtSpanish(empty.path());
        QVERIFY(!installed);
        QCOMPARE(buttonTexts(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel),
                 (QStringList{"Yes", "No", "Cancel"}));
        QCOMPARE(buttonTexts(QMessageBox::Ok), QStringList{"OK"});
        QCOMPARE(acceptText(QFileDialog::AcceptOpen), QStringLiteral("Open"));
    }
};

QTEST_MAIN(SpanishTest)
#include "spanish_test.moc"
