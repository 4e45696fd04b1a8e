#pragma once

#include "ui/shell/DesktopUserInterface.h"

#include <QStringList>
#include <deque>

namespace vantor::test {

// The desktop's real wait window, with message boxes and file dialogs answered from queues
// and recorded, so tests run without anyone clicking.
class AnsweringUi : public DesktopUserInterface {
public:
    struct Message {
        QString prompt;
        int buttons;
    };
    struct WaitGlimpse {
        QString caption;
        int progress;
        bool visible;
    };

    QList<Message> messages;
    std::deque<int> answers;       // OK/Yes when empty
    std::deque<QString> fileNames; // an empty name (cancel) when empty
    QStringList fileDialogFilters; // the filter of every file dialog, in order
    QList<WaitGlimpse> glimpses;   // the wait window at every DoEvents

    int MsgBox(const QString& prompt, int buttons, const QString& title) override;
    QString OpenFileName(QWidget* parent, const QString& title, const QString& filter) override;
    QString SaveFileName(QWidget* parent, const QString& title, const QString& filter) override;
    void DoEvents() override;

    QStringList Prompts() const;
};

} // namespace vantor::test
