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

    QTextEdit* text;
    QMenu* menu;
    QAction* copyAction;
    QAction* saveAction;
    QAction* separator;
    QAction* clearAction;

public Q_SLOTS:
    void copyAll();
    void saveToFile();
    void clearAll();
    void appendLine(const QString& line);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Session& session_;
    Desktop& desktop_;
};

} // namespace vantor
