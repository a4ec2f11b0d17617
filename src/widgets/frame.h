// Frame: a group frame whose line runs through the middle of its title, as the layout's twips expect
// (a control 240 twips below the frame's top sits just inside the line, clear of the title). The frame
// is a QGroupBox for everything but its drawing: accessibility, fonts and children behave as usual.
//
//   auto* registers = new Frame(QStringLiteral("Registros"), window);
//   registers->innerRect();   // where the frame's controls must lie to be seen whole
#pragma once

#include <QGroupBox>

namespace vandor {

class Frame final : public QGroupBox {
    Q_OBJECT
public:
    using QGroupBox::QGroupBox;

    // Inside the line and below the title: where a control is seen whole.
    QRect innerRect() const;
    // Where the title is written.
    QRect titleRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int lineY() const;
};

}  // namespace vandor
