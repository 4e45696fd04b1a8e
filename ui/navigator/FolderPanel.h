#pragma once

#include <QFileIconProvider>
#include <QHash>
#include <QTreeView>
#include <QWidget>

class QComboBox;
class QFileInfo;
class QFileSystemModel;
class QTreeWidget;
class QTreeWidgetItem;

namespace vantor {

// The folder list: the file system's folders as a tree, with one current folder, its Path.
class FolderTree : public QTreeView {
    Q_OBJECT

public:
    explicit FolderTree(QWidget* parent = nullptr);

    // The current folder as a clean absolute path; the root is "/".
    const QString& Path() const { return path_; }
    // Makes folder the current one; answers false, changing nothing, when it is no folder.
    bool SetPath(const QString& folder);

Q_SIGNALS:
    void PathChanged(const QString& folder);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void showEvent(QShowEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void apply(const QString& folder);
    void revealCurrent();

    QFileSystemModel* model_;
    QString path_;
    // Until the user moves about, the folder set last is kept in view.
    bool revealing_ = false;
};

// The navigator's folders panel: the mounted drives, the folders, and the files of the current
// folder, any of which a double-click opens.
class FolderPanel : public QWidget {
    Q_OBJECT

public:
    explicit FolderPanel(QWidget* parent = nullptr);

    QComboBox* drives;
    FolderTree* folders;
    QTreeWidget* files;

    // Adds one item per normal file of the folder, subfolders and hidden files left out.
    void listFiles(const QString& path);
    // The full path of the file a files item stands for.
    static QString FileKey(const QTreeWidgetItem* item);
    // folder with one "/" at its end.
    static QString WithTrailingSlash(const QString& folder);

Q_SIGNALS:
    void OpenFileRequested(const QString& path);

private:
    void fillDrives();
    void showDriveOf(const QString& folder);
    void driveChanged(int index);
    void folderChanged();
    void fileActivated(QTreeWidgetItem* item);
    QIcon iconFor(const QFileInfo& file);

    QFileIconProvider icons_;
    QHash<QString, QIcon> iconBySuffix_;
};

} // namespace vantor
