#include "tests/ui/support/AnsweringUi.h"

#include "ui/shell/frmProses.h"

#include <QLabel>
#include <QProgressBar>

namespace vantor::test {

int AnsweringUi::MsgBox(const QString& prompt, int buttons, const QString&) {
    messages.append({prompt, buttons});
    if (!answers.empty()) {
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    int kind = buttons & 7;
    return (kind == mb::YesNo || kind == mb::YesNoCancel) ? mb::Yes : mb::OK;
}

QString AnsweringUi::OpenFileName(QWidget*, const QString&, const QString& filter) {
    fileDialogFilters << filter;
    if (fileNames.empty())
        return QString();
    QString name = fileNames.front();
    fileNames.pop_front();
    return name;
}

QString AnsweringUi::SaveFileName(QWidget* parent, const QString& title, const QString& filter) {
    return OpenFileName(parent, title, filter);
}

void AnsweringUi::DoEvents() {
    if (frmProses* wait = WaitWindow())
        glimpses.append({wait->Label1->text(), wait->ProgressBar1->value(), wait->isVisible()});
    DesktopUserInterface::DoEvents();
}

QStringList AnsweringUi::Prompts() const {
    QStringList prompts;
    for (const Message& m : messages)
        prompts << m.prompt;
    return prompts;
}

} // namespace vantor::test
