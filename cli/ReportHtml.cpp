#include "cli/Reports.h"

#include <vector>

namespace vantor::cli {

namespace {

QString escaped(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            out += QStringLiteral("&amp;");
            break;
        case u'<':
            out += QStringLiteral("&lt;");
            break;
        case u'>':
            out += QStringLiteral("&gt;");
            break;
        case u'"':
            out += QStringLiteral("&quot;");
            break;
        case u'\r': // CR LF shows as one line break
            break;
        default:
            out += c;
        }
    }
    return out;
}

// A pane's text with the marked characters in red spans.
QString markedPane(const QString& text, const std::vector<bool>& red) {
    QString html;
    qsizetype i = 0;
    while (i < text.size()) {
        const bool isRed = red[static_cast<size_t>(i)];
        qsizetype end = i;
        while (end < text.size() && red[static_cast<size_t>(end)] == isRed)
            ++end;
        QString part = escaped(QStringView(text).sliced(i, end - i));
        html += isRed ? QStringLiteral("<span class=\"diff\">") + part + QStringLiteral("</span>")
                      : part;
        i = end;
    }
    return html;
}

// A text's differing stretches as one mark per character.
std::vector<bool> marked(const QString& text, const QList<TextRun>& runs) {
    std::vector<bool> red(static_cast<size_t>(text.size()), false);
    for (const TextRun& run : runs)
        for (qsizetype k = std::max<qsizetype>(run.offset, 0);
             k < run.offset + run.length && k < text.size(); ++k)
            red[static_cast<size_t>(k)] = true;
    return red;
}

QString differencePair(const ReportedObject& o, const CompareReport& report) {
    const DiffEntry& e = *o.entry;
    auto pane = [](const QString& label, const QString& path, const QString& body) {
        return QStringLiteral("<div><h4>%1: <code>%2</code></h4><pre>%3</pre></div>\n")
            .arg(label, escaped(path), body);
    };
    return QStringLiteral("<section>\n<h3>%1 %2</h3>\n<div class=\"pair\">\n")
               .arg(escaped(o.type), escaped(o.name)) +
           pane(QStringLiteral("Primary"), report.primary,
                markedPane(e.primaryText, marked(e.primaryText, e.primaryRuns))) +
           pane(QStringLiteral("Secondary"), report.secondary,
                markedPane(e.secondaryText, marked(e.secondaryText, e.secondaryRuns))) +
           QStringLiteral("</div>\n</section>\n");
}

const char* kStyle = R"(body{font-family:sans-serif;margin:1.5em;color:#222}
table.summary{border-collapse:collapse;margin:1em 0}
table.summary th,table.summary td{padding:.2em .9em;text-align:left;border-bottom:1px solid #ddd}
tr.s1 td:last-child{color:#c00}tr.s2 td:last-child,tr.s3 td:last-child{color:#06c}
.pair{display:grid;grid-template-columns:1fr 1fr;gap:1em}
.pair>div{min-width:0}
pre{background:#fafafa;border:1px solid #ccc;padding:.6em;overflow:auto;color:#000}
h4{margin:.4em 0;font-weight:normal}
.diff{color:#ff0000}
)";

} // namespace

QByteArray CompareAsHtml(const CompareReport& report) {
    QString html =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<title>Vantor schema comparison</title>\n<style>\n") +
        QString::fromLatin1(kStyle) + QStringLiteral("</style>\n</head>\n<body>\n");
    html += QStringLiteral("<h1>Schema comparison</h1>\n<p>Primary: <code>%1</code><br>\n"
                           "Secondary: <code>%2</code></p>\n<p>%3</p>\n")
                .arg(escaped(report.primary), escaped(report.secondary),
                     escaped(TotalsSentence(report.Totals())));
    html += QStringLiteral("<table class=\"summary\">\n<tr><th>Name</th><th>Type</th>"
                           "<th>State</th></tr>\n");
    for (const ReportedObject& o : report.objects)
        html += QStringLiteral("<tr class=\"s%1\"><td>%2</td><td>%3</td><td>%4</td></tr>\n")
                    .arg(StateNumber(o.state))
                    .arg(escaped(o.name), escaped(o.type), escaped(StateWord(o.state)));
    html += QStringLiteral("</table>\n");
    QString pairs;
    for (const ReportedObject& o : report.objects)
        if (o.state == ObjectState::Different &&
            (o.entry->isTable() || o.entry->isView() ||
             (!o.entry->primaryText.isEmpty() && !o.entry->secondaryText.isEmpty())))
            pairs += differencePair(o, report);
    if (!pairs.isEmpty())
        html += QStringLiteral("<h2>Differences</h2>\n") + pairs;
    html += QStringLiteral("</body>\n</html>\n");
    return html.toUtf8();
}

} // namespace vantor::cli
