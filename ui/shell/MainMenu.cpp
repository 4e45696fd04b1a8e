#include "ui/shell/MainMenu.h"

#include "ui/shell/ControlArrays.h"

#include <QMenu>
#include <QMenuBar>

namespace vantor {

MainMenu::MainMenu(QMenuBar& bar) {
    fileMenu = menu(bar, "mnFile", QStringLiteral("&File"));
    item(fileMenu, "new", QStringLiteral("&Connect and Compare..."), QStringLiteral("Ctrl+N"));
    item(fileMenu, "mnDisconect", QStringLiteral("&Disconnect All"));
    item(fileMenu, "mnRef", QStringLiteral("&Refresh Schema"), QStringLiteral("F5"));
    separator(fileMenu, "m1");
    item(fileMenu, "mnNew", QStringLiteral("&New Script"));
    item(fileMenu, "open", QStringLiteral("&Open..."), QStringLiteral("Ctrl+O"));
    item(fileMenu, "mnSave", QStringLiteral("&Save"), QStringLiteral("Ctrl+S"));
    item(fileMenu, "saveas", QStringLiteral("Save &As..."));
    item(fileMenu, "mnSaveAll", QStringLiteral("Save All &Queries"));
    item(fileMenu, "mnPrint", QStringLiteral("&Print..."));
    separator(fileMenu, "mnSep1");
    recentMenu = fileMenu->addMenu(QStringLiteral("&Recent File List"));
    recentMenu->setObjectName(QStringLiteral("mnuRecent"));
    for (int i = 0; i < 6; ++i) {
        recentItems[i] = recentMenu->addAction(QString());
        recentItems[i]->setObjectName(indexed("mnuRec", i));
        recentItems[i]->setVisible(i == 0);
        // An entry without a path has nothing to open.
        recentItems[i]->setEnabled(false);
    }
    item(fileMenu, "mnExit", QStringLiteral("E&xit"));

    editMenu = menu(bar, "mnEdit", QStringLiteral("&Edit"));
    item(editMenu, "mnPriCreate", QStringLiteral("Primary database script CREATE"));
    item(editMenu, "mnPriDrop", QStringLiteral("Primary database script DROP"));
    item(editMenu, "mnPriAlter", QStringLiteral("Primary database script ALTER"));
    separator(editMenu, "mxn2");
    item(editMenu, "mnSecCreate", QStringLiteral("Secondary database script CREATE"),
         QStringLiteral("F6"));
    item(editMenu, "mnSecDrop", QStringLiteral("Secondary database script DROP"),
         QStringLiteral("F7"));
    item(editMenu, "mnSecAlter", QStringLiteral("Secondary database script ALTER"),
         QStringLiteral("F8"));

    viewMenu = menu(bar, "mnView", QStringLiteral("&View"));
    for (auto [name, caption] :
         {std::pair{"mnObjBrowser", "Object browser."}, std::pair{"mnTblCmp", "Table Compare."},
          std::pair{"DisplayLogWindow", "Display &Log window."}}) {
        QAction* toggle = item(viewMenu, name, QString::fromLatin1(caption));
        toggle->setCheckable(true);
        toggle->setChecked(true);
    }
    separator(viewMenu, "mnSepOptions");
    item(viewMenu, "mnCompareOptions", QStringLiteral("Compare &Options..."));

    addInsMenu = menu(bar, "mnAddIns", QStringLiteral("&Add-Ins"));
    addInItems.push_back(addInsMenu->addAction(QStringLiteral("Unknown")));
    addInItems[0]->setObjectName(indexed("mnAddInItems", 0));

    windowMenu = menu(bar, "mnWindow", QStringLiteral("&Window"));
    item(windowMenu, "mnSplitHoriz", QStringLiteral("&Tile Horizontal"));
    item(windowMenu, "mnSplitVertical", QStringLiteral("&Tile Vertical"));
    item(windowMenu, "ArrangeIcons", QStringLiteral("Arrange Icons"));
    item(windowMenu, "Casade", QStringLiteral("&Casade"));
    separator(windowMenu, "Sep3");
    item(windowMenu, "CloseAllWindows", QStringLiteral("Close All Windows"));
    separator(windowMenu, "sep2");
    item(windowMenu, "ShowFileinBrowser", QStringLiteral("&Show File in Browser"));
    windowList = windowMenu->addMenu(QStringLiteral("Window List"));
    windowList->setObjectName(QStringLiteral("WindowList"));

    helpMenu = menu(bar, "mnHelp", QStringLiteral("&Help"));
    item(helpMenu, "mnHelpGen", QStringLiteral("&General Help"));
    item(helpMenu, "mnHelpOnline", QStringLiteral("Help Online"));
    separator(helpMenu, "mnSep23");
    item(helpMenu, "mnReadme", QStringLiteral("&Readme"));
    item(helpMenu, "mnProductWeb", QStringLiteral("Orvel Compare Website"));
    separator(helpMenu, "mnSep2");
    item(helpMenu, "mnCheckUpdate", QStringLiteral("&Check Update Application"));
    item(helpMenu, "mnAbout", QStringLiteral("&About"));
}

QAction* MainMenu::action(const QString& name) const {
    return items_.value(name, nullptr);
}

QMenu* MainMenu::menu(QMenuBar& bar, const char* name, const QString& caption) {
    QMenu* m = bar.addMenu(caption);
    m->setObjectName(QLatin1String(name));
    return m;
}

QAction* MainMenu::item(QMenu* menu, const char* name, const QString& caption,
                        const QString& shortcut) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    if (!shortcut.isEmpty())
        a->setShortcut(QKeySequence(shortcut));
    items_.insert(a->objectName(), a);
    return a;
}

void MainMenu::separator(QMenu* menu, const char* name) {
    QAction* a = menu->addSeparator();
    a->setObjectName(QLatin1String(name));
}

} // namespace vantor
