#include "cli/Command.h"
#include "cli/CommandOptions.h"
#include "cli/SummaryInput.h"

#include "summary/SummaryFormat.h"

#include <QJsonDocument>

namespace dewscope::cli {

int runSummary(const QStringList &args, Io &io)
{
    CommandOptions options("summary", io);
    SummaryInput::addOptions(options);
    options.add(QStringLiteral("json"), QStringLiteral("print one JSON object, numbers unrounded"));
    options.addNote(QStringLiteral(
        "Each row stands for the time until the next row, the last one for the median interval. "
        "\"OL\" counts as outside a high limit, \"-OL\" as outside a low one."));
    if (const auto code = options.parse(args))
        return *code;
    SummaryInput input;
    if (const auto code = input.read(options))
        return *code;
    if (options.isSet(QStringLiteral("json")))
        io.out
            << QJsonDocument(summaryformat::toJson(input.figures)).toJson(QJsonDocument::Indented);
    else
        io.out << summaryformat::toText(input.figures, input.name,
                                        input.settings.fahrenheit);
    return Success;
}

} // namespace dewscope::cli
