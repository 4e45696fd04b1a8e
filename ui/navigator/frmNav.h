#pragma once

#include <QHash>
#include <QWidget>
#include <vector>

class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace vantor {

class frmCompare;

// The navigator: the compared objects as a tree marked by their comparison state; a
// double-click shows an object's two definitions in the comparison window.
class frmNav : public QWidget {
    Q_OBJECT

public:
    explicit frmNav(frmCompare* compare, QWidget* parent = nullptr);

    QTabWidget* Tbs;
    QWidget* picDbObj;
    QTreeWidget* tvDbObj;

    // Compares again and, when that succeeds, rebuilds the tree.
    void Reload();
    // Rebuilds the tree from the engine's current lists.
    void Fill_TvObjects();
    void ClearNodes();

    // The node with the key, or null; keys are compared exactly.
    QTreeWidgetItem* Node(const QString& key) const;
    static QString NodeKey(const QTreeWidgetItem* node);
    // Nodes in the order they were added, which is what "the node's index" counts.
    const std::vector<QTreeWidgetItem*>& Nodes() const { return nodes_; }

public Q_SLOTS:
    void tvDbObj_DblClick();

Q_SIGNALS:
    // The tree was rebuilt from the engine.
    void Filled();
    // The comparison window is hidden and a double-click needs it.
    void CompareWindowWanted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const QString& key, const QString& text,
                             const QIcon& icon);
    void showInCompareWindow(const QTreeWidgetItem* node);

    frmCompare* compare_;
    std::vector<QTreeWidgetItem*> nodes_;
    QHash<QString, QTreeWidgetItem*> byKey_;
};

} // namespace vantor
