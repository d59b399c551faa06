// A stand-in for a volume control: records from a source with peak detection only, the way
// level meters do, prints "ready" once the stream runs, and runs until it is killed.
// Usage: level_meter_child SERVER SOURCE
#include <cstdio>
#include <pulse/pulseaudio.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: level_meter_child SERVER SOURCE\n");
        return 2;
    }
    pa_mainloop* mainloop = pa_mainloop_new();
    pa_context* context = pa_context_new(pa_mainloop_get_api(mainloop), "level meter");
    pa_context_connect(context, argv[1], PA_CONTEXT_NOAUTOSPAWN, nullptr);
    pa_stream* stream = nullptr;
    bool announced = false;
    // Ends when the server goes away; what the meter reads is left in its buffer.
    while (pa_mainloop_iterate(mainloop, 1, nullptr) >= 0 &&
           PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) {
        if (!stream && pa_context_get_state(context) == PA_CONTEXT_READY) {
            const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, 25, 1};
            stream = pa_stream_new(context, "Peak detect", &spec, nullptr);
            pa_stream_connect_record(stream, argv[2], nullptr, PA_STREAM_PEAK_DETECT);
        }
        if (!announced && stream && pa_stream_get_state(stream) == PA_STREAM_READY) {
            announced = true;
            std::printf("ready\n");
            std::fflush(stdout);
        }
    }
    return 1;
}
