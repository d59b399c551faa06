#include "platform/linux/audio/PulseAudioClient.h"

#include <pulse/pulseaudio.h>
#include <utility>

namespace ostrel {
namespace {

QString propertyText(const pa_proplist* properties, const char* key) {
    const char* value = properties ? pa_proplist_gets(properties, key) : nullptr;
    return value ? QString::fromUtf8(value) : QString();
}

std::optional<qint32> propertyPid(const pa_proplist* properties, const char* key) {
    bool ok = false;
    const qint32 pid = propertyText(properties, key).toInt(&ok);
    return ok && pid > 0 ? std::optional<qint32>(pid) : std::nullopt;
}

std::optional<quint32> validIndex(quint32 index) {
    return index == PA_INVALID_INDEX ? std::nullopt : std::optional<quint32>(index);
}

AudioSource toSource(const pa_source_info& info) {
    AudioSource source;
    source.index = info.index;
    source.name = QString::fromUtf8(info.name);
    source.description = QString::fromUtf8(info.description);
    source.isMonitor = info.monitor_of_sink != PA_INVALID_INDEX ||
                       propertyText(info.proplist, PA_PROP_DEVICE_CLASS) == u"monitor";
    source.isRunning = info.state == PA_SOURCE_RUNNING;
    return source;
}

AudioSourceOutput toSourceOutput(const pa_source_output_info& info) {
    AudioSourceOutput output;
    output.index = info.index;
    output.sourceIndex = info.source;
    output.clientIndex = validIndex(info.client);
    output.processId = propertyPid(info.proplist, PA_PROP_APPLICATION_PROCESS_ID);
    output.processBinary = propertyText(info.proplist, PA_PROP_APPLICATION_PROCESS_BINARY);
    output.isCorked = info.corked != 0;
    // PulseAudio serves a peak-detecting stream with its "peaks" resampler; PipeWire's pulse
    // server turns the same request into a "stream.monitor" stream.
    output.isLevelMeter = (info.resample_method && qstrcmp(info.resample_method, "peaks") == 0) ||
                          propertyText(info.proplist, "stream.monitor") == u"true";
    return output;
}

AudioClient toClient(const pa_client_info& info) {
    AudioClient client;
    client.index = info.index;
    client.peerProcessId = propertyPid(info.proplist, "pipewire.sec.pid");
    client.processId = propertyPid(info.proplist, PA_PROP_APPLICATION_PROCESS_ID);
    client.applicationName = propertyText(info.proplist, PA_PROP_APPLICATION_NAME);
    client.portalAppId = propertyText(info.proplist, "pipewire.access.portal.app_id");
    client.processBinary = propertyText(info.proplist, PA_PROP_APPLICATION_PROCESS_BINARY);
    return client;
}

} // namespace

struct PulseAudioClient::Callbacks {
    static PulseAudioClient* owner(pa_context* context, void* self) {
        auto* client = static_cast<PulseAudioClient*>(self);
        // Replies of a context that was already dropped are not ours to apply.
        return client->context_ == context ? client : nullptr;
    }

    static void stateChanged(pa_context* context, void* self) {
        PulseAudioClient* client = owner(context, self);
        if (!client) {
            return;
        }
        switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            client->fetchEverything();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED: {
            const QString error = QString::fromUtf8(pa_strerror(pa_context_errno(context)));
            if (client->announced_) {
                client->announced_ = false;
                client->handler_({Event::Kind::ConnectionLost, {}, error});
            } else {
                client->settleAttempt(Event::Kind::ConnectFailed, error);
            }
            break;
        }
        default:
            break;
        }
    }

    static void subscriptionEvent(pa_context* context, pa_subscription_event_type_t type,
                                  uint32_t index, void* self) {
        PulseAudioClient* client = owner(context, self);
        if (!client) {
            return;
        }
        const int facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE) {
            AudioSnapshot& snapshot = client->working_;
            switch (facility) {
            case PA_SUBSCRIPTION_EVENT_SOURCE:
                snapshot.sources.erase(index);
                break;
            case PA_SUBSCRIPTION_EVENT_SOURCE_OUTPUT:
                snapshot.sourceOutputs.erase(index);
                break;
            case PA_SUBSCRIPTION_EVENT_CLIENT:
                snapshot.clients.erase(index);
                break;
            default:
                break;
            }
            client->publishIfSettled();
            return;
        }
        switch (facility) {
        case PA_SUBSCRIPTION_EVENT_SOURCE:
            client->track(pa_context_get_source_info_by_index(context, index, &source, self));
            break;
        case PA_SUBSCRIPTION_EVENT_SOURCE_OUTPUT:
            client->track(pa_context_get_source_output_info(context, index, &sourceOutput, self));
            break;
        case PA_SUBSCRIPTION_EVENT_CLIENT:
            client->track(pa_context_get_client_info(context, index, &clientInfo, self));
            break;
        case PA_SUBSCRIPTION_EVENT_SERVER:
            client->track(pa_context_get_server_info(context, &serverInfo, self));
            break;
        default:
            break;
        }
    }

    static void serverInfo(pa_context* context, const pa_server_info* info, void* self) {
        PulseAudioClient* client = owner(context, self);
        if (!client) {
            return;
        }
        if (info) {
            client->working_.defaultSourceName = QString::fromUtf8(info->default_source_name);
            client->serverName_ = QStringLiteral("%1 %2").arg(
                QString::fromUtf8(info->server_name), QString::fromUtf8(info->server_version));
        }
        client->requestFinished();
    }

    // List and single-object replies alike: one call per object, then one with eol set
    // (negative when the request failed, for example because the object is already gone).
    static void source(pa_context* context, const pa_source_info* info, int eol, void* self) {
        if (PulseAudioClient* client = owner(context, self)) {
            if (eol == 0 && info) {
                client->working_.sources[info->index] = toSource(*info);
            } else {
                client->requestFinished();
            }
        }
    }

    static void sourceOutput(pa_context* context, const pa_source_output_info* info, int eol,
                             void* self) {
        if (PulseAudioClient* client = owner(context, self)) {
            if (eol == 0 && info) {
                client->working_.sourceOutputs[info->index] = toSourceOutput(*info);
            } else {
                client->requestFinished();
            }
        }
    }

    static void clientInfo(pa_context* context, const pa_client_info* info, int eol, void* self) {
        if (PulseAudioClient* client = owner(context, self)) {
            if (eol == 0 && info) {
                client->working_.clients[info->index] = toClient(*info);
            } else {
                client->requestFinished();
            }
        }
    }
};

PulseAudioClient::PulseAudioClient(QString server, EventHandler handler)
    : server_(server.toUtf8()), handler_(std::move(handler)),
      mainloop_(pa_threaded_mainloop_new()) {
    if (mainloop_) {
        pa_threaded_mainloop_set_name(mainloop_, "ostrel-audio");
        running_ = pa_threaded_mainloop_start(mainloop_) >= 0;
    }
}

PulseAudioClient::~PulseAudioClient() {
    if (!mainloop_) {
        return;
    }
    if (running_) {
        pa_threaded_mainloop_lock(mainloop_);
        releaseContext();
        pa_threaded_mainloop_unlock(mainloop_);
        pa_threaded_mainloop_stop(mainloop_);
    }
    pa_threaded_mainloop_free(mainloop_);
}

void PulseAudioClient::connect() {
    if (!running_) {
        handler_({Event::Kind::ConnectFailed,
                  {},
                  QStringLiteral("the audio client thread did not start")});
        return;
    }
    pa_threaded_mainloop_lock(mainloop_);
    releaseContext();
    working_ = {};
    published_ = {};
    serverName_.clear();
    pendingRequests_ = 0;
    announced_ = false;
    attemptSettled_ = false;

    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Ostrel");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "ostrel");
    context_ =
        pa_context_new_with_proplist(pa_threaded_mainloop_get_api(mainloop_), "Ostrel", properties);
    pa_proplist_free(properties);
    if (!context_) {
        settleAttempt(Event::Kind::ConnectFailed, QStringLiteral("no audio client context"));
    } else {
        pa_context_set_state_callback(context_, &Callbacks::stateChanged, this);
        pa_context_set_subscribe_callback(context_, &Callbacks::subscriptionEvent, this);
        if (pa_context_connect(context_, server_.isEmpty() ? nullptr : server_.constData(),
                               PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            settleAttempt(Event::Kind::ConnectFailed,
                          QString::fromUtf8(pa_strerror(pa_context_errno(context_))));
        }
    }
    pa_threaded_mainloop_unlock(mainloop_);
}

void PulseAudioClient::fetchEverything() {
    const auto mask = static_cast<pa_subscription_mask_t>(
        PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SOURCE_OUTPUT |
        PA_SUBSCRIPTION_MASK_CLIENT | PA_SUBSCRIPTION_MASK_SERVER);
    if (pa_operation* subscription = pa_context_subscribe(context_, mask, nullptr, nullptr)) {
        pa_operation_unref(subscription);
    }
    // The snapshot is handed out once all four answers are in, so the first one is whole.
    track(pa_context_get_server_info(context_, &Callbacks::serverInfo, this));
    track(pa_context_get_source_info_list(context_, &Callbacks::source, this));
    track(pa_context_get_source_output_info_list(context_, &Callbacks::sourceOutput, this));
    track(pa_context_get_client_info_list(context_, &Callbacks::clientInfo, this));
    publishIfSettled();
}

void PulseAudioClient::track(pa_operation* operation) {
    // No operation means the request could not be sent: the context is failing, and its
    // state change follows.
    if (operation) {
        ++pendingRequests_;
        pa_operation_unref(operation);
    }
}

void PulseAudioClient::requestFinished() {
    if (pendingRequests_ > 0) {
        --pendingRequests_;
    }
    publishIfSettled();
}

// Changes are handed out only when no answer is outstanding, so a stream never appears
// before the client it belongs to has been described.
void PulseAudioClient::publishIfSettled() {
    if (pendingRequests_ > 0 || pa_context_get_state(context_) != PA_CONTEXT_READY) {
        return;
    }
    if (!announced_) {
        announced_ = true;
        attemptSettled_ = true;
        published_ = working_;
        handler_({Event::Kind::Connected, published_, serverName_});
    } else if (working_ != published_) {
        published_ = working_;
        handler_({Event::Kind::Updated, published_, {}});
    }
}

void PulseAudioClient::settleAttempt(Event::Kind kind, const QString& detail) {
    if (!attemptSettled_) {
        attemptSettled_ = true;
        handler_({kind, {}, detail});
    }
}

void PulseAudioClient::releaseContext() {
    if (!context_) {
        return;
    }
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_set_subscribe_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
}

} // namespace ostrel
