#include "cli/AlarmOptions.h"
#include "cli/AlarmRun.h"
#include "cli/Command.h"
#include "cli/CommandOptions.h"
#include "cli/MeterConnection.h"
#include "cli/StopSignals.h"

#include "meter/MeterLink.h"
#include "meter/Poll.h"
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

// HOST, HOST:PORT, [IPv6] or [IPv6]:PORT; false when the port is not one.
bool splitBroker(const QString &broker, QString *host, int *port)
{
    QString portText;
    if (broker.startsWith(QLatin1Char('['))) {
        const int close = int(broker.indexOf(QLatin1Char(']')));
        *host = broker.mid(1, close - 1);
        portText = broker.mid(close + 1);
        if (close < 0 || !(portText.isEmpty() || portText.startsWith(QLatin1Char(':'))))
            return false;
        portText = portText.mid(1);
    } else if (broker.count(QLatin1Char(':')) == 1) {
        *host = broker.section(QLatin1Char(':'), 0, 0);
        portText = broker.section(QLatin1Char(':'), 1);
    } else {
        *host = broker;
    }
    bool ok = true;
    if (!portText.isEmpty())
        *port = portText.toInt(&ok);
    return ok && *port >= 1 && *port <= 65535 && !host->isEmpty();
}

// The password: from --password-file, else DEWSCOPE_MQTT_PASSWORD, else the service's
// credential. Its first line; nothing when none is given.
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
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the password from %1: %2").arg(path, in.errorString());
        return false;
    }
    *password
        = QString::fromUtf8(in.readLine()).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    return true;
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

// Publishes the meter's readings to an MQTT broker until SIGINT or SIGTERM; see Publisher.
int runPublish(const QStringList &args, Io &io)
{
    CommandOptions options("publish", io);
    options.addMeterPort();
    options.add(QStringLiteral("broker"),
                QStringLiteral("the MQTT broker; PORT 1883, or 8883 with --cafile"),
                QStringLiteral("HOST[:PORT]"));
    options.add(QStringLiteral("topic"),
                QStringLiteral("the topic prefix (default dewscope/NODE, NODE being the host name "
                               "and the port's base name)"),
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
                QStringLiteral("the client id (default dewscope_NODE)"), QStringLiteral("ID"));
    options.add(QStringLiteral("username"), QStringLiteral("log in as USER"),
                QStringLiteral("USER"));
    options.add(QStringLiteral("password-file"),
                QStringLiteral("the password, first line of FILE (else DEWSCOPE_MQTT_PASSWORD, or "
                               "the service's credential mqtt-password)"),
                QStringLiteral("FILE"));
    options.add(QStringLiteral("cafile"),
                QStringLiteral("TLS: the broker's certificate and name are verified against the "
                               "CA certificates in FILE"),
                QStringLiteral("FILE"));
    options.add(QStringLiteral("discovery"),
                QStringLiteral("publish sensor configurations for dashboards under "
                               "PREFIX/sensor/NODE/ (given alone: %1)")
                    .arg(DefaultDiscoveryPrefix),
                QStringLiteral("PREFIX"));
    AlarmOptions::addOptions(options);
    options.addNote(QStringLiteral(
        "PREFIX/state carries the reading as JSON, PREFIX/availability (retained) \"online\" "
        "while the meter sends, \"offline\" while it is silent, after SIGINT or SIGTERM and as "
        "the last will. Runs until SIGINT or SIGTERM; the exit status is 1 when credentials or "
        "the broker's certificate are refused, or when readings were dropped."));
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
    if (location.isEmpty() || broker.isEmpty())
        return options.usageError(QStringLiteral("give the meter's port and the broker "
                                                 "(see dewscope-cli publish --help)"));
    const QString qos = options.value(QStringLiteral("qos"), QStringLiteral("1"));
    if (qos != QLatin1String("0") && qos != QLatin1String("1"))
        return options.usageError(QStringLiteral("--qos takes 0 or 1"));
    MqttClient::Settings settings;
    settings.caFile = options.value(QStringLiteral("cafile"));
    settings.port = settings.caFile.isEmpty() ? 1883 : 8883;
    if (!splitBroker(broker, &settings.host, &settings.port))
        return options.usageError(QStringLiteral("--broker takes HOST or HOST:PORT"));
    Publisher::Options publishing;
    publishing.node = MqttMessages::nodeName(QSysInfo::machineHostName(), location);
    publishing.topicPrefix
        = options.value(QStringLiteral("topic"), MqttMessages::defaultTopicPrefix(publishing.node));
    while (publishing.topicPrefix.endsWith(QLatin1Char('/')))
        publishing.topicPrefix.chop(1);
    if (publishing.topicPrefix.isEmpty() || publishing.topicPrefix.contains(QLatin1Char('+'))
        || publishing.topicPrefix.contains(QLatin1Char('#')))
        return options.usageError(QStringLiteral("--topic takes a prefix without + and #"));
    publishing.intervalMs = int(interval * 1000);
    publishing.qos = qos.toInt();
    publishing.discoveryPrefix = options.value(QStringLiteral("discovery"));
    publishing.version = QStringLiteral(DEWSCOPE_VERSION);
    settings.clientId
        = options.value(QStringLiteral("client-id"), QStringLiteral("dewscope_") + publishing.node);
    settings.username = options.value(QStringLiteral("username"));
    settings.willTopic = MqttMessages::availabilityTopic(publishing.topicPrefix);
    settings.willPayload = "offline";
    QString error;
    if (!readPassword(options.value(QStringLiteral("password-file")), &settings.password, &error))
        return options.failure(error);
    QFile caFile(settings.caFile);
    if (!settings.caFile.isEmpty() && !caFile.open(QIODevice::ReadOnly))
        return options.failure(
            QStringLiteral("cannot read %1: %2").arg(settings.caFile, caFile.errorString()));

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
    return code != Success || counts.dropped > 0 ? Failure : Success;
}

} // namespace dewscope::cli
