#pragma once

#include <QString>

class QUrl;
class QWidget;

namespace vantor {

// Message-box buttons, icons and answers with the platform's values.
namespace mb {
constexpr int OKOnly = 0;
constexpr int YesNo = 4;
constexpr int YesNoCancel = 3;
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int Information = 64;
constexpr int OK = 1;
constexpr int Cancel = 2;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace mb

// Windows ask the user and the desktop only through this, so that tests can answer in their place.
class Desktop {
public:
    virtual ~Desktop() = default;

    virtual int MsgBox(const QString& prompt, int buttons = mb::OKOnly,
                       const QString& title = QString()) = 0;
    // An empty name when the user cancels; the caller asks about replacing a file itself.
    virtual QString OpenFileName(QWidget* parent, const QString& title, const QString& filter) = 0;
    virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& filter) = 0;
    // Hands a URL to the desktop, normally the web browser; false when nothing took it.
    virtual bool OpenUrl(const QUrl& url) = 0;
};

// Real message boxes, the platform's file dialogs and its default browser.
class SystemDesktop : public Desktop {
public:
    int MsgBox(const QString& prompt, int buttons = mb::OKOnly,
               const QString& title = QString()) override;
    QString OpenFileName(QWidget* parent, const QString& title, const QString& filter) override;
    QString SaveFileName(QWidget* parent, const QString& title, const QString& filter) override;
    bool OpenUrl(const QUrl& url) override;
};

// A filter of the form "Name|*.a;*.b|Name|..." as the file dialogs take it: "Name (*.a *.b);;...".
QString DialogFilter(const QString& filter);
// The extension of a dialog filter's first pattern ("sql" for "SQL Files (*.sql *.txt)"), empty
// when that pattern is not a plain "*.ext".
QString FilterSuffix(const QString& dialogFilter);

} // namespace vantor
