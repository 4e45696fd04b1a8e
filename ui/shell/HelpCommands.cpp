#include "ui/shell/HelpCommands.h"

#include "ui/shell/AppFiles.h"
#include "ui/shell/DesktopUserInterface.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace vantor {

namespace {

bool openWithDesktop(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

void openOrExplain(const QUrl& url, const QString& shown) {
    if (UrlOpener()(url))
        return;
    DesktopUi().MsgBox(
        QStringLiteral("No web browser could be started to show:\n%1\n\nOpen it in a browser "
                       "yourself, or set up a default browser (xdg-settings).")
            .arg(shown),
        mb::OKOnly | mb::Exclamation);
}

} // namespace

UrlOpenerFunction& UrlOpener() {
    static UrlOpenerFunction opener = openWithDesktop;
    return opener;
}

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

void ShowHelp(const QStringList& candidates) {
    const QString index = HelpIndexPath(candidates);
    if (index.isEmpty()) {
        DesktopUi().MsgBox(QStringLiteral("The help is not installed. It was looked for at:\n%1")
                               .arg(candidates.join(QLatin1Char('\n'))),
                           mb::OKOnly | mb::Exclamation);
        return;
    }
    openOrExplain(QUrl::fromLocalFile(index), index);
}

void OpenUrl(const QString& url) {
    openOrExplain(QUrl(url), url);
}

} // namespace vantor
