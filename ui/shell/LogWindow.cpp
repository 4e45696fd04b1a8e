#include "ui/shell/LogWindow.h"

#include "engine/Session.h"
#include "ui/shell/Desktop.h"

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
    : QWidget(parent), desktop_(desktop) {
    setObjectName(QStringLiteral("frmOutput"));
    setWindowTitle(QStringLiteral("Debug - stdout"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(QWidget::font().pointSizeF());
    setFont(font);

    txtOut = new QTextEdit(this);
    txtOut->setObjectName(QStringLiteral("txtOut"));
    txtOut->setAcceptRichText(false);
    txtOut->setLineWrapMode(QTextEdit::WidgetWidth);
    // The pop-up menu below replaces the pane's own.
    txtOut->setContextMenuPolicy(Qt::NoContextMenu);
    txtOut->viewport()->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(txtOut);

    MEdit = new QMenu(QStringLiteral("Edit"), this);
    MEdit->setObjectName(QStringLiteral("MEdit"));
    MCopy = MEdit->addAction(QStringLiteral("&Copy"), this, &LogWindow::MCopy_Click);
    MCopy->setObjectName(QStringLiteral("MCopy"));
    MSave = MEdit->addAction(QStringLiteral("&Save to file..."), this, &LogWindow::MSave_Click);
    MSave->setObjectName(QStringLiteral("MSave"));
    MNone1 = MEdit->addSeparator();
    MNone1->setObjectName(QStringLiteral("MNone1"));
    MClear = MEdit->addAction(QStringLiteral("C&lear"), this, &LogWindow::MClear_Click);
    MClear->setObjectName(QStringLiteral("MClear"));

    connect(&session, &Session::logged, this, &LogWindow::AppendLine);
}

bool LogWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtOut->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            MEdit->popup(mouse->globalPosition().toPoint());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LogWindow::MCopy_Click() {
    QApplication::clipboard()->setText(txtOut->toPlainText());
}

void LogWindow::MSave_Click() {
    QString path = desktop_.SaveFileName(this, QStringLiteral("Save to file..."),
                                         QStringLiteral("Text Files (*.txt);;All Files (*)"));
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    QByteArray text = txtOut->toPlainText().toUtf8();
    if (!text.isEmpty() && !text.endsWith('\n'))
        text += '\n';
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        desktop_.MsgBox(QStringLiteral("Cannot save the log to ") + path + QStringLiteral(": ") +
                            file.errorString(),
                        mb::Critical);
}

void LogWindow::MClear_Click() {
    txtOut->clear();
}

void LogWindow::AppendLine(const QString& line) {
    // Inserted as plain text: a name or an error text is never read as markup.
    QTextCursor end(txtOut->document());
    end.movePosition(QTextCursor::End);
    if (!txtOut->document()->isEmpty())
        end.insertBlock();
    end.insertText(line, QTextCharFormat());
    txtOut->verticalScrollBar()->setValue(txtOut->verticalScrollBar()->maximum());
}

} // namespace vantor
