#include "ui/shell/frmProses.h"

#include "ui/navigator/ctlFrame.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace vantor {

frmProses::frmProses(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("frmProses"));
    setWindowTitle(QStringLiteral("Wait Processing."));
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(QWidget::font().pointSizeF());
    setFont(font);

    ctlFrame1 = new ctlFrame(this);
    ctlFrame1->setObjectName(QStringLiteral("ctlFrame1"));
    Label1 = new QLabel(QStringLiteral("Wait..."), ctlFrame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    ProgressBar1 = new QProgressBar(ctlFrame1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    auto* inner = new QVBoxLayout(ctlFrame1);
    inner->setContentsMargins(12, 10, 12, 12);
    inner->addWidget(Label1);
    inner->addWidget(ProgressBar1);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->addWidget(ctlFrame1);
    setFixedSize(380, 96);
}

void frmProses::showEvent(QShowEvent* event) {
    // Wherever the window was, it waits at the screen's top-left corner, above the others.
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    move(screen ? screen->geometry().topLeft() : QPoint(0, 0));
    QWidget::showEvent(event);
}

} // namespace vantor
