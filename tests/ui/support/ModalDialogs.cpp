#include "tests/ui/support/ModalDialogs.h"

#include <QApplication>
#include <QTimer>

namespace vantor::test {

ModalDialogs::ModalDialogs(Handler handler) : handler_(std::move(handler)), timer_(new QTimer) {
    timer_->setInterval(5);
    QObject::connect(timer_, &QTimer::timeout, [this] { poll(); });
    timer_->start();
}

ModalDialogs::~ModalDialogs() {
    delete timer_;
}

void ModalDialogs::poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == current_)
        return;
    current_ = modal;
    ++seen_;
    // The handler may run a nested modal (a message box answered by the test interface).
    timer_->stop();
    if (handler_)
        handler_(modal);
    if (current_ && current_->isVisible())
        current_->close();
    timer_->start();
}

} // namespace vantor::test
