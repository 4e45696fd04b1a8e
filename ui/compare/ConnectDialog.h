#pragma once

#include <QDialog>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vantor {

class Desktop;
class Navigator;
class RaisedFrame;
class Session;

// Names the two databases, then has the session open and compare them afresh.
class ConnectDialog : public QDialog {
    Q_OBJECT

public:
    ConnectDialog(Session& session, Desktop& desktop, Navigator& nav, QWidget* parent = nullptr);

    std::array<RaisedFrame*, 2> ctlFrames;
    std::array<QLabel*, 2> lblHeading;
    std::array<QLineEdit*, 2> txtDb;
    std::array<QPushButton*, 2> cmdOpen;
    std::array<QLineEdit*, 2> txtUser;
    std::array<QLineEdit*, 2> txtPass;
    std::array<QPushButton*, 2> cmdButtons;

    // The filter of the browse buttons' file dialog.
    static QString DatabaseFilter();

public Q_SLOTS:
    void cmdOpen_Click(int index);
    void cmdButtons_Click(int index);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildGroup(int index);
    void connectAndCompare();

    Session& session_;
    Desktop& desktop_;
    Navigator& nav_;
};

} // namespace vantor
