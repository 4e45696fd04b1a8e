#pragma once

#include <QWidget>

namespace vantor {

// A raised frame of four lines drawn around its own area: light on the top and left, the
// button shadow on the bottom and right. Dialogs place their groups of fields inside one.
class RaisedFrame : public QWidget {
    Q_OBJECT

public:
    explicit RaisedFrame(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vantor
