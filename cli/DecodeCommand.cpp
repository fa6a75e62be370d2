#include "cli/Command.h"
#include "cli/CommandOptions.h"

#include "meter/LiveFrame.h"
#include "meter/ReadingTexts.h"

#include <cctype>

namespace dewscope::cli {

namespace {
bool parseFrame(const QString &text, QByteArray *bytes)
{
    if (text.size() != 2 * LiveFrame::Length)
        return false;
    // ASCII first: isxdigit of a character outside unsigned char is undefined.
    for (QChar c : text) {
        if (c.unicode() > 0x7f || !std::isxdigit(static_cast<unsigned char>(c.toLatin1())))
            return false;
    }
    *bytes = QByteArray::fromHex(text.toLatin1());
    return bytes->size() == LiveFrame::Length;
}
} // namespace

int runDecode(const QStringList &arguments, Io &io)
{
    CommandOptions options("decode", io);
    if (const auto code = options.parse(arguments))
        return *code;
    const QStringList args = options.positional();
    if (args.isEmpty())
        return options.usageError(QStringLiteral("give at least one FRAME of 12 hex digits"));
    QList<QByteArray> frames;
    for (const QString &arg : args) {
        QByteArray bytes;
        if (!parseFrame(arg, &bytes)) {
            io.err << "dewscope-cli decode: '" << arg << "' is not 12 hex digits\n";
            return UsageError;
        }
        frames.append(bytes);
    }
    // One reading for the whole run: values the rules keep carry over to the next frame.
    Reading reading;
    for (const QByteArray &frame : frames) {
        switch (LiveFrame::classify(frame)) {
        case LiveFrame::Kind::DownloadAnnouncement:
            io.out << "download\n";
            break;
        case LiveFrame::Kind::Invalid:
            io.out << "dropped\n";
            break;
        case LiveFrame::Kind::Reading: {
            LiveFrame::decode(reading, frame);
            io.out << ReadingTexts::fromReading(reading).recordFields().join(QLatin1Char('\t'))
                   << "\n";
            break;
        }
        }
    }
    return Success;
}

} // namespace dewscope::cli
