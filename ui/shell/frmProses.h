#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

namespace vantor {

class ctlFrame;

// The small always-on-top window that shows the engine's progress while schemas load.
class frmProses : public QWidget {
    Q_OBJECT

public:
    explicit frmProses(QWidget* parent = nullptr);

    QLabel* Label1;
    QProgressBar* ProgressBar1;
    ctlFrame* ctlFrame1;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace vantor
