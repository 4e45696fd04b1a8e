#pragma once

#include <QWidget>

class QAction;
class QMenu;
class QTextEdit;

namespace vantor {

// The docked log: a text pane with a pop-up menu to copy, save or clear it. It shows the
// activity log's lines as they are written.
class frmOutput : public QWidget {
    Q_OBJECT

public:
    explicit frmOutput(QWidget* parent = nullptr);

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
};

} // namespace vantor
