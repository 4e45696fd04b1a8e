#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QUrl;

namespace vantor {

// The online help and the project's home page that the Help menu opens.
inline const QString kHelpOnlineUrl = QStringLiteral("https://vantor.example.org/help/");
inline const QString kProductWebUrl = QStringLiteral("https://vantor.example.org/");

// Hands a URL to the desktop, normally the web browser, and answers whether it was taken;
// tests replace it so that nothing is launched.
using UrlOpenerFunction = std::function<bool(const QUrl&)>;
UrlOpenerFunction& UrlOpener();

// Where the help index may be, in the order looked at: the help folder beside the program
// (a build tree), then the installed one under share/vantor/help.
QStringList HelpIndexCandidates();
// The first of the candidates that exists, or empty.
QString HelpIndexPath(const QStringList& candidates = HelpIndexCandidates());

// Opens the help index in the browser; tells the user where it looked when there is none.
void ShowHelp(const QStringList& candidates = HelpIndexCandidates());
// Opens url in the browser; tells the user the address when no browser takes it.
void OpenUrl(const QString& url);

} // namespace vantor
