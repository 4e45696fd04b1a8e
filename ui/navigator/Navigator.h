#pragma once

#include "ui/compare/ScriptCommand.h"

#include <QHash>
#include <QWidget>
#include <vector>

class QComboBox;
class QMenu;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace vantor {

class FolderPanel;
class FolderTree;
class Session;

// The navigator: the compared objects as a tree marked by their comparison state, rebuilt
// whenever the session compares; a double-click or Enter asks for an object's two definitions.
// Another tab browses folders for script files.
class Navigator : public QWidget {
    Q_OBJECT

public:
    explicit Navigator(Session& session, QWidget* parent = nullptr);

    QTabWidget* tabs() const { return tabs_; }
    FolderPanel* folderPanel() const { return folderPanel_; }
    QComboBox* drives() const;
    FolderTree* folders() const;
    QTreeWidget* files() const;
    QTreeWidget* objectTree() const { return objectTree_; }

    // Rebuilds the tree from the session's current comparison, keeping the selected object.
    void fillTree();
    void clearTree();

    // The node with the key, or null; keys are compared exactly.
    QTreeWidgetItem* node(const QString& key) const;
    static QString nodeKey(const QTreeWidgetItem* node);
    // Nodes in the order they were added, which is what "the node's index" counts.
    const std::vector<QTreeWidgetItem*>& nodes() const { return nodes_; }

public Q_SLOTS:
    // Asks for the selected object, as a double-click does.
    void activateCurrent();

    // The pop-up menu of an object's node: compare, and each side's Create, Drop and Alter.
    QMenu* objectMenu() const { return objectMenu_; }

Q_SIGNALS:
    // The tree was rebuilt from the comparison.
    void filled();
    // An object's definitions are wanted in the comparison window.
    void objectActivated(const QString& name);
    // A script command of the pop-up menu for the object on side 0 (primary) or 1 (secondary).
    void scriptRequested(const QString& name, vantor::ScriptCommand command, int side);
    // F5 in the tree: the databases should be compared again.
    void refreshRequested();
    // A file of the folders tab was double-clicked.
    void openFileRequested(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildObjectMenu();
    void showObjectMenu(const QPoint& at);
    QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const QString& key, const QString& text,
                             const QIcon& icon);

    Session& session_;
    QTabWidget* tabs_;
    FolderPanel* folderPanel_;
    QWidget* objectsPage_;
    QTreeWidget* objectTree_;
    QMenu* objectMenu_ = nullptr;
    QString menuObject_;
    std::vector<QTreeWidgetItem*> nodes_;
    QHash<QString, QTreeWidgetItem*> byKey_;
};

} // namespace vantor
