#pragma once
// What FFmpeg says about a source's picture, read from the stream summary it
// prints for its input ("ffmpeg -i source", no output). The front reads the
// same FFmpeg it runs, so the answer cannot disagree with the conversion.
// Pure: no processes, no files.
#include <string>
#include <string_view>

namespace movarin::encoder {

struct SourcePicture {
    bool found = false;  // the source has a video stream (cover art aside)
    std::string codec;   // FFmpeg's decoder name: "mpeg2video", "hevc", ...
    int width = 0;       // as stored
    int height = 0;
    int sarNum = 1;      // pixel aspect; 1:1 when FFmpeg knows none
    int sarDen = 1;
    int rotation = 0;    // degrees the display matrix turns the picture, 0..359
    std::string fieldOrder; // "progressive", "top first", ...; empty when unknown
    std::string pixelFormat;
    std::string matrix;     // FFmpeg's names: "bt709", "bt2020nc", ...; empty when unknown
    std::string primaries;
    std::string transfer;   // "smpte2084" (PQ), "arib-std-b67" (HLG), ...
};

// The first video stream of the first input in FFmpeg's stream summary.
SourcePicture ParseSourcePicture(std::string_view ffmpegReport);

} // namespace movarin::encoder
