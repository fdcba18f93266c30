// The encoder command lines. The texts are fixed to the space: the encoder
// front accepts exactly these shapes.
#include "jobs/ThConvertInfo.h"
#include "platform/CommandLine.h"

using movarin::QuoteArgument;

namespace {
// Tail piece per quality preset; a preset above 3 has none (and so no output).
const char* const kVideoPresets[] = {
    " -r 30 -acodec libfaac -b 2048kb -ac 2 -ar 48000 -ab 128k -f mp4 -vlevel 30 ",
    " -r 30 -acodec libfaac -b 1024kb -ac 2 -ar 44100 -ab 128k -f mp4 -vlevel 30 ",
    " -r 30 -acodec libfaac -b 512kb -ac 2 -ar 44100 -ab 128k -f mp4 -vlevel 30 ",
    " -r 15 -acodec libfaac -b 384kb -ac 2 -ar 44100 -ab 64k -f mp4 -vlevel 30 ",
};
} // namespace

std::string ThConvertInfoObjectList::SizeArgument() const
{
    return Ratio == 0 ? "-s 320x240 " : "-s 320x180 ";
}

std::string ThConvertInfoObjectList::ConvertArguments(const std::string& source,
                                                      const std::string& output) const
{
    if (MusicMode)
        return " -y -i " + QuoteArgument(source) + " -ab 128k -ar 48000 -f mp3 " + QuoteArgument(output);

    std::string text = " -y -i " + QuoteArgument(source) + " -flags bitexact -vcodec mpeg4 "
        + SizeArgument() + " -async 1000 ";
    if (Quality <= 3)
        text += kVideoPresets[Quality] + QuoteArgument(output);
    return text;
}

std::string ThConvertInfoObjectList::ThumbnailArguments(const std::string& source,
                                                        const std::string& thumbnail) const
{
    if (MusicMode)
        return {};
    return " -y -i " + QuoteArgument(source) + " -f image2 -s 160x120 -ss 00:00:01 -vframes 1 "
        + QuoteArgument(thumbnail);
}

std::string ThConvertInfoObjectList::LengthArguments(const std::string& source) const
{
    return " -i " + QuoteArgument(source);
}
