#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace vantor::test {

// Looks at each modal dialog that opens while it lives: runs the handler on it, then closes
// the dialog unless the handler has already done so. Counts the dialogs it saw.
class ModalDialogs {
public:
    using Handler = std::function<void(QWidget* dialog)>;
    explicit ModalDialogs(Handler handler = {}) : handler_(std::move(handler)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start();
    }
    ModalDialogs(const ModalDialogs&) = delete;
    ModalDialogs& operator=(const ModalDialogs&) = delete;

    int Seen() const { return seen_; }

private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == current_)
            return;
        current_ = modal;
        ++seen_;
        // The handler may run a nested modal (a message box answered by the test interface).
        timer_.stop();
        if (handler_)
            handler_(modal);
        if (current_ && current_->isVisible())
            current_->close();
        timer_.start();
    }

    Handler handler_;
    QTimer timer_;
    QPointer<QWidget> current_;
    int seen_ = 0;
};

} // namespace vantor::test
