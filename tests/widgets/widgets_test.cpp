// The window kit: the twips layout helper (rounding to the nearest pixel), the file filters and the file
// dialogs of the dialog seam, the hexadecimal entry box on its own, the growth bands of a twips layout,
// the compact line height, the highlight colours and the message boxes' width.
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "widgets/compact_lines.h"
#include "widgets/dialogs.h"
#include "widgets/frame.h"
#include "widgets/hexbox.h"
#include "widgets/highlight.h"
#include "widgets/scripted_dialogs.h"
#include "widgets/twips.h"
#include "widgets/twips_layout.h"
#include "widgets/zoom.h"

class WidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { vandor::Zoom::instance().reset(); }

    // Each control moves and grows by the bands it names, at the zoom's scale.
    void layoutBands() {
        QWidget window;
        auto* fixed = new QLabel(&window);
        auto* grows = new QLabel(&window);
        auto* below = new QLabel(&window);
        vandor::TwipsLayout layout;
        layout.place(fixed, {150, 150, 300, 300});
        layout.place(grows, {150, 600, 300, 300}, {.moveX = 1, .growX = 2, .growY = 1 | 4});
        layout.place(below, {150, 1200, 300, 300}, {.moveY = 1 | 2});
        layout.apply(vandor::Zoom::instance(), {10, 20}, {5, 7, 100});
        QCOMPARE(fixed->geometry(), QRect(10, 10, 20, 20));
        QCOMPARE(grows->geometry(), QRect(20, 40, 40, 125));
        QCOMPARE(below->geometry(), QRect(10, 92, 20, 20));
        QCOMPARE(layout.twipsOf(grows), QRect(150, 600, 300, 300));
        vandor::Zoom::instance().setPoints(20);
        layout.apply(vandor::Zoom::instance());
        QCOMPARE(fixed->geometry(), QRect(21, 21, 41, 41));  // 150 twips at 20/9.75 of the size: 20.5 px
    }

    // A button too narrow for its caption in this font widens about its centre.
    void layoutWidensACutCaption() {
        QWidget window;
        auto* button = new QPushButton(QStringLiteral("&Un texto bastante largo"), &window);
        vandor::TwipsLayout layout;
        layout.place(button, {1500, 0, 300, 300});
        layout.apply(vandor::Zoom::instance());
        QCOMPARE(vandor::buttonCaptionLack(button), 0);
        QVERIFY(button->width() > 20);
        QVERIFY(std::abs(button->geometry().center().x() - 110) <= 1);
    }

    // Lines as tall as the text's ink needs, with a pixel to spare, at every zoom step, in both families.
    void compactLinesShowTheInk() {
        for (const char* family : {"Liberation Mono", "DejaVu Sans Mono"})
        for (qreal points : vandor::Zoom::steps()) {
            vandor::Zoom::instance().setFamilies({QString::fromLatin1(family)}, {});
            vandor::Zoom::instance().setPoints(points);
            const QFont font = vandor::Zoom::instance().fixedFont();
            const QFontMetrics metrics(font);
            const int height = vandor::compactLineHeight(font);
            const QRect ink = metrics.tightBoundingRect(QStringLiteral("0123456789ABCDEF LXI SP,F000 *?."));
            const int baseline = vandor::compactBaseline(font, height);
            QVERIFY2(baseline + ink.top() >= 1 && baseline + ink.bottom() <= height - 2, qPrintable(QString::number(points)));
            QVERIFY(height <= metrics.height());
        }
        vandor::Zoom::instance().setFamilies({}, {});
    }

    // The highlight keeps a contrast of at least 4.5 with the text on light, dark and coloured grounds,
    // and is told apart from the plain ground.
    void highlightReadableOnAnyGround_data() {
        QTest::addColumn<QColor>("base");
        QTest::addColumn<QColor>("text");
        QTest::newRow("white") << QColor(Qt::white) << QColor(Qt::black);
        QTest::newRow("cream") << QColor(0xFF, 0xF8, 0xE7) << QColor(0x20, 0x20, 0x20);
        QTest::newRow("dark grey") << QColor(0x2A, 0x2A, 0x2A) << QColor(0xEE, 0xEE, 0xEE);
        QTest::newRow("black") << QColor(Qt::black) << QColor(Qt::white);
        QTest::newRow("navy") << QColor(0x10, 0x18, 0x40) << QColor(0xDD, 0xDD, 0xFF);
    }
    void highlightReadableOnAnyGround() {
        QFETCH(QColor, base);
        QFETCH(QColor, text);
        QPalette palette;
        palette.setColor(QPalette::Base, base);
        palette.setColor(QPalette::Text, text);
        const vandor::HighlightColors colors = vandor::highlightColors(palette);
        QVERIFY2(vandor::contrastRatio(colors.background, colors.text) >= 4.5, qPrintable(colors.background.name()));
        QVERIFY(vandor::contrastRatio(colors.background, base) >= 1.15);
        QCOMPARE(colors.text, text);
    }

    void highlightMarksAndUnmarks() {
        vandor::ScriptedDialogs dialogs;
        QWidget window;
        auto* box = new vandor::HexBox(dialogs, &window, 375);
        auto* label = new QLabel(QStringLiteral("S"), &window);
        const QColor plain = box->palette().color(QPalette::Base);
        for (QWidget* w : {static_cast<QWidget*>(box), static_cast<QWidget*>(label)}) {
            vandor::setHighlighted(w, true);
            QVERIFY(vandor::isHighlighted(w) && w->font().bold());
            vandor::setHighlighted(w, false);
            QVERIFY(!vandor::isHighlighted(w) && !w->font().bold());
        }
        QCOMPARE(box->palette().color(QPalette::Base), plain);
        QVERIFY(QFontInfo(box->font()).fixedPitch());  // a box keeps its own font
    }

    // However short the message, the box is wide enough for its title bar to show "Vandor 8085".
    void messageBoxesFitTheirTitle() {
        for (const char* text : {"Valor incorrecto", "Carga correcta", "X"}) {
            const auto box = vandor::makeMessageBox(nullptr, QMessageBox::NoIcon, QString::fromUtf8(text), QMessageBox::Ok);
            box->show();
            QCoreApplication::processEvents();
            QCOMPARE(box->windowTitle(), vandor::kAppTitle);
            QVERIFY2(box->width() >= vandor::titleBarWidth(vandor::kAppTitle), text);
            box->hide();
        }
    }

    // A frame's line runs through its title: controls a line's height below the top are inside.
    void frameTitleOnItsLine() {
        QWidget window;
        vandor::Frame frame(QStringLiteral("Control"), &window);
        frame.setGeometry(vandor::twips(8760, 480, 1215, 2415));
        QVERIFY(frame.innerRect().contains(vandor::twips(240, 240, 735, 255)));
        QVERIFY(!frame.titleRect().intersects(vandor::twips(240, 240, 735, 255)));
        QVERIFY(frame.titleRect().right() < frame.width());
    }

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
