#include "ui/shell/WaitWindow.h"

#include "engine/Session.h"
#include "ui/shell/RaisedFrame.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace vantor {

WaitWindow::WaitWindow(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("frmProses"));
    setWindowTitle(QStringLiteral("Wait Processing."));
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(QWidget::font().pointSizeF());
    setFont(font);

    ctlFrame1 = new RaisedFrame(this);
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

void WaitWindow::showEvent(QShowEvent* event) {
    // Wherever the window was, it waits at the screen's top-left corner, above the others.
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    move(screen ? screen->geometry().topLeft() : QPoint(0, 0));
    QWidget::showEvent(event);
}

BusyIndicator::BusyIndicator(Session& session, QObject* parent) : QObject(parent) {
    connect(&session, &Session::workStarted, this, &BusyIndicator::start);
    connect(&session, &Session::progressed, this, &BusyIndicator::progress);
    connect(&session, &Session::workFinished, this, &BusyIndicator::finish);
}

BusyIndicator::~BusyIndicator() {
    finish();
}

void BusyIndicator::start() {
    if (!window_)
        window_ = new WaitWindow();
    window_->show();
    window_->raise();
    if (!busyCursor_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        busyCursor_ = true;
    }
}

void BusyIndicator::progress(const QString& caption, int value) {
    if (!window_)
        return;
    window_->Label1->setText(caption);
    window_->ProgressBar1->setValue(value);
    // Repaint, but take no clicks or keys: a command started now would replace or refresh the
    // comparison in the middle of its own work.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void BusyIndicator::finish() {
    delete window_.data();
    if (busyCursor_) {
        QApplication::restoreOverrideCursor();
        busyCursor_ = false;
    }
}

} // namespace vantor
