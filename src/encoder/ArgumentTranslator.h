#pragma once
// Movarin speaks an older encoder dialect than the FFmpeg installed beside it.
// This turns one of Movarin's argument lists into the equivalent modern one.
// Pure: no processes, no files.
#include <string>
#include <vector>

namespace movarin::encoder {

struct Translation {
    // Arguments for FFmpeg, without the program name.
    std::vector<std::string> arguments;
    // Files the run was asked to write, exactly as named on the command line
    // (no protocol prefix). Empty when the line names no output.
    std::vector<std::string> outputs;
    // Files the run reads, as named after -i.
    std::vector<std::string> inputs;
    // The line says -y: an existing output may be replaced.
    bool overwrite = false;
};

// args: the arguments the front received, without its own program name.
// Options the front does not know are passed on unchanged.
// truncationDenied: FFmpeg will not be allowed to truncate any file, so it
// must write into outputs the front has emptied, without truncating them
// itself (the picture muxer cannot be told so; the JPEG muxer writes the
// same single picture and can).
Translation TranslateArguments(const std::vector<std::string>& args, bool truncationDenied = false);

// Makes FFmpeg replace outputs that exist: the front created them itself.
void AllowOverwrite(Translation& translation);

// A path FFmpeg must open as a plain local file. A relative name such as
// "rtmp:clip.mp4" or "-" would otherwise be taken as a protocol or a pipe.
std::string LocalFileUrl(const std::string& path);

} // namespace movarin::encoder
