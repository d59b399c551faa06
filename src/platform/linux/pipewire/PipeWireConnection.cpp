#include "platform/linux/pipewire/PipeWireConnection.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <pipewire/extensions/metadata.h>
#include <pipewire/pipewire.h>
#include <utility>

namespace ostrel {
namespace {

// Longer property values are cut: a client decides them, and nothing Ostrel shows needs more.
constexpr qsizetype kLongestText = 256;
// Updates are handed out once a round trip passes without a change, so a stream never appears
// before its client is described; under constant change, after this many rounds anyway.
constexpr int kMostUnsettledRounds = 4;

QString boundedText(const char* value) {
    if (!value) {
        return {};
    }
    QString text = QString::fromUtf8(value, qsizetype(strnlen(value, kLongestText * 4)));
    text.truncate(kLongestText);
    text.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    return text;
}

QString property(const spa_dict* props, const char* key) {
    return boundedText(props ? spa_dict_lookup(props, key) : nullptr);
}

std::optional<qint32> propertyPid(const spa_dict* props, const char* key) {
    bool ok = false;
    const qint32 pid = property(props, key).toInt(&ok);
    return ok && pid > 0 ? std::optional<qint32>(pid) : std::nullopt;
}

std::optional<quint32> propertyId(const spa_dict* props, const char* key) {
    bool ok = false;
    const quint32 id = property(props, key).toUInt(&ok);
    return ok ? std::optional<quint32>(id) : std::nullopt;
}

PipeWireNodeInfo::State toState(pw_node_state state) {
    switch (state) {
    case PW_NODE_STATE_ERROR:
        return PipeWireNodeInfo::State::Error;
    case PW_NODE_STATE_CREATING:
        return PipeWireNodeInfo::State::Creating;
    case PW_NODE_STATE_SUSPENDED:
        return PipeWireNodeInfo::State::Suspended;
    case PW_NODE_STATE_IDLE:
        return PipeWireNodeInfo::State::Idle;
    case PW_NODE_STATE_RUNNING:
        return PipeWireNodeInfo::State::Running;
    }
    return PipeWireNodeInfo::State::Unknown;
}

// The nodes whose info Ostrel follows: what captures, and the streams that consume it.
bool isFollowedClass(const QString& mediaClass) {
    return mediaClass.startsWith(u"Audio/Source") || mediaClass.startsWith(u"Video/Source") ||
           mediaClass.startsWith(u"Stream/Input/");
}

void describeNode(PipeWireNodeInfo& node, const spa_dict* props) {
    if (const std::optional<quint32> client = propertyId(props, PW_KEY_CLIENT_ID)) {
        node.clientId = client;
    }
    if (const QString mediaClass = property(props, PW_KEY_MEDIA_CLASS); !mediaClass.isEmpty()) {
        node.mediaClass = mediaClass;
    }
    if (const QString name = property(props, PW_KEY_NODE_NAME); !name.isEmpty()) {
        node.name = name;
    }
    if (const QString description = property(props, PW_KEY_NODE_DESCRIPTION);
        !description.isEmpty()) {
        node.description = description;
    }
    if (const QString path = property(props, "api.v4l2.path"); !path.isEmpty()) {
        node.devicePath = path;
    }
    if (const std::optional<qint32> pid = propertyPid(props, PW_KEY_APP_PROCESS_ID)) {
        node.declaredProcessId = pid;
    }
    if (const QString binary = property(props, PW_KEY_APP_PROCESS_BINARY); !binary.isEmpty()) {
        node.declaredBinary = binary;
    }
    node.isLevelMeter = node.isLevelMeter || property(props, PW_KEY_STREAM_MONITOR) == u"true";
}

void describeClient(PipeWireClientInfo& client, const spa_dict* props) {
    client.peerProcessId = propertyPid(props, PW_KEY_SEC_PID);
    client.declaredProcessId = propertyPid(props, PW_KEY_APP_PROCESS_ID);
    client.declaredBinary = property(props, PW_KEY_APP_PROCESS_BINARY);
    client.applicationName = property(props, PW_KEY_APP_NAME);
    client.portalAppId = property(props, "pipewire.access.portal.app_id");
}

// The "default" metadata stores {"name": "<node name>"} under default.audio.source.
QString defaultNodeName(const char* value) {
    if (!value) {
        return {};
    }
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(value, qsizetype(strnlen(value, 4096))));
    return boundedText(document.object().value(u"name").toString().toUtf8().constData());
}

} // namespace

// The listener hooks of one proxy (or of the core or registry) and what they report about.
struct PipeWireConnection::Binding {
    PipeWireConnection* owner = nullptr;
    quint32 id = 0;
    pw_proxy* proxy = nullptr;
    spa_hook objectHook{};
    spa_hook proxyHook{};

    ~Binding() {
        spa_hook_remove(&objectHook);
        if (proxy) {
            spa_hook_remove(&proxyHook);
            pw_proxy_destroy(proxy);
        }
    }
};

struct PipeWireConnection::Callbacks {
    static void coreInfo(void* data, const pw_core_info* info) {
        auto* binding = static_cast<Binding*>(data);
        binding->owner->version_ = boundedText(info->version);
    }

    static void coreDone(void* data, uint32_t id, int seq) {
        auto* binding = static_cast<Binding*>(data);
        if (id == PW_ID_CORE && seq == binding->owner->pendingSync_) {
            binding->owner->roundTripDone();
        }
    }

    static void coreError(void* data, uint32_t id, int, int res, const char* message) {
        PipeWireConnection* owner = static_cast<Binding*>(data)->owner;
        // Errors of single objects (one that vanished while bound) change nothing here.
        if (id != PW_ID_CORE) {
            return;
        }
        const QString detail = boundedText(message ? message : strerror(-res));
        if (std::exchange(owner->announced_, false)) {
            owner->handler_({Event::Kind::ConnectionLost, {}, detail});
        } else {
            owner->settleAttempt(Event::Kind::ConnectFailed, detail);
        }
        owner->pendingSync_ = -1;
    }

    static void global(void* data, uint32_t id, uint32_t, const char* type, uint32_t,
                       const spa_dict* props) {
        PipeWireConnection* owner = static_cast<Binding*>(data)->owner;
        PipeWireGraph& graph = owner->working_;
        if (std::strcmp(type, PW_TYPE_INTERFACE_Node) == 0) {
            const QString mediaClass = property(props, PW_KEY_MEDIA_CLASS);
            if (!isFollowedClass(mediaClass)) {
                return;
            }
            PipeWireNodeInfo& node = graph.nodes[id];
            node.id = id;
            describeNode(node, props);
            owner->bind(id, type, PW_VERSION_NODE);
        } else if (std::strcmp(type, PW_TYPE_INTERFACE_Link) == 0) {
            const std::optional<quint32> output = propertyId(props, PW_KEY_LINK_OUTPUT_NODE);
            const std::optional<quint32> input = propertyId(props, PW_KEY_LINK_INPUT_NODE);
            if (output && input) {
                graph.links[id] = {id, *output, *input};
            }
        } else if (std::strcmp(type, PW_TYPE_INTERFACE_Client) == 0) {
            PipeWireClientInfo& client = graph.clients[id];
            client.id = id;
            describeClient(client, props);
            owner->bind(id, type, PW_VERSION_CLIENT);
        } else if (std::strcmp(type, PW_TYPE_INTERFACE_Metadata) == 0 &&
                   property(props, PW_KEY_METADATA_NAME) == u"default") {
            owner->bind(id, type, PW_VERSION_METADATA);
        } else {
            return;
        }
        owner->changed();
    }

    static void globalRemoved(void* data, uint32_t id) {
        PipeWireConnection* owner = static_cast<Binding*>(data)->owner;
        PipeWireGraph& graph = owner->working_;
        if (graph.nodes.erase(id) + graph.links.erase(id) + graph.clients.erase(id) > 0 ||
            owner->bindings_.count(id) > 0) {
            owner->forget(id);
            owner->changed();
        }
    }

    static void nodeInfo(void* data, const pw_node_info* info) {
        auto* binding = static_cast<Binding*>(data);
        const auto found = binding->owner->working_.nodes.find(binding->id);
        if (found == binding->owner->working_.nodes.end()) {
            return;
        }
        if (info->change_mask & PW_NODE_CHANGE_MASK_STATE) {
            found->second.state = toState(info->state);
        }
        if (info->change_mask & PW_NODE_CHANGE_MASK_PROPS) {
            describeNode(found->second, info->props);
        }
        binding->owner->changed();
    }

    static void clientInfo(void* data, const pw_client_info* info) {
        auto* binding = static_cast<Binding*>(data);
        const auto found = binding->owner->working_.clients.find(binding->id);
        if (found != binding->owner->working_.clients.end() &&
            (info->change_mask & PW_CLIENT_CHANGE_MASK_PROPS)) {
            describeClient(found->second, info->props);
            binding->owner->changed();
        }
    }

    static int metadataProperty(void* data, uint32_t subject, const char* key, const char*,
                                const char* value) {
        PipeWireConnection* owner = static_cast<Binding*>(data)->owner;
        // A null key clears every entry.
        if (subject == PW_ID_CORE && (!key || std::strcmp(key, "default.audio.source") == 0)) {
            owner->working_.defaultSourceName = key ? defaultNodeName(value) : QString();
            owner->changed();
        }
        return 0;
    }

    static void proxyRemoved(void* data) {
        auto* binding = static_cast<Binding*>(data);
        binding->owner->forget(binding->id);
    }
};

namespace {

const pw_core_events kCoreEvents = [] {
    pw_core_events events{};
    events.version = PW_VERSION_CORE_EVENTS;
    return events;
}();

} // namespace

PipeWireConnection::PipeWireConnection(QString remote, EventHandler handler)
    : remote_(remote.toUtf8()), handler_(std::move(handler)) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { pw_init(nullptr, nullptr); });
    loop_ = pw_thread_loop_new("ostrel-pipewire", nullptr);
    if (loop_) {
        context_ = pw_context_new(pw_thread_loop_get_loop(loop_), nullptr, 0);
        running_ = context_ && pw_thread_loop_start(loop_) >= 0;
    }
}

PipeWireConnection::~PipeWireConnection() {
    if (running_) {
        pw_thread_loop_lock(loop_);
        releaseCore();
        pw_thread_loop_unlock(loop_);
        pw_thread_loop_stop(loop_);
    }
    if (context_) {
        pw_context_destroy(context_);
    }
    if (loop_) {
        pw_thread_loop_destroy(loop_);
    }
}

void PipeWireConnection::connect() {
    if (!running_) {
        handler_({Event::Kind::ConnectFailed,
                  {},
                  QStringLiteral("the PipeWire client thread did not start")});
        return;
    }
    pw_thread_loop_lock(loop_);
    releaseCore();
    working_ = {};
    published_ = {};
    version_.clear();
    changedSinceSync_ = false;
    unsettledRounds_ = 0;
    announced_ = false;
    attemptSettled_ = false;

    pw_properties* props = pw_properties_new(PW_KEY_APP_NAME, "Ostrel", nullptr);
    if (!remote_.isEmpty()) {
        pw_properties_set(props, PW_KEY_REMOTE_NAME, remote_.constData());
    }
    core_ = pw_context_connect(context_, props, 0);
    if (!core_) {
        settleAttempt(Event::Kind::ConnectFailed, QString::fromUtf8(strerror(errno)));
    } else {
        static const pw_core_events coreEvents = [] {
            pw_core_events events = kCoreEvents;
            events.info = &Callbacks::coreInfo;
            events.done = &Callbacks::coreDone;
            events.error = &Callbacks::coreError;
            return events;
        }();
        static const pw_registry_events registryEvents = [] {
            pw_registry_events events{};
            events.version = PW_VERSION_REGISTRY_EVENTS;
            events.global = &Callbacks::global;
            events.global_remove = &Callbacks::globalRemoved;
            return events;
        }();
        coreHooks_ = std::make_unique<Binding>();
        coreHooks_->owner = this;
        pw_core_add_listener(core_, &coreHooks_->objectHook, &coreEvents, coreHooks_.get());
        registry_ = pw_core_get_registry(core_, PW_VERSION_REGISTRY, 0);
        registryHooks_ = std::make_unique<Binding>();
        registryHooks_->owner = this;
        pw_registry_add_listener(registry_, &registryHooks_->objectHook, &registryEvents,
                                 registryHooks_.get());
        pendingSync_ = pw_core_sync(core_, PW_ID_CORE, 0);
    }
    pw_thread_loop_unlock(loop_);
}

void PipeWireConnection::bind(quint32 id, const char* type, quint32 version) {
    static const pw_node_events nodeEvents = [] {
        pw_node_events events{};
        events.version = PW_VERSION_NODE_EVENTS;
        events.info = &Callbacks::nodeInfo;
        return events;
    }();
    static const pw_client_events clientEvents = [] {
        pw_client_events events{};
        events.version = PW_VERSION_CLIENT_EVENTS;
        events.info = &Callbacks::clientInfo;
        return events;
    }();
    static const pw_metadata_events metadataEvents = [] {
        pw_metadata_events events{};
        events.version = PW_VERSION_METADATA_EVENTS;
        events.property = &Callbacks::metadataProperty;
        return events;
    }();
    static const pw_proxy_events proxyEvents = [] {
        pw_proxy_events events{};
        events.version = PW_VERSION_PROXY_EVENTS;
        events.removed = &Callbacks::proxyRemoved;
        return events;
    }();

    auto* proxy = static_cast<pw_proxy*>(pw_registry_bind(registry_, id, type, version, 0));
    if (!proxy) {
        return;
    }
    auto binding = std::make_unique<Binding>();
    binding->owner = this;
    binding->id = id;
    binding->proxy = proxy;
    pw_proxy_add_listener(proxy, &binding->proxyHook, &proxyEvents, binding.get());
    if (std::strcmp(type, PW_TYPE_INTERFACE_Node) == 0) {
        pw_node_add_listener(reinterpret_cast<pw_node*>(proxy), &binding->objectHook, &nodeEvents,
                             binding.get());
    } else if (std::strcmp(type, PW_TYPE_INTERFACE_Client) == 0) {
        pw_client_add_listener(reinterpret_cast<pw_client*>(proxy), &binding->objectHook,
                               &clientEvents, binding.get());
    } else {
        pw_metadata_add_listener(reinterpret_cast<pw_metadata*>(proxy), &binding->objectHook,
                                 &metadataEvents, binding.get());
    }
    bindings_[id] = std::move(binding);
}

void PipeWireConnection::forget(quint32 id) {
    bindings_.erase(id);
}

// Asks for a round trip, if none is under way, so the change is handed out once it settles.
void PipeWireConnection::changed() {
    changedSinceSync_ = true;
    if (pendingSync_ < 0 && core_) {
        changedSinceSync_ = false;
        pendingSync_ = pw_core_sync(core_, PW_ID_CORE, 0);
    }
}

void PipeWireConnection::roundTripDone() {
    pendingSync_ = -1;
    if (std::exchange(changedSinceSync_, false)) {
        pendingSync_ = pw_core_sync(core_, PW_ID_CORE, 0);
        if (!announced_ || ++unsettledRounds_ < kMostUnsettledRounds) {
            return;
        }
    }
    unsettledRounds_ = 0;
    publish();
}

void PipeWireConnection::publish() {
    if (!announced_) {
        announced_ = true;
        attemptSettled_ = true;
        published_ = working_;
        handler_({Event::Kind::Connected, published_, QStringLiteral("PipeWire ") + version_});
    } else if (working_ != published_) {
        published_ = working_;
        handler_({Event::Kind::Updated, published_, {}});
    }
}

void PipeWireConnection::settleAttempt(Event::Kind kind, const QString& detail) {
    if (!attemptSettled_) {
        attemptSettled_ = true;
        handler_({kind, {}, detail});
    }
}

void PipeWireConnection::releaseCore() {
    bindings_.clear();
    registryHooks_.reset();
    if (registry_) {
        pw_proxy_destroy(reinterpret_cast<pw_proxy*>(registry_));
        registry_ = nullptr;
    }
    coreHooks_.reset();
    if (core_) {
        pw_core_disconnect(core_);
        core_ = nullptr;
    }
    pendingSync_ = -1;
}

} // namespace ostrel
