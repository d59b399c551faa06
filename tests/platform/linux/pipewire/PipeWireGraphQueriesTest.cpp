#include "platform/linux/pipewire/PipeWireGraphQueries.h"

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

using State = PipeWireNodeInfo::State;

PipeWireNodeInfo node(quint32 id, const QString& mediaClass, std::optional<quint32> client,
                      State state = State::Running) {
    PipeWireNodeInfo info;
    info.id = id;
    info.mediaClass = mediaClass;
    info.name = QStringLiteral("node%1").arg(id);
    info.clientId = client;
    info.state = state;
    return info;
}

} // namespace

TEST(PipeWireGraphQueriesTest, CaptureSourcesTheirLinkedStreamsAndCameraConsumers) {
    PipeWireGraph graph;
    graph.defaultSourceName = "node2";
    for (const PipeWireNodeInfo& info : {
             node(1, "Audio/Sink", std::nullopt),
             node(2, "Audio/Source", std::nullopt),
             node(3, "Audio/Source/Virtual", 90),
             node(4, "Stream/Input/Audio", 91),
             node(5, "Stream/Input/Audio", 92),
             node(6, "Stream/Input/Audio", 93, State::Idle),
             node(7, "Video/Source", std::nullopt),
             node(8, "Stream/Input/Video", 94),
             node(9, "Stream/Input/Video", std::nullopt),
             node(10, "Stream/Input/Video", 95),
         }) {
        graph.nodes[info.id] = info;
    }
    graph.nodes[7].devicePath = "/dev/video0";
    graph.clients[91] = {91, 500, 501, "parecord", "parecord", {}};
    graph.clients[95] = {95, 700, {}, {}, {}, "org.example.Chat"};
    // Two channels of one stream; a recorder of what the speakers play; a paused stream on
    // the virtual source; camera streams fed in link order, one of them the daemon's own.
    graph.links = {{20, {20, 2, 4}},  {21, {21, 2, 4}}, {22, {22, 1, 5}}, {23, {23, 3, 6}},
                   {24, {24, 7, 10}}, {25, {25, 7, 9}}, {26, {26, 7, 8}}};
    const PipeWireGraphQueries queries(graph);

    const AudioSnapshot audio = queries.audioSnapshot();
    EXPECT_TRUE(queries.hasAudioSource());
    EXPECT_EQ(audio.defaultSourceName, "node2");
    ASSERT_EQ(audio.sources.size(), 2u);
    EXPECT_TRUE(audio.sources.count(3));
    ASSERT_EQ(audio.sourceOutputs.size(), 2u);
    EXPECT_EQ(audio.sourceOutputs.at(4).sourceIndex, 2u);
    EXPECT_FALSE(audio.sourceOutputs.at(4).isCorked);
    EXPECT_TRUE(audio.sourceOutputs.at(6).isCorked);
    EXPECT_EQ(audio.clients.at(91).peerProcessId, 500);
    EXPECT_EQ(audio.clients.at(91).processId, 501);

    const std::vector<StreamClaim> consumers = queries.cameraConsumers();
    ASSERT_EQ(consumers.size(), 2u);
    EXPECT_EQ(consumers[0].portalAppId, "org.example.Chat");
    EXPECT_EQ(consumers[0].peerProcessId, 700);
    EXPECT_EQ(consumers[1].peerProcessId, std::nullopt);
    EXPECT_TRUE(queries.isConsumed(7));
    graph.nodes[10].state = State::Suspended;
    graph.nodes[8].state = State::Idle;
    EXPECT_FALSE(PipeWireGraphQueries(graph).isConsumed(7));
}
