#include "ui/shell/HelpCommands.h"

#include "ui/shell/AppFiles.h"
#include "ui/shell/Desktop.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace vantor {

namespace {

void openOrExplain(Desktop& desktop, const QUrl& url, const QString& shown) {
    if (desktop.OpenUrl(url))
        return;
    desktop.MsgBox(
        QStringLiteral("No web browser could be started to show:\n%1\n\nOpen it in a browser "
                       "yourself, or set up a default browser (xdg-settings).")
            .arg(shown),
        mb::OKOnly | mb::Exclamation);
}

} // namespace

QStringList HelpIndexCandidates() {
    const QDir program(ProgramFolder());
    return {QDir::cleanPath(program.absoluteFilePath(QStringLiteral("help/index.html"))),
            QDir::cleanPath(
                program.absoluteFilePath(QStringLiteral("../share/vantor/help/index.html")))};
}

QString HelpIndexPath(const QStringList& candidates) {
    for (const QString& candidate : candidates)
        if (QFileInfo(candidate).isFile())
            return candidate;
    return QString();
}

void ShowHelp(Desktop& desktop, const QStringList& candidates) {
    const QString index = HelpIndexPath(candidates);
    if (index.isEmpty()) {
        desktop.MsgBox(QStringLiteral("The help is not installed. It was looked for at:\n%1")
                           .arg(candidates.join(QLatin1Char('\n'))),
                       mb::OKOnly | mb::Exclamation);
        return;
    }
    openOrExplain(desktop, QUrl::fromLocalFile(index), index);
}

void ShowUpdateInfo(Desktop& desktop) {
    // The program asks no server: it is updated as the rest of the system is.
    desktop.MsgBox(QStringLiteral("This is Vantor version %1.\n\nUpdates come with your "
                                  "distribution's packages: update the system with its package "
                                  "manager (for example: sudo apt update && sudo apt upgrade) "
                                  "to get a newer Vantor when there is one.")
                       .arg(QStringLiteral(VANTOR_VERSION)),
                   mb::OKOnly | mb::Information, QStringLiteral("Check Update Application"));
}

void OpenUrl(Desktop& desktop, const QString& url) {
    openOrExplain(desktop, QUrl(url), url);
}

} // namespace vantor
