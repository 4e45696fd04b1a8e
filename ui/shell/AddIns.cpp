#include "ui/shell/AddIns.h"

#include "ui/shell/AppFiles.h"
#include "ui/shell/ControlArrays.h"
#include "ui/shell/MainMenu.h"

#include <QAction>
#include <QDirIterator>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>

namespace vantor {

std::array<QString, kPluginSlots> PluginFiles;

QString PluginFolder() {
    return FolderBesideProgramOrUserData(QStringLiteral("PLUGINS"));
}

void LoadPlugins(const QString& folder) {
    PluginFiles.fill(QString());
    if (folder.isEmpty())
        return;
    QDirIterator it(folder, QDir::Files | QDir::Executable);
    for (size_t i = 0; i < PluginFiles.size() && it.hasNext();)
        if (QFileInfo file = it.nextFileInfo(); file.isFile())
            PluginFiles[i++] = file.absoluteFilePath();
}

void FillAddInMenu(MainMenu& menu) {
    for (int i = 0; i < kAddInMenuEntries; ++i) {
        const QString& path = PluginFiles[static_cast<size_t>(i)];
        if (path.isEmpty())
            break;
        if (i >= static_cast<int>(menu.mnAddInItems.size())) {
            QAction* created = menu.mnAddIns->addAction(QString());
            created->setObjectName(indexed("mnAddInItems", i));
            menu.mnAddInItems.push_back(created);
        }
        QAction* item = menu.mnAddInItems[static_cast<size_t>(i)];
        // An ampersand in a path would otherwise become a keyboard mnemonic.
        item->setText(QString(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
        item->setVisible(true);
    }
}

void RunPlugin(int index) {
    if (index < 0 || index >= kPluginSlots)
        return;
    const QString& program = PluginFiles[static_cast<size_t>(index)];
    if (program.isEmpty())
        return;
    QFileInfo file(program);
    if (!file.isFile() || !file.isExecutable())
        return;
    QProcess::startDetached(program, {});
}

} // namespace vantor
