#include "broker/brokerclient.h"

#include <QFile>
#include <QFileInfo>

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <sys/socket.h>
#endif

namespace {

constexpr int kHousekeepingMs = 1000;
// libmosquitto never gives up on a connection that hangs half-made.
constexpr int kAttemptMs = 15 * 1000;
// As many of the broker's messages in flight as MQTT allows, so that it
// never holds retained messages back behind a later answer of its own.
constexpr int kReceiveMaximum = 65535;

void initialiseLibrary()
{
    static const bool initialised = [] {
        mosquitto_lib_init();
        return true;
    }();
    Q_UNUSED(initialised)
}

// Sockets on Windows say their errors through WSAGetLastError, not errno.
int socketError()
{
#ifdef _WIN32
    return WSAGetLastError();
#else
    return errno;
#endif
}

// Windows' socket errors are no C library errors, though libmosquitto puts
// them into errno.
QString errorText(int error)
{
#ifdef _WIN32
    if (error >= WSABASEERR) {
        QString text = qt_error_string(error).trimmed();
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
        return text;
    }
#endif
    return QString::fromLocal8Bit(std::strerror(error));
}

bool wouldBlock(int error)
{
#ifdef _WIN32
    return error == WSAEWOULDBLOCK;
#else
    return error == EAGAIN || error == EWOULDBLOCK;
#endif
}

// libmosquitto's error, or the reason code a broker ended the connection with.
QString reasonOf(int rc)
{
    QString reason = rc == MOSQ_ERR_ERRNO ? errorText(errno)
        : rc >= 0x80                      ? QString::fromUtf8(mosquitto_reason_string(rc))
                                          : QString::fromUtf8(mosquitto_strerror(rc));
    if (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    return reason;
}

// What a broker refuses for good: who we are, or what we may do.
bool refusesForGood(int reasonCode)
{
    return reasonCode == MQTT_RC_BAD_USERNAME_OR_PASSWORD || reasonCode == MQTT_RC_NOT_AUTHORIZED
        || reasonCode == MQTT_RC_BANNED || reasonCode == MQTT_RC_BAD_AUTHENTICATION_METHOD
        || reasonCode == MQTT_RC_CLIENTID_NOT_VALID
        || reasonCode == MQTT_RC_UNSUPPORTED_PROTOCOL_VERSION;
}

QByteArray utf8(const QString &text)
{
    return text.toUtf8();
}

const char *orNull(const QByteArray &text)
{
    return text.isEmpty() ? nullptr : text.constData();
}

} // namespace

BrokerClient::BrokerClient(Settings settings, QObject *parent)
    : QObject(parent)
    , settings(std::move(settings))
{
    initialiseLibrary();
    housekeeping.setInterval(kHousekeepingMs);
    connect(&housekeeping, &QTimer::timeout, this, [this] {
        if (handle)
            afterCall(mosquitto_loop_misc(handle));
    });
    retryTimer.setSingleShot(true);
    connect(&retryTimer, &QTimer::timeout, this, &BrokerClient::tryConnect);
    attemptTimer.setSingleShot(true);
    connect(&attemptTimer, &QTimer::timeout, this, [this] {
        if (state == State::Connecting)
            failed(QStringLiteral("no answer within %1 s").arg(kAttemptMs / 1000));
    });
}

BrokerClient::~BrokerClient()
{
    dropSocket();
    if (handle)
        mosquitto_destroy(handle);
}

bool BrokerClient::makeHandle(QString &error)
{
    dropSocket();
    if (handle)
        mosquitto_destroy(handle);
    const QByteArray id = utf8(settings.clientId);
    handle = mosquitto_new(orNull(id), true, this);
    if (!handle) {
        error = QStringLiteral("the broker client could not be made: %1")
                    .arg(reasonOf(MOSQ_ERR_ERRNO));
        return false;
    }
    mosquitto_int_option(handle, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_int_option(handle, MOSQ_OPT_RECEIVE_MAXIMUM, kReceiveMaximum);
    mosquitto_connect_v5_callback_set(handle, onConnect);
    mosquitto_disconnect_v5_callback_set(handle, onDisconnect);
    mosquitto_publish_v5_callback_set(handle, onPublish);
    mosquitto_subscribe_v5_callback_set(handle, onSubscribe);
    mosquitto_message_v5_callback_set(handle, onMessage);

    const QByteArray user = utf8(settings.url.user);
    const QByteArray password = utf8(settings.password);
    if (!user.isEmpty() || !password.isEmpty())
        mosquitto_username_pw_set(handle, orNull(user), orNull(password));
    if (!settings.willTopic.isEmpty()) {
        const QByteArray topic = utf8(settings.willTopic);
        const int rc
            = mosquitto_will_set_v5(handle, topic.constData(), int(settings.willPayload.size()),
                                    settings.willPayload.constData(), 1, true, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            error = QStringLiteral("the broker's last message cannot be set: %1").arg(reasonOf(rc));
            return false;
        }
    }
    if (settings.url.tls) {
        for (const QString &file : { settings.caFile, settings.certFile, settings.keyFile }) {
            if (!file.isEmpty() && !QFileInfo(file).isReadable()) {
                error = QStringLiteral("%1 cannot be read").arg(file);
                return false;
            }
        }
        if (settings.certFile.isEmpty() != settings.keyFile.isEmpty()) {
            error = QStringLiteral("a client certificate takes both --cert-file and --key-file");
            return false;
        }
        const QByteArray ca = QFile::encodeName(settings.caFile);
        const QByteArray cert = QFile::encodeName(settings.certFile);
        const QByteArray key = QFile::encodeName(settings.keyFile);
        // Without a file of our own, the system's authorities.
        mosquitto_int_option(handle, MOSQ_OPT_TLS_USE_OS_CERTS, ca.isEmpty() ? 1 : 0);
        const int rc
            = mosquitto_tls_set(handle, orNull(ca), ca.isEmpty() ? "/etc/ssl/certs" : nullptr,
                                orNull(cert), orNull(key), nullptr);
        if (rc == MOSQ_ERR_NOT_SUPPORTED) {
            // As on Windows, where the library is built without OpenSSL.
            error = QStringLiteral("this build has no TLS; give an mqtt:// URL");
            return false;
        }
        if (rc != MOSQ_ERR_SUCCESS) {
            error = QStringLiteral("TLS cannot be set up: %1").arg(reasonOf(rc));
            return false;
        }
    }
    return true;
}

bool BrokerClient::open(QString &error)
{
    if (!makeHandle(error))
        return false;
    housekeeping.start();
    tryConnect();
    return true;
}

void BrokerClient::tryConnect()
{
    if (state == State::Closed || state == State::Refused || state == State::Closing)
        return;
    // A fresh handle for every try: one left half-connected cannot be reused.
    if (state != State::Idle) {
        QString error;
        if (!makeHandle(error)) {
            failed(error);
            return;
        }
    }
    state = State::Connecting;
    socketUp = false;
    const QByteArray host = utf8(settings.url.host);
    const int rc
        = mosquitto_connect_async(handle, host.constData(), settings.url.port, settings.keepaliveS);
#ifdef _WIN32
    // A connection refused at once is said to be lost, its cause left in errno.
    const int cause = errno;
    if (rc == MOSQ_ERR_CONN_LOST && cause >= WSABASEERR) {
        failed(errorText(cause));
        return;
    }
#endif
    if (rc != MOSQ_ERR_SUCCESS) {
        failed(reasonOf(rc));
        return;
    }
    attemptTimer.start(kAttemptMs);
    watchSocket();
}

void BrokerClient::failed(const QString &reason)
{
    if (state == State::Closed || state == State::Refused)
        return;
    if (state == State::Closing) {
        state = State::Closed;
        emit closed();
        return;
    }
    dropSocket();
    attemptTimer.stop();
    inflight.clear();
    state = State::Waiting;
    const int delay = retryMs;
    retryMs = std::min(retryMs * 2, lastRetryMs);
    retryTimer.start(delay);
    emit retrying(reason, delay);
}

void BrokerClient::watchSocket()
{
    const int fd = handle ? mosquitto_socket(handle) : -1;
    if (fd != socketFd) {
        dropSocket();
        socketFd = fd;
        if (fd >= 0) {
            reader = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
            connect(reader.get(), &QSocketNotifier::activated, this, [this] {
                if (!connectionMade(false))
                    afterCall(mosquitto_loop_read(handle, 1));
            });
            writer = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
            connect(writer.get(), &QSocketNotifier::activated, this, [this] {
                if (!connectionMade(true))
                    afterCall(mosquitto_loop_write(handle, 1));
            });
        }
    }
    // A connection still being made is ready once its socket is writable.
    if (writer)
        writer->setEnabled(mosquitto_want_write(handle)
                           || (state == State::Connecting && !socketUp));
}

// A notifier may be dropped from its own signal: it goes once the signal is done.
void BrokerClient::dropSocket()
{
    for (std::unique_ptr<QSocketNotifier> *notifier : { &reader, &writer }) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            (*notifier)->disconnect(this);
            notifier->release()->deleteLater();
        }
    }
    socketFd = -1;
}

// libmosquitto does not look at how a connection it is making over TLS
// ended, and goes on with the handshake from its read call only (its own loop
// makes that call on either readiness): so while the socket is being
// connected, this is done here. True where that is all there was to do.
bool BrokerClient::connectionMade(bool writable)
{
    if (state != State::Connecting || socketUp)
        return false;
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(socketFd, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error), &size) == 0
        && error != 0) {
        failed(errorText(error));
        return true;
    }
    if (!writable) {
        // A socket that is readable but holds nothing was closed.
        char byte = 0;
        const auto peeked = recv(socketFd, &byte, 1, MSG_PEEK);
        const int peekError = peeked < 0 ? socketError() : 0;
        if (peeked == 0 || (peeked < 0 && !wouldBlock(peekError))) {
            failed(peeked == 0 ? QStringLiteral("the connection was closed")
                               : errorText(peekError));
            return true;
        }
        return false;
    }
    socketUp = true;
    if (settings.url.tls) {
        afterCall(mosquitto_loop_read(handle, 1));
        return true;
    }
    return false;
}

void BrokerClient::afterCall(int rc)
{
    if (!handle)
        return;
    if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_NO_CONN && state == State::Connecting)
        failed(reasonOf(rc));
    else if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_NO_CONN && state == State::Connected)
        failed(QStringLiteral("the connection was lost: %1").arg(reasonOf(rc)));
    else if (state == State::Closing && mosquitto_socket(handle) < 0)
        failed(QString());
    if (state == State::Connecting || state == State::Connected || state == State::Closing)
        watchSocket();
}

bool BrokerClient::publish(const QString &topic, const QByteArray &payload, bool retain)
{
    if (state != State::Connected)
        return false;
    int mid = 0;
    const QByteArray name = utf8(topic);
    const int rc = mosquitto_publish_v5(handle, &mid, name.constData(), int(payload.size()),
                                        payload.constData(), 1, retain, nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
        afterCall(rc);
        return false;
    }
    inflight.insert(mid, topic);
    watchSocket();
    return true;
}

int BrokerClient::subscribe(const QStringList &filters, bool retained)
{
    if (state != State::Connected || filters.isEmpty())
        return -1;
    std::vector<QByteArray> names;
    std::vector<char *> pointers;
    for (const QString &filter : filters)
        names.push_back(utf8(filter));
    for (QByteArray &name : names)
        pointers.push_back(name.data());
    int mid = 0;
    const int rc
        = mosquitto_subscribe_multiple(handle, &mid, int(pointers.size()), pointers.data(), 1,
                                       retained ? 0 : MQTT_SUB_OPT_SEND_RETAIN_NEVER, nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
        afterCall(rc);
        return -1;
    }
    watchSocket();
    return mid;
}

void BrokerClient::close()
{
    retryTimer.stop();
    attemptTimer.stop();
    if (state == State::Connected) {
        state = State::Closing;
        mosquitto_disconnect_v5(handle, MQTT_RC_NORMAL_DISCONNECTION, nullptr);
        watchSocket();
        return;
    }
    if (state == State::Closed || state == State::Refused || state == State::Closing)
        return;
    dropSocket();
    state = State::Closed;
    emit closed();
}

void BrokerClient::onConnect(mosquitto *, void *self, int rc, int, const mosquitto_property *)
{
    auto *client = static_cast<BrokerClient *>(self);
    client->attemptTimer.stop();
    if (rc == 0) {
        client->state = State::Connected;
        client->retryMs = firstRetryMs;
        emit client->connected();
        return;
    }
    const QString reason = QString::fromUtf8(mosquitto_reason_string(rc));
    if (refusesForGood(rc)) {
        client->state = State::Refused;
        client->housekeeping.stop();
        client->dropSocket();
        emit client->refused(QStringLiteral("refused the connection: %1").arg(reason));
        return;
    }
    client->failed(QStringLiteral("refused the connection for now: %1").arg(reason));
}

void BrokerClient::onDisconnect(mosquitto *, void *self, int rc, const mosquitto_property *)
{
    auto *client = static_cast<BrokerClient *>(self);
    switch (client->state) {
    case State::Closing:
        client->dropSocket();
        client->housekeeping.stop();
        client->state = State::Closed;
        emit client->closed();
        break;
    case State::Connecting:
        client->failed(reasonOf(rc));
        break;
    case State::Connected:
        client->failed(rc == MOSQ_ERR_CONN_LOST
                           ? QStringLiteral("the connection was lost")
                           : QStringLiteral("the connection was lost: %1").arg(reasonOf(rc)));
        break;
    default:
        break;
    }
}

void BrokerClient::onPublish(mosquitto *, void *self, int mid, int reason,
                             const mosquitto_property *)
{
    auto *client = static_cast<BrokerClient *>(self);
    const QString topic = client->inflight.take(mid);
    if (reason >= 0x80 && !client->settings.refusalEnds) {
        emit client->publicationRefused(topic, QString::fromUtf8(mosquitto_reason_string(reason)));
        return;
    }
    if (reason >= 0x80 && client->state != State::Refused) {
        client->state = State::Refused;
        client->housekeeping.stop();
        emit client->refused(QStringLiteral("refused to take %1: %2")
                                 .arg(topic, QString::fromUtf8(mosquitto_reason_string(reason))));
        return;
    }
    emit client->acknowledged();
}

void BrokerClient::onSubscribe(mosquitto *, void *self, int mid, int, const int *,
                               const mosquitto_property *)
{
    emit static_cast<BrokerClient *>(self)->subscribed(mid);
}

void BrokerClient::onMessage(mosquitto *, void *self, const mosquitto_message *message,
                             const mosquitto_property *)
{
    emit static_cast<BrokerClient *>(self)->message(
        QString::fromUtf8(message->topic),
        QByteArray(static_cast<const char *>(message->payload), message->payloadlen),
        message->retain);
}
