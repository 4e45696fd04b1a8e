#include "cli/CommandParser.h"

#include "cli/CliSupport.h"

#include <cstdio>

namespace vantor::cli {

CommandParser::CommandParser(QString command, QString usage, QString summary)
    : command_(std::move(command)), usage_(std::move(usage)), summary_(std::move(summary)) {
    parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser_.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    AddOption(QStringLiteral("help"), QStringLiteral("Show this help and exit."));
}

void CommandParser::AddOption(const QCommandLineOption& option) {
    options_.append(option);
    parser_.addOption(option);
}

void CommandParser::AddOption(const QString& name, const QString& description,
                              const QString& valueName) {
    AddOption(QCommandLineOption(name, description, valueName));
}

void CommandParser::AddTwoSideLogins() {
    for (const QString& side : {QStringLiteral("primary"), QStringLiteral("secondary")}) {
        AddOption(side + QStringLiteral("-user"),
                  QStringLiteral("User name for the %1 database (default Admin).").arg(side),
                  QStringLiteral("NAME"));
        AddOption(side + QStringLiteral("-password-file"),
                  QStringLiteral("Read the %1 database's password from the first line of FILE; "
                                 "- asks for it without echo.")
                      .arg(side),
                  QStringLiteral("FILE"));
    }
}

void CommandParser::AddOneSideLogin() {
    AddOption(QStringLiteral("user"), QStringLiteral("User name for the database (default Admin)."),
              QStringLiteral("NAME"));
    AddOption(QStringLiteral("password-file"),
              QStringLiteral("Read the database's password from the first line of FILE; - asks "
                             "for it without echo."),
              QStringLiteral("FILE"));
}

void CommandParser::AddFormat(const QStringList& formats) {
    formats_ = formats;
    AddOption(QStringLiteral("format"),
              QStringLiteral("Output format: %1 (default %2).")
                  .arg(formats.join(QStringLiteral(", ")), formats.first()),
              QStringLiteral("FORMAT"));
}

bool CommandParser::Parse(const QStringList& args, int positionals, int optional) {
    // QCommandLineParser takes the first entry as the program's name.
    if (!parser_.parse(QStringList{QStringLiteral("vantor-cli")} + args))
        Fail(parser_.errorText());
    if (parser_.isSet(QStringLiteral("help"))) {
        QByteArray help = Help().toLocal8Bit();
        std::fwrite(help.constData(), 1, static_cast<size_t>(help.size()), stdout);
        return false;
    }
    const QStringList given = parser_.positionalArguments();
    if (given.size() < positionals)
        Fail(QStringLiteral("missing arguments (vantor-cli %1 %2)").arg(command_, usage_));
    if (given.size() > positionals + optional)
        Fail(QStringLiteral("unexpected argument '%1'").arg(given[positionals + optional]));
    if (!formats_.isEmpty())
        Format();
    return true;
}

bool CommandParser::IsSet(const QString& name) const {
    for (const QCommandLineOption& option : options_)
        if (option.names().contains(name))
            return parser_.isSet(name);
    return false;
}

QString CommandParser::Format() const {
    if (!parser_.isSet(QStringLiteral("format")))
        return formats_.value(0);
    QString format = parser_.value(QStringLiteral("format")).toLower();
    if (!formats_.contains(format))
        Fail(
            QStringLiteral("unknown format '%1' (use %2)")
                .arg(parser_.value(QStringLiteral("format")), formats_.join(QStringLiteral(", "))));
    return format;
}

QString CommandParser::Help() const {
    QString text = QStringLiteral("Usage: vantor-cli %1 %2\n\n%3\n\nOptions:\n")
                       .arg(command_, usage_, summary_);
    QStringList left;
    int width = 0;
    for (const QCommandLineOption& option : options_) {
        QStringList names;
        for (const QString& name : option.names())
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        QString l = names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty())
            l += QLatin1Char(' ') + option.valueName();
        left << l;
        width = std::max(width, static_cast<int>(l.size()));
    }
    for (qsizetype i = 0; i < options_.size(); ++i)
        text += QStringLiteral("  %1  %2\n")
                    .arg(left[i].leftJustified(width), options_[i].description());
    return text;
}

void CommandParser::Fail(const QString& message) const {
    throw UsageError(
        QStringLiteral("vantor-cli %1: %2\nTry 'vantor-cli %1 --help'.").arg(command_, message));
}

} // namespace vantor::cli
