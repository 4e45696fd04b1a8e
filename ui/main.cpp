#include "engine/Session.h"
#include "ui/icons/Icons.h"
#include "ui/shell/AddIns.h"
#include "ui/shell/Desktop.h"
#include "ui/shell/HelpCommands.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/RecentFiles.h"

#include <QApplication>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>
#include <cstring>

using namespace vantor;

namespace {

const char* const kUsage =
    "Usage: vantor [PRIMARY SECONDARY]\n"
    "Compares the schemas of two Access databases (.mdb, .accdb) or schema snapshots (.json).\n"
    "Given two databases, it connects and compares them at start, as the connect dialog would\n"
    "with the user Admin and no passwords.\n"
    "  -h, --help     show this text\n"
    "  -v, --version  show the version\n";

// Whether a window system can be reached; Qt would otherwise abort with its own message.
bool displayAvailable() {
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

} // namespace

int main(int argc, char** argv) {
    QStringList databases;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        // Undocumented: tells an install check where the Help menu would find the help.
        if (!std::strcmp(argv[i], "--help-path")) {
            QCoreApplication core(argc, argv);
            QString index = HelpIndexPath();
            if (index.isEmpty()) {
                std::fprintf(stderr, "vantor: no help at %s\n",
                             qPrintable(HelpIndexCandidates().join(QStringLiteral(" or "))));
                return 1;
            }
            std::puts(qPrintable(index));
            return 0;
        }
        if (!std::strcmp(argv[i], "-v") || !std::strcmp(argv[i], "--version")) {
            std::printf("vantor %s\n", VANTOR_VERSION);
            return 0;
        }
        if (argv[i][0] == '-') {
            std::fprintf(stderr, "vantor: unknown option %s\n%s", argv[i], kUsage);
            return 2;
        }
        databases << QString::fromLocal8Bit(argv[i]);
    }
    if (databases.size() != 0 && databases.size() != 2) {
        std::fprintf(stderr, "vantor: give both databases or none\n%s", kUsage);
        return 2;
    }
    if (!displayAvailable()) {
        std::fputs("vantor: no display to show the windows on (DISPLAY is not set).\n"
                   "For a report in the terminal use: vantor-cli compare PRIMARY SECONDARY\n",
                   stderr);
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantor"));
    QApplication::setApplicationVersion(QStringLiteral(VANTOR_VERSION));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setWindowIcon(AppIcon());

    Session session;
    SystemDesktop desktop;
    MainWindow window(session, desktop, RecentFiles::DefaultFile(), PluginFolder());
    window.show();
    if (databases.size() == 2)
        QTimer::singleShot(0, &window, [&window, &databases] {
            window.connectAtStart(databases[0], databases[1]);
        });
    return QApplication::exec();
}
