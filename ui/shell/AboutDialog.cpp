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
      sysInfoPrograms{QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
                      QStringLiteral("gnome-system-monitor")},
      desktop_(desktop) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Vantor"));
    setModal(true);

    icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("picIcon"));
    icon->setPixmap(AppIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    title = label(this, "lblTitle", QStringLiteral("Vantor"));
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    title->setFont(big);
    version = label(this, "lblVersion", VersionText());
    description = label(
        this, "lblDescription",
        QStringLiteral("Compares the schemas of two Microsoft Access databases, writes the Jet "
                       "SQL\nthat brings one in line with the other, and runs it batch by "
                       "batch.\n\nHelp > General Help opens the user guide."));
    disclaimer =
        label(this, "lblDisclaimer",
              QStringLiteral("Warning: a script changes the structure of a database, and what it "
                             "has done cannot be undone. Keep a copy of every database and try "
                             "scripts on a snapshot first. Vantor is provided as is, without "
                             "warranty of any kind."));
    disclaimer->setWordWrap(true);

    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("cmdOK"));
    okButton->setDefault(true);
    sysInfoButton = new QPushButton(QStringLiteral("&System Info..."), this);
    sysInfoButton->setObjectName(QStringLiteral("cmdSysInfo"));
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(sysInfoButton, &QPushButton::clicked, this, &AboutDialog::startSysInfo);

    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(version);
    texts->addSpacing(8);
    texts->addWidget(description);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton);
    buttons->addWidget(sysInfoButton);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0);
    grid->addLayout(texts, 0, 1);
    grid->setRowMinimumHeight(1, 12);
    grid->addWidget(disclaimer, 2, 0, 1, 2);
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

void AboutDialog::startSysInfo() {
    for (const QString& name : sysInfoPrograms) {
        const QString program = QStandardPaths::findExecutable(name, sysInfoSearchPaths);
        if (!program.isEmpty() && QProcess::startDetached(program, {}))
            return;
    }
    desktop_.MsgBox(kSysInfoUnavailable, mb::OKOnly);
}

} // namespace vantor
