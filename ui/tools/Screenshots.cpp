// Takes the pictures of the user documentation: the main window after comparing two
// databases, the comparison window showing a differing object, the connect dialog, a script
// window, and the main window after every difference was scripted away on copies of the two.
#include "engine/Session.h"
#include "ui/compare/CompareView.h"
#include "ui/compare/ConnectDialog.h"
#include "ui/editor/ScriptWindow.h"
#include "ui/icons/Icons.h"
#include "ui/navigator/Navigator.h"
#include "ui/shell/AddIns.h"
#include "ui/shell/Desktop.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/MdiArrange.h"
#include "ui/shell/RecentFiles.h"
#include "ui/shell/ScriptDocuments.h"

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
#include <utility>

using namespace vantor;

namespace {

// Message boxes would wait for a click nobody gives; they are printed instead, and seen by
// onMessage first (which may take a picture of the window that asks). A file name to save to
// is answered with saveName.
class UnattendedDesktop : public SystemDesktop {
public:
    std::function<void(const QString& prompt)> onMessage;
    QString saveName;

    int MsgBox(const QString& prompt, int buttons, const QString&) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(prompt));
        if (onMessage)
            onMessage(prompt);
        return (buttons & 7) == mb::YesNo ? mb::Yes : mb::OK;
    }
    QString SaveFileName(QWidget*, const QString&, const QString&) override {
        return std::exchange(saveName, QString());
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
QTreeWidgetItem* differingNode(const Diff& diff, const Navigator& nav) {
    QTreeWidgetItem* fallback = nullptr;
    for (const DiffEntry& entry : diff.entries) {
        if (entry.state != ObjectState::Different)
            continue;
        QTreeWidgetItem* node = nav.node(QLatin1Char(':') + entry.name);
        if (node && entry.isTable())
            return node;
        if (!fallback)
            fallback = node;
    }
    return fallback;
}

// Copies, since the refresh after the scripts replaces the comparison they come from.
QList<DiffEntry> differingShown(const Diff& diff, const Navigator& nav) {
    QList<DiffEntry> differing;
    for (const DiffEntry& entry : diff.entries)
        if (entry.state != ObjectState::Equal && nav.node(QLatin1Char(':') + entry.name))
            differing << entry;
    return differing;
}

// Runs each script window that opens with F5, after taking the first one's picture; the
// closing question is answered Yes, which closes the window. The first window is also saved to
// a file and pictured after saving and after its run, as a user walks through it.
class ScriptWindowDriver {
public:
    ScriptWindowDriver(Session& session, UnattendedDesktop& desktop, QString firstShot,
                       QString savedShot, QString ranShot, QString scriptFile)
        : session_(session), desktop_(desktop), firstShot_(std::move(firstShot)),
          savedShot_(std::move(savedShot)), ranShot_(std::move(ranShot)),
          scriptFile_(std::move(scriptFile)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start();
    }
    int Failures() const { return failures_; }

private:
    void poll() {
        QWidget* dialog = QApplication::activeModalWidget();
        auto* editor = dialog ? dialog->findChild<ScriptWindow*>() : nullptr;
        if (!editor || dialog == last_)
            return;
        last_ = dialog;
        timer_.stop();
        if (!firstShot_.isEmpty()) {
            failures_ += !save(dialog, firstShot_);
            firstShot_.clear();
            desktop_.saveName = scriptFile_;
            editor->button(QStringLiteral("save"))->trigger();
            failures_ += !save(dialog, savedShot_);
            desktop_.onMessage = [this, dialog](const QString& prompt) {
                if (prompt == ScriptWindow::ClosingQuestion()) {
                    failures_ += !save(dialog, ranShot_);
                    desktop_.onMessage = nullptr;
                }
            };
        }
        // A refresh offered by the script before may still be reading.
        session_.waitForWork();
        editor->runScript();
        session_.waitForWork();
        if (dialog->isVisible()) {
            std::fprintf(stderr, "a script window stayed open: its script failed\n");
            ++failures_;
            dialog->close();
        }
        timer_.start();
    }

    Session& session_;
    UnattendedDesktop& desktop_;
    QString firstShot_;
    QString savedShot_;
    QString ranShot_;
    QString scriptFile_;
    QTimer timer_;
    QPointer<QWidget> last_;
    int failures_ = 0;
};

// The secondary database's script for every differing object, run from the comparison
// window's buttons as a user would, then the schema compared again.
int convergeSecondary(MainWindow& window, UnattendedDesktop& desktop, const QDir& out,
                      const QString& scriptFile) {
    ScriptWindowDriver driver(window.session(), desktop,
                              out.filePath(QStringLiteral("script-window.png")),
                              out.filePath(QStringLiteral("script-saved.png")),
                              out.filePath(QStringLiteral("script-ran.png")), scriptFile);
    CompareView* compare = window.compareView();
    Navigator* nav = window.navigator();
    const qsizetype first = differingShown(*window.session().diff(), *nav).size();
    // Each pass scripts what the last comparison shows, as a user does after F5: a dropped view
    // comes back with Create, and what needs fields that an earlier pass added can have them.
    for (int pass = 0; pass < 3; ++pass) {
        const Diff& diff = *window.session().diff();
        QList<DiffEntry> differing = differingShown(diff, *nav);
        if (differing.isEmpty())
            break;
        // Tables first, so that the picture of the first script window shows an ALTER script.
        std::stable_partition(differing.begin(), differing.end(), [](const DiffEntry& entry) {
            return entry.state == ObjectState::Different && entry.isTable();
        });
        for (const DiffEntry& entry : differing) {
            // The parts of a table only the secondary database has go with the table.
            if (entry.state == ObjectState::OnlySecondary && entry.owner(Side::Secondary) &&
                !diff.find(entry.owner(Side::Secondary)->name)->inPrimary())
                continue;
            nav->objectTree()->setCurrentItem(nav->node(QLatin1Char(':') + entry.name));
            nav->activateCurrent();
            if (entry.state == ObjectState::Different && !entry.isView())
                compare->alterScript(1);
            else if (entry.state == ObjectState::OnlyPrimary)
                compare->createScript(1);
            else
                compare->dropScript(1);
        }
        window.refreshComparison();
        window.session().waitForWork();
    }
    const Diff* after = window.session().diff();
    if (!after) {
        std::fprintf(stderr, "the last comparison failed\n");
        return driver.Failures() + 1;
    }
    const QList<DiffEntry> unequal = differingShown(*after, *nav);
    for (const DiffEntry& entry : unequal)
        std::fprintf(stderr, "still different: %s\n", qPrintable(entry.name));
    std::fprintf(stderr, "%lld differing objects scripted; %lld still differ\n",
                 static_cast<long long>(first), static_cast<long long>(unequal.size()));
    return driver.Failures() + static_cast<int>(unequal.size());
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

    Session session;
    UnattendedDesktop desktop;
    QObject::connect(&session, &Session::logged, [](const QString& line) {
        std::fprintf(stderr, "log: %s\n", qPrintable(line));
    });
    int failures = 0;
    {
        MainWindow window(session, desktop, RecentFiles::DefaultFile(), PluginFolder());
        window.resize(1280, 800);
        window.show();
        settle();
        window.connectAtStart(args[0], args[1]);
        session.waitForWork();
        if (!session.diff()) {
            std::fprintf(stderr, "the two databases could not be compared\n");
            return 1;
        }
        window.connectDialog()->hide();

        // The whole window with a differing object open, then the comparison window alone.
        QTreeWidgetItem* node = differingNode(*session.diff(), *window.navigator());
        if (node) {
            window.navigator()->objectTree()->setCurrentItem(node);
            window.navigator()->activateCurrent();
        } else {
            std::fprintf(stderr, "no differing object to show\n");
            ++failures;
        }
        failures += !save(&window, out.filePath(QStringLiteral("main-window.png")));
        failures +=
            !save(window.compareWindow(), out.filePath(QStringLiteral("comparison-window.png")));

        ConnectDialog* dialog = window.connectDialog();
        dialog->show();
        dialog->setDatabases(args[0], args[1]);
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
        window.connectAtStart(primaryCopy, secondaryCopy);
        session.waitForWork();
        window.connectDialog()->hide();
        failures += convergeSecondary(window, desktop, out,
                                      copies.filePath(QStringLiteral("update-secondary.sql")));
        failures += !save(&window, out.filePath(QStringLiteral("converged.png")));

        // A script document beside the comparison window, with its tab and target.
        ScriptWindow* script = window.documents().NewDocument();
        script->setScript(QStringLiteral("-- Orders shipped late, for the monthly review\r\n"
                                         "CREATE VIEW [Late Orders] AS\r\n"
                                         "SELECT [Order ID], [Shipped Date]\r\n"
                                         "FROM [Orders]\r\nGO\r\n"));
        script->setChanged(true);
        window.arrange(Arrangement::TileVertical);
        failures += !save(&window, out.filePath(QStringLiteral("script-document.png")));
    }
    return failures == 0 ? 0 : 1;
}
