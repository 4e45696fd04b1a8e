#pragma once

#include "engine/CompareSettings.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QPlainTextEdit;

namespace vantor {

// Which objects the comparison takes in and how it weighs their texts, as the user chooses
// them; the main window keeps the choice between runs.
class CompareOptionsDialog : public QDialog {
    Q_OBJECT

public:
    explicit CompareOptionsDialog(QWidget* parent = nullptr);

    CompareSettings settings() const;
    void setSettings(const CompareSettings& settings);

    QCheckBox* kindBox(KindGroup group) const { return kinds_[static_cast<size_t>(group)]; }
    QPlainTextEdit* excludeBox() const { return exclude_; }
    QCheckBox* ignoreCaseBox() const { return ignoreCase_; }
    QCheckBox* ignoreWhitespaceBox() const { return ignoreWhitespace_; }
    QCheckBox* showHiddenBox() const { return showHidden_; }

private:
    std::array<QCheckBox*, 7> kinds_{};
    QPlainTextEdit* exclude_;
    QCheckBox* ignoreCase_;
    QCheckBox* ignoreWhitespace_;
    QCheckBox* showHidden_;
};

} // namespace vantor
