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
    if (pa_context_connect(context, argv[1], PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        return 1;
    }
    pa_stream* stream = nullptr;
    bool announced = false;
    for (;;) {
        if (pa_mainloop_iterate(mainloop, 1, nullptr) < 0) {
            return 1;
        }
        const pa_context_state_t state = pa_context_get_state(context);
        if (!PA_CONTEXT_IS_GOOD(state)) {
            return 1;
        }
        if (state == PA_CONTEXT_READY && !stream) {
            const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, 25, 1};
            stream = pa_stream_new(context, "Peak detect", &spec, nullptr);
            pa_buffer_attr attributes{};
            attributes.maxlength = static_cast<uint32_t>(-1);
            attributes.fragsize = sizeof(float);
            const auto flags = static_cast<pa_stream_flags_t>(
                PA_STREAM_PEAK_DETECT | PA_STREAM_DONT_MOVE | PA_STREAM_ADJUST_LATENCY);
            if (pa_stream_connect_record(stream, argv[2], &attributes, flags) < 0) {
                return 1;
            }
        }
        if (stream && pa_stream_get_state(stream) == PA_STREAM_READY) {
            const void* data = nullptr;
            size_t size = 0;
            while (pa_stream_readable_size(stream) > 0 &&
                   pa_stream_peek(stream, &data, &size) == 0 && size > 0) {
                pa_stream_drop(stream);
            }
            if (!announced) {
                announced = true;
                std::printf("ready\n");
                std::fflush(stdout);
            }
        }
    }
}
