#pragma once

#include "engine/UserInterface.h"

#include <QStringList>
#include <deque>

namespace vantor::test {

// Records every touch of the windows, in order, and answers message boxes from a queue.
class RecordingUserInterface : public UserInterface {
public:
    QStringList events;      // "caption:<text>", "progress:<n>", "show", "unload", "doevents"
    QStringList messages;    // every message box prompt, in order
    std::deque<int> answers; // answers for the next message boxes; OK/Yes when empty

    QString WaitCaption() const override { return caption_; }
    void WaitCaption(const QString& caption) override;
    int WaitProgress() const override { return progress_; }
    void WaitProgress(int value) override;
    void ShowWait() override { events << QStringLiteral("show"); }
    void UnloadWait() override { events << QStringLiteral("unload"); }
    void DoEvents() override { events << QStringLiteral("doevents"); }
    int MsgBox(const QString& prompt, int buttons, const QString& title) override;

    QStringList Captions() const;

private:
    QString caption_;
    int progress_ = 0;
};

} // namespace vantor::test
