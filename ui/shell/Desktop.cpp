#include "ui/shell/Desktop.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace vantor {

namespace {

QMessageBox::Icon iconOf(int buttons) {
    switch (buttons & 0x70) {
    case mb::Critical:
        return QMessageBox::Critical;
    case mb::Question:
        return QMessageBox::Question;
    case mb::Exclamation:
        return QMessageBox::Warning;
    case mb::Information:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

struct ButtonSet {
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton;
};

ButtonSet buttonsOf(int buttons) {
    switch (buttons & 7) {
    case 1:
        return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok};
    case 2:
        return {QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore, QMessageBox::Abort};
    case mb::YesNoCancel:
        return {QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes};
    case mb::YesNo:
        return {QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes};
    case 5:
        return {QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry};
    default:
        return {QMessageBox::Ok, QMessageBox::Ok};
    }
}

int answerOf(int clicked) {
    switch (clicked) {
    case QMessageBox::Ok:
        return mb::OK;
    case QMessageBox::Cancel:
        return mb::Cancel;
    case QMessageBox::Abort:
        return 3;
    case QMessageBox::Retry:
        return 4;
    case QMessageBox::Ignore:
        return 5;
    case QMessageBox::Yes:
        return mb::Yes;
    case QMessageBox::No:
        return mb::No;
    default:
        return mb::Cancel;
    }
}

} // namespace

int SystemDesktop::MsgBox(const QString& prompt, int buttons, const QString& title) {
    ButtonSet set = buttonsOf(buttons);
    QMessageBox box(iconOf(buttons), title.isEmpty() ? QApplication::applicationName() : title,
                    prompt, set.buttons, QApplication::activeWindow());
    box.setDefaultButton(set.defaultButton);
    return answerOf(box.exec());
}

QString DialogFilter(const QString& filter) {
    if (!filter.contains(u'|'))
        return filter;
    const QStringList parts = filter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        // "*.*" means every file, also those without a dot in their name.
        for (QString& pattern : patterns)
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        entries << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(u' '));
    }
    return entries.join(QStringLiteral(";;"));
}

QString SystemDesktop::OpenFileName(QWidget* parent, const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, QString(), DialogFilter(filter));
}

QString FilterSuffix(const QString& dialogFilter) {
    const qsizetype open = dialogFilter.indexOf(u'(');
    const QString first = dialogFilter.mid(open + 1).section(u' ', 0, 0).remove(u')');
    return first.startsWith(QLatin1String("*.")) && first.lastIndexOf(u'*') == 0 ? first.mid(2)
                                                                                 : QString();
}

QString SystemDesktop::SaveFileName(QWidget* parent, const QString& title, const QString& filter) {
    QFileDialog dialog(parent, title, QString(), DialogFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The caller asks before replacing a file, in the program's own words.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // A name typed without an extension gets the one of the kind of file chosen.
    auto followFilter = [&dialog](const QString& chosen) {
        dialog.setDefaultSuffix(FilterSuffix(chosen));
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, followFilter);
    followFilter(dialog.selectedNameFilter());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

bool SystemDesktop::OpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

} // namespace vantor
