#include "ui/compare/ConnectDialog.h"

#include "engine/Session.h"
#include "ui/navigator/Navigator.h"
#include "ui/shell/ControlArrays.h"
#include "ui/shell/Desktop.h"
#include "ui/shell/Messages.h"
#include "ui/shell/RaisedFrame.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace vantor {

ConnectDialog::ConnectDialog(Session& session, Desktop& desktop, Navigator& nav, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), session_(session), desktop_(desktop),
      nav_(nav) {
    setObjectName(QStringLiteral("frmConnect"));
    setWindowTitle(QStringLiteral("Compare two database"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);
    for (int i : {0, 1}) {
        buildGroup(i);
        layout->addWidget(ctlFrames[i]);
    }

    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    cmdButtons[0] = new QPushButton(QStringLiteral("&OK"), this);
    cmdButtons[1] = new QPushButton(QStringLiteral("&Cancel"), this);
    for (int i : {0, 1}) {
        cmdButtons[i]->setObjectName(indexed("cmdButtons", i));
        cmdButtons[i]->setAutoDefault(false);
        cmdButtons[i]->setMinimumWidth(90);
        buttons->addWidget(cmdButtons[i]);
        connect(cmdButtons[i], &QPushButton::clicked, this, [this, i] { cmdButtons_Click(i); });
    }
    cmdButtons[0]->setDefault(true);
    layout->addLayout(buttons);
    setMinimumWidth(560);
}

void ConnectDialog::buildGroup(int i) {
    ctlFrames[i] = new RaisedFrame(this);
    ctlFrames[i]->setObjectName(i == 0 ? QStringLiteral("ctlFrame1") : QStringLiteral("ctlFrame2"));
    lblHeading[i] = new QLabel(i == 0 ? QStringLiteral("Primary Database.")
                                      : QStringLiteral("Secondary Database."),
                               ctlFrames[i]);
    lblHeading[i]->setObjectName(indexed("lblHeading", i));
    QFont bold = lblHeading[i]->font();
    bold.setBold(true);
    lblHeading[i]->setFont(bold);

    txtDb[i] = new QLineEdit(ctlFrames[i]);
    txtDb[i]->setObjectName(indexed("txtDb", i));
    txtDb[i]->setPlaceholderText(
        QStringLiteral("Access database (.mdb, .accdb) or snapshot (.json)"));
    cmdOpen[i] = new QPushButton(QStringLiteral("..."), ctlFrames[i]);
    cmdOpen[i]->setObjectName(indexed("cmdOpen", i));
    cmdOpen[i]->setAutoDefault(false);
    cmdOpen[i]->setToolTip(QStringLiteral("Browse for the database file"));
    cmdOpen[i]->setFixedWidth(36);
    connect(cmdOpen[i], &QPushButton::clicked, this, [this, i] { cmdOpen_Click(i); });

    txtUser[i] = new QLineEdit(QStringLiteral("Admin"), ctlFrames[i]);
    txtUser[i]->setObjectName(indexed("txtUser", i));
    txtPass[i] = new QLineEdit(ctlFrames[i]);
    txtPass[i]->setObjectName(indexed("txtPass", i));
    txtPass[i]->setEchoMode(QLineEdit::Password);

    auto* grid = new QGridLayout(ctlFrames[i]);
    grid->setContentsMargins(12, 10, 12, 12);
    grid->setHorizontalSpacing(8);
    grid->addWidget(lblHeading[i], 0, 0, 1, 5);
    grid->addWidget(txtDb[i], 1, 0, 1, 4);
    grid->addWidget(cmdOpen[i], 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Username:"), ctlFrames[i]), 2, 0);
    grid->addWidget(txtUser[i], 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Password:"), ctlFrames[i]), 2, 2);
    grid->addWidget(txtPass[i], 2, 3, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
}

QString ConnectDialog::DatabaseFilter() {
    return QStringLiteral("Access databases and snapshots (*.mdb *.accdb *.json);;"
                          "Access databases (*.mdb *.accdb);;Schema snapshots (*.json);;"
                          "All files (*)");
}

void ConnectDialog::showEvent(QShowEvent* event) {
    // Every opening starts with the default user and no passwords, at the screen's corner.
    for (int i : {0, 1}) {
        txtUser[i]->setText(QStringLiteral("Admin"));
        txtPass[i]->clear();
    }
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    move(screen ? screen->geometry().topLeft() : QPoint(0, 0));
    QDialog::showEvent(event);
}

void ConnectDialog::cmdOpen_Click(int index) {
    QString path = desktop_.OpenFileName(this, QStringLiteral("Open Database"), DatabaseFilter());
    if (!path.isEmpty())
        txtDb[index]->setText(path);
}

void ConnectDialog::cmdButtons_Click(int index) {
    if (index == 1) {
        close();
        return;
    }
    try {
        connectAndCompare();
    } catch (const std::exception& e) {
        desktop_.MsgBox(DescriptionOf(e), mb::Exclamation);
    }
}

void ConnectDialog::connectAndCompare() {
    for (int i : {0, 1})
        session_.setLogin(i == 0 ? Side::Primary : Side::Secondary,
                          {txtDb[i]->text(), txtUser[i]->text(), txtPass[i]->text()});
    session_.log(QStringLiteral("Connecting %1 with %2").arg(txtDb[0]->text(), txtDb[1]->text()));

    // A pair that did not open whole is not compared at all: the dialog stays open with the
    // reason, and nothing of an earlier comparison stays on screen.
    try {
        session_.refresh();
    } catch (const Error& e) {
        nav_.ClearComparison();
        session_.log(QStringLiteral("Connect failed"));
        desktop_.MsgBox(CannotOpenMessage(e.description()), mb::Exclamation);
        return;
    }
    if (!session_.diff()->entries.empty()) {
        nav_.Fill_TvObjects();
        session_.log(DescribeComparison(session_));
    } else {
        desktop_.MsgBox(kUnableToLoadSchemas, mb::Exclamation);
    }
    close();
}

} // namespace vantor
