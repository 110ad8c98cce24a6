// Fuzzes the WAV reader: any bytes as a whole sound file. A file it takes must give frames in the
// output format that are all there (each one read, so a short buffer is caught), no longer than
// the longest sound.
#include "library/sound/sound.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // A heap copy exactly as long as the file, so that a read past its end is caught.
    std::vector<unsigned char> file(data, data + size);
    int16_t *frames = nullptr;
    int32_t frame_count = -1;
    const char *reason = nullptr;
    if (decode_wav(file.data(), file.size(), &frames, &frame_count, &reason)) {
        if (frame_count < 0 || frame_count > SOUND_MAX_FRAMES) abort();
        if ((frame_count == 0) != (frames == nullptr)) abort();
        int64_t sum = 0;
        for (int64_t i = 0; i < 2 * (int64_t)frame_count; ++i) sum += frames[i];
        if (sum == INT64_MIN) abort();  // keeps the reads
    } else if (!reason || frames) {
        abort();
    }
    free(frames);
    return 0;
}
