#pragma once

#include <QString>
#include <QStringList>

namespace vantor {

class Desktop;

// Where the help index may be, in the order looked at: the help folder beside the program
// (a build tree), then the installed one under share/vantor/help.
QStringList HelpIndexCandidates();
// The first of the candidates that exists, or empty.
QString HelpIndexPath(const QStringList& candidates = HelpIndexCandidates());

// Opens the help index in the browser; tells the user where it looked when there is none.
void ShowHelp(Desktop& desktop, const QStringList& candidates = HelpIndexCandidates());
// Tells the installed version and that updates come with the distribution's packages.
void ShowUpdateInfo(Desktop& desktop);
// Opens url in the browser; tells the user the address when no browser takes it.
void OpenUrl(Desktop& desktop, const QString& url);

} // namespace vantor
