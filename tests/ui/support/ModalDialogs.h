#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

class QTimer;

namespace vantor::test {

// Looks at each modal dialog that opens while it lives: runs the handler on it, then closes
// the dialog unless the handler has already done so. Counts the dialogs it saw.
class ModalDialogs {
public:
    using Handler = std::function<void(QWidget* dialog)>;
    explicit ModalDialogs(Handler handler = {});
    ~ModalDialogs();
    ModalDialogs(const ModalDialogs&) = delete;
    ModalDialogs& operator=(const ModalDialogs&) = delete;

    int Seen() const { return seen_; }

private:
    void poll();

    Handler handler_;
    QTimer* timer_;
    QPointer<QWidget> current_;
    int seen_ = 0;
};

} // namespace vantor::test
