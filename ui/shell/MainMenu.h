#pragma once

#include <QHash>
#include <QString>
#include <array>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;

namespace vantor {

// The main window's menu tree. Every item carries its design name as object name and can be
// looked up by it.
class MainMenu {
public:
    explicit MainMenu(QMenuBar& bar);

    // The item with the design name, or null.
    QAction* action(const QString& name) const;

    QMenu* fileMenu;
    QMenu* recentMenu;
    QMenu* editMenu;
    QMenu* viewMenu;
    QMenu* addInsMenu;
    QMenu* windowMenu;
    QMenu* windowList;
    QMenu* helpMenu;
    std::array<QAction*, 6> recentItems;
    std::vector<QAction*> addInItems;

private:
    QMenu* menu(QMenuBar& bar, const char* name, const QString& caption);
    QAction* item(QMenu* menu, const char* name, const QString& caption,
                  const QString& shortcut = QString());
    void separator(QMenu* menu, const char* name);

    QHash<QString, QAction*> items_;
};

} // namespace vantor
