#include "ui/navigator/FolderPanel.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSplitter>
#include <QStorageInfo>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace vantor {

namespace {

constexpr int kKeyRole = Qt::UserRole;

} // namespace

FolderTree::FolderTree(QWidget* parent) : QTreeView(parent) {
    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model_->setOption(QFileSystemModel::DontUseCustomDirectoryIcons);
    model_->setReadOnly(true);
    model_->setRootPath(QDir::rootPath());
    setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column)
        hideColumn(column);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    // Folders arrive from a worker thread and are sorted later, which moves the current one out
    // of view while the folders above it fill.
    connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
        if (path_ == loaded || path_.startsWith(FolderPanel::WithTrailingSlash(loaded)))
            revealCurrent();
    });
    connect(model_, &QFileSystemModel::layoutChanged, this, &FolderTree::revealCurrent);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this] { revealing_ = false; });
}

void FolderTree::showEvent(QShowEvent* event) {
    QTreeView::showEvent(event);
    revealCurrent();
}

bool FolderTree::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::Wheel)
        revealing_ = false;
    return QTreeView::viewportEvent(event);
}

void FolderTree::keyPressEvent(QKeyEvent* event) {
    revealing_ = false;
    QTreeView::keyPressEvent(event);
}

void FolderTree::revealCurrent() {
    if (revealing_ && currentIndex().isValid())
        scrollTo(currentIndex(), QAbstractItemView::PositionAtCenter);
}

bool FolderTree::SetPath(const QString& folder) {
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir())
        return false;
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    const QModelIndex index = model_->index(clean);
    if (index.isValid()) {
        setCurrentIndex(index);
        revealing_ = true;
        revealCurrent();
    }
    apply(clean);
    return true;
}

void FolderTree::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (current.isValid())
        apply(model_->filePath(current));
}

void FolderTree::apply(const QString& folder) {
    if (folder == path_)
        return;
    path_ = folder;
    Q_EMIT PathChanged(path_);
}

FolderPanel::FolderPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picFolders"));
    icons_.setOptions(QFileIconProvider::DontUseCustomDirectoryIcons);

    drives = new QComboBox(this);
    drives->setObjectName(QStringLiteral("Drive1"));
    folders = new FolderTree();
    folders->setObjectName(QStringLiteral("Dir1"));
    files = new QTreeWidget();
    files->setObjectName(QStringLiteral("File1"));
    files->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Path")});
    files->setRootIsDecorated(false);
    files->setUniformRowHeights(true);
    files->setIconSize(QSize(16, 16));
    files->header()->setSectionResizeMode(0, QHeaderView::Interactive);
    files->header()->resizeSection(0, 180);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->setChildrenCollapsible(false);
    split->addWidget(folders);
    split->addWidget(files);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(drives);
    layout->addWidget(split, 1);

    fillDrives();
    connect(drives, &QComboBox::currentIndexChanged, this, &FolderPanel::driveChanged);
    connect(folders, &FolderTree::PathChanged, this, &FolderPanel::folderChanged);
    connect(files, &QTreeWidget::itemDoubleClicked, this, &FolderPanel::fileActivated);
    folders->SetPath(QDir::currentPath());
}

QString FolderPanel::WithTrailingSlash(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString FolderPanel::FileKey(const QTreeWidgetItem* item) {
    return item ? item->data(0, kKeyRole).toString() : QString();
}

void FolderPanel::listFiles(const QString& path) {
    if (path.isEmpty())
        return;
    const QString folder = WithTrailingSlash(path);
    const QFileInfoList entries =
        QDir(path).entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    QList<QTreeWidgetItem*> items;
    items.reserve(entries.size());
    for (const QFileInfo& file : entries) {
        auto* item = new QTreeWidgetItem({file.fileName(), folder});
        item->setData(0, kKeyRole, folder + file.fileName());
        item->setIcon(0, iconFor(file));
        items.append(item);
    }
    files->addTopLevelItems(items);
}

QIcon FolderPanel::iconFor(const QFileInfo& file) {
    // Asking the platform for every file would read each one's content; files of one kind
    // share one picture.
    const QString suffix = file.suffix().toLower();
    auto known = iconBySuffix_.constFind(suffix);
    if (known != iconBySuffix_.constEnd())
        return *known;
    const QIcon icon =
        suffix.isEmpty() ? icons_.icon(QAbstractFileIconProvider::File) : icons_.icon(file);
    iconBySuffix_.insert(suffix, icon);
    return icon;
}

void FolderPanel::fillDrives() {
    QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    std::sort(volumes.begin(), volumes.end(), [](const QStorageInfo& a, const QStorageInfo& b) {
        return a.rootPath() < b.rootPath();
    });
    const QIcon drive = icons_.icon(QAbstractFileIconProvider::Drive);
    for (const QStorageInfo& volume : volumes) {
        if (!volume.isValid() || !volume.isReady() || drives->findData(volume.rootPath()) >= 0)
            continue;
        const QString caption =
            volume.name().isEmpty()
                ? volume.rootPath()
                : QStringLiteral("%1  [%2]").arg(volume.rootPath(), volume.name());
        drives->addItem(drive, caption, volume.rootPath());
    }
}

void FolderPanel::showDriveOf(const QString& folder) {
    const QString root = QStorageInfo(folder).rootPath();
    if (root.isEmpty())
        return;
    int index = drives->findData(root);
    const QSignalBlocker quiet(drives);
    if (index < 0) {
        drives->addItem(icons_.icon(QAbstractFileIconProvider::Drive), root, root);
        index = drives->count() - 1;
    }
    drives->setCurrentIndex(index);
}

void FolderPanel::driveChanged(int index) {
    // A drive unmounted since the list was made keeps the folder where it was.
    if (!folders->SetPath(drives->itemData(index).toString()))
        showDriveOf(folders->Path());
}

void FolderPanel::folderChanged() {
    files->clear();
    listFiles(folders->Path());
    showDriveOf(folders->Path());
}

void FolderPanel::fileActivated(QTreeWidgetItem* item) {
    if (item)
        Q_EMIT OpenFileRequested(FileKey(item));
}

} // namespace vantor
