// Sound: WAV files read and converted to the output format (44,100 Hz, stereo, 16-bit), damaged
// ones refused with their console line; and whole runs of the sound client, whose TAVIX_SOUND file
// holds what was heard, and which opens no audio device until it makes a sound.
#include "tests/script/library_fixture.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdint>
#include <vector>

namespace {

typedef std::vector<int16_t> Frames;  // interleaved left, right

void put(std::string &s, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s += (char)(v >> (8 * i) & 0xFF);
}

struct Format {
    int tag = 1, channels = 1, rate = 44100, bits = 16;
};

// A format chunk's contents.
std::string fmt_of(const Format &f) {
    std::string c;
    put(c, f.tag, 2);
    put(c, f.channels, 2);
    put(c, f.rate, 4);
    put(c, f.rate * f.channels * f.bits / 8, 4);
    put(c, f.channels * f.bits / 8, 2);
    put(c, f.bits, 2);
    return c;
}

std::string chunk(const char *id, const std::string &contents, bool pad = true) {
    std::string c = id;
    put(c, (uint32_t)contents.size(), 4);
    c += contents;
    if (pad && contents.size() % 2) c += '\0';
    return c;
}

std::string riff(const std::string &chunks) {
    std::string w = "RIFF";
    put(w, (uint32_t)(4 + chunks.size()), 4);
    return w + "WAVE" + chunks;
}

std::string samples16(const std::vector<int> &values) {
    std::string s;
    for (int v : values) put(s, (uint16_t)(int16_t)v, 2);
    return s;
}

std::string wav16(const Format &f, const std::vector<int> &values) {
    return riff(chunk("fmt ", fmt_of(f)) + chunk("data", samples16(values)));
}

Frames decoded(const std::string &bytes, std::string *reason) {
    int16_t *frames = nullptr;
    int32_t count = 0;
    const char *why = "";
    Frames out;
    if (decode_wav((const unsigned char *)bytes.data(), bytes.size(), &frames, &count, &why))
        out.assign(frames, frames + 2 * (size_t)count);
    else
        *reason = why;
    free(frames);
    return out;
}

std::string contents(const std::string &path) {
    return harness::file_contents(path);
}

void write(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A WAV file in the output format: its frames, or nothing when it is not one.
bool output_frames(const std::string &bytes, Frames *frames) {
    std::string reason;
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") || bytes.compare(8, 4, "WAVE"))
        return false;
    if (bytes.substr(20, 16) != fmt_of(Format{1, 2, 44100, 16})) return false;
    uint32_t size = (uint8_t)bytes[40] | (uint8_t)bytes[41] << 8 | (uint8_t)bytes[42] << 16 |
                    (uint32_t)(uint8_t)bytes[43] << 24;
    if (size != bytes.size() - 44) return false;
    *frames = decoded(bytes, &reason);
    return reason.empty();
}

// Frames of the left channel where the sign changes from one sample to the next.
int zero_crossings(const Frames &f) {
    int n = 0;
    for (size_t i = 2; i < f.size(); i += 2) n += (f[i - 2] < 0) != (f[i] < 0);
    return n;
}

using Outcome = harness::RunOutcome;

// Runs the sound client with the steps as its arguments and the variables env, in the current
// directory, with no display.
Outcome run_client(const std::vector<std::string> &steps, const std::vector<std::string> &env) {
    std::vector<std::string> argv{SOUND_CLIENT};
    argv.insert(argv.end(), steps.begin(), steps.end());
    return harness::run_program(
        argv, env, {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "SDL_AUDIODRIVER"});
}

int count_of(const std::string &text, const std::string &part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

class SoundTest : public LibraryTest {};

TEST_F(SoundTest, FilesAreConvertedToTheOutputFormat) {
    const struct {
        const char *name;
        std::string file;
        Frames expected;
    } cases[] = {
        // 44,100 Hz stereo 16-bit is the output format: the samples as they are.
        {"stereo 16-bit",
         wav16({1, 2, 44100, 16}, {1, -1, 32767, -32768, 0, 5}),
         {1, -1, 32767, -32768, 0, 5}},
        // Mono goes to both channels; 8-bit v becomes (v - 128) * 256.
        {"mono 8-bit",
         riff(chunk("fmt ", fmt_of({1, 1, 44100, 8})) +
              chunk("data", std::string("\x80\xC0\x40\xFF\x00", 5))),
         {0, 0, 16384, 16384, -16384, -16384, 32512, 32512, -32768, -32768}},
        // Half the rate: every second frame lies halfway between two (truncated towards zero),
        // and the last one stands for its missing follower.
        {"22,050 Hz",
         wav16({1, 1, 22050, 16}, {0, 1001, -3}),
         {0, 0, 500, 500, 1001, 1001, 499, 499, -3, -3, -3, -3}},
        {"11,025 Hz",
         wav16({1, 1, 11025, 16}, {0, 400}),
         {0, 0, 100, 100, 200, 200, 300, 300, 400, 400, 400, 400, 400, 400, 400, 400}},
        // WAVE_FORMAT_EXTENSIBLE with the PCM sub-format; other chunks, of odd size too, before
        // and after; the pad byte of an odd last chunk may be missing.
        {"extensible, odd chunks",
         riff(chunk("LIST", "odd") +
              chunk("fmt ", fmt_of({0xFFFE, 2, 44100, 16}) +
                                std::string("\x16\0\x10\0\3\0\0\0\1\0", 10) +
                                std::string(14, '\0')) +
              chunk("data", samples16({7, 8, 9, 10})) + chunk("junk", "x", false)),
         {7, 8, 9, 10}},
        // A last frame cut short is left out; a data chunk of nothing is an empty sound.
        {"cut frame",
         riff(chunk("fmt ", fmt_of({1, 2, 44100, 16})) + chunk("data", samples16({3, 4, 5}))),
         {3, 4}},
        {"empty", wav16({1, 1, 8000, 16}, {}), {}},
    };
    for (const auto &c : cases) {
        std::string reason;
        EXPECT_EQ(decoded(c.file, &reason), c.expected) << c.name;
        EXPECT_EQ(reason, "") << c.name;
    }
}

TEST_F(SoundTest, DamagedFilesAreRefusedWithTheirReason) {
    std::string good = wav16({1, 1, 44100, 16}, {1, 2, 3, 4});
    std::string huge =
        riff(chunk("fmt ", fmt_of({1, 1, 44100, 16})) + "data\xF0\xFF\xFF\x7F" + samples16({1, 2}));
    const struct {
        const char *name;
        std::string file;
        const char *reason;
    } cases[] = {
        {"empty file", "", "not a WAV file"},
        {"not WAV", std::string("RIFF\x10\0\0\0AVI LIST", 16), "not a WAV file"},
        {"text", "hello, this is not a sound at all", "not a WAV file"},
        {"truncated data", good.substr(0, good.size() - 3), "truncated (its data chunk"},
        {"truncated header", good.substr(0, 30), "truncated (a chunk"},
        {"huge declared size", huge, "truncated (its data chunk"},
        {"0 channels", wav16({1, 0, 44100, 16}, {1}), "0 channels"},
        {"3 channels", wav16({1, 3, 44100, 16}, {1, 2, 3}), "more than 2 channels"},
        {"24-bit", wav16({1, 1, 44100, 24}, {1, 2, 3}), "not 8 or 16 bits"},
        {"floating point", wav16({3, 1, 44100, 32}, {1, 2}), "not PCM"},
        {"rate 0", wav16({1, 1, 0, 16}, {1}), "rate"},
        {"no data", riff(chunk("fmt ", fmt_of({1, 1, 44100, 16}))), "no data chunk"},
        {"no format", riff(chunk("data", samples16({1, 2}))), "no format chunk"},
        {"short format", riff(chunk("fmt ", "\1\0\1\0") + chunk("data", "ab")), "too short"},
        {"wrong block",
         riff(chunk("fmt ", fmt_of({1, 1, 44100, 16}).replace(12, 2, std::string("\3\0", 2))) +
              chunk("data", "abcdef")),
         "block size"},
        {"eleven minutes",
         riff(chunk("fmt ", fmt_of({1, 1, 1000, 8})) + chunk("data", std::string(660001, '\x80'))),
         "longer than ten minutes"},
    };
    for (const auto &c : cases) {
        std::string reason;
        EXPECT_TRUE(decoded(c.file, &reason).empty()) << c.name;
        EXPECT_NE(reason.find(c.reason), std::string::npos) << c.name << ": " << reason;
        // Through the call: 0 and the console line naming the file and the reason.
        write("bad.wav", c.file);
        EXPECT_EQ(TAVIX_load_sound("bad.wav"), 0) << c.name;
        EXPECT_EQ(last_message(), "Sound file bad.wav not loaded: " + reason + "\n") << c.name;
    }
    EXPECT_EQ(TAVIX_load_sound("missing.wav"), 0);
    EXPECT_EQ(last_message(), "Sound file missing.wav not loaded: No such file or directory\n");
    EXPECT_EQ(TAVIX_load_sound("."), 0);
    EXPECT_NE(last_message().find("Sound file . not loaded: "), std::string::npos);
    // A FIFO with no writer is refused at once rather than waited on.
    unlink("pipe.wav");
    ASSERT_EQ(mkfifo("pipe.wav", 0600), 0);
    EXPECT_EQ(TAVIX_load_sound("pipe.wav"), 0);
    EXPECT_EQ(last_message(), "Sound file pipe.wav not loaded: not a regular file\n");

    // Numbers that name no sound: refused with a line; 0, a failed load's, quietly.
    write("good.wav", good);
    int sound = TAVIX_load_sound("good.wav");
    EXPECT_GT(sound, 0);
    EXPECT_EQ(TAVIX_free_sound(sound), 1);
    int mark = console_mark();
    EXPECT_EQ(TAVIX_play_sound(sound), 0);
    EXPECT_EQ(last_message(), "Sound " + std::to_string(sound) + " not loaded, nothing played\n");
    EXPECT_EQ(TAVIX_free_sound(sound), 0);
    EXPECT_EQ(TAVIX_play_sound(-5), 0);
    EXPECT_EQ(printed_since(mark), 3);
    EXPECT_EQ(TAVIX_play_sound(0), 0);
    EXPECT_EQ(TAVIX_free_sound(0), 0);
    EXPECT_EQ(printed_since(mark), 3);
    EXPECT_NE(TAVIX_load_sound("good.wav"), sound) << "a freed number is never handed out again";
    // Loading, freeing and refused plays never choose an output: no device was opened.
    EXPECT_EQ(library_state.sound.output, SOUND_UNDECIDED);
}

// The size limit: a file of exactly 64 MB is read, two bytes more are not. Most of it is a chunk
// the reader passes over, after the sound's own.
TEST_F(SoundTest, FilesUpTo64MegabytesAreRead) {
    const size_t limit = (size_t)64 << 20;
    std::string head = chunk("fmt ", fmt_of({1, 2, 44100, 16})) + chunk("data", samples16({1, 2}));
    std::string full = riff(head + chunk("JUNK", std::string(limit - 12 - head.size() - 8, '\0')));
    ASSERT_EQ(full.size(), limit);
    write("full.wav", full);
    int whole = TAVIX_load_sound("full.wav");
    EXPECT_GT(whole, 0) << last_message();
    TAVIX_free_sound(whole);
    write("full.wav", full + chunk("JUNK", ""));
    EXPECT_EQ(TAVIX_load_sound("full.wav"), 0);
    EXPECT_EQ(last_message(), "Sound file full.wav not loaded: larger than 64 MB\n");
    unlink("full.wav");
}

// The sound client run headless with TAVIX_SOUND: the file holds what was heard.
TEST_F(SoundTest, TheSoundFileHoldsWhatWasHeard) {
    // loud.wav: three frames near full scale, so that two of them together clip.
    write("loud.wav", wav16({1, 2, 44100, 16}, {20000, -20000, 1000, -1000, 32767, 5}));
    write("half.wav", wav16({1, 1, 22050, 16}, {0, 1001, -3}));
    const Frames loud = {20000, -20000, 1000, -1000, 32767, 5};
    Frames twice = {32767, -32768, 2000, -2000, 32767, 10};
    Frames after_tick(2 * 4410, 0);
    after_tick.insert(after_tick.end(), loud.begin(), loud.end());
    Frames overlapped = loud;  // loud.wav, then loud.wav and half.wav together a tick later
    overlapped.resize(2 * 4410, 0);
    for (int v : {20000 + 0, -20000 + 0, 1000 + 500, -1000 + 500, 32767 + 1001, 5 + 1001, 499, 499,
                  -3, -3, -3, -3})
        overlapped.push_back((int16_t)(v > 32767 ? 32767 : v));
    const struct {
        std::vector<std::string> steps;
        Frames expected;
    } cases[] = {
        {{"load=loud.wav", "play=1"}, loud},
        {{"load=half.wav", "play=1"}, {0, 0, 500, 500, 1001, 1001, 499, 499, -3, -3, -3, -3}},
        // Two at once sum, and clip at the ends of the range instead of wrapping.
        {{"load=loud.wav", "play=1", "play=1"}, twice},
        // Sound time is the program's own: a tick is 100 ms, 4,410 frames of silence here,
        // whichever wait delivers it; a tick of another interval and a delay count their length.
        {{"load=loud.wav", "tick", "play=1"}, after_tick},
        {{"load=loud.wav", "wait", "play=1"}, after_tick},
        {{"load=loud.wav", "poll", "play=1"}, after_tick},
        {{"load=loud.wav", "delay=100", "play=1"}, after_tick},
        {{"load=loud.wav", "interval=40", "wait", "delay=60", "play=1"}, after_tick},
        {{"load=loud.wav", "load=half.wav", "play=1", "tick", "play=1", "play=2"}, overlapped},
        // Stopped: nothing more after it; freed while playing: silenced.
        {{"beep=440,1000", "stop"}, {}},
        {{"load=loud.wav", "play=1", "free=1"}, {}},
        // No sound at all: a file of no frames.
        {{}, {}},
        {{"tick", "tick"}, {}},
    };
    for (const auto &c : cases) {
        std::string trace;
        for (const std::string &s : c.steps) trace += s + " ";
        SCOPED_TRACE(trace);
        unlink("heard.wav");
        Outcome o = run_client(c.steps, {"TAVIX_HEADLESS=1", "TAVIX_SOUND=heard.wav"});
        EXPECT_EQ(o.status, 0) << o.err;
        Frames heard;
        EXPECT_TRUE(output_frames(contents("heard.wav"), &heard));
        EXPECT_EQ(heard, c.expected);
    }

    // A beep: its length to the frame, its frequency from its zero crossings, both channels the
    // same, at most a quarter of full scale.
    const struct {
        int frequency, milliseconds, frames;
    } beeps[] = {{440, 500, 22050}, {1000, 250, 11025}, {20, 1000, 44100}, {20000, 20, 882}};
    for (const auto &b : beeps) {
        SCOPED_TRACE(std::to_string(b.frequency) + " Hz");
        Outcome o = run_client(
            {"beep=" + std::to_string(b.frequency) + "," + std::to_string(b.milliseconds)},
            {"TAVIX_HEADLESS=1", "TAVIX_SOUND=heard.wav"});
        EXPECT_EQ(o.status, 0) << o.err;
        Frames heard;
        ASSERT_TRUE(output_frames(contents("heard.wav"), &heard));
        EXPECT_EQ((int)heard.size() / 2, b.frames);
        int expected = 2 * b.frequency * b.milliseconds / 1000;
        EXPECT_NEAR(zero_crossings(heard), expected, 2 + expected / 100);
        int peak = 0;
        for (size_t i = 0; i + 1 < heard.size(); i += 2) {
            EXPECT_EQ(heard[i], heard[i + 1]);
            peak = std::max(peak, std::abs((int)heard[i]));
        }
        EXPECT_LE(peak, 8192);
        EXPECT_GE(peak, b.frequency < 20000 ? 8000 : 5000);
    }
    // Corrected arguments: each with its line, and the corrected beep is what is heard.
    Outcome o = run_client({"beep=5,-100"},
                           {"TAVIX_HEADLESS=1", "TAVIX_SOUND=heard.wav", "TAVIX_CONSOLE=stderr"});
    EXPECT_NE(o.err.find("Frequency of 5 Hz not possible, using 20 Hz\n"), std::string::npos);
    EXPECT_NE(o.err.find("Length of -100 ms not possible, using 100 ms\n"), std::string::npos);
    Frames heard;
    EXPECT_TRUE(output_frames(contents("heard.wav"), &heard));
    EXPECT_EQ(heard.size(), 2u * 4410);
    // A replay writes what its recording heard: its ticks and delays take no time, but count
    // their length all the same.
    write("ticks.scr", "TAVIX_EVENT(3, 0, 0, 0, 0, 0, 40);\nTAVIX_PERIODIC(1);\n");
    o = run_client({"load=loud.wav", "interval=30", "wait", "delay=40", "tick", "play=1"},
                   {"TAVIX_HEADLESS=1", "TAVIX_SOUND=heard.wav", "TAVIX_REPLAY=ticks.scr"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(output_frames(contents("heard.wav"), &heard));
    EXPECT_EQ(heard, after_tick);
    // A file that cannot be written: the run goes on without it.
    o = run_client({"beep=440,100"}, {"TAVIX_HEADLESS=1", "TAVIX_SOUND=missing/heard.wav"});
    EXPECT_EQ(o.status, 0);
    EXPECT_NE(o.err.find("TAVIX_SOUND=missing/heard.wav is ignored"), std::string::npos) << o.err;
}

// Where no sound is made no device opens: SDL's disk driver writes a file as soon as a device is
// opened. With one, the sound goes through the wave output over SDL to it. Headless, sound is off,
// said once.
// A sound file that cannot be written (a full disk) leaves the file there before as it was, says
// why on stderr and the console, and the run's status says so.
TEST_F(SoundTest, ASoundFileThatCannotBeWrittenLeavesTheOldOneWhole) {
    mkdir("small", 0700);
    if (mount("tavix-test", "small", "tmpfs", 0, "size=64k") != 0) {
        rmdir("small");
        GTEST_SKIP() << "no tmpfs could be mounted here (" << strerror(errno)
                     << "): the test needs to run as root";
    }
    std::string old = wav16({1, 2, 44100, 16}, std::vector<int>(2000, 1234));
    write("small/heard.wav", old);
    // A second of a beep is some 176 KB, more than the disk holds.
    Outcome o = run_client({"beep=440,1000"}, {"TAVIX_HEADLESS=1", "TAVIX_SOUND=small/heard.wav",
                                               "TAVIX_CONSOLE=stderr"});
    std::string left = contents("small/heard.wav");
    DIR *folder = opendir("small");
    int files = 0;
    while (folder && readdir(folder)) ++files;
    if (folder) closedir(folder);
    umount("small");
    rmdir("small");
    EXPECT_EQ(o.status, EXIT_SOUND_FAILED) << o.err;
    EXPECT_EQ(
        count_of(o.err, "TAVIX_SOUND: cannot write small/heard.wav: No space left on device\n"), 1)
        << o.err;
    EXPECT_TRUE(left == old) << "the old file was changed";
    EXPECT_EQ(files, 3) << "only the old file (with . and ..) is left";
}

TEST_F(SoundTest, NoDeviceOpensUntilASoundIsMade) {
    const std::vector<std::string> disk = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=disk",
                                           "SDL_DISKAUDIOFILE=device.raw", "TAVIX_CONSOLE=stderr"};
    write("loud.wav", wav16({1, 2, 44100, 16}, {20000, -20000}));
    unlink("device.raw");
    Outcome o = run_client({"load=loud.wav", "tick", "tick"}, disk);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("LOADED 1\n"), std::string::npos);
    EXPECT_NE(access("device.raw", F_OK), 0) << "a device was opened by a program making no sound";

    o = run_client({"beep=1000,300", "tick", "tick", "tick", "tick", "tick"}, disk);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err.find("Sound is off"), std::string::npos) << o.err;
    std::string raw = contents("device.raw");
    Frames device(raw.size() / 2);
    memcpy(device.data(), raw.data(), device.size() * 2);
    // Heard: the beep's samples at its start, wherever the device began it.
    size_t first = 0;
    while (first < device.size() && device[first] == 0) ++first;
    ASSERT_LT(first + 2 * 2000, device.size()) << "nothing reached the device";
    EXPECT_GT(zero_crossings(Frames(device.begin() + first, device.begin() + first + 2 * 2000)),
              70);

    for (const std::vector<std::string> &env :
         {std::vector<std::string>{"TAVIX_HEADLESS=1", "TAVIX_CONSOLE=stderr"},
          std::vector<std::string>{"SDL_VIDEODRIVER=offscreen", "AUDIODEV=/nonexistent",
                                   "SDL_AUDIODRIVER=dsp", "TAVIX_CONSOLE=stderr"},
          std::vector<std::string>{"TAVIX_BACKEND=null", "TAVIX_CONSOLE=stderr"},
          std::vector<std::string>{"TAVIX_BACKEND=null", "TAVIX_AUDIO_FILE=missing/device.wav",
                                   "TAVIX_CONSOLE=stderr"}}) {
        o = run_client({"beep=440,100", "load=loud.wav", "play=1", "tick", "beep=440,100"}, env);
        EXPECT_EQ(o.status, 0) << env[0];
        EXPECT_EQ(count_of(o.err, "Sound is off: "), 1) << o.err;
        EXPECT_NE(o.out.find("LOADED 1\nDONE\n"), std::string::npos) << o.out;
    }
}

// Every sample of a long sound reaches whatever device plays it, in order, whichever backend runs
// the program: the same samples as the sound file of the same program, from wherever the device
// began them (a file device takes them back to back, from its first byte).
TEST_F(SoundTest, ASoundReachesTheDeviceWhole) {
    const std::vector<std::string> steps = {"beep=1000,2000", "delay=2600"};
    Outcome o = run_client(steps, {"TAVIX_HEADLESS=1", "TAVIX_SOUND=expected.wav"});
    Frames expected;
    ASSERT_TRUE(output_frames(contents("expected.wav"), &expected)) << o.err;
    ASSERT_EQ(expected.size(), 2u * 2000 * 44100 / 1000);
    struct Case {
        std::vector<std::string> env;
        std::string file;
        bool wav;  // the device file is a WAV file, not raw samples
    };
    for (const Case &c : std::vector<Case>{
             {{"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=device.raw"},
              "device.raw",
              false},
             {{"TAVIX_BACKEND=null", "TAVIX_AUDIO_FILE=device.wav"}, "device.wav", true}}) {
        unlink(c.file.c_str());
        std::vector<std::string> env = c.env;
        env.push_back("TAVIX_CONSOLE=stderr");
        o = run_client(steps, env);
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(o.err.find("Sound is off"), std::string::npos) << o.err;
        Frames device;
        std::string bytes = contents(c.file);
        if (c.wav) {
            EXPECT_TRUE(output_frames(bytes, &device)) << c.file << " is not a whole WAV file";
        } else {
            device.resize(bytes.size() / 2);
            memcpy(device.data(), bytes.data(), device.size() * 2);
        }
        auto first_sound = [](const Frames &f) {
            size_t i = 0;
            while (i < f.size() && f[i] == 0) ++i;
            return i;
        };
        size_t lead = first_sound(expected), at = first_sound(device);
        ASSERT_GE(at, lead) << c.file;
        if (c.wav) {
            EXPECT_EQ(at, lead) << "a file device starts with the sound";
        }
        at -= lead;
        ASSERT_LE(at + expected.size(), device.size()) << c.file << ": the sound was cut short";
        size_t differ = 0;
        while (differ < expected.size() && device[at + differ] == expected[differ]) ++differ;
        EXPECT_EQ(differ, expected.size()) << c.file << ": the samples differ from sample " << differ;
        for (size_t i = at + expected.size(); i < device.size(); ++i)
            if (device[i] != 0) {
                ADD_FAILURE() << c.file << ": sound after the end, at sample " << i;
                break;
            }
    }
}

}  // namespace
