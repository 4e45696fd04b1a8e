#include "ui/compare/CompareOptionsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace vantor {

CompareOptionsDialog::CompareOptionsDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Compare Options"));

    auto* kindsGroup = new QGroupBox(QStringLiteral("Compare these objects"), this);
    auto* kindsGrid = new QGridLayout(kindsGroup);
    const QStringList names = KindGroupNames();
    for (int i = 0; i < static_cast<int>(kinds_.size()); ++i) {
        QString caption = names.value(i);
        caption[0] = caption[0].toUpper();
        kinds_[static_cast<size_t>(i)] = new QCheckBox(caption, kindsGroup);
        kinds_[static_cast<size_t>(i)]->setObjectName(QStringLiteral("chk_") + names.value(i));
        kindsGrid->addWidget(kinds_[static_cast<size_t>(i)], i / 4, i % 4);
    }

    auto* excludeLabel = new QLabel(
        QStringLiteral("Leave out objects named like (one pattern a line, * and ?):"), this);
    exclude_ = new QPlainTextEdit(this);
    exclude_->setObjectName(QStringLiteral("txtExclude"));
    exclude_->setPlaceholderText(QStringLiteral("tmp*\n~TMP*"));
    exclude_->setTabChangesFocus(true);
    excludeLabel->setBuddy(exclude_);

    ignoreCase_ = new QCheckBox(QStringLiteral("Ignore letter case in definitions"), this);
    ignoreCase_->setObjectName(QStringLiteral("chkIgnoreCase"));
    ignoreWhitespace_ =
        new QCheckBox(QStringLiteral("Ignore blanks and line breaks in query text"), this);
    ignoreWhitespace_->setObjectName(QStringLiteral("chkIgnoreWhitespace"));
    showHidden_ = new QCheckBox(
        QStringLiteral("Show hidden queries (record sources of forms and reports) and system "
                       "objects"),
        this);
    showHidden_->setObjectName(QStringLiteral("chkShowHidden"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(kindsGroup);
    layout->addWidget(excludeLabel);
    layout->addWidget(exclude_, 1);
    layout->addWidget(ignoreCase_);
    layout->addWidget(ignoreWhitespace_);
    layout->addWidget(showHidden_);
    layout->addWidget(buttons);
    resize(520, 420);
    setSettings(CompareSettings());
}

CompareSettings CompareOptionsDialog::settings() const {
    CompareSettings settings;
    settings.kinds = 0;
    for (size_t i = 0; i < kinds_.size(); ++i)
        if (kinds_[i]->isChecked())
            settings.kinds |= KindBit(static_cast<KindGroup>(i));
    for (const QString& line : exclude_->toPlainText().split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            settings.exclude << line.trimmed();
    settings.ignoreCase = ignoreCase_->isChecked();
    settings.ignoreWhitespace = ignoreWhitespace_->isChecked();
    settings.showHidden = showHidden_->isChecked();
    return settings;
}

void CompareOptionsDialog::setSettings(const CompareSettings& settings) {
    for (size_t i = 0; i < kinds_.size(); ++i)
        kinds_[i]->setChecked(settings.compares(static_cast<KindGroup>(i)));
    exclude_->setPlainText(settings.exclude.join(QLatin1Char('\n')));
    ignoreCase_->setChecked(settings.ignoreCase);
    ignoreWhitespace_->setChecked(settings.ignoreWhitespace);
    showHidden_->setChecked(settings.showHidden);
}

} // namespace vantor
