#pragma once

#include "engine/UserInterface.h"

#include <QElapsedTimer>

namespace vantor::cli {

// The engine's wait window as one line on stderr that rewrites itself, drawn only when stderr
// is a terminal and not silenced; message boxes become notes on stderr answered with OK/Yes.
class ProgressLine : public UserInterface {
public:
    explicit ProgressLine(bool enabled);
    ~ProgressLine() override;

    QString WaitCaption() const override { return caption_; }
    void WaitCaption(const QString& caption) override;
    int WaitProgress() const override { return progress_; }
    void WaitProgress(int value) override;
    void ShowWait() override;
    void UnloadWait() override;
    void DoEvents() override {}
    int MsgBox(const QString& prompt, int buttons, const QString& title) override;

private:
    void draw(bool force);
    void clear();

    bool enabled_;
    bool drawn_ = false;
    QString caption_;
    int progress_ = 0;
    QElapsedTimer sinceDraw_;
};

} // namespace vantor::cli
