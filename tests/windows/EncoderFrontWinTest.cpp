// lib\ffmpeg.exe under Wine with the FFmpeg bundled beside it: Movarin's own
// command lines convert a clip (made by the Linux FFmpeg at build time) to
// MPEG-4 and to a thumbnail, a failed run leaves no output, and a front
// without its FFmpeg says so; a stand-in for FFmpeg reports its confinement;
// today's sources (an AV1 download, an HDR phone video, a film with ASS
// subtitles, a DVD chapter) convert, video and thumbnail. The outputs stay in MOVARIN_WIN_E2E_OUT/front, where the Windows
// test script checks them with the Linux ffprobe and holds the pictures
// against their masters.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "jobs/PartialName.h"
#include "jobs/ThConvertInfo.h"
#include "platform/CommandLine.h"
#include "platform/FilePath.h"
#include "platform/Process.h"
#include "platform/WinApi.h"

#include <aclapi.h>
#include <tlhelp32.h>

using movarin::FsPath;

namespace {

const std::string Front = MOVARIN_ENCODER_FRONT;
const std::string Clip = MOVARIN_WIN_E2E_CLIP;
const std::string OutDir = std::string(MOVARIN_WIN_E2E_OUT) + "/front/";

struct FrontRun {
    std::uint32_t code = 0xFFFFFFFF;
    std::string output;
};

FrontRun RunFront(const std::string& front, const std::string& arguments)
{
    FrontRun run;
    movarin::UniqueFd inRead, inWrite, outRead, outWrite;
    movarin::CreatePipe(inRead, inWrite);
    movarin::CreatePipe(outRead, outWrite);
    movarin::ChildProcess child;
    if (child.Start(movarin::SplitCommandLine(movarin::QuoteArgument(front) + arguments), inRead.Get(),
                    outWrite.Get())
        != 0)
        return run;
    outWrite.Reset();
    char buffer[4096];
    for (ssize_t n; (n = movarin::ReadRetry(outRead.Get(), buffer, sizeof buffer)) > 0;)
        run.output.append(buffer, std::size_t(n));
    for (int i = 0; i < 6000; ++i) {
        int error = 0;
        if (auto code = child.PollExit(error)) {
            run.code = *code;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return run;
}

std::uintmax_t SizeOf(const std::string& path)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(FsPath(path), ec);
    return ec ? 0 : size;
}

class EncoderFrontWin : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = (std::filesystem::temp_directory_path() / ("movarin-front-" + std::to_string(::GetCurrentProcessId())))
                   .generic_string()
            + "/";
        std::error_code ec;
        std::filesystem::remove_all(FsPath(dir_), ec); // a killed earlier run with the same process id
        std::filesystem::create_directories(FsPath(dir_));
        source_ = dir_ + "素材 clip.mpg";
        std::filesystem::copy_file(FsPath(Clip), FsPath(source_));
    }
    void TearDown() override
    {
        std::error_code ec;
        std::filesystem::remove_all(FsPath(dir_), ec);
    }
    std::string dir_;
    std::string source_;
};

// The id of a running FFmpeg started by parent, 0 when there is none (the
// system may start helpers of its own, such as a console host).
DWORD EncoderOf(DWORD parent)
{
    movarin::win::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry))
        if (entry.th32ParentProcessID == parent && std::wstring(entry.szExeFile) == L"ffmpeg.exe")
            return entry.th32ProcessID;
    return 0;
}

bool UnderWine()
{
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// The integrity level a file's mandatory label names, 0 without a label.
DWORD LabelOf(const std::string& path)
{
    PACL sacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(movarin::win::Widen(path).c_str(), SE_FILE_OBJECT, LABEL_SECURITY_INFORMATION, nullptr,
                                nullptr, nullptr, &sacl, &descriptor)
        != ERROR_SUCCESS)
        return 0;
    DWORD level = 0;
    for (DWORD i = 0; sacl && i < sacl->AceCount; ++i) {
        ACE_HEADER* ace = nullptr;
        if (::GetAce(sacl, i, reinterpret_cast<void**>(&ace)) && ace->AceType == SYSTEM_MANDATORY_LABEL_ACE_TYPE) {
            const PSID sid = &reinterpret_cast<SYSTEM_MANDATORY_LABEL_ACE*>(ace)->SidStart;
            level = *::GetSidSubAuthority(sid, *::GetSidSubAuthorityCount(sid) - 1);
        }
    }
    ::LocalFree(descriptor);
    return level;
}

std::string Contents(const std::string& path)
{
    std::ifstream in(FsPath(path), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

TEST_F(EncoderFrontWin, HostileEncoderIsAloneInItsJobAtLowIntegrity)
{
    // The front with the stand-in where its bundled FFmpeg belongs.
    const std::string front = dir_ + "hostile/ffmpeg.exe";
    std::filesystem::create_directories(FsPath(dir_ + "hostile/encoder"));
    std::filesystem::copy_file(FsPath(Front), FsPath(front));
    std::filesystem::copy_file(FsPath(MOVARIN_WIN_HOSTILE_ENCODER), FsPath(dir_ + "hostile/encoder/ffmpeg.exe"));
    const std::string out = dir_ + "出力.mp4";
    const std::string line = " -y -i " + movarin::QuoteArgument(source_) + " -f mp4 " + movarin::QuoteArgument(out);

    // The confined start itself works everywhere: the low token is made, the
    // job takes its limit, the output is created and labelled low, and the
    // stand-in starts with that token and writes its output.
    FrontRun run = RunFront(front, line);
    EXPECT_EQ(run.code, 0u) << run.output;
    EXPECT_EQ(run.output.find("cannot"), std::string::npos) << run.output;
    // Movarin gives the output its name once it is on the medium.
    EXPECT_EQ(Contents(movarin::PartialName(out)), "output of the hostile encoder\n");
    if (UnderWine()) {
        // Wine reports every token as high integrity and every job's limits
        // as none, enforces neither, and keeps a file's label only while the
        // file is open: what the stand-in saw is left in the log.
        std::printf("under Wine the stand-in reported:\n%s", run.output.c_str());
        return;
    }
    EXPECT_EQ(LabelOf(movarin::PartialName(out)), DWORD(SECURITY_MANDATORY_LOW_RID));
    EXPECT_NE(run.output.find("job active-process limit 1 (flag 1)"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("integrity 0x1000"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("attempt start-program: denied"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("attempt create-beside-output: denied"), std::string::npos) << run.output;

    // Unconfined for diagnosis: the limit is gone.
    ::SetEnvironmentVariableW(L"MOVARIN_SANDBOX", L"off");
    run = RunFront(front, line);
    ::SetEnvironmentVariableW(L"MOVARIN_SANDBOX", nullptr);
    EXPECT_EQ(run.code, 0u) << run.output;
    EXPECT_EQ(run.output.find("job active-process limit 1"), std::string::npos) << run.output;
}

TEST_F(EncoderFrontWin, FFmpegDiesWithAKilledFront)
{
    // The front alone, outside any job of ours, killed in the middle of an
    // endless run (the source looped, read in real time), as soon as FFmpeg
    // shows: that may be before the front's own start call has returned.
    std::wstring line = L"\"" + movarin::win::Widen(Front) + L"\" -y -re -stream_loop -1 -i \"" + movarin::win::Widen(source_)
        + L"\" -vcodec mpeg4 -f mp4 \"" + movarin::win::Widen(dir_ + "killed.mp4") + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                                 nullptr, &startup, &info));
    movarin::win::UniqueHandle front(info.hProcess);
    movarin::win::UniqueHandle thread(info.hThread);
    DWORD encoderId = 0;
    for (int i = 0; i < 500 && !encoderId; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        encoderId = EncoderOf(info.dwProcessId);
    }
    ASSERT_NE(encoderId, 0u);
    movarin::win::UniqueHandle encoder(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, encoderId));
    ASSERT_TRUE(encoder.Valid());
    ::TerminateProcess(front.Get(), 1);
    EXPECT_EQ(::WaitForSingleObject(encoder.Get(), 5000), WAIT_OBJECT_0);
    ::TerminateProcess(encoder.Get(), 1); // an orphan would run for ever
}

TEST_F(EncoderFrontWin, MovieAndThumbnailFromMovarinsCommandLines)
{
    ThConvertInfoObjectList jobs;
    jobs.Quality = 2;
    std::filesystem::create_directories(FsPath(OutDir));
    const std::string movie = OutDir + "出力 clip.mp4";
    FrontRun run = RunFront(Front, jobs.ConvertArguments(source_, movie));
    EXPECT_EQ(run.code, 0u) << run.output;
    EXPECT_GT(SizeOf(movarin::PartialName(movie)), 10000u);

    const std::string thumbnail = OutDir + "出力 clip.JPG";
    run = RunFront(Front, jobs.ThumbnailArguments(source_, thumbnail));
    EXPECT_EQ(run.code, 0u) << run.output;
    EXPECT_GT(SizeOf(movarin::PartialName(thumbnail)), 0u);
}

TEST_F(EncoderFrontWin, TodaysSourcesConvertToVideoAndThumbnail)
{
    // FFmpeg 5.1 decodes AV1 only through dav1d without hardware; HDR needs zimg.
    // The sound and the text are chosen for the viewer (Japanese when
    // Movarin says nothing) and the sound levelled, as on Linux.
    const struct {
        const char* source;
        const char* output; // the name the Windows test script checks
        std::uint8_t ratio;
        const char* logged;
    } cases[] = {
        {MOVARIN_WIN_AV1_SOURCE, "av1 4x3", 0, " -> -16.0 LUFS"},
        {MOVARIN_WIN_HDR_SOURCE, "hlg 16x9", 1, " -> -16.0 LUFS"},
        {MOVARIN_WIN_SUBTITLED_SOURCE, "subtitled 16x9", 1,
         "audio: #2 jpn AAC 1.0 (viewer's language); subtitles: #1 jpn ASS burned (default); loudness -"},
        // The dub's language is known only from the IFO, read by the confined
        // reader; of its Japanese subtitles, the forced caption is burned.
        {MOVARIN_WIN_DVD_SOURCE, "dvd dub 16x9", 1,
         "audio: #2 jpn AC-3 2.0 (viewer's language); subtitles: #1 jpn DVD burned (forced events only); loudness -"},
    };
    std::filesystem::create_directories(FsPath(OutDir));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        ThConvertInfoObjectList jobs;
        jobs.Quality = 1;
        jobs.Ratio = c.ratio;
        const std::string movie = OutDir + c.output + ".mp4";
        FrontRun run = RunFront(Front, jobs.ConvertArguments(c.source, movie));
        EXPECT_EQ(run.code, 0u) << run.output;
        EXPECT_GT(SizeOf(movarin::PartialName(movie)), 10000u);
        EXPECT_NE(run.output.find(c.logged), std::string::npos) << run.output;

        const std::string thumbnail = OutDir + c.output + ".JPG";
        run = RunFront(Front, jobs.ThumbnailArguments(c.source, thumbnail));
        EXPECT_EQ(run.code, 0u) << run.output;
        EXPECT_GT(SizeOf(movarin::PartialName(thumbnail)), 0u);
    }
}

TEST_F(EncoderFrontWin, FailedRunLeavesNoOutputAndAMissingEncoderIsReported)
{
    const std::string broken = dir_ + "壊れた.avi";
    std::ofstream(FsPath(broken)) << "this is no video";
    ThConvertInfoObjectList jobs;
    const std::string movie = dir_ + "壊れた.mp4";
    FrontRun run = RunFront(Front, jobs.ConvertArguments(broken, movie));
    EXPECT_NE(run.code, 0u);
    EXPECT_FALSE(std::filesystem::exists(FsPath(movarin::PartialName(movie))));

    // The front alone, without encoder\ffmpeg.exe beside it.
    const std::string alone = dir_ + "alone/ffmpeg.exe";
    std::filesystem::create_directories(FsPath(dir_ + "alone"));
    std::filesystem::copy_file(FsPath(Front), FsPath(alone));
    run = RunFront(alone, jobs.ConvertArguments(source_, movie));
    EXPECT_EQ(run.code, 127u);
    EXPECT_NE(run.output.find("FFmpeg is missing"), std::string::npos) << run.output;
}
