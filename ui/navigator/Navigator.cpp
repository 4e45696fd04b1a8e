#include "ui/navigator/Navigator.h"

#include "engine/Session.h"
#include "ui/compare/CompareView.h"
#include "ui/compare/DiffMarking.h"
#include "ui/icons/Icons.h"
#include "ui/navigator/FolderPanel.h"
#include "ui/shell/Desktop.h"
#include "ui/shell/Messages.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTabWidget>
#include <QTextEdit>
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

Navigator::Navigator(Session& session, Desktop& desktop, CompareView& compare, QWidget* parent)
    : QWidget(parent), session_(session), desktop_(desktop), compare_(compare) {
    setObjectName(QStringLiteral("frmNav"));
    setWindowTitle(QStringLiteral("Quick Nav"));

    Tbs = new QTabWidget(this);
    Tbs->setObjectName(QStringLiteral("Tbs"));
    Tbs->setDocumentMode(true);
    picFolders = new FolderPanel();
    Drive1 = picFolders->Drive1;
    Dir1 = picFolders->Dir1;
    File1 = picFolders->File1;
    Tbs->addTab(picFolders, QStringLiteral("Folders"));
    picDbObj = new QWidget();
    picDbObj->setObjectName(QStringLiteral("picDbObj"));
    tvDbObj = new QTreeWidget(picDbObj);
    tvDbObj->setObjectName(QStringLiteral("tvDbObj"));
    tvDbObj->setHeaderHidden(true);
    tvDbObj->setUniformRowHeights(true);
    tvDbObj->setIconSize(QSize(16, 16));
    tvDbObj->installEventFilter(this);
    auto* inner = new QVBoxLayout(picDbObj);
    inner->setContentsMargins(0, 0, 0, 0);
    inner->addWidget(tvDbObj);
    Tbs->addTab(picDbObj, QStringLiteral("Objects"));
    Tbs->setCurrentWidget(picDbObj);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Tbs);

    connect(tvDbObj, &QTreeWidget::itemDoubleClicked, this, &Navigator::tvDbObj_DblClick);
    connect(picFolders, &FolderPanel::OpenFileRequested, this, &Navigator::OpenFileRequested);
}

bool Navigator::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tvDbObj && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F5) {
        Reload();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

QTreeWidgetItem* Navigator::Node(const QString& key) const {
    return byKey_.value(key, nullptr);
}

QString Navigator::NodeKey(const QTreeWidgetItem* node) {
    return node ? node->data(0, kKeyRole).toString() : QString();
}

void Navigator::ClearComparison() {
    ClearNodes();
    compare_.Clear();
}

void Navigator::ClearNodes() {
    tvDbObj->clear();
    nodes_.clear();
    byKey_.clear();
}

QTreeWidgetItem* Navigator::addNode(QTreeWidgetItem* parent, const QString& key,
                                    const QString& text, const QIcon& icon) {
    if (!key.isEmpty() && byKey_.contains(key))
        return nullptr;
    auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tvDbObj);
    node->setText(0, text);
    node->setIcon(0, icon);
    node->setData(0, kKeyRole, key);
    node->setData(0, kIndexRole, static_cast<qulonglong>(nodes_.size()));
    nodes_.push_back(node);
    if (!key.isEmpty())
        byKey_.insert(key, node);
    return node;
}

void Navigator::Reload() {
    // Databases that were named once are opened again, even after a failed read.
    if (!session_.hasLogins()) {
        desktop_.MsgBox(kOpenDatabaseFirst, mb::Exclamation);
        return;
    }
    session_.log(
        QStringLiteral("Refreshing the schemas of %1 and %2")
            .arg(session_.login(Side::Primary).path, session_.login(Side::Secondary).path));
    try {
        session_.refresh();
    } catch (const std::exception& e) {
        // The session keeps nothing of a failed read, so neither may the windows.
        ClearComparison();
        session_.log(QStringLiteral("Refresh failed; the comparison was cleared"));
        desktop_.MsgBox(CannotOpenMessage(DescriptionOf(e)), mb::Exclamation);
        return;
    }
    Fill_TvObjects();
    // The comparison window must not go on showing definitions from before the refresh.
    const QString shown = compare_.lblTbl[0]->text();
    if (QTreeWidgetItem* node = shown.isEmpty() ? nullptr : Node(QStringLiteral(":") + shown)) {
        showInCompareWindow(node);
    } else if (!shown.isEmpty()) {
        compare_.lblTbl[0]->clear();
        compare_.ed[0]->clear();
        compare_.ed[1]->clear();
    }
    session_.log(DescribeComparison(session_));
}

void Navigator::Fill_TvObjects() {
    // Showing the panel again while the folders tab is up would lay it over that tab.
    const bool shown = !picDbObj->isHidden();
    picDbObj->hide();
    std::optional<size_t> remembered;
    if (!nodes_.empty())
        if (QTreeWidgetItem* selected = tvDbObj->currentItem())
            remembered = selected->data(0, kIndexRole).toULongLong();

    ClearNodes();
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
            QTreeWidgetItem* parent = Node(categoryKey);
            if (!parent)
                parent = addNode(root, categoryKey, TypeName(entry.kind), category);
            QTreeWidgetItem* node =
                addNode(parent, QLatin1Char(':') + entry.name, entry.name, StateIcon(entry.state));
            if (!node)
                continue;
            node->setToolTip(0, stateText(entry.state));
            for (QTreeWidgetItem* up = parent; up && !up->isExpanded(); up = up->parent())
                up->setExpanded(true);
        }
    }

    size_t index = remembered.value_or(0);
    tvDbObj->setCurrentItem(index < nodes_.size() ? nodes_[index] : nullptr);
    if (shown)
        picDbObj->show();
    Q_EMIT Filled();
}

void Navigator::tvDbObj_DblClick() {
    QTreeWidgetItem* node = tvDbObj->currentItem();
    if (!node)
        return;
    if (!compare_.isVisible())
        Q_EMIT CompareWindowWanted();
    showInCompareWindow(node);
}

void Navigator::showInCompareWindow(const QTreeWidgetItem* node) {
    const Diff* diff = session_.diff();
    const DiffEntry* entry = diff ? diff->find(NodeKey(node).mid(1)) : nullptr;

    compare_.lblTbl[0]->setText(node->text(0));
    if (diff) {
        compare_.lblDb[0]->setText(session_.login(Side::Primary).path);
        compare_.lblDb[1]->setText(session_.login(Side::Secondary).path);
    }
    // A side that lacks the object has no text, so its pane stays empty.
    compare_.ed[0]->setPlainText(entry ? entry->primaryText : QString());
    compare_.ed[1]->setPlainText(entry ? entry->secondaryText : QString());
    if (compare_.ed[0]->document()->isEmpty() || compare_.ed[1]->document()->isEmpty())
        return;
    MarkDifferences(compare_.ed[0], compare_.ed[1]);
}

} // namespace vantor
