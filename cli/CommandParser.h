#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

namespace vantor::cli {

// The arguments of one command (the words after its name): its options, its positional
// arguments, and the help text made from both.
class CommandParser {
public:
    CommandParser(QString command, QString usage, QString summary);

    void AddOption(const QCommandLineOption& option);
    void AddOption(const QString& name, const QString& description,
                   const QString& valueName = QString());
    // Options every command that opens two databases takes.
    void AddTwoSideLogins();
    // Options of the commands that open one database.
    void AddOneSideLogin();
    void AddFormat(const QStringList& formats);

    // False when --help was asked: the help is then already printed. A command line that does
    // not fit raises UsageError; `positionals` arguments are expected, and up to `optional` more
    // may follow.
    bool Parse(const QStringList& args, int positionals, int optional = 0);

    QString Value(const QString& name) const { return parser_.value(name); }
    // Every value of an option given more than once, in order.
    QStringList Values(const QString& name) const { return parser_.values(name); }
    // False also for an option the command does not have.
    bool IsSet(const QString& name) const;
    QStringList Positionals() const { return parser_.positionalArguments(); }
    // The --format value, checked against the formats the command knows.
    QString Format() const;

    QString Help() const;
    // Raises UsageError with message and where to find help.
    [[noreturn]] void Fail(const QString& message) const;

private:
    QString command_;
    QString usage_;
    QString summary_;
    QStringList formats_;
    QList<QCommandLineOption> options_;
    QCommandLineParser parser_;
};

} // namespace vantor::cli
