#include "ui/shell/MainMenu.h"

#include "ui/shell/ControlArrays.h"

#include <QMenu>
#include <QMenuBar>

namespace vantor {

MainMenu::MainMenu(QMenuBar& bar) {
    mnFile = menu(bar, "mnFile", QStringLiteral("&File"));
    item(mnFile, "new", QStringLiteral("&Connect and Compare..."), QStringLiteral("Ctrl+N"));
    item(mnFile, "mnDisconect", QStringLiteral("&Disconnect All"));
    item(mnFile, "mnRef", QStringLiteral("&Refresh Schema"), QStringLiteral("F5"));
    separator(mnFile, "m1");
    item(mnFile, "mnNew", QStringLiteral("&New Script"));
    item(mnFile, "open", QStringLiteral("&Open..."), QStringLiteral("Ctrl+O"));
    item(mnFile, "mnSave", QStringLiteral("&Save"), QStringLiteral("Ctrl+S"));
    item(mnFile, "saveas", QStringLiteral("Save &As..."));
    item(mnFile, "mnSaveAll", QStringLiteral("Save All &Queries"));
    item(mnFile, "mnPrint", QStringLiteral("&Print..."));
    separator(mnFile, "mnSep1");
    mnuRecent = mnFile->addMenu(QStringLiteral("&Recent File List"));
    mnuRecent->setObjectName(QStringLiteral("mnuRecent"));
    for (int i = 0; i < 6; ++i) {
        mnuRec[i] = mnuRecent->addAction(QString());
        mnuRec[i]->setObjectName(indexed("mnuRec", i));
        mnuRec[i]->setVisible(i == 0);
        // An entry without a path has nothing to open.
        mnuRec[i]->setEnabled(false);
    }
    item(mnFile, "mnExit", QStringLiteral("E&xit"));

    mnEdit = menu(bar, "mnEdit", QStringLiteral("&Edit"));
    item(mnEdit, "mnPriCreate", QStringLiteral("Primary database script CREATE"));
    item(mnEdit, "mnPriDrop", QStringLiteral("Primary database script DROP"));
    item(mnEdit, "mnPriAlter", QStringLiteral("Primary database script ALTER"));
    separator(mnEdit, "mxn2");
    item(mnEdit, "mnSecCreate", QStringLiteral("Secondary database script CREATE"),
         QStringLiteral("F6"));
    item(mnEdit, "mnSecDrop", QStringLiteral("Secondary database script DROP"),
         QStringLiteral("F7"));
    item(mnEdit, "mnSecAlter", QStringLiteral("Secondary database script ALTER"),
         QStringLiteral("F8"));

    mnView = menu(bar, "mnView", QStringLiteral("&View"));
    for (auto [name, caption] :
         {std::pair{"mnObjBrowser", "Object browser."}, std::pair{"mnTblCmp", "Table Compare."},
          std::pair{"DisplayLogWindow", "Display &Log window."}}) {
        QAction* toggle = item(mnView, name, QString::fromLatin1(caption));
        toggle->setCheckable(true);
        toggle->setChecked(true);
    }

    mnAddIns = menu(bar, "mnAddIns", QStringLiteral("&Add-Ins"));
    mnAddInItems.push_back(mnAddIns->addAction(QStringLiteral("Unknown")));
    mnAddInItems[0]->setObjectName(indexed("mnAddInItems", 0));

    mnWindow = menu(bar, "mnWindow", QStringLiteral("&Window"));
    item(mnWindow, "mnSplitHoriz", QStringLiteral("&Tile Horizontal"));
    item(mnWindow, "mnSplitVertical", QStringLiteral("&Tile Vertical"));
    item(mnWindow, "ArrangeIcons", QStringLiteral("Arrange Icons"));
    item(mnWindow, "Casade", QStringLiteral("&Casade"));
    separator(mnWindow, "Sep3");
    item(mnWindow, "CloseAllWindows", QStringLiteral("Close All Windows"));
    separator(mnWindow, "sep2");
    item(mnWindow, "ShowFileinBrowser", QStringLiteral("&Show File in Browser"));
    WindowList = mnWindow->addMenu(QStringLiteral("Window List"));
    WindowList->setObjectName(QStringLiteral("WindowList"));

    mnHelp = menu(bar, "mnHelp", QStringLiteral("&Help"));
    item(mnHelp, "mnHelpGen", QStringLiteral("&General Help"));
    item(mnHelp, "mnHelpOnline", QStringLiteral("Help Online"));
    separator(mnHelp, "mnSep23");
    item(mnHelp, "mnReadme", QStringLiteral("&Readme"));
    item(mnHelp, "mnProductWeb", QStringLiteral("Orvel Compare Website"));
    separator(mnHelp, "mnSep2");
    item(mnHelp, "mnCheckUpdate", QStringLiteral("&Check Update Application"));
    item(mnHelp, "mnAbout", QStringLiteral("&About"));
}

QAction* MainMenu::Item(const QString& name) const {
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
