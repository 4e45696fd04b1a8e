#include "cli/Reports.h"

#include "engine/clsEngine.h"

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

QString definitionOf(const std::shared_ptr<clsObjects>& side, const ObjectState& o) {
    auto object = side ? side->Item(QLatin1Char(':') + o.name) : nullptr;
    if (!object)
        return QString();
    return o.type == QLatin1String("TABLE") ? object->SqlCreate() : object->Obj_Text();
}

// Both panes get the same stretches, taken from the positions in the first text, as the
// comparison window colours them.
QString differencePair(clsEngine& engine, const ObjectState& o, const CompareReport& report) {
    QString pri = definitionOf(engine.TablesPri, o);
    QString sec = definitionOf(engine.TablesSec, o);
    std::vector<bool> redPri(static_cast<size_t>(pri.size()), false);
    std::vector<bool> redSec(static_cast<size_t>(sec.size()), false);
    if (!pri.isEmpty() && !sec.isEmpty()) {
        engine.CmpString(pri, sec);
        const QStringList& runs = engine.PosDiffPri;
        for (qsizetype i = 0; i + 1 < runs.size(); ++i) {
            const QStringList parts = runs[i].split(QLatin1Char('\t'));
            if (parts.size() != 2)
                continue;
            const qsizetype start = parts[0].toLongLong() - 1;
            const qsizetype length = parts[1].toLongLong();
            for (auto* red : {&redPri, &redSec})
                for (qsizetype k = std::max<qsizetype>(start, 0);
                     k < start + length && k < static_cast<qsizetype>(red->size()); ++k)
                    (*red)[static_cast<size_t>(k)] = true;
        }
    }
    auto pane = [](const QString& label, const QString& path, const QString& body) {
        return QStringLiteral("<div><h4>%1: <code>%2</code></h4><pre>%3</pre></div>\n")
            .arg(label, escaped(path), body);
    };
    return QStringLiteral("<section>\n<h3>%1 %2</h3>\n<div class=\"pair\">\n")
               .arg(escaped(o.type), escaped(o.name)) +
           pane(QStringLiteral("Primary"), report.primary, markedPane(pri, redPri)) +
           pane(QStringLiteral("Secondary"), report.secondary, markedPane(sec, redSec)) +
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

QByteArray CompareAsHtml(const CompareReport& report, clsEngine& engine) {
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
    for (const ObjectState& o : report.objects)
        html += QStringLiteral("<tr class=\"s%1\"><td>%2</td><td>%3</td><td>%4</td></tr>\n")
                    .arg(o.status)
                    .arg(escaped(o.name), escaped(o.type), escaped(StateWord(o.status)));
    html += QStringLiteral("</table>\n");
    QString pairs;
    for (const ObjectState& o : report.objects)
        if (o.status == 1 && (o.type == QLatin1String("TABLE") || o.type == QLatin1String("VIEW")))
            pairs += differencePair(engine, o, report);
    if (!pairs.isEmpty())
        html += QStringLiteral("<h2>Differences</h2>\n") + pairs;
    html += QStringLiteral("</body>\n</html>\n");
    return html.toUtf8();
}

} // namespace vantor::cli
