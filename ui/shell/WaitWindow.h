#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace vantor {

class RaisedFrame;
class Session;

// The small always-on-top window that shows the session's progress while it works, with a
// button that cancels the work.
class WaitWindow : public QWidget {
    Q_OBJECT

public:
    explicit WaitWindow(QWidget* parent = nullptr);

    QLabel* caption() const { return caption_; }
    QProgressBar* progressBar() const { return progressBar_; }
    QPushButton* cancelButton() const { return cancelButton_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    RaisedFrame* frame_;
    QLabel* caption_;
    QProgressBar* progressBar_;
    QPushButton* cancelButton_;
};

// Keeps a wait window and the busy cursor up while the session works in the background.
class BusyIndicator : public QObject {
    Q_OBJECT

public:
    explicit BusyIndicator(Session& session, QObject* parent = nullptr);
    ~BusyIndicator() override;

    // Null while the session is idle.
    WaitWindow* Window() const { return window_.data(); }

private:
    void start();
    void progress(const QString& caption, int value);
    void finish();

    Session& session_;
    QPointer<WaitWindow> window_;
    bool busyCursor_ = false;
};

} // namespace vantor
