#pragma once

#include <QWidget>
#include <array>

class QLabel;
class QPushButton;
class QStatusBar;
class QTextEdit;

namespace vantor {

class Desktop;
class Session;
struct DiffEntry;

// One table or view of the last comparison, as each database defines it, side by side, with
// the script commands for either database under its pane. index 0 is the primary database.
class CompareView : public QWidget {
    Q_OBJECT

public:
    CompareView(Session& session, Desktop& desktop, QWidget* parent = nullptr);

    std::array<QLabel*, 2> lblDbPriSec;
    std::array<QLabel*, 2> lblDb;
    std::array<QLabel*, 2> lblTbl;
    std::array<QTextEdit*, 2> ed;
    std::array<QWidget*, 2> picBtn;
    std::array<QPushButton*, 2> cmdCrt;
    std::array<QPushButton*, 2> cmdAlter;
    std::array<QPushButton*, 2> cmdDrop;
    std::array<QPushButton*, 2> cmdButton;
    QStatusBar* StatusBar1;

    // Shows no object: both panes and the object's name are emptied.
    void Clear();

    // A pane's text with the CR LF line ends of a script.
    QString PaneText(int index) const;

public Q_SLOTS:
    void cmdAlter_Click(int index);
    void cmdCrt_Click(int index);
    void cmdDrop_Click(int index);
    // Re-marks the differences of the panes' current texts; both buttons do the same.
    void cmdButton_Click(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildSide(int index);
    // The object whose definitions the panes show, or null after telling the user why not.
    const DiffEntry* displayedObject() const;
    void showScript(const QString& script, int index);

    Session& session_;
    Desktop& desktop_;
};

} // namespace vantor
