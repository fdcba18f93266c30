#pragma once
// Sources of today's kinds made with the installed FFmpeg from a clean
// master, and what a converted picture looks like: where its content lies
// inside the black bars, its saturation, its likeness to the master fitted
// as the player should show it. Shared by the front's end-to-end test and
// the picture benchmark.
#include <string>
#include <vector>

namespace picture {

enum class Kind { Hlg, Pq, Portrait, Wide, Standard, Interlaced480, Interlaced1080, Av1, Vp9, OldAvi };

struct SourceKind {
    Kind kind;
    const char* name;
    const char* file;     // file name of the source, with the container's extension
    int displayWidth;     // the master's picture as the player should show it
    int displayHeight;
    int ratio;            // Movarin's aspect setting for it: 0 is 4:3, 1 is 16:9
};

const std::vector<SourceKind>& AllKinds();
const SourceKind& KindOf(Kind kind);

struct Rect {
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
};

// Small keeps every source cheap for the tests; Full gives the phone videos
// the size phones record (HDR 1920x1080, portrait 1080x1920). The TV and
// DVD sources have their own size in both.
enum class Size { Small, Full };

// Makes the master (lossless, the picture as it should look) and the
// source of kind from it in folder, seconds long. Returns FFmpeg's
// complaint, empty on success.
std::string MakeSource(const SourceKind& kind, const std::string& folder, double seconds,
                       Size size = Size::Small);
std::string MasterPath(const SourceKind& kind, const std::string& folder);
std::string SourcePath(const SourceKind& kind, const std::string& folder);

// The part of a picture that is not black bars, over all its frames.
Rect ContentOf(const std::string& file);
// Where the master's picture belongs inside a width x height frame.
Rect FittedRect(const SourceKind& kind, int width, int height);
// Mean saturation (FFmpeg's signalstats SATAVG) of area of every frame.
double MeanSaturation(const std::string& file, const Rect& area);
// Mean luma (YAVG, limited range) of area of every frame.
double MeanLuma(const std::string& file, const Rect& area);
// SSIM of area of file against the master scaled to that area, frame by
// frame at the output's rate.
double Ssim(const std::string& file, const Rect& area, const std::string& master);

// The output's picture: size and pixel aspect as FFmpeg reads them.
struct Stream {
    int width = 0;
    int height = 0;
    std::string sar;
};
Stream VideoStreamOf(const std::string& file);

} // namespace picture
