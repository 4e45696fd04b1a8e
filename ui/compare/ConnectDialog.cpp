#include "ui/compare/ConnectDialog.h"

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
#include <QShowEvent>
#include <QVBoxLayout>

namespace vantor {

ConnectDialog::ConnectDialog(Desktop& desktop, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), desktop_(desktop) {
    setObjectName(QStringLiteral("frmConnect"));
    setWindowTitle(QStringLiteral("Compare two database"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);
    for (int i : {0, 1}) {
        buildGroup(i);
        layout->addWidget(frames_[i]);
    }

    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    okButton_ = new QPushButton(QStringLiteral("&OK"), this);
    cancelButton_ = new QPushButton(QStringLiteral("&Cancel"), this);
    for (int i : {0, 1}) {
        QPushButton* button = i == 0 ? okButton_ : cancelButton_;
        button->setObjectName(indexed("cmdButtons", i));
        button->setAutoDefault(false);
        button->setMinimumWidth(90);
        buttons->addWidget(button);
    }
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this,
            [this] { Q_EMIT connectRequested(login(0), login(1)); });
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::close);
    layout->addLayout(buttons);
    setMinimumWidth(560);
}

void ConnectDialog::buildGroup(int i) {
    RaisedFrame* frame = frames_[i] = new RaisedFrame(this);
    frame->setObjectName(i == 0 ? QStringLiteral("ctlFrame1") : QStringLiteral("ctlFrame2"));
    auto* heading = new QLabel(i == 0 ? QStringLiteral("Primary Database.")
                                      : QStringLiteral("Secondary Database."),
                               frame);
    heading->setObjectName(indexed("lblHeading", i));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    paths_[i] = new QLineEdit(frame);
    paths_[i]->setObjectName(indexed("txtDb", i));
    paths_[i]->setPlaceholderText(
        QStringLiteral("Access database (.mdb, .accdb) or snapshot (.json)"));
    browseButtons_[i] = new QPushButton(QStringLiteral("..."), frame);
    browseButtons_[i]->setObjectName(indexed("cmdOpen", i));
    browseButtons_[i]->setAutoDefault(false);
    browseButtons_[i]->setToolTip(QStringLiteral("Browse for the database file"));
    browseButtons_[i]->setFixedWidth(36);
    connect(browseButtons_[i], &QPushButton::clicked, this, [this, i] { browse(i); });

    users_[i] = new QLineEdit(QStringLiteral("Admin"), frame);
    users_[i]->setObjectName(indexed("txtUser", i));
    passwords_[i] = new QLineEdit(frame);
    passwords_[i]->setObjectName(indexed("txtPass", i));
    passwords_[i]->setEchoMode(QLineEdit::Password);

    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(12, 10, 12, 12);
    grid->setHorizontalSpacing(8);
    grid->addWidget(heading, 0, 0, 1, 5);
    grid->addWidget(paths_[i], 1, 0, 1, 4);
    grid->addWidget(browseButtons_[i], 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Username:"), frame), 2, 0);
    grid->addWidget(users_[i], 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Password:"), frame), 2, 2);
    grid->addWidget(passwords_[i], 2, 3, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
}

QString ConnectDialog::DatabaseFilter() {
    return QStringLiteral("Access databases and snapshots (*.mdb *.accdb *.json);;"
                          "Access databases (*.mdb *.accdb);;Schema snapshots (*.json);;"
                          "All files (*)");
}

void ConnectDialog::resetUsers() {
    for (int i : {0, 1}) {
        users_[i]->setText(QStringLiteral("Admin"));
        passwords_[i]->clear();
    }
}

void ConnectDialog::showEvent(QShowEvent* event) {
    // Every opening starts with the default user and no passwords, at the screen's corner.
    if (!event->spontaneous())
        resetUsers();
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    move(screen ? screen->geometry().topLeft() : QPoint(0, 0));
    QDialog::showEvent(event);
}

DatabaseLogin ConnectDialog::login(int side) const {
    return {paths_[side]->text(), users_[side]->text(), passwords_[side]->text()};
}

void ConnectDialog::setDatabases(const QString& primary, const QString& secondary) {
    resetUsers();
    paths_[0]->setText(primary);
    paths_[1]->setText(secondary);
}

void ConnectDialog::browse(int side) {
    QString path = desktop_.OpenFileName(this, QStringLiteral("Open Database"), DatabaseFilter());
    if (!path.isEmpty())
        paths_[side]->setText(path);
}

} // namespace vantor
