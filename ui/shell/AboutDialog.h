#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;

namespace vantor {

class Desktop;

inline const QString kSysInfoUnavailable =
    QStringLiteral("System Information Is Unavailable At This Time");

// The modal about box: the program's title, version and contact lines, and a button that
// starts a system-information program when one is installed.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(Desktop& desktop, QWidget* parent = nullptr);

    // "Version major.minor.patch" of this build.
    static QString VersionText();

    QLabel* icon;
    QLabel* title;
    QLabel* version;
    QLabel* description;
    QLabel* disclaimer;
    QPushButton* okButton;
    QPushButton* sysInfoButton;

    // The system-information programs tried in turn, and the folders searched for them
    // (the PATH when empty).
    QStringList sysInfoPrograms;
    QStringList sysInfoSearchPaths;

public Q_SLOTS:
    void startSysInfo();

private:
    Desktop& desktop_;
};

} // namespace vantor
