#pragma once

#include <QDialog>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vantor {

class clsEngine;
class ctlFrame;
class frmNav;

// Names the two databases, then starts a fresh engine that opens and compares them.
class frmConnect : public QDialog {
    Q_OBJECT

public:
    explicit frmConnect(frmNav* nav, QWidget* parent = nullptr);

    std::array<ctlFrame*, 2> ctlFrames;
    std::array<QLabel*, 2> lblHeading;
    std::array<QLineEdit*, 2> txtDb;
    std::array<QPushButton*, 2> cmdOpen;
    std::array<QLineEdit*, 2> txtUser;
    std::array<QLineEdit*, 2> txtPass;
    std::array<QPushButton*, 2> cmdButtons;

    // The filter of the browse buttons' file dialog.
    static QString DatabaseFilter();

public Q_SLOTS:
    void cmdOpen_Click(int Index);
    void cmdButtons_Click(int Index);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildGroup(int index);
    void connectAndCompare();

    frmNav* nav_;
};

// Whether the engine has loaded schemas: loading makes the combined list the very collection of
// the primary side, and before that the engine holds no loaded list at all.
bool SchemasLoaded(const clsEngine& engine);

} // namespace vantor
