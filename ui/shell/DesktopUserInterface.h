#pragma once

#include "engine/UserInterface.h"

#include <QPointer>

class QWidget;

namespace vantor {

class frmProses;

// The engine's window interface made of real windows: the wait window frmProses, the event loop
// and message boxes; plus the file dialogs the desktop asks through. Tests answer the questions
// by overriding MsgBox and the file dialogs.
class DesktopUserInterface : public UserInterface {
public:
    ~DesktopUserInterface() override;

    QString WaitCaption() const override;
    void WaitCaption(const QString& caption) override;
    int WaitProgress() const override;
    void WaitProgress(int value) override;
    void ShowWait() override;
    void UnloadWait() override;
    void DoEvents() override;
    int MsgBox(const QString& prompt, int buttons = mb::OKOnly,
               const QString& title = QString()) override;

    // An empty name when the user cancels.
    virtual QString OpenFileName(QWidget* parent, const QString& title, const QString& filter);
    virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& filter);

    // The wait window while it is loaded, else null.
    frmProses* WaitWindow() const;

private:
    frmProses& loadWait();

    QPointer<frmProses> wait_;
    bool busyCursor_ = false;
};

// A filter of the form "Name|*.a;*.b|Name|..." as the file dialogs take it: "Name (*.a *.b);;...".
QString DialogFilter(const QString& filter);

// The interface the windows use; installing one also makes it the engine's Ui().
DesktopUserInterface& DesktopUi();
void InstallDesktopUi(DesktopUserInterface* ui);

} // namespace vantor
