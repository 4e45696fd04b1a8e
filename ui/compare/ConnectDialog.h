#pragma once

#include "engine/Source.h"

#include <QDialog>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vantor {

class Desktop;
class RaisedFrame;

// Names the two databases. OK hands them on through connectRequested and leaves the dialog
// open, so that whoever connects can close it on success or leave it up for another attempt.
class ConnectDialog : public QDialog {
    Q_OBJECT

public:
    explicit ConnectDialog(Desktop& desktop, QWidget* parent = nullptr);

    QLineEdit* databasePath(int side) const { return paths_[static_cast<size_t>(side)]; }
    QLineEdit* userName(int side) const { return users_[static_cast<size_t>(side)]; }
    QLineEdit* password(int side) const { return passwords_[static_cast<size_t>(side)]; }
    QPushButton* browseButton(int side) const { return browseButtons_[static_cast<size_t>(side)]; }
    QPushButton* okButton() const { return okButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

    // What the dialog names for a side, as it stands.
    DatabaseLogin login(int side) const;
    // Names both databases with the default user and no passwords.
    void setDatabases(const QString& primary, const QString& secondary);

    // The filter of the browse buttons' file dialog.
    static QString DatabaseFilter();

public Q_SLOTS:
    void browse(int side);

Q_SIGNALS:
    void connectRequested(const DatabaseLogin& primary, const DatabaseLogin& secondary);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildGroup(int side);
    void resetUsers();

    Desktop& desktop_;
    std::array<RaisedFrame*, 2> frames_{};
    std::array<QLineEdit*, 2> paths_{};
    std::array<QPushButton*, 2> browseButtons_{};
    std::array<QLineEdit*, 2> users_{};
    std::array<QLineEdit*, 2> passwords_{};
    QPushButton* okButton_;
    QPushButton* cancelButton_;
};

} // namespace vantor
