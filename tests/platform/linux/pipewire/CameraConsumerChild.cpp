// A program that takes pictures from a PipeWire camera source, as a video-call program would:
// it makes an input stream named after its argument, without asking the session manager to
// link it (the caller links it to the camera), prints "streaming" once frames flow, and runs
// until it is killed.
// Usage: camera_consumer_child STREAM-NAME
#include <cstdio>
#include <pipewire/pipewire.h>
#include <spa/param/format.h>
#include <spa/pod/builder.h>

namespace {

struct Consumer {
    pw_stream* stream = nullptr;
    bool announced = false;
};

void onProcess(void* data) {
    auto* consumer = static_cast<Consumer*>(data);
    if (pw_buffer* buffer = pw_stream_dequeue_buffer(consumer->stream)) {
        pw_stream_queue_buffer(consumer->stream, buffer);
    }
    if (!consumer->announced) {
        consumer->announced = true;
        std::printf("streaming\n");
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: camera_consumer_child STREAM-NAME\n");
        return 2;
    }
    pw_init(&argc, &argv);
    pw_main_loop* loop = pw_main_loop_new(nullptr);
    pw_stream_events events{};
    events.version = PW_VERSION_STREAM_EVENTS;
    events.process = &onProcess;
    Consumer consumer;
    consumer.stream = pw_stream_new_simple(
        pw_main_loop_get_loop(loop), argv[1],
        pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                          PW_KEY_MEDIA_ROLE, "Camera", PW_KEY_NODE_NAME, argv[1], nullptr),
        &events, &consumer);
    uint8_t buffer[256];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
    const spa_pod* format = static_cast<const spa_pod*>(
        spa_pod_builder_add_object(&builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat,
                                   SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),
                                   SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw)));
    pw_stream_connect(consumer.stream, PW_DIRECTION_INPUT, PW_ID_ANY, PW_STREAM_FLAG_MAP_BUFFERS,
                      &format, 1);
    pw_main_loop_run(loop);
    return 1;
}
