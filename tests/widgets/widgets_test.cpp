// The window kit: the twips layout helper (rounding to the nearest pixel), the file filters of the
// dialog seam, and the hexadecimal entry box on its own.
#include <QSignalSpy>
#include <QTest>

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
