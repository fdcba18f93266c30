// The sound of a conversion through the front: three 720p sources of the
// kinds users bring, converted with the MP4 line of the 高画質 preset, then
// measured as a player would play them. Per source: integrated loudness and
// true peak before and after, how far the sound has moved against the
// picture (each source has a white frame where its sound resumes with a
// knock after half a second of silence; the quiet one's sound starts 0.3 s
// after its picture), and the CPU of the measuring passes (the second only
// where the levelling limits) as a share of the whole conversion's, and the
// conversion with levelling off. The first measure is taken as the front
// reads the source, so its cost is what it adds to that reading.
//
// Usage: loudness_bench [rounds] [seconds]   (run by hand, not a test; 1, 60)
#include "ChildRun.h"
#include "encoder/source/Loudness.h"
#include "jobs/PartialName.h"
#include "jobs/ThConvertInfo.h"
#include "platform/CommandLine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kFfmpeg = "/usr/bin/ffmpeg";
double kSeconds = 60;
constexpr double kFlash = 10; // where the picture flashes white, on the video's clock

struct Source {
    const char* name;
    const char* file;
    double audioDelay;   // seconds the sound starts after the picture
    std::string sound;   // lavfi graph of the sound, t on the sound's own clock
    double targetLufs;   // the source is brought there before it is encoded; 0 leaves it
};

double ChildrenCpu()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

ChildResult Ffmpeg(std::vector<std::string> args)
{
    args.insert(args.begin(), {"-nostdin", "-y", "-hide_banner"});
    return RunChild(kFfmpeg, args);
}

// Integrated loudness and true peak, as ebur128 reports them.
std::pair<double, double> Loudness(const std::string& file)
{
    const ChildResult r = Ffmpeg({"-i", file, "-vn", "-ac", "2", "-af", "ebur128=peak=true:framelog=verbose",
                                  "-f", "null", "-"});
    const movarin::encoder::LoudnessMeasurement m = movarin::encoder::ParseLoudnessMeasurement(r.output);
    return {m.integrated, m.peak};
}

// The time of the brightest frame.
double FlashTime(const std::string& file)
{
    const ChildResult r = Ffmpeg({"-v", "error", "-nostats", "-i", file, "-an", "-vf",
                                  "scale=64:36,signalstats,metadata=print:key=lavfi.signalstats.YAVG:file=-",
                                  "-f", "null", "-"});
    double best = -1;
    double bestTime = -1;
    double time = 0;
    std::istringstream lines(r.output);
    for (std::string line; std::getline(lines, line);) {
        if (const auto at = line.find("pts_time:"); at != std::string::npos)
            time = std::stod(line.substr(at + 9));
        else if (const auto y = line.find("YAVG="); y != std::string::npos && std::stod(line.substr(y + 5)) > best)
            best = std::stod(line.substr(y + 5)), bestTime = time;
    }
    return bestTime;
}

// Where the sound resumes after the longest silence, to the millisecond.
double SoundOnset(const std::string& file)
{
    const ChildResult r = Ffmpeg({"-v", "error", "-nostats", "-i", file, "-vn", "-ac", "1", "-af",
        "aresample=48000,asetnsamples=n=48:p=0,astats=metadata=1:reset=1,"
        "ametadata=print:key=lavfi.astats.Overall.Peak_level:file=-", "-f", "null", "-"});
    std::vector<std::pair<double, double>> chunks; // time, peak dBFS
    double time = 0;
    std::istringstream lines(r.output);
    for (std::string line; std::getline(lines, line);) {
        if (const auto at = line.find("pts_time:"); at != std::string::npos)
            time = std::stod(line.substr(at + 9));
        else if (const auto p = line.find("Peak_level="); p != std::string::npos)
            chunks.emplace_back(time, line.compare(p + 11, 4, "-inf") == 0 ? -200 : std::stod(line.substr(p + 11)));
    }
    std::size_t bestEnd = 0;
    std::size_t bestLength = 0;
    for (std::size_t i = 0, run = 0; i < chunks.size(); ++i) {
        run = chunks[i].second < -55 ? run + 1 : 0;
        if (run > bestLength)
            bestLength = run, bestEnd = i;
    }
    for (std::size_t i = bestEnd + 1; i < chunks.size(); ++i)
        if (chunks[i].second > -40)
            return chunks[i].first;
    return -1;
}

std::string Make(const Source& s, const fs::path& dir)
{
    const std::string wav = (dir / (std::string(s.file) + ".wav")).string();
    ChildResult r = Ffmpeg({"-v", "error", "-filter_complex", s.sound, "-ar", "48000", "-ac", "2", "-c:a",
                            "pcm_f32le", wav});
    if (r.exitCode != 0)
        return r.output;
    double gain = 0;
    if (s.targetLufs != 0)
        gain = s.targetLufs - Loudness(wav).first;
    const std::string out = (dir / s.file).string();
    r = Ffmpeg({"-v", "error", "-f", "lavfi", "-i",
                "testsrc2=size=1280x720:rate=30:duration=" + std::to_string(kSeconds)
                    + ",drawbox=c=white:t=fill:enable='eq(n," + std::to_string(int(kFlash * 30)) + ")'",
                "-itsoffset", std::to_string(s.audioDelay), "-i", wav, "-map", "0:v", "-map", "1:a",
                "-af", "volume=" + std::to_string(gain) + "dB", "-c:v", "libx264", "-preset", "veryfast", "-crf",
                "20", "-c:a", "aac", "-b:a", "256k", out});
    return r.exitCode == 0 ? "" : r.output;
}

std::vector<std::string> Received(const std::string& argumentText)
{
    std::vector<std::string> argv = movarin::SplitCommandLine(std::string(EncoderPath) + argumentText);
    argv.erase(argv.begin());
    return argv;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The sound's graph: a bed, silent for half a second before the flash, then
// a knock on the flash; ta is the flash on the sound's clock.
std::string Sound(const std::string& bed, double audioDelay, double knock)
{
    const std::string ta = std::to_string(kFlash - audioDelay);
    return bed + ",aeval='val(0)*(lt(t," + ta + "-0.5)+gte(t," + ta + "))+" + std::to_string(knock) + "*between(t,"
        + ta + "," + ta + "+0.0005)':c=same";
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    kSeconds = argc > 2 ? std::max(12, std::atoi(argv[2])) : 60;
    const std::string d = std::to_string(kSeconds);
    const std::string speech = "anoisesrc=color=pink:amplitude=0.5:sample_rate=48000:duration=" + d
        + ",volume='0.55+0.45*sin(2*PI*3*t)':eval=frame";
    const std::vector<Source> sources = {
        {"quiet home recording, sound 0.3 s late", "quiet.mp4", 0.3,
         Sound("anoisesrc=color=pink:amplitude=0.5:sample_rate=48000:duration=" + std::to_string(kSeconds - 0.3) + ","
               "volume='0.55+0.45*sin(2*PI*3*t)':eval=frame", 0.3, 0.05), -36.5},
        {"loud, clipped master", "loud.mp4", 0,
         Sound(speech + ",aeval='max(-0.99,min(0.99,8*val(0)))':c=same", 0, 0.99), 0},
        {"peaky: quiet bed, drum hits", "peaky.mp4", 0,
         Sound("anoisesrc=color=pink:amplitude=0.01:sample_rate=48000:duration=" + d
                   + ",aeval='val(0)+0.8*exp(-40*mod(t,0.5))*sin(2*PI*70*t)':c=same", 0, 0.5), 0},
    };
    const fs::path dir = fs::temp_directory_path() / ("movarin-loudness-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::printf("%d round(s); 720p %d s sources, MP4 line of the 高画質 preset; CPU: median seconds\n", rounds,
                int(kSeconds));
    std::printf("%-40s | %-7s %-7s | %-7s %-7s | %-7s %-7s | %-6s %-6s %-6s %-6s\n", "source", "LUFS", "dBTP",
                "LUFS", "dBTP", "sync0", "sync", "pass", "conv", "off", "share");
    for (const Source& s : sources) {
        if (const std::string error = Make(s, dir); !error.empty()) {
            std::fprintf(stderr, "cannot make %s: %s\n", s.file, error.c_str());
            return 1;
        }
        const std::string source = (dir / s.file).string();
        ThConvertInfoObjectList list;
        list.Quality = 1;
        list.Ratio = 1;
        const std::string output = (dir / (std::string("out-") + s.file)).string();
        const std::vector<std::string> line = Received(list.ConvertArguments(source, output));
        std::vector<double> conversion;
        std::vector<double> off;
        std::vector<double> pass;
        std::string log;
        for (int i = 0; i < rounds; ++i) {
            setenv("MOVARIN_LOUDNESS", "off", 1);
            double before = ChildrenCpu();
            RunChild(MOVARIN_ENCODER_FRONT, line);
            off.push_back(ChildrenCpu() - before);
            unsetenv("MOVARIN_LOUDNESS");
            before = ChildrenCpu();
            const ChildResult r = RunChild(MOVARIN_ENCODER_FRONT, line);
            conversion.push_back(ChildrenCpu() - before);
            if (r.exitCode != 0) {
                std::fprintf(stderr, "the front failed on %s:\n%s\n", s.file, r.output.c_str());
                return 1;
            }
            // "movarin-encoder: audio: ...; subtitles: ...; loudness ..."
            const std::size_t piece = r.output.find("; loudness ");
            log = piece == std::string::npos ? "(no loudness logged)" : r.output.substr(piece + 2);
            log = log.substr(0, log.find('\n'));
            // The measuring passes alone, as the front runs them.
            namespace e = movarin::encoder;
            const auto run = [&](const std::vector<std::string>& measure) {
                std::vector<std::string> args = {"-hide_banner", "-nostdin", "-i", source};
                args.insert(args.end(), measure.begin(), measure.end());
                return RunChild(kFfmpeg, args);
            };
            // Short and cheap beside the conversion: three times, for a
            // median that the machine's other work does not sway. The first
            // measure rides on the reading of the source: what it adds to
            // that reading, and the second pass where there is one.
            for (int k = 0; k < 3; ++k) {
                before = ChildrenCpu();
                run({});
                const double reading = ChildrenCpu() - before;
                before = ChildrenCpu();
                const std::vector<e::LoudnessMeasurement> tracks
                    = e::ParseTrackLoudness(run(e::EveryTrackLoudnessArguments()).output);
                const e::Levelling levelling
                    = e::ChooseLevelling(tracks.empty() ? e::LoudnessMeasurement{} : tracks.front(), 44100);
                if (levelling.peaksOver)
                    run(e::LimitedPassArguments("", levelling));
                pass.push_back(ChildrenCpu() - before - reading);
            }
        }
        const std::string made = movarin::PartialName(output);
        const auto [lufs0, peak0] = Loudness(source);
        const auto [lufs, peak] = Loudness(made);
        const double sync0 = SoundOnset(source) - FlashTime(source);
        const double sync = SoundOnset(made) - FlashTime(made);
        std::printf("%-40s | %-7.1f %-7.1f | %-7.1f %-7.1f | %-+7.3f %-+7.3f | %-6.2f %-6.2f %-6.2f %-5.1f%%\n", s.name,
                    lufs0, peak0, lufs, peak, sync0, sync, Median(pass), Median(conversion), Median(off),
                    100 * Median(pass) / Median(conversion));
        std::printf("    %s\n", log.c_str());
        std::fflush(stdout);
    }
    fs::remove_all(dir);
    return 0;
}
