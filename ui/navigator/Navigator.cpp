#include "ui/navigator/Navigator.h"

#include "engine/Session.h"
#include "ui/icons/Icons.h"
#include "ui/navigator/FolderPanel.h"

#include <QKeyEvent>
#include <QMenu>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <optional>

namespace vantor {

namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kIndexRole = Qt::UserRole + 1;

const QString kRootKey = QStringLiteral(":ROOT");

QString stateText(ObjectState state) {
    switch (state) {
    case ObjectState::Equal:
        return QStringLiteral("Equal in both databases");
    case ObjectState::Different:
        return QStringLiteral("Different in the two databases");
    case ObjectState::OnlyPrimary:
        return QStringLiteral("Only in the primary database");
    case ObjectState::OnlySecondary:
        return QStringLiteral("Only in the secondary database");
    }
    return QString();
}

} // namespace

Navigator::Navigator(Session& session, QWidget* parent) : QWidget(parent), session_(session) {
    setObjectName(QStringLiteral("frmNav"));
    setWindowTitle(QStringLiteral("Quick Nav"));

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("Tbs"));
    tabs_->setDocumentMode(true);
    folderPanel_ = new FolderPanel();
    tabs_->addTab(folderPanel_, QStringLiteral("Folders"));
    objectsPage_ = new QWidget();
    objectsPage_->setObjectName(QStringLiteral("picDbObj"));
    objectTree_ = new QTreeWidget(objectsPage_);
    objectTree_->setObjectName(QStringLiteral("tvDbObj"));
    objectTree_->setHeaderHidden(true);
    objectTree_->setUniformRowHeights(true);
    objectTree_->setIconSize(QSize(16, 16));
    objectTree_->installEventFilter(this);
    auto* inner = new QVBoxLayout(objectsPage_);
    inner->setContentsMargins(0, 0, 0, 0);
    inner->addWidget(objectTree_);
    tabs_->addTab(objectsPage_, QStringLiteral("Objects"));
    tabs_->setCurrentWidget(objectsPage_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabs_);

    connect(objectTree_, &QTreeWidget::itemDoubleClicked, this, &Navigator::activateCurrent);
    buildObjectMenu();
    objectTree_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(objectTree_, &QTreeWidget::customContextMenuRequested, this,
            &Navigator::showObjectMenu);
    connect(folderPanel_, &FolderPanel::OpenFileRequested, this, &Navigator::openFileRequested);
    connect(&session_, &Session::compared, this, &Navigator::fillTree);
    connect(&session_, &Session::cleared, this, &Navigator::clearTree);
}

QComboBox* Navigator::drives() const {
    return folderPanel_->drives;
}

FolderTree* Navigator::folders() const {
    return folderPanel_->folders;
}

QTreeWidget* Navigator::files() const {
    return folderPanel_->files;
}

void Navigator::buildObjectMenu() {
    objectMenu_ = new QMenu(this);
    objectMenu_->setObjectName(QStringLiteral("mnObject"));
    QAction* compare = objectMenu_->addAction(QStringLiteral("Compare"));
    compare->setObjectName(QStringLiteral("mnObjCompare"));
    connect(compare, &QAction::triggered, this, [this] { Q_EMIT objectActivated(menuObject_); });
    // The same captions as the Edit menu's script items.
    const char* sides[] = {"Primary", "Secondary"};
    const std::pair<ScriptCommand, const char*> commands[] = {{ScriptCommand::Create, "CREATE"},
                                                              {ScriptCommand::Drop, "DROP"},
                                                              {ScriptCommand::Alter, "ALTER"}};
    for (int side : {0, 1}) {
        objectMenu_->addSeparator();
        for (const auto& [command, word] : commands) {
            QAction* item =
                objectMenu_->addAction(QStringLiteral("%1 database script %2")
                                           .arg(QLatin1String(sides[side]), QLatin1String(word)));
            item->setObjectName(
                QStringLiteral("mnObj%1%2").arg(QLatin1String(sides[side]), QLatin1String(word)));
            connect(item, &QAction::triggered, this, [this, command = command, side] {
                Q_EMIT scriptRequested(menuObject_, command, side);
            });
        }
    }
}

void Navigator::showObjectMenu(const QPoint& at) {
    QTreeWidgetItem* item = objectTree_->itemAt(at);
    const QString key = nodeKey(item);
    const Diff* diff = session_.diff();
    if (key.size() < 2 || !diff || !diff->find(key.mid(1)))
        return;
    objectTree_->setCurrentItem(item);
    menuObject_ = key.mid(1);
    objectMenu_->popup(objectTree_->viewport()->mapToGlobal(at));
}

bool Navigator::eventFilter(QObject* watched, QEvent* event) {
    if (watched == objectTree_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_F5) {
            Q_EMIT refreshRequested();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            activateCurrent();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QTreeWidgetItem* Navigator::node(const QString& key) const {
    return byKey_.value(key, nullptr);
}

QString Navigator::nodeKey(const QTreeWidgetItem* node) {
    return node ? node->data(0, kKeyRole).toString() : QString();
}

void Navigator::clearTree() {
    objectTree_->clear();
    nodes_.clear();
    byKey_.clear();
}

QTreeWidgetItem* Navigator::addNode(QTreeWidgetItem* parent, const QString& key,
                                    const QString& text, const QIcon& icon) {
    if (!key.isEmpty() && byKey_.contains(key))
        return nullptr;
    auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(objectTree_);
    node->setText(0, text);
    node->setIcon(0, icon);
    node->setData(0, kKeyRole, key);
    node->setData(0, kIndexRole, static_cast<qulonglong>(nodes_.size()));
    nodes_.push_back(node);
    if (!key.isEmpty())
        byKey_.insert(key, node);
    return node;
}

void Navigator::fillTree() {
    // The selection stays on the same object, found by its key (kind and name); a row number
    // would point at another object once objects come or go.
    std::optional<QString> remembered;
    QString rememberedCategory;
    if (!nodes_.empty())
        if (QTreeWidgetItem* selected = objectTree_->currentItem()) {
            remembered = nodeKey(selected);
            rememberedCategory = nodeKey(selected->parent());
        }

    clearTree();
    QTreeWidgetItem* root =
        addNode(nullptr, kRootKey, QStringLiteral("MDB"), TreeIcon(TreeImage::Root));
    QIcon category = TreeIcon(TreeImage::Category);
    addNode(root, QStringLiteral(":TABLE"), QStringLiteral("TABLE"), category);
    addNode(root, QStringLiteral(":VIEW"), QStringLiteral("VIEW"), category);

    if (const Diff* diff = session_.diff()) {
        for (const DiffEntry& entry : diff->entries) {
            if (IsSystemKind(entry.kind))
                continue;
            // A kind without a category gets one of its own.
            const QString categoryKey = QLatin1Char(':') + TypeName(entry.kind);
            QTreeWidgetItem* parent = node(categoryKey);
            if (!parent)
                parent = addNode(root, categoryKey, TypeName(entry.kind), category);
            QTreeWidgetItem* item =
                addNode(parent, QLatin1Char(':') + entry.name, entry.name, StateIcon(entry.state));
            if (!item)
                continue;
            item->setToolTip(0, stateText(entry.state));
            for (QTreeWidgetItem* up = parent; up && !up->isExpanded(); up = up->parent())
                up->setExpanded(true);
        }
    }

    if (!remembered)
        objectTree_->setCurrentItem(nodes_.front());
    else if (QTreeWidgetItem* same = node(*remembered);
             same && nodeKey(same->parent()) == rememberedCategory)
        objectTree_->setCurrentItem(same);
    else
        objectTree_->setCurrentItem(nullptr);
    Q_EMIT filled();
}

void Navigator::activateCurrent() {
    const QString key = nodeKey(objectTree_->currentItem());
    const Diff* diff = session_.diff();
    // Only objects are shown; the root and the categories have nothing to compare.
    if (key.size() > 1 && diff && diff->find(key.mid(1)))
        Q_EMIT objectActivated(key.mid(1));
}

} // namespace vantor
