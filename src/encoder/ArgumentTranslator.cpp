#include "encoder/ArgumentTranslator.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace movarin::encoder {
namespace {

// Options that take no value. Every other option is taken to take exactly one,
// which is true of nearly all of FFmpeg's options; guessing wrong then only
// means an output goes unrecognised (and is not cleaned up), never that some
// other file is mistaken for an output.
constexpr std::array<std::string_view, 16> kFlagOptions = {
    "-y", "-n", "-nostdin", "-stdin", "-hide_banner", "-an", "-vn", "-sn", "-dn",
    "-shortest", "-stats", "-nostats", "-report", "-benchmark", "-copyts", "-re",
};

bool IsFlag(std::string_view option)
{
    return std::find(kFlagOptions.begin(), kFlagOptions.end(), option) != kFlagOptions.end();
}

bool IsOption(std::string_view arg)
{
    return arg.size() > 1 && arg.front() == '-';
}

// A word that can only be an option, not a value: "-5" or "-0.5" may be a
// negative number, "-" alone is the standard stream.
bool LooksLikeOption(std::string_view arg)
{
    return arg.size() > 1 && arg.front() == '-'
        && ((arg[1] >= 'a' && arg[1] <= 'z') || (arg[1] >= 'A' && arg[1] <= 'Z'));
}

// Whether option takes next as its value. Options not in the flag list are
// taken to take one, but an input is never any option's value (else it
// would be taken for an output), and an option followed by an option-looking
// word is taken to be a flag the list does not know.
bool TakesValue(std::string_view option, std::string_view next)
{
    if (IsFlag(option) || next == "-i")
        return false;
    if (option == "-i")
        return true;
    return !LooksLikeOption(next);
}

// "2048kb" was once accepted as kilobits; FFmpeg now wants "2048k".
std::string BitRate(std::string value)
{
    if (value.size() > 2 && value.ends_with("kb"))
        value.pop_back();
    return value;
}

} // namespace

std::string LocalFileUrl(const std::string& path)
{
    if (!path.empty() && path.front() == '/')
        return path;
    return "file:" + path;
}

Translation TranslateArguments(const std::vector<std::string>& args, bool truncationDenied)
{
    Translation t;
    std::vector<std::string>& out = t.arguments;
    // Movarin's stdin is a pipe it never writes to; FFmpeg must not read its
    // interactive keys from there.
    out.push_back("-nostdin");
    bool seenInput = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!IsOption(arg)) {
            t.outputs.push_back(arg);
            if (truncationDenied)
                out.insert(out.end(), {"-truncate", "0"});
            out.push_back(LocalFileUrl(arg));
            continue;
        }
        if (i + 1 >= args.size() || !TakesValue(arg, args[i + 1])) {
            t.overwrite = t.overwrite || arg == "-y";
            if (arg != "-nostdin")
                out.push_back(arg);
            continue;
        }
        const std::string& value = args[++i];
        if (arg == "-i") {
            seenInput = true;
            t.inputs.push_back(value);
            out.push_back(arg);
            out.push_back(LocalFileUrl(value));
        } else if (arg == "-acodec" && value == "libfaac") {
            out.insert(out.end(), {arg, "aac"});
        } else if (arg == "-b") {
            out.insert(out.end(), {"-b:v", BitRate(value)});
        } else if (arg == "-ab") {
            out.insert(out.end(), {"-b:a", value});
        } else if (arg == "-vlevel") {
            // Today's FFmpeg reads it as the encoder's "level" and writes a
            // bogus profile/level header; the old option was a no-op for MPEG-4.
        } else if (arg == "-async") {
            // The old option pads with hundreds of tiny audio packets on
            // sources with irregular timestamps; the resampler does it cleanly.
            out.insert(out.end(), {"-af", "aresample=async=" + value});
        } else if (arg == "-f" && value == "image2" && seenInput && truncationDenied) {
            out.insert(out.end(), {arg, "mjpeg"});
        } else if (arg == "-f" && value == "image2" && seenInput) {
            // One picture, not a numbered sequence: a '%' in the name stays a '%'.
            out.insert(out.end(), {arg, value, "-update", "1"});
        } else {
            out.insert(out.end(), {arg, value});
        }
    }
    return t;
}

void AllowOverwrite(Translation& translation)
{
    if (translation.overwrite)
        return;
    std::vector<std::string>& args = translation.arguments;
    // -n would refuse the file the front has just made.
    args.erase(std::remove(args.begin(), args.end(), "-n"), args.end());
    args.insert(args.begin() + (args.empty() ? 0 : 1), "-y");
    translation.overwrite = true;
}

} // namespace movarin::encoder
