#include "tests/support/RecordingUserInterface.h"

namespace vantor::test {

void RecordingUserInterface::WaitCaption(const QString& caption) {
    caption_ = caption;
    events << QStringLiteral("caption:") + caption;
}

void RecordingUserInterface::WaitProgress(int value) {
    progress_ = value;
    events << QStringLiteral("progress:%1").arg(value);
}

int RecordingUserInterface::MsgBox(const QString& prompt, int buttons, const QString&) {
    messages << prompt;
    if (!answers.empty()) {
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    int kind = buttons & 7;
    return (kind == mb::YesNo || kind == mb::YesNoCancel) ? mb::Yes : mb::OK;
}

QStringList RecordingUserInterface::Captions() const {
    QStringList captions;
    for (const QString& e : events)
        if (e.startsWith(QStringLiteral("caption:")))
            captions << e.mid(8);
    return captions;
}

} // namespace vantor::test
