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

QString PluginFolder() {
    return FolderBesideProgramOrUserData(QStringLiteral("PLUGINS"));
}

void AddIns::Load(const QString& folder) {
    files_.fill(QString());
    if (folder.isEmpty())
        return;
    QDirIterator it(folder, QDir::Files | QDir::Executable);
    for (size_t i = 0; i < files_.size() && it.hasNext();)
        if (QFileInfo file = it.nextFileInfo(); file.isFile())
            files_[i++] = file.absoluteFilePath();
}

void AddIns::FillMenu(MainMenu& menu) const {
    for (int i = 0; i < kAddInMenuEntries; ++i) {
        const QString& path = files_[static_cast<size_t>(i)];
        if (path.isEmpty())
            break;
        if (i >= static_cast<int>(menu.addInItems.size())) {
            QAction* created = menu.addInsMenu->addAction(QString());
            created->setObjectName(indexed("mnAddInItems", i));
            menu.addInItems.push_back(created);
        }
        QAction* item = menu.addInItems[static_cast<size_t>(i)];
        // An ampersand in a path would otherwise become a keyboard mnemonic.
        item->setText(QString(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
        item->setVisible(true);
    }
}

void AddIns::Run(int index) const {
    if (index < 0 || index >= kPluginSlots)
        return;
    const QString& program = files_[static_cast<size_t>(index)];
    if (program.isEmpty())
        return;
    QFileInfo file(program);
    if (!file.isFile() || !file.isExecutable())
        return;
    QProcess::startDetached(program, {});
}

} // namespace vantor
