// The DVD reader's reply, written by a child that a crafted IFO may have
// taken over: whatever it says, the front keeps at most the streams a title
// set can have, each under an id of its kind, once, with a short language,
// and what it keeps it can write again within the bound and read back alike.
#include "FuzzInput.h"
#include "encoder/source/DvdTitleInfo.h"

#include <algorithm>

using namespace movarin::encoder;

namespace {

bool ShortLanguage(const std::string& language)
{
    return language.empty()
        || (language.size() == 3 && std::all_of(language.begin(), language.end(), [](char c) {
               return c >= 'a' && c <= 'z';
           }));
}

template <class Stream>
bool Unique(const std::vector<Stream>& streams)
{
    for (std::size_t i = 0; i < streams.size(); ++i)
        for (std::size_t j = i + 1; j < streams.size(); ++j)
            if (streams[i].streamId == streams[j].streamId)
                return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    const DvdTitleInfo info = ParseDvdReply(reply);
    if (size > kDvdReplyLimit)
        Require(info.Empty());
    Require(info.audio.size() <= 8 && info.subtitles.size() <= 32);
    Require(info.palette.empty() || info.palette.size() == 16);
    Require(Unique(info.audio) && Unique(info.subtitles));
    for (const DvdAudioStream& a : info.audio) {
        const int base = a.streamId & 0xF8;
        Require(base == 0x80 || base == 0x88 || base == 0xA0 || base == 0xC0);
        Require(a.channels >= 1 && a.channels <= 8 && ShortLanguage(a.language));
    }
    for (const DvdSubtitleStream& s : info.subtitles)
        Require(s.streamId >= 0x20 && s.streamId <= 0x3F && ShortLanguage(s.language));
    for (const std::uint32_t colour : info.palette)
        Require(colour <= 0xFFFFFF);

    const std::string again = FormatDvdReply(info);
    Require(again.size() <= kDvdReplyLimit);
    Require(FormatDvdReply(ParseDvdReply(again)) == again);
    return 0;
}
