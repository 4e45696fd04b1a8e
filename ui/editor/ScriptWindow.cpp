#include "ui/editor/ScriptWindow.h"

#include "engine/Session.h"
#include "model/Error.h"
#include "script/AccessFileRun.h"
#include "ui/editor/EditorRun.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/icons/Icons.h"
#include "ui/shell/Desktop.h"
#include "ui/shell/MainToolBars.h"
#include "ui/shell/Messages.h"

#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace vantor {

namespace {

const QString kNoDatabaseToRunOn =
    QStringLiteral("No database is open to run the script on. Open two databases with File > "
                   "Connect and Compare... first.");

struct Button {
    const char* key;
    const char* toolTip;
    const char* shortcut;
};

const Button kFileButtons[] = {
    {"open", "Open SQL Script from file.", nullptr},
    {"save", "Save current to file.", nullptr},
    {"new", "Create new editor", nullptr},
    {"close", "Close me", nullptr},
};
const Button kEditButtons[] = {
    {"cut", "cut", nullptr},          {"copy", "copy", nullptr},        {"paste", "paste", nullptr},
    {"undo", "undo typing", nullptr}, {"redo", "Redo typing", nullptr},
};
const Button kSqlButtons[] = {
    {"exec", "execute sql script.", nullptr},
    {"tbmark", "bookmark", "Ctrl+F2"},
    {"npbmark", "next bookmark", "F2"},
    {"pbmark", "previous bookmark", "Shift+F2"},
    {"cbmark", "clear all bookmark", "Ctrl+Shift+F2"},
};

// The pictures are shared with the main tool bar, whose keys differ for two of them.
QIcon buttonIcon(const QString& key) {
    if (key == QLatin1String("exec"))
        return ToolIcon(QStringLiteral("start"));
    if (key == QLatin1String("npbmark"))
        return ToolIcon(QStringLiteral("nbmark"));
    return ToolIcon(key);
}

template <size_t N>
QToolBar* makeToolBar(QWidget* parent, const char* name, const Button (&buttons)[N]) {
    auto* bar = new QToolBar(parent);
    bar->setObjectName(QLatin1String(name));
    bar->setIconSize(QSize(18, 18));
    for (const Button& b : buttons) {
        const QString key = QString::fromLatin1(b.key);
        QAction* a = bar->addAction(buttonIcon(key), QString::fromLatin1(b.toolTip));
        a->setObjectName(key);
        a->setData(key);
        QString tip = QString::fromLatin1(b.toolTip);
        if (b.shortcut) {
            a->setShortcut(QKeySequence(QString::fromLatin1(b.shortcut)));
            a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            tip += QStringLiteral(" (%1)").arg(QString::fromLatin1(b.shortcut));
        }
        a->setToolTip(tip);
    }
    return bar;
}

} // namespace

QString GetFileTitle(const QString& path) {
    const qsizetype slash = qMax(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(slash + 1);
}

QString ScriptWindow::DefaultCaption() {
    return QStringLiteral("SQL Script Editor.");
}

ScriptWindow::ScriptWindow(Session& session, Desktop& desktop, QWidget* parent)
    : QWidget(parent), session_(session), desktop_(desktop) {
    setObjectName(QStringLiteral("frmEditor"));
    setWindowTitle(DefaultCaption());
    setWindowIcon(ToolIcon(QStringLiteral("new")));
    buildToolBands();
    editor_ = new ScriptEditControl(this);
    targetField_ = new QLineEdit(QStringLiteral("0"), this);
    targetField_->setObjectName(QStringLiteral("txtOneOrTwo"));
    targetField_->hide();
    connect(targetField_, &QLineEdit::textChanged, this, &ScriptWindow::syncTargetChoice);
    connect(editor_, &QsciScintilla::textChanged, this, [this] {
        if (!settingText_)
            setChanged(true);
    });
    // The editor takes F5 and Escape for itself unless the window sees them first.
    editor_->installEventFilter(this);
    editor_->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 0, 3, 3);
    layout->setSpacing(3);
    layout->addWidget(toolBands_);
    layout->addWidget(editor_, 1);
    wireButtons();
    // A running script is never edited under the runner's feet, nor run a second time.
    connect(&session_, &Session::workStarted, this, [this] {
        button(QStringLiteral("exec"))->setEnabled(false);
        verifyButton_->setEnabled(false);
    });
    connect(&session_, &Session::workFinished, this, [this] {
        button(QStringLiteral("exec"))->setEnabled(true);
        offerVerification();
    });
    setMinimumSize(320, 160);
    resize(900, 600);
    setFocusProxy(editor_);
}

void ScriptWindow::buildToolBands() {
    toolBands_ = new QWidget(this);
    toolBands_->setObjectName(QStringLiteral("CoolBar1"));
    bandLayout_ = new QGridLayout(toolBands_);
    bandLayout_->setContentsMargins(2, 2, 2, 2);
    bandLayout_->setHorizontalSpacing(6);
    bandLayout_->setVerticalSpacing(2);
    fileBar_ = makeToolBar(toolBands_, "tbFile", kFileButtons);
    editBar_ = makeToolBar(toolBands_, "tbEdit", kEditButtons);
    sqlBar_ = makeToolBar(toolBands_, "tbSql", kSqlButtons);
    int column = 0;
    for (QToolBar* bar : {fileBar_, editBar_, sqlBar_}) {
        // A tool bar squeezed by its neighbours would hide its buttons behind a chevron.
        bar->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        bandLayout_->addWidget(bar, 0, column++);
    }
    targetBand_ = new QWidget(toolBands_);
    targetBand_->setObjectName(QStringLiteral("picTgt"));
    auto* target = new QHBoxLayout(targetBand_);
    target->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QStringLiteral("Target:"), targetBand_);
    label->setObjectName(QStringLiteral("Label1"));
    targetChoice_ = new QComboBox(targetBand_);
    targetChoice_->setObjectName(QStringLiteral("cbTgt"));
    targetChoice_->setEnabled(false);
    targetChoice_->setMinimumContentsLength(24);
    targetChoice_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    targetChoice_->setToolTip(QStringLiteral("The database the script runs against (F5)."));
    targetChoice_->setPlaceholderText(QStringLiteral("(none: F5 asks)"));
    label->setBuddy(targetChoice_);
    verifyButton_ = new QToolButton(targetBand_);
    verifyButton_->setObjectName(QStringLiteral("cmdVerifyCopy"));
    verifyButton_->setText(QStringLiteral("Verify on a copy"));
    verifyButton_->setToolTip(
        QStringLiteral("Try the script on a copy of the target Access file and compare the copy "
                       "with the other database; the file itself is only read."));
    verifyButton_->setEnabled(false);
    connect(verifyButton_, &QToolButton::clicked, this, &ScriptWindow::verifyOnCopy);
    target->addWidget(label);
    target->addWidget(targetChoice_, 1);
    target->addWidget(verifyButton_);
    bandLayout_->addWidget(targetBand_, 0, column);
    bandLayout_->setColumnStretch(column, 1);
    connect(targetChoice_, &QComboBox::activated, this,
            [this](int index) { targetField_->setText(QString::number(index)); });
}

QAction* ScriptWindow::button(const QString& key) const {
    for (QToolBar* bar : {fileBar_, editBar_, sqlBar_})
        if (QAction* found = FindButton(*bar, key))
            return found;
    return nullptr;
}

void ScriptWindow::wireButtons() {
    auto on = [this](const char* key, auto slot) {
        connect(button(QLatin1String(key)), &QAction::triggered, this, slot);
    };
    auto command = [this](int number) { return [this, number] { editor_->ExecuteCmd(number); }; };
    on("open", &ScriptWindow::openRequested);
    on("save", &ScriptWindow::saveRequested);
    on("new", &ScriptWindow::newRequested);
    on("close", &ScriptWindow::closeWindow);
    on("cut", [this] { editor_->cut(); });
    on("copy", [this] { editor_->copy(); });
    on("paste", [this] { editor_->paste(); });
    on("undo", [this] { editor_->undo(); });
    on("redo", [this] { editor_->redo(); });
    on("exec", &ScriptWindow::runScript);
    on("tbmark", command(ScriptEditControl::ToggleBookmark));
    on("npbmark", command(ScriptEditControl::NextBookmark));
    on("pbmark", command(ScriptEditControl::PreviousBookmark));
    on("cbmark", command(ScriptEditControl::ClearBookmarks));
}

void ScriptWindow::arrangeBands() {
    // Like a cool bar, the target band moves below the tool bars when they leave it no room.
    const int toolsWidth = fileBar_->sizeHint().width() + editBar_->sizeHint().width() +
                           sqlBar_->sizeHint().width() + 4 * bandLayout_->horizontalSpacing();
    const bool oneRow = width() >= toolsWidth + targetBand_->minimumSizeHint().width();
    int row = 0;
    int column = 0;
    int rowSpan = 0;
    int columnSpan = 0;
    bandLayout_->getItemPosition(bandLayout_->indexOf(targetBand_), &row, &column, &rowSpan,
                                 &columnSpan);
    if (oneRow == (row == 0))
        return;
    bandLayout_->removeWidget(targetBand_);
    if (oneRow)
        bandLayout_->addWidget(targetBand_, 0, 3);
    else
        bandLayout_->addWidget(targetBand_, 1, 0, 1, 4);
    bandLayout_->setColumnStretch(3, oneRow ? 1 : 0);
    bandLayout_->setColumnStretch(2, oneRow ? 0 : 1);
}

void ScriptWindow::setChanged(bool changed) {
    if (changed_ == changed)
        return;
    changed_ = changed;
    Q_EMIT changedFlagChanged(changed);
}

void ScriptWindow::setScript(const QString& text) {
    settingText_ = true;
    editor_->Text(text);
    settingText_ = false;
}

void ScriptWindow::setTargets(const QString& primaryPath, const QString& secondaryPath) {
    targetChoice_->clear();
    // The side is named with the file, so that no one runs a script on the wrong one unawares.
    targetChoice_->addItem(QStringLiteral("Primary: ") + primaryPath);
    targetChoice_->setItemData(0, QStringLiteral("The primary database"), Qt::ToolTipRole);
    targetChoice_->addItem(QStringLiteral("Secondary: ") + secondaryPath);
    targetChoice_->setItemData(1, QStringLiteral("The secondary database"), Qt::ToolTipRole);
    syncTargetChoice();
}

void ScriptWindow::clearTargets() {
    targetChoice_->clear();
    targetChoice_->setEnabled(false);
    offerVerification();
}

void ScriptWindow::offerVerification() {
    auto accessOn = [this](Side side) { return IsAccessFilePath(session_.login(side).path); };
    // An unaimed script asks for its target first, so either side will do.
    const bool access = hasTarget() ? accessOn(TargetSide(targetField_->text()))
                                    : accessOn(Side::Primary) || accessOn(Side::Secondary);
    verifyButton_->setEnabled(access && !session_.isBusy());
}

void ScriptWindow::syncTargetChoice() {
    offerVerification();
    if (targetChoice_->count() < 2)
        return;
    if (!hasTarget())
        targetChoice_->setCurrentIndex(-1);
    else
        targetChoice_->setCurrentIndex(TargetSide(targetField_->text()) == Side::Secondary ? 1 : 0);
}

bool ScriptWindow::hasTarget() const {
    return !targetField_->text().trimmed().isEmpty();
}

void ScriptWindow::forgetTarget() {
    targetField_->clear();
    targetChoice_->setCurrentIndex(-1);
}

bool ScriptWindow::askTarget() {
    const QString primary = session_.login(Side::Primary).path;
    const QString secondary = session_.login(Side::Secondary).path;
    const int answer = desktop_.MsgBox(
        QStringLiteral("The script is not aimed at a database yet. Run it on the primary "
                       "database %1?\n\nYes: the primary database %1\nNo: the secondary "
                       "database %2\nCancel: run nothing")
            .arg(primary, secondary),
        mb::YesNoCancel | mb::Question, QStringLiteral("Target"));
    if (answer != mb::Yes && answer != mb::No)
        return false;
    targetField_->setText(answer == mb::Yes ? QStringLiteral("0") : QStringLiteral("1"));
    return true;
}

void ScriptWindow::prepareBookmarks() {
    editor_->ExecuteCmd(ScriptEditControl::ClearBookmarks);
    editor_->MarkRunLine(0);
    editor_->ExecuteCmd(ScriptEditControl::ToggleBookmark);
}

void ScriptWindow::closeWindow() {
    // The runner reads the editor's marks until it ends, so the run ends first.
    if (running_) {
        session_.cancel();
        session_.waitForWork();
    }
    // The frame around the window asks about unsaved edits, whichever way it is closed.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->close();
    else if (auto* dialog = qobject_cast<QDialog*>(window()))
        dialog->reject();
    else
        window()->close();
}

QString ScriptWindow::ClosingQuestion() {
    return QStringLiteral("Finish executed sql command, do you want close this script ?");
}

QString ScriptWindow::RefreshHint() {
    return QStringLiteral("Press F5 to refresh schema.");
}

bool ScriptWindow::readyToStart() {
    if (session_.isBusy()) {
        desktop_.MsgBox(kWorkUnderWay, mb::Exclamation);
        return false;
    }
    if (!session_.isOpen()) {
        // Nothing is started, so the log does not tell of a run that never was.
        desktop_.MsgBox(kNoDatabaseToRunOn, mb::Exclamation);
        return false;
    }
    return hasTarget() || askTarget();
}

void ScriptWindow::runScript() {
    if (!readyToStart())
        return;
    const Side side = TargetSide(targetField_->text());
    Source* target = &session_.source(side);
    QString targetName = side == Side::Secondary ? QStringLiteral("the secondary database")
                                                 : QStringLiteral("the primary database");
    if (session_.diff())
        targetName += QStringLiteral(" %1").arg(session_.login(side).path);
    // A script that went through once would fail, or for a drop and create run twice.
    if (targetName == completedOn_ && editor_->Text() == completedText_ &&
        desktop_.MsgBox(QStringLiteral("This script has already run completely on %1. Run it "
                                       "again?")
                            .arg(targetName),
                        mb::YesNo | mb::Question, QStringLiteral("Run again")) != mb::Yes)
        return;
    const QString path = session_.login(side).path;
    if (IsAccessFilePath(path)) {
        runOnAccessFile(path, targetName);
        return;
    }
    runningOn_ = targetName;
    if (!StartEditorRun(*editor_, target, targetName, session_,
                        [this](const BatchRunResult& result) { runFinished(result); }))
        return;
    running_ = true;
    editor_->setReadOnly(true);
}

QString ScriptWindow::AccessRunQuestion(const QString& path) {
    return QStringLiteral("The script will change the Access database\n%1\n\nA copy beside it is "
                          "changed and proven first, and only then takes its place. The original "
                          "will be kept beside it as\n%2\n\nRun the script on this file?")
        .arg(path, BackupPlaceOf(path));
}

void ScriptWindow::runOnAccessFile(const QString& path, const QString& targetName) {
    if (!agreedFiles_.contains(path)) {
        if (desktop_.MsgBox(AccessRunQuestion(path), mb::YesNo | mb::Question,
                            QStringLiteral("Run on an Access file")) != mb::Yes)
            return;
        agreedFiles_.insert(path);
    }
    runningOn_ = targetName;
    if (!StartEditorAccessRun(
            *editor_, path, targetName, session_,
            [this, path](const AccessRunReport& report) { accessRunFinished(path, report); }))
        return;
    running_ = true;
    editor_->setReadOnly(true);
}

void ScriptWindow::verifyOnCopy() {
    if (!readyToStart())
        return;
    const Side side = TargetSide(targetField_->text());
    const QString path = session_.login(side).path;
    if (!IsAccessFilePath(path) || !session_.diff()) {
        desktop_.MsgBox(QStringLiteral("Verify on a copy tries the script on a copy of an Access "
                                       "file (.mdb, .accdb) that has been compared, and the "
                                       "target %1 is not one. Run the script on it instead.")
                            .arg(path),
                        mb::Exclamation);
        return;
    }
    // The window waits for the verdict as for a run, so that closing it stops the work first.
    if (!StartEditorCopyVerification(
            *editor_, side, path, session_, [this](const CopyVerification& verdict) {
                running_ = false;
                editor_->setReadOnly(false);
                desktop_.MsgBox(CopyVerificationSummary(verdict),
                                verdict.Converged() ? mb::Information : mb::Exclamation,
                                QStringLiteral("Verify on a copy"));
            }))
        return;
    running_ = true;
    editor_->setReadOnly(true);
}

void ScriptWindow::accessRunFinished(const QString& path, const AccessRunReport& report) {
    if (!report.leftAsItWas) {
        runFinished(report.run);
        return;
    }
    running_ = false;
    editor_->setReadOnly(false);
    desktop_.MsgBox(
        QStringLiteral("The script did not change %1.\n\n%2").arg(path, *report.leftAsItWas),
        mb::Exclamation);
}

void ScriptWindow::runFinished(const BatchRunResult& result) {
    running_ = false;
    editor_->setReadOnly(false);
    if (result.stopped)
        return;
    if (result.failure) {
        const ScriptBatch& batch = result.failure->batch;
        if (!session_.isOpen() &&
            result.failure->number == static_cast<qint32>(ErrorCode::ObjectNotSet)) {
            desktop_.MsgBox(kNoDatabaseToRunOn, mb::Exclamation);
            return;
        }
        // The failing batch's first line is selected, so the user sees where to look.
        const auto line = static_cast<int>(batch.firstLine);
        editor_->GoToLine(batch.firstLine);
        editor_->setSelection(line, 0, line,
                              static_cast<int>(editor_->LineText(batch.firstLine).size()));
        desktop_.MsgBox(
            QStringLiteral("Batch %1 failed at line %2: %3\n\n%4")
                .arg(batch.number)
                .arg(batch.firstLine + 1)
                .arg(editor_->LineText(batch.firstLine).trimmed(), result.failure->description),
            mb::Exclamation);
        return;
    }
    completedOn_ = runningOn_;
    completedText_ = editor_->Text();
    // One question after a run; the status bar points at F5 for the comparison.
    const bool closing = desktop_.MsgBox(ClosingQuestion(), mb::YesNo | mb::Exclamation) == mb::Yes;
    Q_EMIT statusMessage(RefreshHint());
    if (closing)
        closeWindow();
}

bool ScriptWindow::handleWindowKey(int key) {
    if (key == Qt::Key_F5) {
        if (button(QStringLiteral("exec"))->isEnabled())
            runScript();
    } else if (key == Qt::Key_Escape) {
        closeWindow();
    } else {
        return false;
    }
    return true;
}

bool ScriptWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        const int key = keyEvent->key();
        const bool plain =
            keyEvent->modifiers() == Qt::NoModifier || keyEvent->modifiers() == Qt::KeypadModifier;
        if (plain && (key == Qt::Key_F5 || key == Qt::Key_Escape)) {
            // Claim the key against shortcuts (the main window's F5), then act on the press.
            if (event->type() == QEvent::ShortcutOverride) {
                event->accept();
                return true;
            }
            return handleWindowKey(key);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ScriptWindow::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier && handleWindowKey(event->key()))
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

void ScriptWindow::resizeEvent(QResizeEvent* event) {
    arrangeBands();
    QWidget::resizeEvent(event);
}

} // namespace vantor
