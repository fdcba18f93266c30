#include "PictureSources.h"

#include "ChildRun.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>

namespace picture {
namespace {

const std::string kFfmpeg = "/usr/bin/ffmpeg";

ChildResult Ffmpeg(std::vector<std::string> args)
{
    args.insert(args.begin(), {"-nostdin", "-y", "-hide_banner"});
    return RunChild(kFfmpeg, args);
}

// A stored-landscape phone video turned upright by its track header: the
// display matrix FFmpeg 5.1 can read but not write. FFmpeg turns the picture
// a quarter clockwise to show it.
bool SetQuarterTurn(const std::string& mp4)
{
    std::ifstream in(mp4, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t tkhd = data.find("tkhd");
    if (tkhd == std::string::npos)
        return false;
    const bool v1 = data[tkhd + 4] == 1;
    const std::size_t matrix = tkhd + 4 + 4 + (v1 ? 32 : 20) + 8 + 8;
    const std::uint32_t turn[9] = {0, 0x10000, 0, 0xFFFF0000u, 0, 0, 0, 0, 0x40000000};
    for (int i = 0; i < 9; ++i)
        for (int b = 0; b < 4; ++b)
            data[matrix + std::size_t(i * 4 + b)] = char(turn[i] >> (24 - 8 * b));
    std::ofstream(mp4, std::ios::binary | std::ios::trunc) << data;
    return true;
}

std::string HdrFilter(const char* transfer)
{
    // Graded with SDR white at 203 cd/m², as BT.2408 has it.
    return std::string("zscale=tin=bt709:pin=bt709:min=bt709:t=") + transfer
        + ":p=bt2020:m=bt2020nc:npl=203,format=yuv420p10le";
}

std::string X265Tags(const char* transfer)
{
    return std::string("log-level=error:colorprim=bt2020:colormatrix=bt2020nc:transfer=") + transfer;
}

struct Recipe {
    int width;
    int height;
    const char* rate;
    std::vector<std::string> encode; // from the master to the source
};

Recipe RecipeOf(const SourceKind& k, Size size)
{
    const bool full = size == Size::Full;
    const std::vector<std::string> x264 = {"-c:v", "libx264", "-preset", "veryfast", "-crf", "18"};
    switch (k.kind) {
    case Kind::Hlg:
    case Kind::Pq: {
        const char* t = k.kind == Kind::Hlg ? "arib-std-b67" : "smpte2084";
        return {full ? 1920 : 640, full ? 1080 : 360, "30",
                {"-vf", HdrFilter(t), "-c:v", "libx265", "-preset", full ? "veryfast" : "fast", "-crf", "16",
                                  "-x265-params", X265Tags(t), "-pix_fmt", "yuv420p10le"}};
    }
    case Kind::Portrait: {
        std::vector<std::string> e = {"-vf", "transpose=cclock"};
        e.insert(e.end(), x264.begin(), x264.end());
        return {full ? 1080 : 360, full ? 1920 : 640, "30", e};
    }
    case Kind::Wide:
        return {640, 360, "30", x264};
    case Kind::Standard:
        return {640, 480, "30", x264};
    case Kind::Interlaced480:
        // Each field from its own moment, as a camera records them.
        return {720, 480, "60000/1001", {"-vf", "tinterlace=interleave_top,setfield=tff", "-c:v", "mpeg2video",
                                          "-q:v", "2", "-flags", "+ilme+ildct", "-top", "1", "-aspect", "4:3"}};
    case Kind::Interlaced1080:
        return {1920, 1080, "50", {"-vf", "tinterlace=interleave_top,setfield=tff", "-c:v", "mpeg2video",
                                    "-q:v", "2", "-flags", "+ilme+ildct", "-top", "1", "-f", "mpegts"}};
    case Kind::Av1:
        return {640, 360, "30", {"-c:v", "libaom-av1", "-cpu-used", "8", "-crf", "20", "-b:v", "0"}};
    case Kind::Vp9:
        return {640, 360, "30", {"-c:v", "libvpx-vp9", "-deadline", "realtime", "-cpu-used", "8", "-crf", "20",
                                 "-b:v", "0"}};
    case Kind::OldAvi:
        return {640, 480, "25", {"-vf", "scale=512:384", "-c:v", "mpeg4", "-vtag", "XVID", "-q:v", "3"}};
    }
    return {};
}

} // namespace

const std::vector<SourceKind>& AllKinds()
{
    static const std::vector<SourceKind> kinds = {
        {Kind::Hlg, "HDR HLG (HEVC 10-bit)", "hlg.mp4", 640, 360, 1},
        {Kind::Pq, "HDR10 PQ (HEVC 10-bit)", "pq.mp4", 640, 360, 1},
        {Kind::Portrait, "portrait, rotation in metadata", "portrait.mp4", 360, 640, 1},
        {Kind::Wide, "16:9 with the 4:3 setting", "wide.mp4", 640, 360, 0},
        {Kind::Standard, "4:3 with the 16:9 setting", "standard.mp4", 640, 480, 1},
        {Kind::Interlaced480, "480i MPEG-2", "dvd.mpg", 640, 480, 0},
        {Kind::Interlaced1080, "1080i MPEG-2 TS", "tv.ts", 1920, 1080, 1},
        {Kind::Av1, "AV1", "web.mkv", 640, 360, 1},
        {Kind::Vp9, "VP9", "web.webm", 640, 360, 1},
        {Kind::OldAvi, "old 4:3 AVI (MPEG-4 ASP)", "old.avi", 640, 480, 0},
    };
    return kinds;
}

const SourceKind& KindOf(Kind kind)
{
    for (const SourceKind& k : AllKinds())
        if (k.kind == kind)
            return k;
    return AllKinds().front();
}

std::string MasterPath(const SourceKind& kind, const std::string& folder)
{
    return folder + "/master-" + kind.file + ".mkv";
}

std::string SourcePath(const SourceKind& kind, const std::string& folder)
{
    return folder + "/" + kind.file;
}

std::string MakeSource(const SourceKind& kind, const std::string& folder, double seconds, Size scale)
{
    const Recipe r = RecipeOf(kind, scale);
    const std::string master = MasterPath(kind, folder);
    const std::string source = SourcePath(kind, folder);
    const std::string size = std::to_string(r.width) + "x" + std::to_string(r.height);
    ChildResult made = Ffmpeg({"-v", "error", "-f", "lavfi", "-i",
                               "testsrc2=size=" + size + ":rate=" + r.rate + ":duration=" + std::to_string(seconds),
                               // Steady motion across the whole picture, which
                               // is what shows up an interlaced picture scaled whole.
                               "-vf", "scroll=h=0.01,format=yuv420p", "-c:v", "ffv1", master});
    if (made.exitCode != 0)
        return made.output;
    std::vector<std::string> args = {"-v", "error", "-i", master};
    args.insert(args.end(), r.encode.begin(), r.encode.end());
    args.push_back(source);
    made = Ffmpeg(args);
    if (made.exitCode != 0)
        return made.output;
    if (kind.kind == Kind::Portrait && !SetQuarterTurn(source))
        return "no track header in " + source;
    return {};
}

Rect ContentOf(const std::string& file)
{
    const ChildResult r = Ffmpeg({"-i", file, "-vf", "cropdetect=limit=0.1:round=2:skip=0:reset=0", "-f", "null", "-"});
    const std::size_t at = r.output.rfind("crop=");
    Rect rect;
    if (at == std::string::npos)
        return rect;
    char colon;
    std::istringstream(r.output.substr(at + 5)) >> rect.width >> colon >> rect.height >> colon >> rect.x >> colon
        >> rect.y;
    return rect;
}

Rect FittedRect(const SourceKind& kind, int width, int height)
{
    Rect rect {width, height, 0, 0};
    const auto even = [](double v) { return 2 * int(std::lround(v / 2)); };
    if (kind.displayWidth * height > kind.displayHeight * width)
        rect.height = even(double(width) * kind.displayHeight / kind.displayWidth);
    else
        rect.width = even(double(height) * kind.displayWidth / kind.displayHeight);
    rect.x = (width - rect.width) / 2 & ~1;
    rect.y = (height - rect.height) / 2 & ~1;
    return rect;
}

static std::string CropFilter(const Rect& a)
{
    return "crop=" + std::to_string(a.width) + ":" + std::to_string(a.height) + ":" + std::to_string(a.x) + ":"
        + std::to_string(a.y);
}

// The mean of one of signalstats' measures of area over every frame.
static double MeanStatistic(const std::string& file, const Rect& area, const std::string& name)
{
    // Limited range, so that a full-range JPEG is measured on the same scale.
    const ChildResult r = Ffmpeg({"-i", file, "-vf",
        CropFilter(area) + ",scale=out_range=tv,format=yuv420p,signalstats,metadata=print:key=lavfi.signalstats."
            + name, "-f", "null", "-"});
    double sum = 0;
    int frames = 0;
    const std::string key = "lavfi.signalstats." + name + "=";
    for (std::size_t at = r.output.find(key); at != std::string::npos; at = r.output.find(key, at + 1)) {
        sum += std::stod(r.output.substr(at + key.size()));
        ++frames;
    }
    return frames ? sum / frames : -1;
}

double MeanSaturation(const std::string& file, const Rect& area)
{
    return MeanStatistic(file, area, "SATAVG");
}

double MeanLuma(const std::string& file, const Rect& area)
{
    return MeanStatistic(file, area, "YAVG");
}

double Ssim(const std::string& file, const Rect& area, const std::string& master)
{
    const std::string size = std::to_string(area.width) + ":" + std::to_string(area.height);
    const ChildResult r = Ffmpeg({"-i", file, "-i", master, "-lavfi",
        "[0:v]" + CropFilter(area) + ",format=yuv420p[a];[1:v]fps=30,scale=" + size + ",format=yuv420p[b];[a][b]ssim",
        "-f", "null", "-"});
    const std::size_t at = r.output.rfind(" All:");
    return at == std::string::npos ? -1 : std::stod(r.output.substr(at + 5));
}

Stream VideoStreamOf(const std::string& file)
{
    const ChildResult r = RunChild("/usr/bin/ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
        "stream=width,height,sample_aspect_ratio", "-of", "csv=p=0", file});
    Stream s;
    char comma;
    std::istringstream in(r.output);
    in >> s.width >> comma >> s.height >> comma >> s.sar;
    return s;
}

} // namespace picture
