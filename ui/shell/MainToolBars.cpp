#include "ui/shell/MainToolBars.h"

#include "ui/icons/Icons.h"

#include <QAction>
#include <QToolBar>

namespace vantor {

namespace {

struct Button {
    const char* key;
    const char* toolTip;
    bool groupEnd; // a separator follows, to keep related buttons together
};

const Button kMainButtons[] = {
    {"start", "Start translate...", false},
    {"stop", "stop translate", false},
    {"view", "View on browser", true},
    {"new", "New Document", false},
    {"open", "Open Document", false},
    {"close", "Close Open Document", false},
    {"save", "Save Document", false},
    {"saveall", "Save All Open Documents", false},
    {"saveas", "Save Document As", false},
    {"reload", "Reload Open Document", false},
    {"print", "Print Document", true},
    {"undo", "Undo", false},
    {"redo", "Redo", false},
    {"cut", "Cut Selected Text", false},
    {"copy", "Copy Selected Text", false},
    {"paste", "Paste Clipboard Contents", false},
    {"delete", "Delete Selected Text", false},
    {"prop", "Settings", true},
    {"find", "Find", false},
    {"findnext", "Find Next", false},
    {"findprev", "Find Previous", true},
    {"tabl", "Tab Right", false},
    {"tabr", "Tab Left", false},
    {"cblock", "Comment Block", false},
    {"ublock", "Uncomment Block", true},
    {"tbmark", "Toggle Bookmark", false},
    {"nbmark", "Next Bookmark", false},
    {"pbmark", "Previous Bookmark", false},
    {"cbmark", "Clear Bookmarks", false},
    {"pline", "Previous Line", false},
    {"nline", "Next Line", false},
    {"ctag", "Custom Tag", true},
    {"tilehor", "Tile Horizontaly", false},
    {"tilever", "Tile Verticly", false},
    {"cascade", "Cascade", true},
    {"help", "Help", false},
};

struct MacroButton {
    const char* caption;
    const char* key;
    const char* toolTip;
};

const MacroButton kMacroButtons[] = {
    {"Macro 1", "mac1", "Macro 1"},      {"Macro 2", "mac2", "Play Macro 2"},
    {"Macro 3", "mac3", "Play Macro 3"}, {"Macro 4", "mac4", "Play Macro 4"},
    {"Macro 5", "mac5", "Play Macro 5"}, {"Macro 6", "mac6", "Play Macro 6"},
    {"Macro 7", "mac7", "Play Macro 7"}, {"Macro 8", "mac8", "Play Macro 8"},
    {"Macro 9", "mac9", "Play Macro 9"}, {"Macro 10", "mac10", "Play Macro 10"},
    {"New Mac", "cmac", "Create Macro"},
};

} // namespace

QToolBar* MakeMainToolBar(QWidget* parent) {
    auto* bar = new QToolBar(QStringLiteral("Main"), parent);
    bar->setObjectName(QStringLiteral("tBar"));
    bar->setIconSize(QSize(20, 20));
    for (const Button& b : kMainButtons) {
        QString key = QString::fromLatin1(b.key);
        QAction* a = bar->addAction(ToolIcon(key), QString::fromLatin1(b.toolTip));
        a->setToolTip(QString::fromLatin1(b.toolTip));
        a->setData(key);
        if (b.groupEnd)
            bar->addSeparator();
    }
    return bar;
}

QToolBar* MakeMacroToolBar(QWidget* parent) {
    auto* bar = new QToolBar(QStringLiteral("Macros"), parent);
    bar->setObjectName(QStringLiteral("tbMacro"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (const MacroButton& b : kMacroButtons) {
        QAction* a = bar->addAction(QString::fromLatin1(b.caption));
        a->setToolTip(QString::fromLatin1(b.toolTip));
        a->setData(QString::fromLatin1(b.key));
    }
    return bar;
}

QString ButtonKey(const QAction* button) {
    return button ? button->data().toString() : QString();
}

QAction* FindButton(const QToolBar& bar, const QString& key) {
    for (QAction* a : bar.actions())
        if (!a->isSeparator() && ButtonKey(a) == key)
            return a;
    return nullptr;
}

} // namespace vantor
