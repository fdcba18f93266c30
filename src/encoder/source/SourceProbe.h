#pragma once
// What FFmpeg says about a source (its picture, its streams), read from the
// stream summary it prints for its input ("ffmpeg -i source", no output). The
// front reads the same FFmpeg it runs, so the answer cannot disagree with the
// conversion. The summary comes from a run that a crafted source may have
// taken over: every field read from it is bounded, and so is the number of
// streams. Pure: no processes, no files.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// No text field read from a summary is longer; no summary gives more streams.
constexpr std::size_t kMaxReportField = 64;
constexpr std::size_t kMaxSourceStreams = 64;

struct SourceStream {
    enum class Kind { Video, Audio, Subtitle, Attachment, Other };
    int index = 0;            // FFmpeg's stream index in the input, as "-map 0:<index>" takes it
    int id = -1;              // the container's id ("[0x80]": a DVD's audio substream), -1 when none
    Kind kind = Kind::Other;
    std::string codec;        // FFmpeg's decoder name: "ac3", "ass", "dvd_subtitle", ...
    std::string language;     // as tagged ("jpn"); empty when none or "und"
    int channels = 0;         // audio; 0 when FFmpeg names no layout
    std::string channelLayout; // "mono", "stereo", "5.1(side)", "2 channels", ...
    bool isDefault = false;   // the dispositions FFmpeg prints after the stream
    bool forced = false;
    bool comment = false;
    bool visualImpaired = false;
    bool hearingImpaired = false;
    bool attachedPic = false;
    bool dub = false;
    bool original = false;
    std::string title;        // the stream's "title" metadata, its first line
    bool bitmap = false;      // subtitles drawn as pictures (DVD, PGS, DVB)
    // A picture's size as stored, or the canvas a bitmap subtitle track is
    // drawn for ("dvd_subtitle, 720x480"); 0 when FFmpeg names none.
    int width = 0;
    int height = 0;
};

// Every stream of the first input, in FFmpeg's order, at most
// kMaxSourceStreams; a stream line that does not read is left out.
std::vector<SourceStream> ParseSourceStreams(std::string_view ffmpegReport);

// The first input's "Duration:" in seconds; none when FFmpeg says "N/A".
std::optional<double> ParseSourceDuration(std::string_view ffmpegReport);

} // namespace movarin::encoder
