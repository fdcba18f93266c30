#include "encoder/source/TrackChoice.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace movarin::encoder {
namespace {

// The same language under its bibliographic and terminology codes and its
// two-letter one (disc descriptions carry those).
struct LanguageCodes {
    std::string_view b;
    std::string_view t;
    std::string_view two;
};
constexpr std::array<LanguageCodes, 29> kLanguages = {{
    {"jpn", "jpn", "ja"}, {"eng", "eng", "en"}, {"ger", "deu", "de"}, {"fre", "fra", "fr"},
    {"chi", "zho", "zh"}, {"kor", "kor", "ko"}, {"spa", "spa", "es"}, {"ita", "ita", "it"},
    {"por", "por", "pt"}, {"rus", "rus", "ru"}, {"dut", "nld", "nl"}, {"cze", "ces", "cs"},
    {"gre", "ell", "el"}, {"per", "fas", "fa"}, {"rum", "ron", "ro"}, {"slo", "slk", "sk"},
    {"alb", "sqi", "sq"}, {"arm", "hye", "hy"}, {"baq", "eus", "eu"}, {"bur", "mya", "my"},
    {"geo", "kat", "ka"}, {"ice", "isl", "is"}, {"mac", "mkd", "mk"}, {"may", "msa", "ms"},
    {"wel", "cym", "cy"}, {"tib", "bod", "bo"}, {"tha", "tha", "th"}, {"pol", "pol", "pl"},
    {"swe", "swe", "sv"},
}};

std::string Lower(std::string_view s)
{
    std::string lower(s);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return lower;
}

// The terminology code where the table knows the language, else the tag as
// it is, in lower case.
std::string Canonical(const std::string& tag)
{
    const std::string lower = Lower(tag);
    for (const LanguageCodes& l : kLanguages)
        if (lower == l.b || lower == l.t || lower == l.two)
            return std::string(l.t);
    return lower;
}

constexpr std::array<std::string_view, 5> kTextSubtitles = {"subrip", "ass", "ssa", "webvtt", "mov_text"};
constexpr std::array<std::string_view, 3> kBitmapSubtitles = {"dvd_subtitle", "hdmv_pgs_subtitle", "dvb_subtitle"};

template <std::size_t N>
bool OneOf(const std::array<std::string_view, N>& names, const std::string& word)
{
    return std::find(names.begin(), names.end(), word) != names.end();
}

bool IsViewers(const SourceStream& s, const Viewer& viewer)
{
    return !s.language.empty() && SameLanguage(s.language, viewer.language);
}

using Streams = std::vector<const SourceStream*>;

Streams Where(const Streams& from, auto&& keep)
{
    Streams kept;
    std::copy_if(from.begin(), from.end(), std::back_inserter(kept), keep);
    return kept;
}

// The first of the most channels: discs and releases put the original first.
const SourceStream* MostChannels(const Streams& streams)
{
    const SourceStream* best = nullptr;
    for (const SourceStream* s : streams)
        if (!best || s->channels > best->channels)
            best = s;
    return best;
}

const SourceStream* FirstDefaultOrMost(const Streams& streams)
{
    const Streams defaults = Where(streams, [](const SourceStream* s) { return s->isDefault; });
    return defaults.empty() ? MostChannels(streams) : defaults.front();
}

void ChooseAudio(const Streams& all, const Viewer& viewer, TrackChoice& choice)
{
    if (all.empty())
        return;
    // A commentary or a description for the blind is never what a viewer
    // starts a film with, unless it is all there is.
    Streams audio = Where(all, [](const SourceStream* s) { return !s->comment && !s->visualImpaired; });
    if (audio.empty())
        audio = all;
    const SourceStream* chosen = nullptr;
    if (const Streams viewers = Where(audio, [&](const SourceStream* s) { return IsViewers(*s, viewer); });
        !viewers.empty()) {
        chosen = FirstDefaultOrMost(viewers);
        choice.audioReason = "viewer's language";
    } else if (all.size() == 1) {
        chosen = all.front();
        choice.audioReason = "the only one";
    } else if (const auto d = std::find_if(audio.begin(), audio.end(), [](const SourceStream* s) { return s->isDefault; });
               d != audio.end()) {
        chosen = *d;
        choice.audioReason = "default";
    } else {
        chosen = MostChannels(audio);
        choice.audioReason = "most channels";
    }
    choice.audio = *chosen;
    choice.audioNumber = int(std::find(all.begin(), all.end(), chosen) - all.begin()) + 1;
}

// The track to burn, in the order a disc player goes by.
const SourceStream* ChooseSubtitle(const Streams& subtitles, const Viewer& viewer, const TrackChoice& choice,
                                   std::string& reason, bool& forcedEventsOnly)
{
    const std::string audioLanguage = choice.audio ? choice.audio->language : std::string();
    const auto viewers = [&](const SourceStream* s) { return IsViewers(*s, viewer); };
    // A full track rather than one for the hard of hearing, where both are there.
    const auto preferPlain = [](Streams streams) {
        std::stable_partition(streams.begin(), streams.end(), [](const SourceStream* s) { return !s->hearingImpaired; });
        return streams;
    };
    const Streams full = preferPlain(Where(subtitles, [](const SourceStream* s) { return !s->forced; }));
    if (!audioLanguage.empty() && !SameLanguage(audioLanguage, viewer.language)) {
        // Audio the viewer does not understand: the whole dialogue in
        // theirs, which carries what a forced track would too.
        if (const Streams mine = Where(full, viewers); !mine.empty()) {
            reason = "audio foreign";
            return mine.front();
        }
    }
    // Forced subtitles go with the audio: they translate what its listeners
    // cannot follow (signs, a foreign line). One in a third language does not.
    const Streams forced = Where(subtitles, [](const SourceStream* s) { return s->forced; });
    const auto forcedIn = [&](auto&& match) {
        const auto it = std::find_if(forced.begin(), forced.end(), match);
        return it == forced.end() ? nullptr : *it;
    };
    const SourceStream* f = forcedIn([&](const SourceStream* s) {
        return !audioLanguage.empty() && !s->language.empty() && SameLanguage(s->language, audioLanguage);
    });
    if (!f)
        f = forcedIn(viewers);
    if (!f)
        f = forcedIn([](const SourceStream* s) { return s->language.empty(); });
    if (f) {
        reason = "forced";
        return f;
    }
    const Streams defaults = Where(full, [](const SourceStream* s) { return s->isDefault; });
    if (!defaults.empty()) {
        reason = "default";
        const Streams mine = Where(defaults, viewers);
        return mine.empty() ? defaults.front() : mine.front();
    }
    // With no track shown, a disc player still shows the captions marked
    // forced in the stream of the audio's language: discs author the signs
    // and the lines in a third language into the full track. Only DVD and
    // PGS pictures carry the mark.
    const Streams carriers = Where(full, [](const SourceStream* s) {
        return !s->comment && (s->codec == "dvd_subtitle" || s->codec == "hdmv_pgs_subtitle");
    });
    Streams matching = Where(carriers, [&](const SourceStream* s) { return SameLanguage(s->language, audioLanguage); });
    if (matching.empty())
        matching = Where(carriers, viewers);
    if (matching.empty())
        return nullptr;
    reason = "forced events only";
    forcedEventsOnly = true;
    return matching.front();
}

std::string CodecName(const std::string& codec)
{
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 20> kNames = {{
        {"ac3", "AC-3"}, {"eac3", "E-AC-3"}, {"aac", "AAC"}, {"mp2", "MP2"}, {"mp3", "MP3"}, {"dts", "DTS"},
        {"truehd", "TrueHD"}, {"flac", "FLAC"}, {"opus", "Opus"}, {"vorbis", "Vorbis"}, {"alac", "ALAC"},
        {"dvd_subtitle", "DVD"}, {"hdmv_pgs_subtitle", "PGS"}, {"dvb_subtitle", "DVB"}, {"subrip", "SRT"},
        {"ass", "ASS"}, {"ssa", "SSA"}, {"webvtt", "WebVTT"}, {"mov_text", "mov_text"}, {"wmav2", "WMA"},
    }};
    for (const auto& [name, shown] : kNames)
        if (codec == name)
            return std::string(shown);
    return codec.starts_with("pcm_") ? "PCM" : codec;
}

// "2.0", "5.1": channels as a disc's box names them.
std::string Channels(const SourceStream& s)
{
    if (s.channelLayout == "mono")
        return "1.0";
    if (s.channelLayout == "stereo")
        return "2.0";
    if (!s.channelLayout.empty() && s.channelLayout.front() >= '0' && s.channelLayout.front() <= '9'
        && s.channelLayout.find(' ') == std::string::npos)
        return s.channelLayout.substr(0, s.channelLayout.find('('));
    return s.channels > 0 ? std::to_string(s.channels) + " ch" : "";
}

std::string Track(int number, const SourceStream& s, const std::string& details)
{
    std::string text = "#" + std::to_string(number);
    for (const std::string& part : {s.language, CodecName(s.codec), details})
        if (!part.empty())
            text += " " + part;
    return text;
}

} // namespace

Viewer ViewerFrom(const char* language, const char* subtitles)
{
    Viewer viewer;
    // A tag is three letters; anything else from the environment is no language.
    if (language && std::string_view(language).size() == 3)
        viewer.language = Canonical(language);
    viewer.subtitlesOff = subtitles && std::string_view(subtitles) == "off";
    return viewer;
}

bool SameLanguage(const std::string& a, const std::string& b)
{
    return !a.empty() && Canonical(a) == Canonical(b);
}

bool IsTextSubtitle(const std::string& codec)
{
    return OneOf(kTextSubtitles, codec);
}

bool IsBitmapSubtitle(const std::string& codec)
{
    return OneOf(kBitmapSubtitles, codec);
}

std::optional<SourceStream> ChosenVideo(const std::vector<SourceStream>& streams)
{
    for (const SourceStream& s : streams)
        if (s.kind == SourceStream::Kind::Video && !s.attachedPic)
            return s;
    return std::nullopt;
}

TrackChoice ChooseTracks(const std::vector<SourceStream>& streams, const Viewer& viewer,
                         const std::vector<KnownStream>& known)
{
    // The disc's description knows what the container does not.
    std::vector<SourceStream> merged = streams;
    for (SourceStream& s : merged)
        for (const KnownStream& k : known) {
            if (s.id < 0 || k.id != s.id)
                continue;
            if (!k.language.empty())
                s.language = Canonical(k.language.substr(0, kMaxReportField));
            s.comment = s.comment || k.commentary;
            s.forced = s.forced || k.forced;
        }
    Streams audio;
    Streams subtitles;
    Streams burnable;
    for (const SourceStream& s : merged) {
        if (s.kind == SourceStream::Kind::Audio)
            audio.push_back(&s);
        if (s.kind == SourceStream::Kind::Subtitle) {
            subtitles.push_back(&s);
            if (IsTextSubtitle(s.codec) || IsBitmapSubtitle(s.codec))
                burnable.push_back(&s);
        }
    }
    TrackChoice choice;
    ChooseAudio(audio, viewer, choice);
    choice.subtitlesOff = viewer.subtitlesOff;
    if (viewer.subtitlesOff)
        return choice;
    if (const SourceStream* s = ChooseSubtitle(burnable, viewer, choice, choice.subtitleReason,
                                                 choice.forcedEventsOnly)) {
        choice.subtitle = *s;
        choice.subtitleNumber = int(std::find(subtitles.begin(), subtitles.end(), s) - subtitles.begin()) + 1;
    }
    return choice;
}

std::string DescribeTracks(const TrackChoice& choice)
{
    std::string text = "audio: ";
    text += choice.audio ? Track(choice.audioNumber, *choice.audio, Channels(*choice.audio)) + " ("
            + choice.audioReason + ")"
                         : std::string("none");
    text += "; subtitles: ";
    if (choice.subtitle)
        text += Track(choice.subtitleNumber, *choice.subtitle, "burned") + " (" + choice.subtitleReason + ")";
    else if (choice.subtitlesOff)
        text += "off";
    else
        text += choice.subtitleReason.empty() ? "none" : "none (" + choice.subtitleReason + ")";
    return text;
}

} // namespace movarin::encoder
