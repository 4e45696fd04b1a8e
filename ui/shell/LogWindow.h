#pragma once

#include <QWidget>

class QAction;
class QMenu;
class QTextEdit;

namespace vantor {

class Desktop;
class Session;

// The docked log: a text pane with a pop-up menu to copy, save or clear it. It shows the
// session's log lines as they are written.
class LogWindow : public QWidget {
    Q_OBJECT

public:
    LogWindow(Session& session, Desktop& desktop, QWidget* parent = nullptr);

    QTextEdit* txtOut;
    QMenu* MEdit;
    QAction* MCopy;
    QAction* MSave;
    QAction* MNone1;
    QAction* MClear;

public Q_SLOTS:
    void MCopy_Click();
    void MSave_Click();
    void MClear_Click();
    void AppendLine(const QString& line);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Desktop& desktop_;
};

} // namespace vantor
