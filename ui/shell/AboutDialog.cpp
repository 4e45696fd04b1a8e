#include "ui/shell/AboutDialog.h"

#include "ui/icons/Icons.h"
#include "ui/shell/Desktop.h"
#include "ui/shell/HelpCommands.h"

#include <QGridLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace vantor {

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setTextFormat(Qt::PlainText);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

} // namespace

AboutDialog::AboutDialog(Desktop& desktop, QWidget* parent)
    : QDialog(parent),
      // Graphical ones only: a terminal program started without a terminal shows nothing.
      SysInfoPrograms{QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
                      QStringLiteral("gnome-system-monitor")},
      desktop_(desktop) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Vantor"));
    setModal(true);

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(AppIcon().pixmap(48, 48));
    picIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    lblTitle = label(this, "lblTitle", QStringLiteral("Vantor"));
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle->setFont(big);
    lblVersion = label(this, "lblVersion", VersionText());
    lblDescription = label(
        this, "lblDescription",
        QStringLiteral("Compares the schemas of two Microsoft Access databases, writes the Jet "
                       "SQL\nthat brings one in line with the other, and runs it batch by "
                       "batch.\n\nProject page: %1\nOnline help: %2")
            .arg(kProductWebUrl, kHelpOnlineUrl));
    lblDisclaimer =
        label(this, "lblDisclaimer",
              QStringLiteral("Warning: a script changes the structure of a database, and what it "
                             "has done cannot be undone. Keep a copy of every database and try "
                             "scripts on a snapshot first. Vantor is provided as is, without "
                             "warranty of any kind."));
    lblDisclaimer->setWordWrap(true);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &AboutDialog::StartSysInfo);

    auto* texts = new QVBoxLayout;
    texts->addWidget(lblTitle);
    texts->addWidget(lblVersion);
    texts->addSpacing(8);
    texts->addWidget(lblDescription);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);

    auto* grid = new QGridLayout(this);
    grid->addWidget(picIcon, 0, 0);
    grid->addLayout(texts, 0, 1);
    grid->setRowMinimumHeight(1, 12);
    grid->addWidget(lblDisclaimer, 2, 0, 1, 2);
    grid->addLayout(buttons, 2, 2);
    grid->setColumnStretch(1, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

QString AboutDialog::VersionText() {
    return QStringLiteral("Version %1.%2.%3")
        .arg(VANTOR_VERSION_MAJOR)
        .arg(VANTOR_VERSION_MINOR)
        .arg(VANTOR_VERSION_PATCH);
}

void AboutDialog::StartSysInfo() {
    for (const QString& name : SysInfoPrograms) {
        const QString program = QStandardPaths::findExecutable(name, SysInfoSearchPaths);
        if (!program.isEmpty() && QProcess::startDetached(program, {}))
            return;
    }
    desktop_.MsgBox(kSysInfoUnavailable, mb::OKOnly);
}

} // namespace vantor
