#include "cli/CommandOptions.h"

#include <QRegularExpression>

#include <algorithm>

namespace dewscope::cli {

namespace {

// Marks a negative number among the positional arguments while the parser reads the line, so
// that it does not take "-10" for options. A private-use character never typed on a command
// line.
const QChar NumberMark(0xE000);

bool looksNegativeNumber(const QString &arg)
{
    static const QRegularExpression negative(QStringLiteral("^-(\\d|\\.\\d)"));
    return negative.match(arg).hasMatch();
}

QString wrapped(const QString &text, int indent, int width)
{
    QString out;
    QString line;
    const QString pad(indent, QLatin1Char(' '));
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && indent + line.size() + 1 + word.size() > width) {
            out += line + QLatin1Char('\n') + pad;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return out + line;
}

} // namespace

CommandOptions::CommandOptions(const char *command, Io &io)
    : m_name(QString::fromLatin1(command))
    , m_io(io)
{
    for (const Command &entry : commands()) {
        if (m_name == QLatin1String(entry.name))
            m_command = &entry;
    }
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    m_parser.addOption(
        QCommandLineOption(QStringList { QStringLiteral("h"), QStringLiteral("help") }));
}

void CommandOptions::add(const QString &name, const QString &description, const QString &valueName)
{
    m_parser.addOption(QCommandLineOption(name, description, valueName));
    m_entries.append({ name, valueName, description });
}

void CommandOptions::addHidden(const QString &name, const QString &valueName)
{
    QCommandLineOption option(name, QString(), valueName);
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    m_parser.addOption(option);
    m_entries.append({ name, valueName, QString(), true });
}

void CommandOptions::addMeterPort()
{
    add(QStringLiteral("port"),
        QStringLiteral("the meter's serial port: a system location, COMn or n"),
        QStringLiteral("LOCATION"));
}

void CommandOptions::addNote(const QString &text)
{
    m_notes.append(text);
}

std::optional<int> CommandOptions::parse(const QStringList &args)
{
    QStringList marked { QStringLiteral("dewscope-cli") };
    bool valueNext = false;
    bool onlyPositional = false;
    for (const QString &arg : args) {
        if (valueNext || onlyPositional) {
            valueNext = false;
            marked.append(arg);
            continue;
        }
        if (arg == QLatin1String("--")) {
            onlyPositional = true;
        } else if (arg.startsWith(QLatin1String("--")) && !arg.contains(QLatin1Char('='))) {
            // "--name value": the next argument is the value, whatever it looks like.
            for (const Entry &entry : m_entries)
                valueNext = valueNext || (arg.mid(2) == entry.name && !entry.valueName.isEmpty());
        } else if (looksNegativeNumber(arg)) {
            marked.append(NumberMark + arg);
            continue;
        }
        marked.append(arg);
    }
    if (!m_parser.parse(marked))
        return usageError(m_parser.errorText() + QStringLiteral(" (see dewscope-cli ") + m_name
                          + QStringLiteral(" --help)"));
    if (m_parser.isSet(QStringLiteral("help"))) {
        m_io.out << helpText();
        return Success;
    }
    m_positional.clear();
    for (QString arg : m_parser.positionalArguments()) {
        if (arg.startsWith(NumberMark))
            arg.remove(0, 1);
        m_positional.append(arg);
    }
    if (m_maxPositional >= 0 && m_positional.size() > m_maxPositional)
        return usageError(
            QStringLiteral("unexpected argument '%1'").arg(m_positional.at(m_maxPositional)));
    return std::nullopt;
}

QString CommandOptions::value(const QString &name, const QString &fallback) const
{
    const QStringList values = m_parser.values(name);
    return values.isEmpty() ? fallback : values.last();
}

std::optional<double> CommandOptions::number(const QString &name, double min, double max,
                                             int *code) const
{
    if (!isSet(name))
        return std::nullopt;
    bool ok = false;
    const double number = value(name).trimmed().toDouble(&ok);
    if (ok && number >= min && number <= max)
        return number;
    *code = usageError(QStringLiteral("--%1 takes a number from %2 to %3")
                           .arg(name, QString::number(min), QString::number(max)));
    return std::nullopt;
}

std::optional<qint64> CommandOptions::wholeNumber(const QString &name, qint64 min, qint64 max,
                                                  int *code) const
{
    if (!isSet(name))
        return std::nullopt;
    const QString text = value(name).trimmed();
    const bool digits = !text.isEmpty() && text.size() <= 18
        && std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
    const qint64 number = digits ? text.toLongLong() : -1;
    if (digits && number >= min && number <= max)
        return number;
    *code = usageError(QStringLiteral("--%1 takes a whole number from %2 to %3")
                           .arg(name, QString::number(min), QString::number(max)));
    return std::nullopt;
}

int CommandOptions::usageError(const QString &message) const
{
    m_io.err << prefix() << message << "\n";
    return UsageError;
}

int CommandOptions::failure(const QString &message) const
{
    m_io.err << prefix() << message << "\n";
    return Failure;
}

QString CommandOptions::prefix() const
{
    return QStringLiteral("dewscope-cli ") + m_name + QStringLiteral(": ");
}

QString CommandOptions::helpText() const
{
    constexpr int Width = 79;
    constexpr int Column = 28;
    QString text = QStringLiteral("Usage: dewscope-cli ")
        + (m_command ? QString::fromUtf8(m_command->usage) : m_name) + QLatin1Char('\n');
    if (m_command) {
        // The command list points to this help; the help itself does not.
        QString summary = QString::fromUtf8(m_command->summary);
        summary.remove(QStringLiteral(" (see ") + m_name + QStringLiteral(" --help)"));
        text += wrapped(summary, 0, Width) + QLatin1Char('\n');
    }
    QList<Entry> entries = m_entries;
    entries.append({ QStringLiteral("help"), QString(), QStringLiteral("print this help") });
    text += QStringLiteral("\nOptions:\n");
    for (const Entry &entry : entries) {
        if (entry.hidden)
            continue;
        QString head = QStringLiteral("  --") + entry.name;
        if (!entry.valueName.isEmpty())
            head += QLatin1Char('=') + entry.valueName;
        text += head.size() + 2 > Column
            ? head + QLatin1Char('\n') + QString(Column, QLatin1Char(' '))
            : head.leftJustified(Column);
        text += wrapped(entry.description, Column, Width) + QLatin1Char('\n');
    }
    text += QStringLiteral("An option's value follows it as --name=value or --name value.\n");
    for (const QString &note : m_notes)
        text += QLatin1Char('\n') + wrapped(note, 0, Width) + QLatin1Char('\n');
    return text;
}

} // namespace dewscope::cli
