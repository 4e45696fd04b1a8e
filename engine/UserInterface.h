#pragma once

#include <QString>

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

// What the core needs of windows: the wait window (its label and progress bar), a chance for
// pending events to run, and message boxes. The desktop implements it with real windows, the
// command line with a progress line, tests with a recorder.
class UserInterface {
public:
    virtual ~UserInterface() = default;

    virtual QString WaitCaption() const = 0;
    virtual void WaitCaption(const QString& caption) = 0; // Label1 of the wait window
    virtual int WaitProgress() const = 0;
    virtual void WaitProgress(int value) = 0; // ProgressBar1 of the wait window
    virtual void ShowWait() = 0;              // shown modeless
    virtual void UnloadWait() = 0;
    virtual void DoEvents() = 0;
    virtual int MsgBox(const QString& prompt, int buttons = mb::OKOnly,
                       const QString& title = QString()) = 0;
};

// Keeps the wait window's values and answers OK (or Yes) to every question; for headless runs.
class SilentUserInterface : public UserInterface {
public:
    QString WaitCaption() const override { return caption_; }
    void WaitCaption(const QString& caption) override { caption_ = caption; }
    int WaitProgress() const override { return progress_; }
    void WaitProgress(int value) override { progress_ = value; }
    void ShowWait() override {}
    void UnloadWait() override {}
    void DoEvents() override {}
    int MsgBox(const QString&, int buttons, const QString&) override;

private:
    QString caption_;
    int progress_ = 0;
};

} // namespace vantor
