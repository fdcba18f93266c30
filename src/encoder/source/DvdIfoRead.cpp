#include "encoder/source/DvdIfoRead.h"

#include "encoder/source/DvdTitleInfo.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <vector>

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

namespace movarin::encoder {
namespace {

template <class Stream>
bool Listed(const std::vector<Stream>& streams, int id)
{
    return std::any_of(streams.begin(), streams.end(), [id](const Stream& s) { return s.streamId == id; });
}

std::string Language(bool given, std::uint16_t code)
{
    return given ? DvdLanguageTag(char(code >> 8), char(code & 0xFF)) : std::string();
}

// The title set's streams as its first program chain presents them.
DvdTitleInfo TitleInfo(const ifo_handle_t& ifo)
{
    DvdTitleInfo info;
    const vtsi_mat_t* mat = ifo.vtsi_mat;
    if (!mat || !ifo.vts_pgcit || ifo.vts_pgcit->nr_of_pgci_srp == 0 || !ifo.vts_pgcit->pgci_srp
        || !ifo.vts_pgcit->pgci_srp[0].pgc)
        return info;
    const pgc_t& pgc = *ifo.vts_pgcit->pgci_srp[0].pgc;
    const int audioCount = std::min<int>(mat->nr_of_vts_audio_streams, 8);
    for (int i = 0; i < audioCount; ++i) {
        const audio_attr_t& a = mat->vts_audio_attr[i];
        const auto id = DvdAudioStreamId(a.audio_format, pgc.audio_control[i]);
        if (!id || Listed(info.audio, *id))
            continue;
        info.audio.push_back({*id, Language(a.lang_type == 1, a.lang_code), DvdAudioKindOf(a.code_extension),
                              a.channels + 1, *DvdAudioFormatOf(a.audio_format)});
    }
    // The player shows the wide stream of a 16:9 title on a wide screen, as
    // FFmpeg's output is.
    const bool wide = mat->vts_video_attr.display_aspect_ratio == 3;
    const int subtitleCount = std::min<int>(mat->nr_of_vts_subp_streams, 32);
    for (int i = 0; i < subtitleCount; ++i) {
        const subp_attr_t& s = mat->vts_subp_attr[i];
        const auto id = DvdSubtitleStreamId(pgc.subp_control[i], wide);
        if (!id || Listed(info.subtitles, *id))
            continue;
        info.subtitles.push_back({*id, Language(s.type == 1, s.lang_code), DvdSubtitleKindOf(s.code_extension)});
    }
    for (const std::uint32_t entry : pgc.palette)
        info.palette.push_back(DvdPaletteRgb(entry));
    return info;
}

void Quiet(void*, dvd_logger_level_t, const char*, va_list) {}

} // namespace

std::string ReadDvdReply(const std::string& disc, int titleSet)
{
    // libdvdread's complaints about a damaged disc would land in the job's log.
    const dvd_logger_cb logger{Quiet};
    dvd_reader_t* dvd = DVDOpen2(nullptr, &logger, disc.c_str());
    if (!dvd)
        return {};
    std::string reply;
    if (ifo_handle_t* ifo = ifoOpen(dvd, titleSet)) {
        reply = FormatDvdReply(TitleInfo(*ifo));
        ifoClose(ifo);
    }
    DVDClose(dvd);
    return reply;
}

} // namespace movarin::encoder
