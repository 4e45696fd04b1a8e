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
#include <QStatusBar>
#include <QTextEdit>

namespace vantor {

namespace {

// The window's measures, in pixels (15 twips each).
constexpr int kMargin = 3;      // 50 twips
constexpr int kTopBand = 60;    // 900 twips
constexpr int kRightInset = 20; // 300 twips
constexpr int kButtonBar = 34;

} // namespace

CompareView::CompareView(Session& session, Desktop& desktop, QWidget* parent)
    : QWidget(parent), session_(session), desktop_(desktop) {
    setObjectName(QStringLiteral("frmCompare"));
    setWindowTitle(QStringLiteral("SQL Comparison."));

    lblTbl[1] = new QLabel(QStringLiteral("Object:"), this);
    lblTbl[0] = new QLabel(this);
    QFont nameFont = font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.25);
    lblTbl[0]->setFont(nameFont);
    lblTbl[0]->setTextInteractionFlags(Qt::TextSelectableByMouse);

    const char* buttonCaptions[] = {"DN", "UP"};
    for (int i : {0, 1}) {
        lblTbl[i]->setObjectName(indexed("lblTbl", i));
        cmdButton[i] = new QPushButton(QLatin1String(buttonCaptions[i]), this);
        cmdButton[i]->setObjectName(indexed("cmdButton", i));
        cmdButton[i]->setToolTip(QStringLiteral("Mark the differences of the texts again"));
        connect(cmdButton[i], &QPushButton::clicked, this, [this, i] { cmdButton_Click(i); });
        buildSide(i);
    }

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    resize(900, 600);
}

void CompareView::buildSide(int i) {
    QFont heading = font();
    heading.setBold(true);
    lblDbPriSec[i] = new QLabel(i == 0 ? QStringLiteral("Primary Database name")
                                       : QStringLiteral("Secondary Database name"),
                                this);
    lblDbPriSec[i]->setObjectName(indexed("lblDbPriSec", i));
    lblDbPriSec[i]->setFont(heading);
    lblDb[i] = new QLabel(lblDbPriSec[i]->text(), this);
    lblDb[i]->setObjectName(indexed("lblDb", i));
    lblDb[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);

    ed[i] = new QTextEdit(this);
    ed[i]->setObjectName(indexed("ed", i));
    ed[i]->setAcceptRichText(false);
    ed[i]->setLineWrapMode(QTextEdit::NoWrap);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    ed[i]->setFont(mono);

    picBtn[i] = new QWidget(this);
    picBtn[i]->setObjectName(indexed("picBtn", i));
    auto* row = new QHBoxLayout(picBtn[i]);
    row->setContentsMargins(0, 4, 0, 4);
    cmdCrt[i] = new QPushButton(QStringLiteral("Create"), picBtn[i]);
    cmdAlter[i] = new QPushButton(QStringLiteral("Alter"), picBtn[i]);
    cmdDrop[i] = new QPushButton(QStringLiteral("Drop"), picBtn[i]);
    cmdCrt[i]->setObjectName(indexed("cmdCrt", i));
    cmdAlter[i]->setObjectName(indexed("cmdAlter", i));
    cmdDrop[i]->setObjectName(indexed("cmdDrop", i));
    for (QPushButton* b : {cmdCrt[i], cmdAlter[i], cmdDrop[i]}) {
        b->setToolTip(QStringLiteral("Drop table"));
        row->addWidget(b);
    }
    row->addStretch();
    connect(cmdCrt[i], &QPushButton::clicked, this, [this, i] { cmdCrt_Click(i); });
    connect(cmdAlter[i], &QPushButton::clicked, this, [this, i] { cmdAlter_Click(i); });
    connect(cmdDrop[i], &QPushButton::clicked, this, [this, i] { cmdDrop_Click(i); });
}

void CompareView::Clear() {
    lblTbl[0]->clear();
    for (int i : {0, 1}) {
        lblDb[i]->setText(lblDbPriSec[i]->text()); // as when the window opens
        ed[i]->clear();
    }
}

QString CompareView::PaneText(int index) const {
    QString text = ed[index]->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

const DiffEntry* CompareView::displayedObject() const {
    const QString name = lblTbl[0]->text();
    if (name.isEmpty()) {
        desktop_.MsgBox(QStringLiteral("No table or view is shown. Double-click one in the object "
                                       "tree first."),
                        mb::Exclamation);
        return nullptr;
    }
    const DiffEntry* object = session_.diff()->find(name);
    if (!object)
        desktop_.MsgBox(QStringLiteral("'%1' is not among the tables and views of the last "
                                       "comparison. Press F5 to refresh the schema and choose it "
                                       "again.")
                            .arg(name),
                        mb::Exclamation);
    return object;
}

void CompareView::showScript(const QString& script, int index) {
    ShowScriptWindow(this, session_, desktop_, script,
                     index == 0 ? Side::Primary : Side::Secondary);
}

void CompareView::cmdAlter_Click(int index) {
    if (!ComparisonOrWarn(session_, desktop_))
        return;
    const DiffEntry* object = displayedObject();
    if (!object || object->isView())
        return;
    showScript(AlterScriptFor(*session_.diff(), lblTbl[0]->text(),
                              index == 0 ? Side::Primary : Side::Secondary),
               index);
}

void CompareView::cmdCrt_Click(int index) {
    if (!ComparisonOrWarn(session_, desktop_))
        return;
    const QString primary = PaneText(0);
    const QString secondary = PaneText(1);
    QString script;
    if (primary.isEmpty())
        script = secondary;
    else if (secondary.isEmpty())
        script = primary;
    else
        script = index == 0 ? secondary : primary;
    showScript(script, index);
}

void CompareView::cmdDrop_Click(int index) {
    if (!ComparisonOrWarn(session_, desktop_))
        return;
    const DiffEntry* object = displayedObject();
    if (!object)
        return;
    const QString script = SqlDrop(object->kind, lblTbl[0]->text());
    if (script.isNull()) {
        desktop_.MsgBox(QStringLiteral("'%1' is of type %2: only tables and views can be dropped "
                                       "here.")
                            .arg(lblTbl[0]->text(), TypeName(object->kind)),
                        mb::Exclamation);
        return;
    }
    showScript(script, index);
}

void CompareView::cmdButton_Click(int) {
    if (!ComparisonOrWarn(session_, desktop_))
        return;
    MarkDifferences(ed[0], ed[1]);
}

void CompareView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    int w = width();
    int h = height();
    int statusHeight = StatusBar1->sizeHint().height();
    StatusBar1->setGeometry(0, h - statusHeight, w, statusHeight);

    int labelHeight = lblDb[0]->sizeHint().height();
    int paneTop = kTopBand + labelHeight;
    int paneHeight = std::max(0, h - statusHeight - paneTop - kButtonBar - kMargin);
    int width0 = std::max(0, w / 2);
    int left1 = kMargin + width0 + kMargin;
    int width1 = std::max(0, w / 2 - kRightInset);
    ed[0]->setGeometry(kMargin, paneTop, width0, paneHeight);
    ed[1]->setGeometry(left1, paneTop, width1, paneHeight);

    for (int i : {0, 1}) {
        QRect pane = ed[i]->geometry();
        int headingHeight = lblDbPriSec[i]->sizeHint().height();
        lblDbPriSec[i]->setGeometry(pane.left(), kTopBand - headingHeight, pane.width(),
                                    headingHeight);
        lblDb[i]->setGeometry(pane.left(), kTopBand, pane.width(), labelHeight);
        picBtn[i]->setGeometry(pane.left(), pane.bottom() + 1, pane.width(), kButtonBar);
    }

    int nameHeight = lblTbl[0]->sizeHint().height();
    int nameTop = std::max(0, (kTopBand - lblDbPriSec[0]->sizeHint().height() - nameHeight) / 2);
    int captionWidth = lblTbl[1]->sizeHint().width();
    lblTbl[1]->setGeometry(kMargin + 2, nameTop, captionWidth, nameHeight);
    int buttonWidth = cmdButton[0]->sizeHint().width();
    int buttonsLeft = std::max(0, left1 + width1 - 2 * buttonWidth - 4);
    lblTbl[0]->setGeometry(kMargin + 8 + captionWidth, nameTop,
                           std::max(0, buttonsLeft - captionWidth - 16), nameHeight);
    int buttonHeight = cmdButton[0]->sizeHint().height();
    int buttonTop = nameTop + (nameHeight - buttonHeight) / 2;
    cmdButton[0]->setGeometry(buttonsLeft, buttonTop, buttonWidth, buttonHeight);
    cmdButton[1]->setGeometry(buttonsLeft + buttonWidth + 4, buttonTop, buttonWidth, buttonHeight);
}

} // namespace vantor
