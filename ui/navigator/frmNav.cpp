#include "ui/navigator/frmNav.h"

#include "engine/ErrorCollector.h"
#include "engine/Globals.h"
#include "engine/clsEngine.h"
#include "ui/compare/DiffMarking.h"
#include "ui/compare/frmCompare.h"
#include "ui/icons/Icons.h"
#include "ui/navigator/FolderPanel.h"
#include "ui/shell/ActivityLog.h"
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

QString stateText(int status) {
    switch (status) {
    case 0:
        return QStringLiteral("Equal in both databases");
    case 1:
        return QStringLiteral("Different in the two databases");
    case 2:
        return QStringLiteral("Only in the primary database");
    case 3:
        return QStringLiteral("Only in the secondary database");
    default:
        return QString();
    }
}

} // namespace

frmNav::frmNav(frmCompare* compare, QWidget* parent) : QWidget(parent), compare_(compare) {
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

    connect(tvDbObj, &QTreeWidget::itemDoubleClicked, this, &frmNav::tvDbObj_DblClick);
    connect(picFolders, &FolderPanel::OpenFileRequested, this, &frmNav::OpenFileRequested);
}

bool frmNav::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tvDbObj && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F5) {
        Reload();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

QTreeWidgetItem* frmNav::Node(const QString& key) const {
    return byKey_.value(key, nullptr);
}

QString frmNav::NodeKey(const QTreeWidgetItem* node) {
    return node ? node->data(0, kKeyRole).toString() : QString();
}

void frmNav::ClearComparison() {
    ClearNodes();
    compare_->Clear();
}

void frmNav::ClearNodes() {
    tvDbObj->clear();
    nodes_.clear();
    byKey_.clear();
}

QTreeWidgetItem* frmNav::addNode(QTreeWidgetItem* parent, const QString& key, const QString& text,
                                 const QIcon& icon) {
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

void frmNav::Reload() {
    if (!EngineOrWarn())
        return;
    Log().Write(QStringLiteral("Refreshing the schemas of %1 and %2")
                    .arg(Engine->DbPathPrimary(), Engine->DbPathSecondary()));
    ErrorCollector errors(*Engine);
    if (!Engine->Refresh()) {
        // The engine keeps nothing of a failed read, so neither may the windows.
        ClearComparison();
        Log().Write(QStringLiteral("Refresh failed; the comparison was cleared"));
        Ui().MsgBox(CannotOpenMessage(errors.First()), mb::Exclamation);
        return;
    }
    Fill_TvObjects();
    // The comparison window must not go on showing definitions from before the refresh.
    const QString shown = compare_->lblTbl[0]->text();
    if (QTreeWidgetItem* node = shown.isEmpty() ? nullptr : Node(QStringLiteral(":") + shown)) {
        showInCompareWindow(node);
    } else if (!shown.isEmpty()) {
        compare_->lblTbl[0]->clear();
        compare_->ed[0]->clear();
        compare_->ed[1]->clear();
    }
    Log().Write(DescribeComparison(*Engine));
}

void frmNav::Fill_TvObjects() {
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

    if (Engine && Engine->Tables) {
        for (const auto& object : *Engine->Tables) {
            if (!object)
                continue;
            QString type = object->xType();
            if (type == QLatin1String("ACCESS TABLE") || type == QLatin1String("SYSTEM TABLE"))
                continue;
            QTreeWidgetItem* parent = Node(object->Parent());
            // A type without a category gets one of its own; made once, so an object that
            // still cannot be placed is left out instead of being tried again forever.
            if (!parent && !object->Parent().isEmpty())
                parent = addNode(root, object->Parent(), object->Parent().mid(1), category);
            if (!parent)
                continue;
            QTreeWidgetItem* node =
                addNode(parent, object->Obj_Key(), object->Obj_Name(), StateIcon(object->Status()));
            if (!node)
                continue;
            node->setToolTip(0, stateText(object->Status()));
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

void frmNav::tvDbObj_DblClick() {
    QTreeWidgetItem* node = tvDbObj->currentItem();
    if (!node)
        return;
    if (!compare_->isVisible())
        Q_EMIT CompareWindowWanted();
    showInCompareWindow(node);
}

void frmNav::showInCompareWindow(const QTreeWidgetItem* node) {
    QString key = NodeKey(node);
    std::shared_ptr<clsObject> entry;
    if (Engine && Engine->Tables)
        entry = Engine->Tables->Item(key);

    compare_->lblTbl[0]->setText(node->text(0));
    if (Engine) {
        compare_->lblDb[0]->setText(Engine->DbPathPrimary());
        compare_->lblDb[1]->setText(Engine->DbPathSecondary());
    }
    compare_->ed[0]->clear();
    compare_->ed[1]->clear();
    if (!entry)
        return;

    const std::shared_ptr<clsObjects> sides[] = {Engine->TablesPri, Engine->TablesSec};
    for (int i : {0, 1}) {
        auto object = sides[i] ? sides[i]->Item(key) : nullptr;
        if (!object)
            continue;
        try {
            if (entry->xType() == QLatin1String("TABLE"))
                compare_->ed[i]->setPlainText(object->SqlCreate());
            else if (entry->xType() == QLatin1String("VIEW"))
                compare_->ed[i]->setPlainText(object->Obj_Text());
        } catch (const std::exception&) {
            // A definition that cannot be written leaves its pane empty.
        }
    }
    if (entry->Status() == 3)
        compare_->ed[0]->clear();
    else if (entry->Status() == 2)
        compare_->ed[1]->clear();
    if (compare_->ed[0]->document()->isEmpty() || compare_->ed[1]->document()->isEmpty())
        return;
    try {
        MarkDifferences(*Engine, compare_->ed[0], compare_->ed[1]);
    } catch (const std::exception&) {
        // The panes keep their texts unmarked; the double-click reports nothing.
    }
}

} // namespace vantor
