#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QProgressBar;

namespace vantor {

class RaisedFrame;
class Session;

// The small always-on-top window that shows the session's progress while schemas load.
class WaitWindow : public QWidget {
    Q_OBJECT

public:
    explicit WaitWindow(QWidget* parent = nullptr);

    QLabel* Label1;
    QProgressBar* ProgressBar1;
    RaisedFrame* ctlFrame1;

protected:
    void showEvent(QShowEvent* event) override;
};

// Keeps a wait window and the busy cursor up while the session works, as the work runs on the
// window system's own thread and would otherwise leave the screen frozen.
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

    QPointer<WaitWindow> window_;
    bool busyCursor_ = false;
};

} // namespace vantor
