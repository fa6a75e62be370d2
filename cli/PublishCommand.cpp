#include "cli/AlarmOptions.h"
#include "cli/AlarmRun.h"
#include "cli/Command.h"
#include "cli/CommandOptions.h"
#include "cli/MeterConnection.h"
#include "cli/SmallFile.h"
#include "cli/StopSignals.h"

#include "meter/MeterLink.h"
#include "meter/Poll.h"
#include "publish/MqttLimits.h"
#include "publish/ForgetRetained.h"
#include "publish/AlarmPublisher.h"
#include "publish/Publisher.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QSysInfo>

namespace dewscope::cli {

namespace {

const QString DefaultDiscoveryPrefix = QStringLiteral("homeassistant");

// "--discovery" with no value after it takes the default prefix.
QStringList withDiscoveryDefault(QStringList args)
{
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--discovery")
            && (i + 1 == args.size() || args.at(i + 1).startsWith(QLatin1Char('-'))))
            args[i] += QLatin1Char('=') + DefaultDiscoveryPrefix;
    }
    return args;
}

// A prefix of topics (trailing slashes dropped) and the topics built from it, checked before
// connecting. Nothing when they can work; otherwise UsageError, the reason said on stderr.
std::optional<int> refuseTopics(const CommandOptions &options, const char *option,
                                const QString &prefix, const QStringList &topics)
{
    QString whyNot = MqttLimits::whyNotPrefix(prefix);
    for (const QString &topic : topics) {
        if (whyNot.isEmpty() && !(whyNot = MqttLimits::whyNotTopic(topic)).isEmpty())
            whyNot = QStringLiteral("a topic made from it: %1").arg(whyNot);
    }
    if (whyNot.isEmpty())
        return std::nullopt;
    return options.usageError(
        QStringLiteral("--%1 refused: %2").arg(QLatin1String(option), whyNot));
}

QString withoutTrailingSlashes(QString prefix)
{
    while (prefix.endsWith(QLatin1Char('/')))
        prefix.chop(1);
    return prefix;
}

// The password: from --password-file, else DEWSCOPE_MQTT_PASSWORD, else the service's
// credential. Its first line; nothing when none is given. The file is read whatever it is (a
// pipe from a password store works), but only up to 4 KiB and for 5 s.
bool readPassword(const QString &file, QString *password, QString *error)
{
    QString path = file;
    if (path.isEmpty() && qEnvironmentVariableIsSet("DEWSCOPE_MQTT_PASSWORD")) {
        *password = qEnvironmentVariable("DEWSCOPE_MQTT_PASSWORD");
        return true;
    }
    const QString credentials = qEnvironmentVariable("CREDENTIALS_DIRECTORY");
    if (path.isEmpty() && !credentials.isEmpty())
        path = QDir(credentials).filePath(QStringLiteral("mqtt-password"));
    if (path.isEmpty() || (file.isEmpty() && !QFile::exists(path)))
        return true;
    QByteArray bytes;
    QString reason;
    if (!readSmallFile(path, 4096, 5000, &bytes, &reason)) {
        *error = QStringLiteral("cannot read the password from %1: %2").arg(path, reason);
        return false;
    }
    *password = QString::fromUtf8(bytes.left(bytes.indexOf('\n'))).remove(QLatin1Char('\r'));
    return true;
}

// --forget: the meter's retained topics emptied, under the default discovery prefix unless
// another is given.
int forgetMeter(MqttClient::Settings settings, const Publisher::Options &publishing, Io &io,
                CommandOptions &options)
{
    settings.clientId += QStringLiteral("_forget"); // a running publisher keeps its session
    const QStringList topics = MqttMessages::retainedTopics(
        publishing.discoveryPrefix.isEmpty() ? DefaultDiscoveryPrefix : publishing.discoveryPrefix,
        publishing.node, publishing.topicPrefix);
    QString error;
    if (!forgetRetained(settings, topics, &error))
        return options.failure(QStringLiteral("cannot forget %1 at %2:%3 (%4)")
                                   .arg(publishing.node, settings.host)
                                   .arg(settings.port)
                                   .arg(error));
    io.out << "forgot " << publishing.node << ": " << topics.size()
           << " retained topic(s) emptied\n";
    return Success;
}

// The alarms while publishing: events on stderr, the log and the command as watch has them,
// and each watched channel's state on PREFIX/alarm/CHANNEL.
void startAlarms(const AlarmOptions &alarms, const Publisher::Options &publishing, Poll *poll,
                 MeterConnection *meter, MqttClient *client, Io &io, std::optional<AlarmRun> *run,
                 std::optional<AlarmPublisher> *publisher)
{
    AlarmPublisher::Options options { publishing.topicPrefix, publishing.discoveryPrefix,
                                      publishing.node, {} };
    if (alarms.settings.temperature.isSet())
        options.channels << AlarmChannel::Temperature;
    if (alarms.settings.humidity.isSet())
        options.channels << AlarmChannel::Humidity;
    if (alarms.settings.silenceDelay > 0)
        options.channels << AlarmChannel::Meter;
    run->emplace("publish", alarms, poll, &meter->state, meter->link.location(), io.err, false, io);
    publisher->emplace(client, options);
    QObject::connect(&(*run)->watcher(), &AlarmWatcher::alarmEvent, &**publisher,
                     &AlarmPublisher::onEvent);
    (*run)->start();
}

} // namespace

// Publishes the meter's readings to an MQTT broker until SIGINT, SIGTERM or SIGHUP; see
// Publisher.
int runPublish(const QStringList &args, Io &io)
{
    CommandOptions options("publish", io);
    options.addMeterPort();
    options.add(QStringLiteral("broker"),
                QStringLiteral("the MQTT broker, an IPv6 address as [ADDRESS]; PORT 1883, or 8883 "
                               "with --cafile"),
                QStringLiteral("HOST[:PORT]"));
    options.add(QStringLiteral("name"),
                QStringLiteral("the meter's name in topics and ids: letters, digits, - and _ "
                               "(default: the host name and the port's base name)"),
                QStringLiteral("NAME"));
    options.add(QStringLiteral("label"),
                QStringLiteral("the device's name shown in dashboards (default NAME)"),
                QStringLiteral("TEXT"));
    options.add(QStringLiteral("manufacturer"),
                QStringLiteral("the meter's maker shown in dashboards (default \"%1\")")
                    .arg(MqttMessages::Device::DefaultManufacturer),
                QStringLiteral("TEXT"));
    options.add(QStringLiteral("model"),
                QStringLiteral("the meter's model shown in dashboards (default \"%1\")")
                    .arg(MqttMessages::Device::DefaultModel),
                QStringLiteral("TEXT"));
    options.add(QStringLiteral("topic"), QStringLiteral("the topic prefix (default dewscope/NAME)"),
                QStringLiteral("PREFIX"));
    options.add(QStringLiteral("interval"),
                QStringLiteral("publish the current reading every SECONDS while the meter sends "
                               "(default 10; 0: every reading)"),
                QStringLiteral("SECONDS"));
    options.add(QStringLiteral("qos"),
                QStringLiteral("1 (default): readings wait while the broker is away, at most "
                               "%1; 0: they are not sent")
                    .arg(Publisher::QueueCapacity),
                QStringLiteral("0|1"));
    options.add(QStringLiteral("client-id"),
                QStringLiteral("the client id (default dewscope_NAME)"), QStringLiteral("ID"));
    options.add(QStringLiteral("username"), QStringLiteral("log in as USER"),
                QStringLiteral("USER"));
    options.add(QStringLiteral("password-file"),
                QStringLiteral("the password, first line of FILE, which must end within 5 s and "
                               "hold at most 4096 bytes (else DEWSCOPE_MQTT_PASSWORD, or the "
                               "service's credential mqtt-password)"),
                QStringLiteral("FILE"));
    options.add(QStringLiteral("cafile"),
                QStringLiteral("TLS: the broker's certificate and name are verified against the "
                               "CA certificates in FILE"),
                QStringLiteral("FILE"));
    options.add(QStringLiteral("discovery"),
                QStringLiteral("publish sensor configurations for dashboards under "
                               "PREFIX/sensor/NAME/, again when PREFIX/status says \"online\" "
                               "(given alone: %1)")
                    .arg(DefaultDiscoveryPrefix),
                QStringLiteral("PREFIX"));
    options.add(QStringLiteral("forget"),
                QStringLiteral("empty every retained topic of NAME (configurations under the "
                               "--discovery prefix, default %1; availability, state, alarms) "
                               "and exit; the meter's port is not opened")
                    .arg(DefaultDiscoveryPrefix));
    AlarmOptions::addOptions(options);
    options.addNote(QStringLiteral(
        "PREFIX/state (retained) carries the reading as JSON (its time to the millisecond), "
        "PREFIX/availability (retained) \"online\" while the meter sends, \"offline\" while it "
        "is silent, after the stop and as the last will. Runs until SIGINT, SIGTERM or SIGHUP, "
        "then waits up to 5 s for the broker to take the QoS 1 readings still queued. The exit "
        "status is 1 when credentials or the broker's certificate are refused, when readings "
        "were dropped, or when QoS 1 readings were still queued at the end; QoS 0 readings not "
        "sent are counted but do not fail the run. Settings MQTT cannot carry (+, # or an empty "
        "level in a prefix, a topic or client id over 65535 bytes) are refused at once."));
    options.allowPositional(0);
    if (const auto code = options.parse(withDiscoveryDefault(args)))
        return *code;
    AlarmOptions alarms;
    if (const auto code = alarms.read(options))
        return *code;
    int code = Success;
    const double interval
        = options.number(QStringLiteral("interval"), 0, 86400, &code).value_or(10);
    if (code != Success)
        return code;
    const QString location = options.value(QStringLiteral("port"));
    const QString broker = options.value(QStringLiteral("broker"));
    const bool forget = options.isSet(QStringLiteral("forget"));
    const QString name = options.value(QStringLiteral("name"));
    if (forget && (broker.isEmpty() || (location.isEmpty() && name.isEmpty())))
        return options.usageError(QStringLiteral("--forget needs the broker and --name (or the "
                                                 "meter's port that named it)"));
    if ((location.isEmpty() && !forget) || broker.isEmpty())
        return options.usageError(QStringLiteral("give the meter's port and the broker "
                                                 "(see dewscope-cli publish --help)"));
    if (options.isSet(QStringLiteral("name")) && !MqttMessages::isMeterName(name))
        return options.usageError(QStringLiteral("--name takes letters, digits, - and _ only"));
    const QString qos = options.value(QStringLiteral("qos"), QStringLiteral("1"));
    if (qos != QLatin1String("0") && qos != QLatin1String("1"))
        return options.usageError(QStringLiteral("--qos takes 0 or 1"));
    MqttClient::Settings settings;
    settings.caFile = options.value(QStringLiteral("cafile"));
    settings.port = settings.caFile.isEmpty() ? 1883 : 8883;
    if (!MqttLimits::splitBroker(broker, &settings.host, &settings.port))
        return options.usageError(QStringLiteral("--broker takes HOST, HOST:PORT, [IPv6] or "
                                                 "[IPv6]:PORT, with one port from 1 to 65535"));
    Publisher::Options publishing;
    publishing.node
        = name.isEmpty() ? MqttMessages::nodeName(QSysInfo::machineHostName(), location) : name;
    publishing.label = options.value(QStringLiteral("label"));
    publishing.manufacturer
        = options.value(QStringLiteral("manufacturer"), publishing.manufacturer);
    publishing.model = options.value(QStringLiteral("model"), publishing.model);
    publishing.topicPrefix = withoutTrailingSlashes(
        options.value(QStringLiteral("topic"), MqttMessages::defaultTopicPrefix(publishing.node)));
    if (const auto code = refuseTopics(options, "topic", publishing.topicPrefix,
                                       { MqttMessages::stateTopic(publishing.topicPrefix),
                                         MqttMessages::availabilityTopic(publishing.topicPrefix) }))
        return *code;
    publishing.intervalMs = int(interval * 1000);
    publishing.qos = qos.toInt();
    publishing.version = QStringLiteral(DEWSCOPE_VERSION);
    if (options.isSet(QStringLiteral("discovery"))) {
        publishing.discoveryPrefix
            = withoutTrailingSlashes(options.value(QStringLiteral("discovery")));
        // The longest topics built from it: the configurations of every entity.
        const QStringList topics = MqttMessages::retainedTopics(
            publishing.discoveryPrefix, publishing.node, publishing.topicPrefix);
        if (const auto code
            = refuseTopics(options, "discovery", publishing.discoveryPrefix, topics))
            return *code;
    }
    settings.clientId
        = options.value(QStringLiteral("client-id"), QStringLiteral("dewscope_") + publishing.node);
    settings.username = options.value(QStringLiteral("username"));
    if (const QString whyNot = MqttLimits::whyNotClientId(settings.clientId); !whyNot.isEmpty())
        return options.usageError(QStringLiteral("--client-id refused: ") + whyNot);
    if (const QString whyNot = MqttLimits::whyNotTopic(settings.username); !whyNot.isEmpty())
        return options.usageError(QStringLiteral("--username refused: ") + whyNot);
    settings.willTopic = MqttMessages::availabilityTopic(publishing.topicPrefix);
    settings.willPayload = "offline";
    QString error;
    if (!readPassword(options.value(QStringLiteral("password-file")), &settings.password, &error))
        return options.failure(error);
    QFile caFile(settings.caFile);
    if (!settings.caFile.isEmpty() && !caFile.open(QIODevice::ReadOnly))
        return options.failure(
            QStringLiteral("cannot read %1: %2").arg(settings.caFile, caFile.errorString()));
    if (forget)
        return forgetMeter(settings, publishing, io, options);

    MeterConnection meter;
    if (!meter.open("publish", location, io))
        return Failure;
    Poll poll(&meter.link, &meter.state);
    MqttClient client(settings);
    Publisher publisher(&poll, &meter.state, &client, publishing);
    QEventLoop loop;
    std::optional<AlarmRun> alarmRun;
    std::optional<AlarmPublisher> alarmPublisher;
    if (alarms.given)
        startAlarms(alarms, publishing, &poll, &meter, &client, io, &alarmRun, &alarmPublisher);
    const QString brokerName = QStringLiteral("%1:%2").arg(settings.host).arg(settings.port);
    auto say = [&io, &options](const QString &line) {
        io.err << options.prefix() << line << '\n';
        io.err.flush();
    };
    QObject::connect(&publisher, &Publisher::brokerUnreachable, &loop, [&](const QString &why) {
        say(QStringLiteral("the broker %1 is unreachable (%2); %3")
                .arg(brokerName, why,
                     publishing.qos == 1
                         ? QStringLiteral("readings wait until it is back")
                         : QStringLiteral("readings are not sent until it is back")));
    });
    QObject::connect(
        &publisher, &Publisher::brokerBack, &loop,
        [&](qint64 late, qint64 dropped, qint64 notSent) {
            say(publishing.qos == 1
                    ? QStringLiteral("the broker is back: %1 reading(s) sent late, "
                                     "%2 dropped")
                          .arg(late)
                          .arg(dropped)
                    : QStringLiteral("the broker is back: %1 reading(s) not sent").arg(notSent));
        });
    QObject::connect(&publisher, &Publisher::refused, &loop,
                     [&](MqttClient::Ending ending, const QString &why) {
                         say(ending == MqttClient::Ending::CredentialsRefused
                                 ? QStringLiteral("the broker %1 refused the credentials (%2)")
                                       .arg(brokerName, why)
                                 : QStringLiteral("no TLS connection with %1, it is refused (%2)")
                                       .arg(brokerName, why));
                         code = Failure;
                         loop.quit();
                     });
    QObject::connect(&publisher, &Publisher::finished, &loop, &QEventLoop::quit);
    QObject::connect(&poll, &Poll::meterSilent, &loop,
                     [&] { say(QStringLiteral("the meter is silent; availability offline")); });
    QObject::connect(&poll, &Poll::meterBack, &loop,
                     [&] { say(QStringLiteral("the meter is back")); });
    QObject::connect(&poll, &Poll::downloadAnnounced, &loop, [&] { poll.downloadFinished(); });
    QObject::connect(&meter.link, &MeterLink::portLost, &loop,
                     [&] { say(location + QStringLiteral(" went away; trying to reopen it")); });
    QObject::connect(&meter.link, &MeterLink::portRestored, &loop,
                     [&] { say(location + QStringLiteral(" is back")); });
    StopSignals stop;
    QObject::connect(&stop, &StopSignals::stopRequested, &publisher, &Publisher::stop);

    io.out << "publishing " << location << " to " << brokerName << " on "
           << MqttMessages::stateTopic(publishing.topicPrefix) << '\n';
    io.out.flush();
    publisher.start();
    poll.setEnabled(true);
    loop.exec();
    poll.setEnabled(false);
    if (alarmRun)
        alarmRun->finish();
    meter.link.close();
    const Publisher::Counts counts = publisher.counts();
    say(QStringLiteral("%1 reading(s) published, %2 sent late, %3 dropped, %4 not sent")
            .arg(counts.published)
            .arg(counts.late)
            .arg(counts.dropped)
            .arg(counts.notSent));
    if (counts.waiting > 0)
        say(QStringLiteral("%1 queued reading(s) did not reach the broker within %2 s of the "
                           "stop and are lost")
                .arg(counts.waiting)
                .arg(Publisher::StopTimeoutMs / 1000));
    return code != Success || counts.dropped > 0 || counts.waiting > 0 ? Failure : Success;
}

} // namespace dewscope::cli
