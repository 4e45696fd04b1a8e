#pragma once

#include <QHash>
#include <QWidget>
#include <vector>

class QComboBox;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace vantor {

class CompareView;
class Desktop;
class FolderPanel;
class FolderTree;
class Session;

// The navigator: the compared objects as a tree marked by their comparison state; a
// double-click shows an object's two definitions in the comparison window. Another tab browses
// folders for script files.
class Navigator : public QWidget {
    Q_OBJECT

public:
    Navigator(Session& session, Desktop& desktop, CompareView& compare, QWidget* parent = nullptr);

    QTabWidget* Tbs;
    FolderPanel* picFolders;
    QComboBox* Drive1;
    FolderTree* Dir1;
    QTreeWidget* File1;
    QWidget* picDbObj;
    QTreeWidget* tvDbObj;

    // Compares again and, when that succeeds, rebuilds the tree.
    void Reload();
    // Rebuilds the tree from the session's current comparison.
    void Fill_TvObjects();
    void ClearNodes();
    // Empties the tree and the comparison window, after a comparison that could not be made.
    void ClearComparison();

    // The node with the key, or null; keys are compared exactly.
    QTreeWidgetItem* Node(const QString& key) const;
    static QString NodeKey(const QTreeWidgetItem* node);
    // Nodes in the order they were added, which is what "the node's index" counts.
    const std::vector<QTreeWidgetItem*>& Nodes() const { return nodes_; }

public Q_SLOTS:
    void tvDbObj_DblClick();

Q_SIGNALS:
    // The tree was rebuilt from the comparison.
    void Filled();
    // The comparison window is hidden and a double-click needs it.
    void CompareWindowWanted();
    // A file of the folders tab was double-clicked.
    void OpenFileRequested(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const QString& key, const QString& text,
                             const QIcon& icon);
    void showInCompareWindow(const QTreeWidgetItem* node);

    Session& session_;
    Desktop& desktop_;
    CompareView& compare_;
    std::vector<QTreeWidgetItem*> nodes_;
    QHash<QString, QTreeWidgetItem*> byKey_;
};

} // namespace vantor
