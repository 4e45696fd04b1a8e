#include "ui/editor/ScriptEditControl.h"

#include "model/Error.h"

#include <QFile>
#include <QFontDatabase>
#include <QSaveFile>
#include <QStringDecoder>

namespace vantor {

namespace {

constexpr int kBookmarkMargin = 1;
// Far beyond any hand-kept script, and below what would make the editor crawl.
constexpr qint64 kLargestScriptBytes = qint64(256) << 20;

QFont editorFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    if (!QFontInfo(font).fixedPitch())
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(10);
    return font;
}

} // namespace

ScriptEditControl::ScriptEditControl(QWidget* parent) : QsciScintilla(parent) {
    setObjectName(QStringLiteral("ed"));
    setUtf8(true);
    const QFont font = editorFont();
    auto* lexer = new QsciLexerSQL(this);
    lexer->setDefaultFont(font);
    lexer->setFont(font);
    setLexer(lexer);
    setEolMode(EolWindows);
    setAutoIndent(true);
    setTabWidth(4);
    setCaretLineVisible(true);
    setCaretLineBackgroundColor(QColor(0xF3, 0xF6, 0xFB));

    setMarginType(0, NumberMargin);
    setMarginsFont(font);
    setMarginWidth(0, QStringLiteral("00000"));
    setMarginType(kBookmarkMargin, SymbolMargin);
    setMarginWidth(kBookmarkMargin, 16);
    setMarginSensitivity(kBookmarkMargin, true);

    bookmarkMarker_ = markerDefine(Rectangle, 0);
    setMarkerBackgroundColor(QColor(0x2B, 0x6C, 0xD4), bookmarkMarker_);
    runMarker_ = markerDefine(RightArrow, 1);
    setMarkerBackgroundColor(QColor(0x1E, 0x9E, 0x4A), runMarker_);
    startMarker_ = markerDefine(Background, 2);
    setMarkerBackgroundColor(QColor(0xFF, 0xF4, 0xC2), startMarker_);
    setMarginMarkerMask(kBookmarkMargin, (1 << bookmarkMarker_) | (1 << runMarker_));

    connect(this, &QsciScintilla::marginClicked, this, [this](int margin, int line, auto) {
        if (margin != kBookmarkMargin)
            return;
        if (markersAtLine(line) & (1 << bookmarkMarker_))
            markerDelete(line, bookmarkMarker_);
        else
            markerAdd(line, bookmarkMarker_);
    });
}

QString ScriptEditControl::Text() const {
    return text();
}

void ScriptEditControl::Text(const QString& text) {
    setText(text);
    // A script put into the window is where its history starts: undo must not empty it.
    SendScintilla(SCI_EMPTYUNDOBUFFER);
}

QString ScriptEditControl::ReadScriptFile(const QString& path, QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    if (file.size() > kLargestScriptBytes)
        return QStringLiteral("it is larger than %1 MiB").arg(kLargestScriptBytes >> 20);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    // A database or other binary file would lose everything after its first zero byte in the
    // editor, and saving it would then destroy it.
    if (bytes.contains('\0'))
        return QStringLiteral("it is not a text file");
    // Scripts written on Windows are often in the ANSI code page; they must not turn into
    // replacement characters that a later save would write back.
    QStringDecoder utf8(QStringDecoder::Utf8);
    text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    return QString();
}

bool ScriptEditControl::SaveFile(const QString& path) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text().toUtf8());
    return file.commit();
}

qint64 ScriptEditControl::LineCount() const {
    return lines();
}

QString ScriptEditControl::LineText(qint64 line) const {
    if (line < 0 || line >= lines())
        throw Error(ErrorCode::InvalidProcedureCall,
                    QStringLiteral("Invalid procedure call or argument"));
    QString result = text(static_cast<int>(line));
    while (result.endsWith(u'\n') || result.endsWith(u'\r'))
        result.chop(1);
    return result;
}

void ScriptEditControl::GoToLine(qint64 line) {
    setCursorPosition(static_cast<int>(line), 0);
    ensureLineVisible(static_cast<int>(line));
}

void ScriptEditControl::ExecuteCmd(int command) {
    const int mask = 1 << bookmarkMarker_;
    const int caret = static_cast<int>(CaretLine());
    switch (command) {
    case ToggleBookmark:
        if (markersAtLine(caret) & mask)
            markerDelete(caret, bookmarkMarker_);
        else
            markerAdd(caret, bookmarkMarker_);
        break;
    case NextBookmark: {
        int line = markerFindNext(caret + 1, mask);
        if (line < 0)
            line = markerFindNext(0, mask);
        if (line >= 0)
            GoToLine(line);
        break;
    }
    case PreviousBookmark: {
        int line = caret > 0 ? markerFindPrevious(caret - 1, mask) : -1;
        if (line < 0)
            line = markerFindPrevious(lines() - 1, mask);
        if (line >= 0)
            GoToLine(line);
        break;
    }
    case ClearBookmarks:
        markerDeleteAll(bookmarkMarker_);
        break;
    default:
        break;
    }
}

QList<qint64> ScriptEditControl::linesWithMarker(int marker) const {
    QList<qint64> result;
    for (int line = markerFindNext(0, 1 << marker); line >= 0;
         line = markerFindNext(line + 1, 1 << marker))
        result << line;
    return result;
}

bool ScriptEditControl::HasBookmark(qint64 line) const {
    return markersAtLine(static_cast<int>(line)) & (1 << bookmarkMarker_);
}

QList<qint64> ScriptEditControl::Bookmarks() const {
    return linesWithMarker(bookmarkMarker_);
}

void ScriptEditControl::MarkRunLine(qint64 line) {
    if (line >= 0 && line < lines())
        markerAdd(static_cast<int>(line), runMarker_);
}

void ScriptEditControl::MarkStartLine(qint64 line) {
    markerDeleteAll(startMarker_);
    if (line >= 0 && line < lines())
        markerAdd(static_cast<int>(line), startMarker_);
}

void ScriptEditControl::ClearRunMarks() {
    markerDeleteAll(runMarker_);
    markerDeleteAll(startMarker_);
}

bool ScriptEditControl::HasRunMark(qint64 line) const {
    return markersAtLine(static_cast<int>(line)) & (1 << runMarker_);
}

bool ScriptEditControl::HasStartMark(qint64 line) const {
    return markersAtLine(static_cast<int>(line)) & (1 << startMarker_);
}

qint64 ScriptEditControl::CaretLine() const {
    int line = 0;
    int index = 0;
    getCursorPosition(&line, &index);
    return line;
}

} // namespace vantor
