#include "ui/compare/CompareView.h"

#include "engine/Session.h"
#include "engine/SqlText.h"
#include "script/AlterScript.h"
#include "ui/compare/DiffMarking.h"
#include "ui/editor/ScriptDialog.h"
#include "ui/shell/ControlArrays.h"
#include "ui/shell/Desktop.h"
#include "ui/shell/Messages.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTextEdit>
#include <QVBoxLayout>
#include <optional>

namespace vantor {

namespace {

Side sideOf(int index) {
    return index == 0 ? Side::Primary : Side::Secondary;
}

} // namespace

CompareView::CompareView(Session& session, Desktop& desktop, QWidget* parent)
    : QWidget(parent), session_(session), desktop_(desktop) {
    setObjectName(QStringLiteral("frmCompare"));
    setWindowTitle(QStringLiteral("SQL Comparison."));

    objectCaption_ = new QLabel(QStringLiteral("Object:"), this);
    objectCaption_->setObjectName(indexed("lblTbl", 1));
    objectLabel_ = new QLabel(this);
    objectLabel_->setObjectName(indexed("lblTbl", 0));
    QFont nameFont = font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.25);
    objectLabel_->setFont(nameFont);
    objectLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* top = new QHBoxLayout();
    top->setContentsMargins(5, 4, 5, 4);
    top->addWidget(objectCaption_);
    top->addWidget(objectLabel_, 1);
    const char* buttonCaptions[] = {"DN", "UP"};
    for (int i : {0, 1}) {
        markButtons_[i] = new QPushButton(QLatin1String(buttonCaptions[i]), this);
        markButtons_[i]->setObjectName(indexed("cmdButton", i));
        markButtons_[i]->setToolTip(QStringLiteral("Mark the differences of the texts again"));
        connect(markButtons_[i], &QPushButton::clicked, this, &CompareView::markDifferences);
        top->addWidget(markButtons_[i]);
    }

    // The two sides share the width and the user may move the border between them.
    auto* sides = new QSplitter(Qt::Horizontal, this);
    sides->setObjectName(QStringLiteral("sides"));
    sides->setChildrenCollapsible(false);
    for (int i : {0, 1}) {
        buildSide(i);
        auto* column = new QWidget(sides);
        auto* layout = new QVBoxLayout(column);
        layout->setContentsMargins(3, 0, 3, 0);
        layout->setSpacing(2);
        layout->addWidget(sideHeadings_[i]);
        layout->addWidget(databaseLabels_[i]);
        layout->addWidget(panes_[i], 1);
        layout->addWidget(buttonBars_[i]);
        sides->addWidget(column);
    }
    sides->setSizes({1, 1});

    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(QStringLiteral("StatusBar1"));
    statusBar_->setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(top);
    layout->addWidget(sides, 1);
    layout->addWidget(statusBar_);
    setMinimumSize(320, 160);
    resize(900, 600);

    connect(&session_, &Session::compared, this, &CompareView::showAgain);
    connect(&session_, &Session::cleared, this, &CompareView::clear);
    updateCommands();
}

void CompareView::buildSide(int i) {
    QFont heading = font();
    heading.setBold(true);
    sideHeadings_[i] = new QLabel(i == 0 ? QStringLiteral("Primary Database name")
                                         : QStringLiteral("Secondary Database name"),
                                  this);
    sideHeadings_[i]->setObjectName(indexed("lblDbPriSec", i));
    sideHeadings_[i]->setFont(heading);
    databaseLabels_[i] = new QLabel(sideHeadings_[i]->text(), this);
    databaseLabels_[i]->setObjectName(indexed("lblDb", i));
    databaseLabels_[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long path must not widen the window; its end, the file's name, matters most.
    databaseLabels_[i]->setMinimumWidth(1);
    databaseLabels_[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    panes_[i] = new QTextEdit(this);
    panes_[i]->setObjectName(indexed("ed", i));
    panes_[i]->setAcceptRichText(false);
    // A long query on one line wraps, so that its difference can be seen without scrolling.
    panes_[i]->setLineWrapMode(QTextEdit::WidgetWidth);
    panes_[i]->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    panes_[i]->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    buttonBars_[i] = new QWidget(this);
    buttonBars_[i]->setObjectName(indexed("picBtn", i));
    auto* row = new QHBoxLayout(buttonBars_[i]);
    row->setContentsMargins(0, 4, 0, 4);
    createButtons_[i] = new QPushButton(QStringLiteral("Create"), buttonBars_[i]);
    alterButtons_[i] = new QPushButton(QStringLiteral("Alter"), buttonBars_[i]);
    dropButtons_[i] = new QPushButton(QStringLiteral("Drop"), buttonBars_[i]);
    createButtons_[i]->setObjectName(indexed("cmdCrt", i));
    alterButtons_[i]->setObjectName(indexed("cmdAlter", i));
    dropButtons_[i]->setObjectName(indexed("cmdDrop", i));
    for (QPushButton* b : {createButtons_[i], alterButtons_[i], dropButtons_[i]}) {
        b->setToolTip(QStringLiteral("Drop table"));
        row->addWidget(b);
    }
    row->addStretch();
    connect(createButtons_[i], &QPushButton::clicked, this, [this, i] { createScript(i); });
    connect(alterButtons_[i], &QPushButton::clicked, this, [this, i] { alterScript(i); });
    connect(dropButtons_[i], &QPushButton::clicked, this, [this, i] { dropScript(i); });
}

QString CompareView::whyNotAlter(const Diff& diff, const DiffEntry& object, int side) {
    if (object.isView() || object.kindOn(Side::Primary) == ObjectKind::View ||
        object.kindOn(Side::Secondary) == ObjectKind::View)
        return QStringLiteral("'%1' is a view, and views have no ALTER: use Drop and Create to "
                              "replace it.")
            .arg(object.name);
    if (!object.inPrimary() || !object.inSecondary())
        return QStringLiteral("'%1' is only in the %2 database, so there is nothing to alter: use "
                              "Create to add it to the other database, or Drop to remove it.")
            .arg(object.name,
                 object.inPrimary() ? QStringLiteral("primary") : QStringLiteral("secondary"));
    // A script of blank lines would only open an empty window.
    if (AlterScriptFor(diff, object.name, sideOf(side)).trimmed().isEmpty())
        return QStringLiteral("'%1' is the same in both databases as far as ALTER can tell: "
                              "there is nothing to alter.")
            .arg(object.name);
    return QString();
}

QString CompareView::whyNotCreate(const DiffEntry& object, int side) {
    if (object.kindOn(sideOf(side)))
        return QStringLiteral("The %1 database has '%2' already: use Alter to make it like the "
                              "other database's, or Drop to remove it.")
            .arg(side == 0 ? QStringLiteral("primary") : QStringLiteral("secondary"), object.name);
    return QString();
}

QString CompareView::whyNotDrop(const DiffEntry& object, int side) {
    const std::optional<ObjectKind> kind = object.kindOn(sideOf(side));
    if (!kind)
        return QStringLiteral("The %1 database has no '%2' to drop.")
            .arg(side == 0 ? QStringLiteral("primary") : QStringLiteral("secondary"), object.name);
    if (*kind == ObjectKind::Properties)
        return QStringLiteral("Field and table properties are not dropped: Alter sets them as the "
                              "other database has them.");
    if (*kind == ObjectKind::LinkSource)
        return QStringLiteral(
            "Where a link points is not dropped: drop the linked table, or change "
            "the link in Access (External Data, Linked Table Manager).");
    switch (*kind) {
    case ObjectKind::Table:
    case ObjectKind::View:
    case ObjectKind::Query:
    case ObjectKind::Index:
    case ObjectKind::Relationship:
        return QString();
    default:
        return QStringLiteral("'%1' is of type %2: only tables, views, queries, indexes and "
                              "relationships can be dropped here.")
            .arg(object.name, TypeName(*kind));
    }
}

void CompareView::updateCommands() {
    const Diff* diff = session_.diff();
    const DiffEntry* object =
        diff && !currentObject_.isEmpty() ? diff->find(currentObject_) : nullptr;
    const QString designed = QStringLiteral("Drop table");
    for (int i : {0, 1}) {
        // A button is enabled only where it writes something useful; with no object shown
        // none is, and otherwise a disabled one's tool tip says why.
        const std::pair<QPushButton*, QString> states[] = {
            {createButtons_[i], object ? whyNotCreate(*object, i) : designed},
            {alterButtons_[i], object ? whyNotAlter(*diff, *object, i) : designed},
            {dropButtons_[i], object ? whyNotDrop(*object, i) : designed},
        };
        for (const auto& [button, why] : states) {
            button->setEnabled(why.isEmpty());
            button->setToolTip(why.isEmpty() ? designed : why);
        }
    }
}

void CompareView::clear() {
    currentObject_.clear();
    objectLabel_->clear();
    for (int i : {0, 1}) {
        databaseLabels_[i]->setText(sideHeadings_[i]->text()); // as when the window opens
        panes_[i]->clear();
    }
    updateCommands();
}

void CompareView::showObject(const QString& name) {
    const Diff* diff = session_.diff();
    const DiffEntry* entry = diff ? diff->find(name) : nullptr;
    if (!entry) {
        clear();
        return;
    }
    currentObject_ = entry->name;
    objectLabel_->setText(entry->name);
    for (int i : {0, 1}) {
        databaseLabels_[i]->setText(session_.login(sideOf(i)).path);
        databaseLabels_[i]->setToolTip(session_.login(sideOf(i)).path);
        // A side that lacks the object has no text, so its pane stays empty.
        panes_[i]->setPlainText(entry->text(sideOf(i)));
    }
    if (!panes_[0]->document()->isEmpty() && !panes_[1]->document()->isEmpty())
        MarkDifferences(panes_[0], panes_[1]);
    updateCommands();
}

void CompareView::showAgain() {
    // Definitions from before the comparison must not stay on screen.
    if (!currentObject_.isEmpty())
        showObject(currentObject_);
    else
        updateCommands();
}

QString CompareView::paneText(int side) const {
    QString text = panes_[static_cast<size_t>(side)]->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

const DiffEntry* CompareView::displayedObject() const {
    if (currentObject_.isEmpty()) {
        desktop_.MsgBox(QStringLiteral("No table or view is shown. Double-click one in the object "
                                       "tree first."),
                        mb::Exclamation);
        return nullptr;
    }
    const DiffEntry* object = session_.diff()->find(currentObject_);
    if (!object)
        desktop_.MsgBox(QStringLiteral("'%1' is not among the tables and views of the last "
                                       "comparison. Press F5 to refresh the schema and choose it "
                                       "again.")
                            .arg(currentObject_),
                        mb::Exclamation);
    return object;
}

void CompareView::showScript(const QString& script, int side) {
    ShowScriptWindow(this, session_, desktop_, script, sideOf(side));
}

void CompareView::alterScript(int side) {
    if (!ComparisonOrWarn(session_, desktop_))
        return;
    const DiffEntry* object = displayedObject();
    if (!object)
        return;
    if (const QString why = whyNotAlter(*session_.diff(), *object, side); !why.isEmpty()) {
        desktop_.MsgBox(why, mb::Exclamation);
        return;
    }
    showScript(AlterScriptFor(*session_.diff(), object->name, sideOf(side)), side);
}

void CompareView::createScript(int side) {
    if (!ComparisonOrWarn(session_, desktop_))
        return;
    const DiffEntry* object = displayedObject();
    if (!object)
        return;
    if (const QString why = whyNotCreate(*object, side); !why.isEmpty()) {
        desktop_.MsgBox(why, mb::Exclamation);
        return;
    }
    const QString primary = paneText(0);
    const QString secondary = paneText(1);
    // The object comes from the other side, the only one that has it.
    const int source = 1 - side;
    const std::optional<ObjectKind> kind = object->kindOn(sideOf(source));
    // Tables and views are created from what the pane shows, edits included; the other kinds
    // need their own statements or the steps to take in Access.
    if (kind && *kind != ObjectKind::Table && *kind != ObjectKind::View) {
        showScript(CreateScriptFor(*session_.diff(), object->name, sideOf(source)), side);
        return;
    }
    showScript(source == 0 ? primary : secondary, side);
}

void CompareView::dropScript(int side) {
    if (!ComparisonOrWarn(session_, desktop_))
        return;
    const DiffEntry* object = displayedObject();
    if (!object)
        return;
    if (const QString why = whyNotDrop(*object, side); !why.isEmpty()) {
        desktop_.MsgBox(why, mb::Exclamation);
        return;
    }
    // Tables and views keep their one-statement drop; the other kinds need their owner's name.
    const ObjectKind kind = *object->kindOn(sideOf(side));
    showScript(kind == ObjectKind::Table || kind == ObjectKind::View
                   ? SqlDrop(kind, object->name)
                   : DropScriptFor(*session_.diff(), object->name, sideOf(side)),
               side);
}

void CompareView::writeScript(ScriptCommand command, int side) {
    switch (command) {
    case ScriptCommand::Create:
        createScript(side);
        break;
    case ScriptCommand::Drop:
        dropScript(side);
        break;
    case ScriptCommand::Alter:
        alterScript(side);
        break;
    }
}

void CompareView::markDifferences() {
    if (!ComparisonOrWarn(session_, desktop_))
        return;
    MarkDifferences(panes_[0], panes_[1]);
}

} // namespace vantor
