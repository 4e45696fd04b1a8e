#include "ui/shell/LogWindow.h"

#include "engine/Session.h"
#include "ui/shell/Desktop.h"
#include "ui/shell/ErrorWords.h"
#include "ui/shell/SaveGuard.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMouseEvent>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace vantor {

LogWindow::LogWindow(Session& session, Desktop& desktop, QWidget* parent)
    : QWidget(parent), session_(session), desktop_(desktop) {
    setObjectName(QStringLiteral("frmOutput"));
    setWindowTitle(QStringLiteral("Debug - stdout"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(QWidget::font().pointSizeF());
    setFont(font);

    text = new QTextEdit(this);
    text->setObjectName(QStringLiteral("txtOut"));
    text->setAcceptRichText(false);
    text->setLineWrapMode(QTextEdit::WidgetWidth);
    // The pop-up menu below replaces the pane's own.
    text->setContextMenuPolicy(Qt::NoContextMenu);
    text->viewport()->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(text);

    menu = new QMenu(QStringLiteral("Edit"), this);
    menu->setObjectName(QStringLiteral("MEdit"));
    copyAction = menu->addAction(QStringLiteral("&Copy"), this, &LogWindow::copyAll);
    copyAction->setObjectName(QStringLiteral("MCopy"));
    saveAction = menu->addAction(QStringLiteral("&Save to file..."), this, &LogWindow::saveToFile);
    saveAction->setObjectName(QStringLiteral("MSave"));
    separator = menu->addSeparator();
    separator->setObjectName(QStringLiteral("MNone1"));
    clearAction = menu->addAction(QStringLiteral("C&lear"), this, &LogWindow::clearAll);
    clearAction->setObjectName(QStringLiteral("MClear"));

    connect(&session, &Session::logged, this, &LogWindow::appendLine);
}

bool LogWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == text->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            menu->popup(mouse->globalPosition().toPoint());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LogWindow::copyAll() {
    QApplication::clipboard()->setText(text->toPlainText());
}

void LogWindow::saveToFile() {
    QString path = desktop_.SaveFileName(this, QStringLiteral("Save to file..."),
                                         QStringLiteral("Text Files (*.txt);;All Files (*)"));
    if (path.isEmpty() || RefuseHarmfulSave(desktop_, session_, path))
        return;
    QSaveFile file(path);
    QByteArray bytes = text->toPlainText().toUtf8();
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        bytes += '\n';
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        desktop_.MsgBox(QStringLiteral("Cannot save the log to ") + path + QStringLiteral(": ") +
                            file.errorString(),
                        mb::Critical);
}

void LogWindow::clearAll() {
    text->clear();
}

void LogWindow::appendLine(const QString& line) {
    // Inserted as plain text: a name or an error text is never read as markup.
    QTextCursor end(text->document());
    end.movePosition(QTextCursor::End);
    if (!text->document()->isEmpty())
        end.insertBlock();
    // An error's number alone tells a user nothing, so its words follow the line.
    end.insertText(WithErrorWords(line), QTextCharFormat());
    text->verticalScrollBar()->setValue(text->verticalScrollBar()->maximum());
}

} // namespace vantor
