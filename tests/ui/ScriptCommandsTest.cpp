#include "engine/clsEngine.h"
#include "model/clsObjects.h"
#include "script/AlterScript.h"
#include "tests/ui/support/ModalDialogs.h"
#include "tests/ui/support/UiSession.h"
#include "ui/compare/frmCompare.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/editor/frmEditor.h"
#include "ui/navigator/frmNav.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace vantor;
using namespace vantor::test;

namespace {

// What a script window showed when it opened.
struct Shown {
    QString text;
    QString oneOrTwo;
    QString target;
};

} // namespace

// Create, Drop and Alter from the comparison window, on copies of the two example snapshots:
// the newer schema as the primary database, the older one as the secondary.
class ScriptCommandsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiSession> session;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<frmCompare> compare;
    std::unique_ptr<frmNav> nav;
    QString primary, secondary;

    AnsweringUi& ui() { return session->ui; }

    void show(const QString& name) {
        nav->tvDbObj->setCurrentItem(nav->Node(":" + name));
        nav->tvDbObj_DblClick();
    }

    // Runs a command and records the script window it opens, if any; with run set, the
    // script is executed with F5 and the closing question answered Yes.
    QList<Shown> command(const std::function<void()>& click, bool run = false) {
        QList<Shown> shown;
        ModalDialogs dialogs([&](QWidget* dialog) {
            auto* editor = dialog->findChild<frmEditor*>();
            shown << Shown{editor->ed->Text(), editor->txtOneOrTwo->text(),
                           editor->cbTgt->currentText()};
            if (run) {
                ui().answers.push_back(mb::Yes);
                QTest::keyClick(editor->ed, Qt::Key_F5);
            }
        });
        click();
        return shown;
    }

private Q_SLOTS:
    void init() {
        session = std::make_unique<UiSession>();
        dir = std::make_unique<QTemporaryDir>();
        primary = CopyExample("orders-v2.json", dir->filePath("v2.json"));
        secondary = CopyExample("orders-v1.json", dir->filePath("v1.json"));
        compare = std::make_unique<frmCompare>();
        nav = std::make_unique<frmNav>(compare.get());
        Engine = std::make_shared<clsEngine>();
        Engine->DbPathPrimary(primary);
        Engine->DbPathSecondary(secondary);
        QVERIFY(Engine->DbOpen());
        QVERIFY(Engine->Refresh());
        nav->Fill_TvObjects();
        ui().messages.clear();
    }

    void cleanup() {
        nav.reset();
        compare.reset();
        session.reset();
        dir.reset();
    }

    void createTakesTheOtherSidesDefinitionOrTheOnlyOne() {
        show("Customers"); // in both
        const QString primaryDefinition = compare->PaneText(0);
        const QString secondaryDefinition = compare->PaneText(1);
        QVERIFY(primaryDefinition.contains("[E-Mail]"));
        QVERIFY(!secondaryDefinition.contains("[E-Mail]"));
        QCOMPARE(command([&] { compare->cmdCrt_Click(0); }).value(0).text, secondaryDefinition);
        QCOMPARE(command([&] { compare->cmdCrt_Click(1); }).value(0).text, primaryDefinition);

        show("Shippers"); // only in the secondary database
        const QString onlyDefinition = compare->PaneText(1);
        QVERIFY(onlyDefinition.startsWith("CREATE TABLE [Shippers]"));
        QCOMPARE(command([&] { compare->cmdCrt_Click(0); }).value(0).text, onlyDefinition);
        QCOMPARE(command([&] { compare->cmdCrt_Click(1); }).value(0).text, onlyDefinition);
    }

    void dropAndAlterFollowTheObjectsType() {
        show("Product List");
        QCOMPARE(command([&] { compare->cmdDrop_Click(1); }).value(0).text,
                 QString("DROP VIEW [Product List]"));
        QCOMPARE(command([&] { compare->cmdAlter_Click(1); }).size(), 0); // views have no ALTER

        show("Customers");
        QCOMPARE(command([&] { compare->cmdDrop_Click(0); }).value(0).text,
                 QString("DROP TABLE [Customers]"));
        const QString alter = command([&] { compare->cmdAlter_Click(1); }).value(0).text;
        QCOMPARE(alter, AlterScriptSecondary("Customers"));
        QVERIFY(alter.contains("ALTER TABLE [Customers]"));
        QCOMPARE(command([&] { compare->cmdAlter_Click(0); }).value(0).text,
                 AlterScriptPrimary("Customers"));
        QVERIFY(ui().messages.isEmpty());
    }

    // Every button opens one script window, aimed at the database of the pane it sits under.
    void buttonsUnderEachPaneAimAtThatPanesDatabase() {
        show("Customers");
        for (int side : {0, 1}) {
            const QString target = side == 0 ? primary : secondary;
            for (QPushButton* button :
                 {compare->cmdCrt[side], compare->cmdDrop[side], compare->cmdAlter[side]}) {
                QList<Shown> shown = command([&] { button->click(); });
                QCOMPARE(shown.size(), 1);
                QCOMPARE(shown[0].target, target);
                QCOMPARE(shown[0].oneOrTwo, QString::number(side));
            }
        }
    }

    void unknownOrMissingObjectsAreNamedAndOpenNothing() {
        compare->lblTbl[0]->setText("Gone Table");
        QCOMPARE(command([&] { compare->cmdDrop_Click(1); }).size(), 0);
        QCOMPARE(command([&] { compare->cmdAlter_Click(1); }).size(), 0);
        QCOMPARE(ui().messages.size(), 2);
        QVERIFY(ui().Prompts()[0].contains("'Gone Table'"));

        ui().messages.clear();
        compare->lblTbl[0]->clear();
        QCOMPARE(command([&] { compare->cmdDrop_Click(0); }).size(), 0);
        QCOMPARE(ui().messages.size(), 1);

        ui().messages.clear();
        Engine.reset();
        QCOMPARE(command([&] { compare->cmdCrt_Click(0); }).size(), 0);
        QCOMPARE(ui().Prompts(), QStringList({"Please open database first.!"}));
    }

    // Running each differing object's script for the secondary database makes both equal.
    void secondarySideScriptsConvergeTheExamples() {
        QStringList differing;
        for (qint32 i = 1; i <= Engine->Tables->Count(); ++i) {
            const auto object = Engine->Tables->Item(i);
            if (object->Status() != 0 && !object->xType().contains("SYSTEM"))
                differing << object->Obj_Name();
        }
        QVERIFY(differing.size() >= 5);
        for (const QString& name : differing) {
            const auto object = Engine->Tables->Item(":" + name);
            const bool view = object->xType() == "VIEW";
            show(name);
            switch (object->Status()) {
            case 1:
                if (view) {
                    command([&] { compare->cmdDrop_Click(1); }, true);
                    command([&] { compare->cmdCrt_Click(1); }, true);
                } else {
                    command([&] { compare->cmdAlter_Click(1); }, true);
                }
                break;
            case 2:
                command([&] { compare->cmdCrt_Click(1); }, true);
                break;
            case 3:
                command([&] { compare->cmdDrop_Click(1); }, true);
                break;
            }
            for (const auto& message : ui().messages)
                QVERIFY2(message.prompt == frmEditor::ClosingQuestion(),
                         qPrintable(name + ": " + message.prompt));
        }
        nav->Reload();
        for (qint32 i = 1; i <= Engine->Tables->Count(); ++i) {
            const auto object = Engine->Tables->Item(i);
            QVERIFY2(object->Status() == 0, qPrintable(object->Obj_Name()));
        }
    }
};

QTEST_MAIN(ScriptCommandsTest)
#include "ScriptCommandsTest.moc"
