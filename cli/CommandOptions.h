#pragma once

#include "cli/Command.h"

#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace dewscope::cli {

// The options of one command, read with QCommandLineParser: "--name=value" and "--name value"
// both work, a value may start with a minus sign ("--celsius -10,60"), and a negative number
// among the positional arguments stays a value ("psychro -10 50"). "--help" prints the
// command's usage, its options and its notes. Errors go to stderr with the command's name.
class CommandOptions
{
public:
    CommandOptions(const char *command, Io &io);

    // A switch (valueName empty) or an option with a value.
    void add(const QString &name, const QString &description, const QString &valueName = QString());
    // An option with a value that --help does not list: for the test suite's own settings.
    void addHidden(const QString &name, const QString &valueName);
    // --port=LOCATION: the meter's serial port.
    void addMeterPort();
    // At most this many positional arguments; one more is a usage error. Any number by default.
    void allowPositional(int count) { m_maxPositional = count; }
    // A paragraph printed after the options in --help.
    void addNote(const QString &text);

    // Reads the arguments that follow the command's name. Nothing when the command goes on;
    // otherwise the exit code it returns at once: Success after --help (printed on stdout),
    // UsageError after a malformed line (said on stderr).
    std::optional<int> parse(const QStringList &args);

    bool isSet(const QString &name) const { return m_parser.isSet(name); }
    // The option's value (the last one given), or fallback when it is not given.
    QString value(const QString &name, const QString &fallback = QString()) const;
    QStringList positional() const { return m_positional; }

    // A number option: nothing when it is not given; otherwise it must read as a number ("."
    // as decimal mark) from min to max, or a usage error naming the option and the range is
    // said and *code set to UsageError.
    std::optional<double> number(const QString &name, double min, double max, int *code) const;
    // A whole-number option: as number(), but the value (blanks around it aside) must be
    // digits only: no sign, fraction, exponent or "inf".
    std::optional<qint64> wholeNumber(const QString &name, qint64 min, qint64 max, int *code) const;

    // "dewscope-cli COMMAND: message" on stderr; the exit code to return.
    int usageError(const QString &message) const;
    int failure(const QString &message) const;
    // "dewscope-cli COMMAND: " for messages of the command's own.
    QString prefix() const;

    // The help text, as --help prints it.
    QString helpText() const;

private:
    struct Entry
    {
        QString name;
        QString valueName;
        QString description;
        bool hidden = false;
    };

    const Command *m_command = nullptr;
    QString m_name;
    Io &m_io;
    QCommandLineParser m_parser;
    QList<Entry> m_entries;
    QStringList m_notes;
    QStringList m_positional;
    int m_maxPositional = -1;
};

} // namespace dewscope::cli
