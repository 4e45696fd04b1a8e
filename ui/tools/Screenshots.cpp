// Takes the pictures of the user documentation: the main window after comparing two
// databases, the comparison window showing a differing object, and the connect dialog.
#include "engine/Globals.h"
#include "engine/clsEngine.h"
#include "ui/compare/frmCompare.h"
#include "ui/compare/frmConnect.h"
#include "ui/icons/Icons.h"
#include "ui/navigator/frmNav.h"
#include "ui/shell/ActivityLog.h"
#include "ui/shell/DesktopUserInterface.h"
#include "ui/shell/frmMDI.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QStyleFactory>
#include <QTextStream>
#include <QThread>
#include <QTreeWidget>
#include <cstdio>

using namespace vantor;

namespace {

// Message boxes would wait for a click nobody gives; they are printed instead.
class UnattendedUi : public DesktopUserInterface {
public:
    int MsgBox(const QString& prompt, int buttons, const QString&) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(prompt));
        return (buttons & 7) == mb::YesNo ? mb::Yes : mb::OK;
    }
};

void settle() {
    for (int i = 0; i < 10; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

bool save(QWidget* widget, const QString& path) {
    settle();
    bool ok = widget->grab().save(path);
    std::fprintf(stderr, "%s %s\n", ok ? "saved" : "could not save", qPrintable(path));
    return ok;
}

// The first differing table, else the first differing object, else none.
QTreeWidgetItem* differingNode(const frmNav& nav) {
    QTreeWidgetItem* fallback = nullptr;
    for (const auto& object : *Engine->Tables) {
        if (object->Status() != 1)
            continue;
        QTreeWidgetItem* node = nav.Node(object->Obj_Key());
        if (node && object->xType() == QLatin1String("TABLE"))
            return node;
        if (!fallback)
            fallback = node;
    }
    return fallback;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantor"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setWindowIcon(AppIcon());
    QStringList args = app.arguments().mid(1);
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: vantor-screenshots PRIMARY SECONDARY OUTPUT-FOLDER\n");
        return 2;
    }
    QDir out(args[2]);
    out.mkpath(QStringLiteral("."));

    UnattendedUi ui;
    InstallDesktopUi(&ui);
    QObject::connect(&Log(), &ActivityLog::LineWritten, [](const QString& line) {
        std::fprintf(stderr, "log: %s\n", qPrintable(line));
    });
    int failures = 0;
    {
        frmMDI window;
        window.resize(1280, 800);
        window.show();
        settle();
        window.ConnectAtStart(args[0], args[1]);
        if (!Engine || !SchemasLoaded(*Engine)) {
            std::fprintf(stderr, "the two databases could not be compared\n");
            return 1;
        }
        window.Connect()->hide();

        // The whole window with a differing object open, then the comparison window alone.
        QTreeWidgetItem* node = differingNode(*window.Nav());
        if (node) {
            window.Nav()->tvDbObj->setCurrentItem(node);
            window.Nav()->tvDbObj_DblClick();
        } else {
            std::fprintf(stderr, "no differing object to show\n");
            ++failures;
        }
        failures += !save(&window, out.filePath(QStringLiteral("main-window.png")));
        failures +=
            !save(window.CompareWindow(), out.filePath(QStringLiteral("comparison-window.png")));

        frmConnect* dialog = window.Connect();
        dialog->show();
        dialog->txtDb[0]->setText(args[0]);
        dialog->txtDb[1]->setText(args[1]);
        failures += !save(dialog, out.filePath(QStringLiteral("connect-dialog.png")));
        dialog->hide();
    }
    ResetGlobals();
    return failures == 0 ? 0 : 1;
}
