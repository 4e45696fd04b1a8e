// Takes the pictures of the user documentation: the main window after comparing two
// databases, the comparison window showing a differing object, the connect dialog, a script
// window, and the main window after every difference was scripted away on copies of the two.
#include "engine/Globals.h"
#include "engine/clsEngine.h"
#include "model/clsObjects.h"
#include "ui/compare/frmCompare.h"
#include "ui/compare/frmConnect.h"
#include "ui/editor/frmEditor.h"
#include "ui/icons/Icons.h"
#include "ui/navigator/frmNav.h"
#include "ui/shell/ActivityLog.h"
#include "ui/shell/DesktopUserInterface.h"
#include "ui/shell/ScriptDocuments.h"
#include "ui/shell/frmMDI.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
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

// Runs each script window that opens with F5, after taking the first one's picture; the
// closing question is answered Yes, which closes the window.
class ScriptWindowDriver {
public:
    explicit ScriptWindowDriver(QString firstShot) : firstShot_(std::move(firstShot)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start();
    }
    int Failures() const { return failures_; }

private:
    void poll() {
        QWidget* dialog = QApplication::activeModalWidget();
        auto* editor = dialog ? dialog->findChild<frmEditor*>() : nullptr;
        if (!editor || dialog == last_)
            return;
        last_ = dialog;
        timer_.stop();
        if (!firstShot_.isEmpty()) {
            failures_ += !save(dialog, firstShot_);
            firstShot_.clear();
        }
        editor->ToolbarButtonClick(QStringLiteral("exec"));
        if (dialog->isVisible()) {
            std::fprintf(stderr, "a script window stayed open: its script failed\n");
            ++failures_;
            dialog->close();
        }
        timer_.start();
    }

    QString firstShot_;
    QTimer timer_;
    QPointer<QWidget> last_;
    int failures_ = 0;
};

// The secondary database's script for every differing object, run from the comparison
// window's buttons as a user would, then the schema compared again.
int convergeSecondary(frmMDI& window, const QString& scriptShot) {
    ScriptWindowDriver driver(scriptShot);
    frmCompare* compare = window.Compare();
    QList<std::shared_ptr<clsObject>> differing;
    for (const auto& object : *Engine->Tables)
        if (object->Status() != 0 && window.Nav()->Node(object->Obj_Key()))
            differing << object;
    // Tables first, so that the picture of the first script window shows an ALTER script.
    std::stable_partition(differing.begin(), differing.end(), [](const auto& object) {
        return object->Status() == 1 && object->xType() == QLatin1String("TABLE");
    });
    for (const auto& object : differing) {
        window.Nav()->tvDbObj->setCurrentItem(window.Nav()->Node(object->Obj_Key()));
        window.Nav()->tvDbObj_DblClick();
        const bool view = object->xType() == QLatin1String("VIEW");
        if (object->Status() == 1 && !view) {
            compare->cmdAlter_Click(1);
        } else if (object->Status() == 1) {
            compare->cmdDrop_Click(1);
            compare->cmdCrt_Click(1);
        } else if (object->Status() == 2) {
            compare->cmdCrt_Click(1);
        } else {
            compare->cmdDrop_Click(1);
        }
    }
    window.mnRef_Click();
    int unequal = 0;
    for (const auto& object : *Engine->Tables)
        if (object->Status() != 0 && window.Nav()->Node(object->Obj_Key())) {
            std::fprintf(stderr, "still different: %s\n", qPrintable(object->Obj_Name()));
            ++unequal;
        }
    std::fprintf(stderr, "%lld differing objects scripted; %d still differ\n",
                 static_cast<long long>(differing.size()), unequal);
    return driver.Failures() + unequal;
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

        // Scripts change the databases they run on: these run on copies.
        QTemporaryDir copies;
        const QString primaryCopy = copies.filePath(QFileInfo(args[0]).fileName());
        const QString secondaryCopy =
            copies.filePath(QStringLiteral("secondary-") + QFileInfo(args[1]).fileName());
        if (!QFile::copy(args[0], primaryCopy) || !QFile::copy(args[1], secondaryCopy)) {
            std::fprintf(stderr, "could not copy the databases\n");
            return 1;
        }
        for (const QString& copy : {primaryCopy, secondaryCopy})
            QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        window.ConnectAtStart(primaryCopy, secondaryCopy);
        window.Connect()->hide();
        failures += convergeSecondary(window, out.filePath(QStringLiteral("script-window.png")));
        failures += !save(&window, out.filePath(QStringLiteral("converged.png")));

        // A script document beside the comparison window, with its tab and target.
        frmEditor* script = window.Documents().NewDocument();
        script->SetScript(QStringLiteral("-- Orders shipped late, for the monthly review\r\n"
                                         "CREATE VIEW [Late Orders] AS\r\n"
                                         "SELECT [Order ID], [Shipped Date]\r\n"
                                         "FROM [Orders]\r\nGO\r\n"));
        script->Changed(true);
        window.Arrange(2);
        failures += !save(&window, out.filePath(QStringLiteral("script-document.png")));
    }
    ResetGlobals();
    return failures == 0 ? 0 : 1;
}
