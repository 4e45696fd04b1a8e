#pragma once

#include "ui/compare/ScriptCommand.h"

#include <QWidget>
#include <array>

class QLabel;
class QPushButton;
class QStatusBar;
class QTextEdit;

namespace vantor {

class Desktop;
class Session;
struct Diff;
struct DiffEntry;

// One object of the last comparison, as each database defines it, side by side, with the
// script commands for either database under its pane. Side 0 is the primary database. The
// object shown follows the session: a new comparison shows its new definitions, or nothing
// when the object is gone.
class CompareView : public QWidget {
    Q_OBJECT

public:
    CompareView(Session& session, Desktop& desktop, QWidget* parent = nullptr);

    // The object on display; empty when none is.
    const QString& currentObject() const { return currentObject_; }
    QTextEdit* pane(int side) const { return panes_[static_cast<size_t>(side)]; }
    QLabel* objectLabel() const { return objectLabel_; }
    QLabel* databaseLabel(int side) const { return databaseLabels_[static_cast<size_t>(side)]; }
    QPushButton* createButton(int side) const { return createButtons_[static_cast<size_t>(side)]; }
    QPushButton* alterButton(int side) const { return alterButtons_[static_cast<size_t>(side)]; }
    QPushButton* dropButton(int side) const { return dropButtons_[static_cast<size_t>(side)]; }
    QPushButton* markButton(int index) const { return markButtons_[static_cast<size_t>(index)]; }

    // A pane's text with the CR LF line ends of a script.
    QString paneText(int side) const;

public Q_SLOTS:
    // Shows the object's two definitions with their differences marked; an object the current
    // comparison does not hold clears the view.
    void showObject(const QString& name);
    // Shows no object: both panes and the object's name are emptied.
    void clear();
    void alterScript(int side);
    void createScript(int side);
    void dropScript(int side);
    void writeScript(vantor::ScriptCommand command, int side);
    // Re-marks the differences of the panes' current texts.
    void markDifferences();

private:
    void buildSide(int side);
    // Why a command cannot apply to the object, or an empty text when it can.
    static QString whyNotAlter(const Diff& diff, const DiffEntry& object, int side);
    static QString whyNotCreate(const DiffEntry& object, int side);
    static QString whyNotDrop(const DiffEntry& object, int side);
    void updateCommands();
    // Follows a new comparison: the object on display is shown again from it.
    void showAgain();
    // The object whose definitions the panes show, or null after telling the user why not.
    const DiffEntry* displayedObject() const;
    void showScript(const QString& script, int side);

    Session& session_;
    Desktop& desktop_;
    QString currentObject_;
    QLabel* objectCaption_;
    QLabel* objectLabel_;
    std::array<QLabel*, 2> sideHeadings_{};
    std::array<QLabel*, 2> databaseLabels_{};
    std::array<QTextEdit*, 2> panes_{};
    std::array<QWidget*, 2> buttonBars_{};
    std::array<QPushButton*, 2> createButtons_{};
    std::array<QPushButton*, 2> alterButtons_{};
    std::array<QPushButton*, 2> dropButtons_{};
    std::array<QPushButton*, 2> markButtons_{};
    QStatusBar* statusBar_;
};

} // namespace vantor
