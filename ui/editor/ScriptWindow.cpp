#include "ui/editor/ScriptWindow.h"

#include "engine/Session.h"
#include "model/Error.h"
#include "ui/editor/EditorRun.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/icons/Icons.h"
#include "ui/shell/Desktop.h"
#include "ui/shell/MainToolBars.h"
#include "ui/shell/MainWindow.h"

#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QTabBar>
#include <QToolBar>

namespace vantor {

namespace {

constexpr int kTwipsPerPixel = 15;

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
    buildCoolBar();
    ed = new ScriptEditControl(this);
    txtOneOrTwo = new QLineEdit(QStringLiteral("0"), this);
    txtOneOrTwo->setObjectName(QStringLiteral("txtOneOrTwo"));
    txtOneOrTwo->hide();
    connect(txtOneOrTwo, &QLineEdit::textChanged, this, &ScriptWindow::syncTargetChoice);
    connect(ed, &QsciScintilla::textChanged, this, [this] {
        if (!settingText_)
            Changed(true);
    });
    // The editor takes F5 and Escape for itself unless the window sees them first.
    ed->installEventFilter(this);
    ed->viewport()->installEventFilter(this);
    setMinimumSize(420, 240);
    resize(900, 600);
    setFocusProxy(ed);
}

void ScriptWindow::buildCoolBar() {
    CoolBar1 = new QWidget(this);
    CoolBar1->setObjectName(QStringLiteral("CoolBar1"));
    auto* bands = new QGridLayout(CoolBar1);
    bands->setContentsMargins(2, 2, 2, 2);
    bands->setHorizontalSpacing(6);
    bands->setVerticalSpacing(2);
    tbFile = makeToolBar(CoolBar1, "tbFile", kFileButtons);
    tbEdit = makeToolBar(CoolBar1, "tbEdit", kEditButtons);
    tbSql = makeToolBar(CoolBar1, "tbSql", kSqlButtons);
    int column = 0;
    for (QToolBar* bar : {tbFile, tbEdit, tbSql}) {
        // A tool bar squeezed by its neighbours would hide its buttons behind a chevron.
        bar->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        bands->addWidget(bar, 0, column++);
        connect(bar, &QToolBar::actionTriggered, this,
                [this](QAction* a) { ToolbarButtonClick(ButtonKey(a)); });
    }
    picTgt = new QWidget(CoolBar1);
    picTgt->setObjectName(QStringLiteral("picTgt"));
    auto* target = new QHBoxLayout(picTgt);
    target->setContentsMargins(0, 0, 0, 0);
    Label1 = new QLabel(QStringLiteral("Target:"), picTgt);
    Label1->setObjectName(QStringLiteral("Label1"));
    cbTgt = new QComboBox(picTgt);
    cbTgt->setObjectName(QStringLiteral("cbTgt"));
    cbTgt->setEnabled(false);
    cbTgt->setMinimumContentsLength(24);
    cbTgt->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbTgt->setToolTip(QStringLiteral("The database the script runs against (F5)."));
    Label1->setBuddy(cbTgt);
    target->addWidget(Label1);
    target->addWidget(cbTgt, 1);
    bands->addWidget(picTgt, 0, column);
    bands->setColumnStretch(column, 1);
    connect(cbTgt, &QComboBox::activated, this,
            [this](int index) { txtOneOrTwo->setText(QString::number(index)); });
}

void ScriptWindow::arrangeBands() {
    // Like a cool bar, the target band moves below the tool bars when they leave it no room.
    auto* bands = static_cast<QGridLayout*>(CoolBar1->layout());
    const int toolsWidth = tbFile->sizeHint().width() + tbEdit->sizeHint().width() +
                           tbSql->sizeHint().width() + 4 * bands->horizontalSpacing();
    const bool oneRow = width() >= toolsWidth + picTgt->minimumSizeHint().width();
    int row = 0;
    int column = 0;
    int rowSpan = 0;
    int columnSpan = 0;
    bands->getItemPosition(bands->indexOf(picTgt), &row, &column, &rowSpan, &columnSpan);
    if (oneRow == (row == 0))
        return;
    bands->removeWidget(picTgt);
    if (oneRow)
        bands->addWidget(picTgt, 0, 3);
    else
        bands->addWidget(picTgt, 1, 0, 1, 4);
    bands->setColumnStretch(3, oneRow ? 1 : 0);
    bands->setColumnStretch(2, oneRow ? 0 : 1);
}

void ScriptWindow::Changed(bool changed) {
    if (changed_ == changed)
        return;
    changed_ = changed;
    Q_EMIT ChangedFlagChanged(changed);
}

void ScriptWindow::SetScript(const QString& text) {
    settingText_ = true;
    ed->Text(text);
    settingText_ = false;
}

void ScriptWindow::SetTargets(const QString& primaryPath, const QString& secondaryPath) {
    cbTgt->clear();
    cbTgt->addItem(primaryPath);
    cbTgt->setItemData(0, QStringLiteral("The primary database"), Qt::ToolTipRole);
    cbTgt->addItem(secondaryPath);
    cbTgt->setItemData(1, QStringLiteral("The secondary database"), Qt::ToolTipRole);
    syncTargetChoice();
}

void ScriptWindow::syncTargetChoice() {
    if (cbTgt->count() < 2)
        return;
    cbTgt->setCurrentIndex(TargetSide(txtOneOrTwo->text()) == Side::Secondary ? 1 : 0);
}

void ScriptWindow::DoAct() {
    MainWindow* main = MainWindow::Of(this);
    QTabBar* strip = main ? main->tb : nullptr;
    const QString key = QStringLiteral("key") + tag_;
    int index = -1;
    for (int i = 0; strip && i < strip->count(); ++i)
        if (strip->tabData(i).toString() == key)
            index = i;
    if (index < 0)
        throw Error(ErrorCode::ElementNotFound, QStringLiteral("Element not found"));
    const QString caption = windowTitle();
    strip->setTabText(index, GetFileTitle(caption));
    strip->setCurrentIndex(index);
    strip->setTabToolTip(index, caption);
    strip->setTabIcon(index, DocumentTabIcon(changed_));
}

void ScriptWindow::OnLoad() {
    // Each step stands alone: a failing one must not keep the later ones from running.
    auto attempt = [](auto step) {
        try {
            step();
        } catch (const std::exception&) {
        }
    };
    attempt([this] { ed->ExecuteCmd(ScriptEditControl::ClearBookmarks); });
    attempt([this] { ed->MarkRunLine(0); });
    attempt([this] { ed->ExecuteCmd(ScriptEditControl::ToggleBookmark); });
}

void ScriptWindow::Unload() {
    if (running_)
        return;
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->close();
    else
        window()->close();
}

QString ScriptWindow::ClosingQuestion() {
    return QStringLiteral("Finish executed sql command, do you want close this script ?");
}

QString ScriptWindow::RefreshHint() {
    return QStringLiteral("Press F5 to refresh schema.");
}

void ScriptWindow::ExecScript() {
    if (running_)
        return;
    const Side side = TargetSide(txtOneOrTwo->text());
    Source* target = session_.isOpen() ? &session_.source(side) : nullptr;
    QString targetName = side == Side::Secondary ? QStringLiteral("the secondary database")
                                                 : QStringLiteral("the primary database");
    if (session_.diff())
        targetName += QStringLiteral(" %1").arg(session_.login(side).path);
    running_ = true;
    ed->setReadOnly(true);
    BatchRunResult result;
    try {
        result = RunEditorScript(*ed, target, targetName, session_);
    } catch (...) {
        ed->setReadOnly(false);
        running_ = false;
        throw;
    }
    ed->setReadOnly(false);
    running_ = false;
    if (result.failure) {
        QString message = result.failure->description;
        if (!target && result.failure->number == static_cast<qint32>(ErrorCode::ObjectNotSet))
            message = QStringLiteral("No database is open to run the script on. Open two "
                                     "databases with File > Connect and Compare... first.");
        desktop_.MsgBox(message, mb::Exclamation);
        return;
    }
    if (desktop_.MsgBox(ClosingQuestion(), mb::YesNo | mb::Exclamation) == mb::Yes)
        Unload();
    if (MainWindow* main = MainWindow::Of(this))
        main->StatusText(RefreshHint());
}

void ScriptWindow::ToolbarButtonClick(const QString& key) {
    try {
        if (key == QLatin1String("open"))
            Q_EMIT OpenRequested();
        else if (key == QLatin1String("save"))
            Q_EMIT SaveRequested();
        else if (key == QLatin1String("new"))
            Q_EMIT NewRequested();
        else if (key == QLatin1String("close"))
            Unload();
        else if (key == QLatin1String("cut"))
            ed->cut();
        else if (key == QLatin1String("copy"))
            ed->copy();
        else if (key == QLatin1String("paste"))
            ed->paste();
        else if (key == QLatin1String("undo"))
            ed->undo();
        else if (key == QLatin1String("redo"))
            ed->redo();
        else if (key == QLatin1String("exec"))
            ExecScript();
        else if (key == QLatin1String("tbmark"))
            ed->ExecuteCmd(ScriptEditControl::ToggleBookmark);
        else if (key == QLatin1String("npbmark"))
            ed->ExecuteCmd(ScriptEditControl::NextBookmark);
        else if (key == QLatin1String("pbmark"))
            ed->ExecuteCmd(ScriptEditControl::PreviousBookmark);
        else if (key == QLatin1String("cbmark"))
            ed->ExecuteCmd(ScriptEditControl::ClearBookmarks);
    } catch (const std::exception&) {
        // An editor command that fails leaves the text as it was; there is nothing to report.
    }
}

bool ScriptWindow::handleWindowKey(int key) {
    if (key == Qt::Key_F5)
        ToolbarButtonClick(QStringLiteral("exec"));
    else if (key == Qt::Key_Escape)
        Unload();
    else
        return false;
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
    QWidget::resizeEvent(event);
    const int margin = 50 / kTwipsPerPixel;
    arrangeBands();
    const int barHeight = CoolBar1->layout()->heightForWidth(width()) > 0
                              ? CoolBar1->layout()->heightForWidth(width())
                              : CoolBar1->sizeHint().height();
    CoolBar1->setGeometry(0, 0, width(), barHeight);
    const int top = barHeight + margin;
    ed->setGeometry(margin, top, qMax(0, width() - 2 * margin), qMax(0, height() - top - margin));
}

} // namespace vantor
