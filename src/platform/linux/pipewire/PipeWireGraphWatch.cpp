#include "platform/linux/pipewire/PipeWireGraphWatch.h"

#include "base/Log.h"

#include <algorithm>
#include <utility>

namespace ostrel {
namespace {

constexpr double kFirstReconnectDelay = 1.0;
constexpr double kLongestReconnectDelay = 30.0;
// How long construction waits for the daemon's first answer, so the first questions already
// get real answers. A local daemon answers in milliseconds.
constexpr std::chrono::milliseconds kFirstAnswerBound{2000};

} // namespace

PipeWireGraphWatch::PipeWireGraphWatch(MainRunLoop& loop, QString remote)
    : loop_(loop), inbox_(std::make_shared<ThreadHandOver<Event>>()) {
    connection_ = std::make_unique<PipeWireConnection>(
        std::move(remote), handOverTo(inbox_, loop, this, &PipeWireGraphWatch::takeEvents));
    connection_->connect();
    if (inbox_->waitForItem(kFirstAnswerBound)) {
        takeEvents();
    }
}

PipeWireGraphWatch::~PipeWireGraphWatch() {
    connection_.reset();
}

void PipeWireGraphWatch::takeEvents() {
    for (Event& event : inbox_->takeAll()) {
        handle(std::move(event));
    }
}

void PipeWireGraphWatch::handle(Event event) {
    switch (event.kind) {
    case Event::Kind::Connected:
        reconnectTimer_.cancel();
        reconnectDelay_ = kFirstReconnectDelay;
        reportedNoDaemon_ = false;
        connected_ = true;
        graph_ = std::move(event.snapshot);
        logLine(QStringLiteral("🎛️ [PipeWire] Connected to ") + event.detail +
                QStringLiteral(" (%1 nodes followed)").arg(graph_.nodes.size()));
        changed();
        break;
    case Event::Kind::Updated:
        if (connected_) {
            graph_ = std::move(event.snapshot);
            changed();
        }
        break;
    case Event::Kind::ConnectFailed:
        if (!std::exchange(reportedNoDaemon_, true)) {
            logLine(QStringLiteral("ℹ️ [PipeWire] No PipeWire daemon answers (") +
                    event.detail + QStringLiteral("); trying again now and then"));
        }
        scheduleReconnect();
        break;
    case Event::Kind::ConnectionLost:
        logLine(QStringLiteral("⚠️ [PipeWire] Lost the PipeWire daemon (") + event.detail +
                QStringLiteral("); reconnecting"));
        connected_ = false;
        reportedNoDaemon_ = true;
        reconnectDelay_ = kFirstReconnectDelay;
        graph_ = {};
        changed();
        scheduleReconnect();
        break;
    }
}

void PipeWireGraphWatch::scheduleReconnect() {
    reconnectTimer_ = loop_.scheduleOnce(reconnectDelay_, [this] { connection_->connect(); });
    reconnectDelay_ = std::min(reconnectDelay_ * 2, kLongestReconnectDelay);
}

void PipeWireGraphWatch::changed() {
    observers_.notify([](PipeWireGraphObserver& o) { o.pipeWireGraphChanged(); });
}

} // namespace ostrel
