#pragma once
// The job record and the one job list of the program, with the conversion
// settings that travel with it. Plain data: no widgets, user-interface thread only.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

enum ConvertState : std::uint8_t {
    csWaiting = 0,
    csConverting = 1,
    csConverted = 2,
    csTransferred = 3,
    csFailed = 4,
};

// The kind of a run: the Tag of the pressed conversion button.
enum ConvertMode : std::int32_t {
    cmMovie = 1,
    cmMovieToWalkman = 2,
    cmMusic = 3,
};

// Subtitles setting: the encoder front burns the track it chooses, or none.
enum SubtitleMode : std::uint8_t {
    smAuto = 0,
    smOff = 1,
};

// Interface language setting; Auto follows the desktop's languages.
enum class LanguageChoice : std::uint8_t { Auto, Japanese, English };

// The encoder, relative to the folder Movarin runs in.
inline constexpr const char* EncoderPath = "lib/ffmpeg";

class ThConvertInfoObject {
public:
    std::u16string SourcePath;
    std::u16string OutputPath;
    std::uint8_t State = csWaiting;
    // The source's length in seconds, read in the background after the job
    // was added: nothing until it has been read, 0 when it could not be.
    std::optional<double> Length;
    // Given by the list when the job is appended, never given again: a
    // result that arrives after its job was removed finds no job, not the
    // one that moved into its place.
    std::uint64_t Id = 0;
};

// True when the job's length has been read and is more than nothing.
inline bool LengthKnown(const ThConvertInfoObject& job)
{
    return job.Length && *job.Length > 0;
}

// Display text of a job's state; empty for values outside the table.
std::string StateText(const ThConvertInfoObject& job);
std::string StateText(std::uint8_t state);

class ThConvertInfoObjectList {
public:
    // Settings fields (stored in config.ini, except MusicMode).
    std::uint8_t Quality = 0;
    std::uint8_t Ratio = 0;
    std::string SaveDir;
    bool OpenDir = false;
    std::uint8_t Subtitles = smAuto;
    bool Loudness = true;  // bring every output to one loudness
    LanguageChoice Language = LanguageChoice::Auto;
    bool MusicMode = false;

    // Appends, takes ownership and gives the job its Id; returns its index.
    int Add(std::unique_ptr<ThConvertInfoObject> job);
    int Count() const { return int(jobs_.size()); }
    ThConvertInfoObject* Items(int index) const { return jobs_.at(std::size_t(index)).get(); }
    // Removes and disposes of the job; those behind it move down by one.
    void Delete(int index);

    // First job from index 0 upward in the state sought, or nullptr.
    ThConvertInfoObject* FirstWaiting() const;
    ThConvertInfoObject* FirstConverting() const;
    // The job with that Id, or nullptr when it is no longer in the list.
    ThConvertInfoObject* JobWithId(std::uint64_t id) const;

    // Encoder argument texts; each begins with a space so that it follows the
    // executable path directly.
    std::string SizeArgument() const;
    std::string ConvertArguments(const std::string& source, const std::string& output) const;
    std::string ThumbnailArguments(const std::string& source, const std::string& thumbnail) const;
    // Reads the source's headers only: the encoder prints the length and,
    // having no output to write, ends with an error.
    std::string LengthArguments(const std::string& source) const;

private:
    ThConvertInfoObject* FirstInState(std::uint8_t state) const;
    std::vector<std::unique_ptr<ThConvertInfoObject>> jobs_;
    std::uint64_t lastId_ = 0;
};
