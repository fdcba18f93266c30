// The picture as the player should show it: sources of today's kinds, each
// made from a clean master, converted with the MP4 line of the 高画質 preset
// (and the aspect setting of the case) through the front, and held against
// the master fitted inside the frame. Per kind: SSIM of the content area,
// mean saturation and mean luma against the master's, the content's shape as stored (black
// bars left out) against the master's, and the CPU time of the conversion
// against the same conversion with no treatment (FFmpeg run bare with the
// front's translation of the line, -s as it stands), with and without the
// fixed cost of the front's reading of the source (probe). A second front, such
// as an older build, can be given to compare its pictures with.
//
// --full: what users convert, at its size and length, where the CPU ratio is
// the treatment's and not the fixed cost of starting FFmpeg: phone HDR (HLG,
// PQ) at 1920x1080 and a portrait phone video 1080x1920, 7 s; 1080i TS 7 s;
// 480i and the old AVI 10 s.
//
// --hdr: the HDR kinds alone (HLG, PQ).
//
// Usage: picture_bench [rounds] [other-front] [--full] [--hdr]   (run by hand, not a test)
#include "ChildRun.h"
#include "PictureSources.h"
#include "encoder/ArgumentTranslator.h"
#include "jobs/PartialName.h"
#include "jobs/ThConvertInfo.h"
#include "platform/CommandLine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    double ssim = 0;
    double saturation = 0; // against the master's
    double luma = 0;       // mean, against the master's
    double shape = 0;      // content's width:height against the master's
    double cpu = 0;        // seconds, median over the rounds
    bool ok = false;
};

double ChildrenCpu()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Outcome Convert(const std::string& program, const std::vector<std::string>& args, const std::string& output,
                const picture::SourceKind& kind, const std::string& master, double masterSaturation,
                double masterLuma, int rounds)
{
    Outcome o;
    std::vector<double> cpu;
    for (int i = 0; i < rounds; ++i) {
        fs::remove(output);
        const double before = ChildrenCpu();
        const ChildResult r = RunChild(program, args);
        cpu.push_back(ChildrenCpu() - before);
        if (r.exitCode != 0) {
            std::fprintf(stderr, "%s failed on %s:\n%s\n", program.c_str(), kind.file, r.output.c_str());
            return o;
        }
        // The front leaves its output under the temporary name Movarin
        // renames once the file is whole.
        if (std::error_code error; fs::exists(movarin::PartialName(output)))
            fs::rename(movarin::PartialName(output), output, error);
    }
    std::sort(cpu.begin(), cpu.end());
    o.cpu = cpu[cpu.size() / 2];
    const picture::Stream stream = picture::VideoStreamOf(output);
    o.ssim = picture::Ssim(output, picture::FittedRect(kind, stream.width, stream.height), master);
    const picture::Rect content = picture::ContentOf(output);
    o.saturation = picture::MeanSaturation(output, content) / masterSaturation;
    o.luma = picture::MeanLuma(output, content) / masterLuma;
    o.shape = (double(content.width) / content.height) / (double(kind.displayWidth) / kind.displayHeight);
    o.ok = true;
    return o;
}

std::vector<std::string> Received(const std::string& argumentText)
{
    std::vector<std::string> argv = movarin::SplitCommandLine(std::string(EncoderPath) + argumentText);
    argv.erase(argv.begin());
    return argv;
}

struct Case {
    picture::Kind kind;
    double seconds;
};

const std::vector<Case> kFullCases = {
    {picture::Kind::Hlg, 7}, {picture::Kind::Pq, 7}, {picture::Kind::Portrait, 7},
    {picture::Kind::Interlaced1080, 7}, {picture::Kind::Interlaced480, 10}, {picture::Kind::OldAvi, 10},
};

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> positional;
    bool full = false;
    bool hdrOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--full")
            full = true;
        else if (std::string(argv[i]) == "--hdr")
            hdrOnly = true;
        else
            positional.emplace_back(argv[i]);
    }
    const int rounds = !positional.empty() ? std::max(1, std::atoi(positional[0].c_str())) : 3;
    const std::string other = positional.size() > 1 ? positional[1] : "";
    std::vector<Case> cases;
    if (full)
        cases = kFullCases;
    else
        for (const picture::SourceKind& kind : picture::AllKinds())
            cases.push_back({kind.kind, 2});
    if (hdrOnly)
        std::erase_if(cases, [](const Case& c) { return c.kind != picture::Kind::Hlg && c.kind != picture::Kind::Pq; });
    const fs::path dir = fs::temp_directory_path() / ("movarin-picture-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);

    std::printf("%d round(s); CPU: median seconds of FFmpeg and the front; untreated: bare FFmpeg, -s as given\n",
                rounds);
    std::printf("%-32s %-14s %-9s | %-6s %-5s %-5s %-5s | %-6s %-5s %-5s %-5s | %-6s %-6s %-6s %-6s %-6s\n", "source",
                "size, length", "frame", "SSIM", "sat", "luma", "shape", other.empty() ? "SSIM0" : "SSIMb", "sat",
                "luma", "shape", "CPU0", "CPU", "probe", "ratio", "-probe");
    for (const Case& c : cases) {
        const picture::SourceKind& kind = picture::KindOf(c.kind);
        if (const std::string error = picture::MakeSource(kind, dir.string(), c.seconds,
                                                          full ? picture::Size::Full : picture::Size::Small);
            !error.empty()) {
            std::fprintf(stderr, "cannot make %s: %s\n", kind.file, error.c_str());
            return 1;
        }
        const std::string source = picture::SourcePath(kind, dir.string());
        const std::string master = picture::MasterPath(kind, dir.string());
        const picture::Rect whole = picture::FittedRect(kind, kind.displayWidth, kind.displayHeight);
        const double masterSaturation = picture::MeanSaturation(master, whole);
        const double masterLuma = picture::MeanLuma(master, whole);
        ThConvertInfoObjectList list;
        list.Quality = 1;
        list.Ratio = std::uint8_t(kind.ratio);
        const std::string output = (dir / (std::string(kind.file) + ".mp4")).string();
        const std::vector<std::string> line = Received(list.ConvertArguments(source, output));

        const Outcome after = Convert(MOVARIN_ENCODER_FRONT, line, output, kind, master, masterSaturation, masterLuma,
                                        rounds);
        const Outcome untreated = Convert("/usr/bin/ffmpeg", movarin::encoder::TranslateArguments(line).arguments,
                                          output, kind, master, masterSaturation, masterLuma, rounds);
        // FFmpeg's description of the source, as the front asks for it.
        std::vector<double> probes;
        for (int i = 0; i < rounds; ++i) {
            const double before = ChildrenCpu();
            RunChild("/usr/bin/ffmpeg", {"-hide_banner", "-nostdin", "-i", source});
            probes.push_back(ChildrenCpu() - before);
        }
        std::sort(probes.begin(), probes.end());
        const double probe = probes[probes.size() / 2];
        const Outcome compared = other.empty() ? untreated
                                               : Convert(other, line, output, kind, master, masterSaturation,
                                                         masterLuma, 1);
        if (!after.ok || !untreated.ok || !compared.ok)
            return 1;
        const picture::Stream made = picture::VideoStreamOf(source);
        const std::string length = std::to_string(made.width) + "x" + std::to_string(made.height) + " "
            + std::to_string(int(c.seconds)) + "s";
        std::printf("%-32s %-14s %-9s | %-6.3f %-5.2f %-5.2f %-5.2f | %-6.3f %-5.2f %-5.2f %-5.2f | %-6.2f %-6.2f %-6.2f "
                    "%-6.2f %-6.2f\n",
                    kind.name, length.c_str(), kind.ratio == 0 ? "320x240" : "320x180", after.ssim,
                    after.saturation, after.luma, after.shape, compared.ssim, compared.saturation, compared.luma,
                    compared.shape, untreated.cpu, after.cpu,
                    probe, after.cpu / untreated.cpu, (after.cpu - probe) / untreated.cpu);
        std::fflush(stdout);
    }
    fs::remove_all(dir);
    return 0;
}
