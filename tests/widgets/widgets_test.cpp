// The window kit: the twips layout helper (rounding to the nearest pixel), the file filters and the file
// dialogs of the dialog seam, and the hexadecimal entry box on its own.
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "widgets/dialogs.h"
#include "widgets/hexbox.h"
#include "widgets/scripted_dialogs.h"
#include "widgets/twips.h"

class WidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void twipsRound_data() {
        QTest::addColumn<int>("twips");
        QTest::addColumn<int>("pixels");
        QTest::newRow("exact") << 375 << 25;
        QTest::newRow("rounds down below half") << 247 << 16;
        QTest::newRow("rounds up from half") << 248 << 17;
        QTest::newRow("one pixel short of truncation") << 29 << 2;
        QTest::newRow("zero") << 0 << 0;
    }
    void twipsRound() {
        QFETCH(int, twips);
        QFETCH(int, pixels);
        QCOMPARE(vandor::twips(twips), pixels);
        QCOMPARE(vandor::twips(120, twips, twips, 15), QRect(8, pixels, pixels, 1));
    }

    void filters() {
        QCOMPARE(vandor::qtFilter(QStringLiteral("Fichero de texto (*.txt)|*.txt|Todos los ficheros (*.*)|*.*")),
                 QStringLiteral("Fichero de texto (*.txt);;Todos los ficheros (*.*)"));
    }

    // The real file dialogs, driven as a user would: a name typed in a folder where no such file exists
    // is what the dialog returns (the command then says that it does not exist, or offers to create
    // it); a name without extension gets the default one.
    void fileDialogsAcceptANameThatDoesNotExist_data() {
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("returned");
        QTest::newRow("open") << true << "suma.asm" << "suma.asm";
        QTest::newRow("open, no extension") << true << "suma" << "suma.asm";
        QTest::newRow("save") << false << "suma.asm" << "suma.asm";
    }
    void fileDialogsAcceptANameThatDoesNotExist() {
        QFETCH(bool, open);
        QFETCH(QString, typed);
        QFETCH(QString, returned);
        QTemporaryDir dir;
        vandor::QtDialogs dialogs;
        QString seenTitle;
        QStringList refusals;  // what came up instead of an answer
        bool typedOnce = false;
        QTimer driver;
        driver.setInterval(10);
        connect(&driver, &QTimer::timeout, this, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                refusals << box->text();
                box->accept();
            } else if (auto* fileDialog = qobject_cast<QFileDialog*>(modal)) {
                seenTitle = fileDialog->windowTitle();
                // Still open after Enter: the name was not taken (its Open button stays disabled).
                if (typedOnce) refusals << QStringLiteral("name not taken");
                if (!refusals.isEmpty()) {
                    fileDialog->reject();
                    return;
                }
                typedOnce = true;
                fileDialog->setDirectory(dir.path());
                auto* nameBox = fileDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                QVERIFY(nameBox);
                nameBox->setText(typed);
                // Pressed from a timer of its own: a refusal would open a message box inside the press.
                QTimer::singleShot(0, nameBox, [nameBox] { QTest::keyClick(nameBox, Qt::Key_Return); });
            }
        });
        driver.start();
        const vandor::Dialogs::FileRequest request{
            QStringLiteral("Editar fichero .ASM"),
            QStringLiteral("Fichero ensamblador (*.asm)|*.asm|Todos los ficheros (*.*)|*.*"), QStringLiteral("*.asm")};
        const QString path = open ? dialogs.openFile(nullptr, request) : dialogs.saveFile(nullptr, request);
        driver.stop();
        QCOMPARE(refusals, QStringList());
        QCOMPARE(seenTitle, request.title);
        QCOMPARE(QFileInfo(path).fileName(), returned);
        QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
        QVERIFY(!QFileInfo::exists(path));
    }

    void hexBoxRule() {
        vandor::ScriptedDialogs dialogs;
        QWidget window;
        vandor::HexBox wide(dialogs, &window, 615), narrow(dialogs, &window, 375);
        QCOMPARE(wide.digits(), 4);
        QCOMPARE(narrow.digits(), 2);
        QCOMPARE(wide.text(), QStringLiteral("0000"));
        narrow.setText(QStringLiteral(" f"));
        QVERIFY(!narrow.rutvalidate());
        QCOMPARE(narrow.text(), QStringLiteral("0F"));
        QCOMPARE(narrow.byteValue(), 15);
        narrow.setText(QStringLiteral("1G"));
        QVERIFY(narrow.rutvalidate());
        QCOMPARE(dialogs.messages, QStringList{QStringLiteral("Valor incorrecto")});
        QCOMPARE(narrow.text(), QStringLiteral("1G"));
        QCOMPARE(narrow.selectedText(), QStringLiteral("1G"));
        wide.setText(QStringLiteral("ffff"));
        QVERIFY(!wide.rutvalidate());
        QCOMPARE(wide.wordValue(), 0xFFFF);
    }
};

QTEST_MAIN(WidgetsTest)
#include "widgets_test.moc"
