#include "ui/shell/WaitWindow.h"

#include "engine/Session.h"
#include "ui/shell/RaisedFrame.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
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

    frame_ = new RaisedFrame(this);
    frame_->setObjectName(QStringLiteral("ctlFrame1"));
    caption_ = new QLabel(QStringLiteral("Wait..."), frame_);
    caption_->setObjectName(QStringLiteral("Label1"));
    // A long object name must not widen the window.
    caption_->setMinimumWidth(1);
    caption_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    progressBar_ = new QProgressBar(frame_);
    progressBar_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    cancelButton_ = new QPushButton(QStringLiteral("&Cancel"), frame_);
    cancelButton_->setObjectName(QStringLiteral("cmdCancel"));
    cancelButton_->setToolTip(QStringLiteral("Stop the work; what was shown before stays"));

    auto* inner = new QGridLayout(frame_);
    inner->setContentsMargins(12, 10, 12, 12);
    inner->addWidget(caption_, 0, 0, 1, 2);
    inner->addWidget(progressBar_, 1, 0);
    inner->addWidget(cancelButton_, 1, 1);
    inner->setColumnStretch(0, 1);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->addWidget(frame_);
    setFixedSize(420, 104);
}

void WaitWindow::showEvent(QShowEvent* event) {
    // Wherever the window was, it waits at the screen's top-left corner, above the others.
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    move(screen ? screen->geometry().topLeft() : QPoint(0, 0));
    QWidget::showEvent(event);
}

BusyIndicator::BusyIndicator(Session& session, QObject* parent)
    : QObject(parent), session_(session) {
    connect(&session, &Session::workStarted, this, &BusyIndicator::start);
    connect(&session, &Session::progressed, this, &BusyIndicator::progress);
    connect(&session, &Session::workFinished, this, &BusyIndicator::finish);
}

BusyIndicator::~BusyIndicator() {
    finish();
}

void BusyIndicator::start() {
    if (!window_) {
        window_ = new WaitWindow();
        connect(window_->cancelButton(), &QPushButton::clicked, &session_, &Session::cancel);
    }
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
    window_->caption()->setText(caption);
    window_->progressBar()->setValue(value);
}

void BusyIndicator::finish() {
    delete window_.data();
    if (busyCursor_) {
        QApplication::restoreOverrideCursor();
        busyCursor_ = false;
    }
}

} // namespace vantor
