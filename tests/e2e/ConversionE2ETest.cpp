// Whole conversion runs with the real FFmpeg through the real encoder front
// (lib/ffmpeg in the stage folder), started by clicks on the main window.
#include "ui/MainWindowTestSupport.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QStringList>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <unistd.h>

#include "app/InterfaceTranslation.h"
#include "jobs/PartialName.h"
#include "jobs/ThConvertInfo.h"
#include "ui/UnitConfig.h"
#include "ui/UnitSelectDVD.h"

namespace fs = std::filesystem;
namespace text = movarin::driver_text;

namespace {

// Runs a program (never through a shell) and returns its standard output.
std::string RunTool(const QString& program, const QStringList& args, int* exitCode = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, args);
    process.waitForFinished(120000);
    if (exitCode)
        *exitCode = process.exitCode();
    return process.readAllStandardOutput().toStdString();
}

// key=value lines of the first stream of the given kind ("v" or "a").
std::map<std::string, std::string> Probe(const std::string& file, const char* stream)
{
    const std::string out =
        RunTool("ffprobe", {"-v", "error", "-select_streams", QString(stream) + ":0", "-show_entries",
                        "stream=codec_name,width,height,r_frame_rate,sample_rate,channels", "-of",
                        "default=nw=1", QString::fromStdString(file)});
    std::map<std::string, std::string> values;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

// Processes (not zombies) whose command line holds needed: the front and the
// FFmpeg it started both name the output file.
int ProcessesNaming(const std::string& needed)
{
    int found = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream cmdline(entry.path() / "cmdline");
        const std::string args{std::istreambuf_iterator<char>(cmdline), {}};
        if (args.find(needed) == std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const auto close = line.rfind(')');
        if (close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z')
            ++found;
    }
    return found;
}

int EntriesIn(const char* folder)
{
    return int(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Processes whose parent is this one, zombies included.
int Children()
{
    int found = 0;
    const std::string self = std::to_string(::getpid());
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream status(entry.path() / "status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("PPid:", 0) == 0) {
                found += line.substr(line.find_first_not_of(" \t", 5)) == self;
                break;
            }
    }
    return found;
}

struct Resources {
    int descriptors = EntriesIn("/proc/self/fd");
    int threads = EntriesIn("/proc/self/task");
    int children = Children();
    bool operator==(const Resources&) const = default;
};

class ConversionE2ETest : public ::testing::Test, protected MainWindowFixture {
protected:
    static void SetUpTestSuite()
    {
        sources_ = new TempFolder;
        // The quote must cross the command line whole; the output takes its
        // full-width form, which the player's storage accepts.
        source_ = *sources_ / "clip \"q\" 日本語.avi";
        int code = -1;
        RunTool("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                       "testsrc=size=640x480:rate=25:duration=2", "-f", "lavfi", "-i",
                       "sine=frequency=440:duration=2:sample_rate=44100", "-c:v", "mpeg4", "-c:a",
                       "mp2", "-shortest", QString::fromStdString(source_)},
            &code);
        ASSERT_EQ(code, 0);
        ASSERT_TRUE(fs::exists(source_));
    }
    static void TearDownTestSuite()
    {
        delete sources_;
        sources_ = nullptr;
    }

    void SetUp() override
    {
        previous_ = fs::current_path();
        fs::current_path(MOVARIN_STAGE_DIR);
        ASSERT_TRUE(fs::exists("lib/ffmpeg"));
        CreateWithSource();
    }
    void CreateWithSource()
    {
        Create();
        window->JobList().SaveDir = temp / "out/";
        window->JobList().OpenDir = false;
        // One at a time unless a test says otherwise, whatever this machine has.
        window->Driver().ParallelJobs = 1;
        fs::create_directories(temp / "out");
        window->AddJob(source_);
        window->RefreshJobList();
    }
    void TearDown() override
    {
        window.reset();
        fs::current_path(previous_);
    }

    void RunAndWait(TImageButton* button)
    {
        Click(button);
        ASSERT_TRUE(PumpUntil([this] { return !window->Busy(); }, 120000));
    }

    static TempFolder* sources_;
    static std::string source_;
    fs::path previous_;
};

TempFolder* ConversionE2ETest::sources_ = nullptr;
std::string ConversionE2ETest::source_;

// Hiragana, Katakana, CJK ideographs and punctuation, full-width forms.
bool HasJapanese(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3000 && u <= 0x30FF) || (u >= 0x3400 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF))
            return true;
    }
    return false;
}

// Every text a widget shows or tells a screen reader; the file names in the
// list are the user's and are left out.
QStringList ShownTexts(QWidget& top)
{
    QStringList texts;
    QList<QWidget*> widgets = top.findChildren<QWidget*>();
    widgets.prepend(&top);
    for (QWidget* w : widgets) {
        texts << w->windowTitle() << w->toolTip() << w->accessibleName() << w->accessibleDescription();
        if (auto* label = qobject_cast<QLabel*>(w))
            texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            texts << button->text();
        if (auto* list = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < list->count(); ++i)
                texts << list->itemText(i);
        if (auto* tree = qobject_cast<QTreeWidget*>(w))
            for (int i = 0; i < tree->columnCount(); ++i) {
                texts << tree->headerItem()->text(i);
                for (int row = 0; row < tree->topLevelItemCount(); ++row)
                    texts << (i == 0 ? QString() : tree->topLevelItem(row)->text(i));
            }
    }
    return texts;
}

TEST_F(ConversionE2ETest, EnglishInterfaceThroughAConversion)
{
    // As start-up does: the translation first, then the windows.
    const movarin::InterfaceTranslation english(movarin::InterfaceLanguage::English);
    window.reset();
    CreateWithSource();
    TFormSelectDVD dvd(window.get(), volumes, boxes);
    TFormConfig config(window.get(), dialogs);
    window->SetDialogs(dvd, config);

    // The language list names each language in its own words, so that a
    // reader of Japanese finds the way back from an English interface.
    const QString ownName = QStringLiteral("日本語");
    ASSERT_EQ(config.CBLanguage->findText(ownName), 1);
    QStringList japanese;
    const auto look = [&japanese, &ownName](const QStringList& texts) {
        for (const QString& text : texts)
            if (HasJapanese(text) && text != ownName && !japanese.contains(text))
                japanese << text;
    };
    for (QWidget* top : {static_cast<QWidget*>(window.get()), static_cast<QWidget*>(&dvd),
                         static_cast<QWidget*>(&config)})
        look(ShownTexts(*top));
    Click(window->ImgBtnListDelete);  // nothing selected: the notice
    Click(window->ImgBtnAddFile);     // the dialog is cancelled
    ASSERT_EQ(dialogs.calls.size(), 1u);
    look({QString::fromStdString(dialogs.calls[0].second)});

    QStringList statuses;
    Click(window->ImgBtnConvertMovie);
    ASSERT_TRUE(PumpUntil(
        [&] {
            if (!statuses.contains(window->LblSituation->text()))
                statuses << window->LblSituation->text();
            return !window->Busy();
        },
        120000));
    look(statuses);
    look(ShownTexts(*window));
    EXPECT_EQ(Rows(1), std::vector<std::string>{"Converted"});
    // The boxes put their titles into the language as they show them.
    for (const ShownBox& box : boxes.shown)
        look({QCoreApplication::translate("MessageBoxes", box.title.c_str()),
              QCoreApplication::translate("MessageBoxes", box.text.c_str())});
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(japanese.isEmpty()) << japanese.join(QStringLiteral(" | ")).toStdString();
}

TEST_F(ConversionE2ETest, MovieInBothAspectRatios)
{
    window->JobList().Quality = 0;
    window->JobList().Ratio = 0;
    RunAndWait(window->ImgBtnConvertMovie);
    EXPECT_EQ(Rows(1), std::vector<std::string>{"変換完了"});
    const std::string first = temp / "out/clip ＂q＂ 日本語.mp4";
    auto video = Probe(first, "v");
    auto audio = Probe(first, "a");
    EXPECT_EQ(video["codec_name"], "mpeg4");
    EXPECT_EQ(video["width"], "320");
    EXPECT_EQ(video["height"], "240");
    EXPECT_EQ(video["r_frame_rate"], "30/1");
    EXPECT_EQ(audio["codec_name"], "aac");
    EXPECT_EQ(audio["sample_rate"], "48000");
    EXPECT_EQ(audio["channels"], "2");

    // The finished job leaves the list; the same source again gets a number.
    window->AddJob(source_);
    window->JobList().Quality = 3;
    window->JobList().Ratio = 1;
    RunAndWait(window->ImgBtnConvertMovie);
    EXPECT_EQ(Rows(1), std::vector<std::string>{"変換完了"});
    const std::string second = temp / "out/clip ＂q＂ 日本語(1).mp4";
    video = Probe(second, "v");
    audio = Probe(second, "a");
    EXPECT_EQ(video["width"], "320");
    EXPECT_EQ(video["height"], "180");
    EXPECT_EQ(video["r_frame_rate"], "15/1");
    EXPECT_EQ(audio["codec_name"], "aac");
    EXPECT_EQ(audio["sample_rate"], "44100");
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{text::Converted, text::FinishedJobsRemoved,
                                                       text::Converted}));
}

TEST_F(ConversionE2ETest, FourSourcesTwoAtATime)
{
    // A camera's MOV, a Matroska file and an MPEG-2 program stream beside the
    // AVI; two recordings named by long programme titles (244 bytes) that
    // differ only at their end, converting side by side.
    std::string title;
    for (int i = 0; i < 16; ++i)
        title += "長い番組名";
    const std::string alike = title.substr(0, title.size() - 3) + "表";
    struct Source {
        std::string name;
        QStringList codecs;
    };
    const Source more[] = {
        {"CLIP0001.MOV", {"-c:v", "mpeg4", "-c:a", "aac"}},
        {"b.mkv", {"-c:v", "mpeg4", "-c:a", "mp2"}},
        {"c.mpg", {"-c:v", "mpeg2video", "-c:a", "mp2"}},
        {title + ".mkv", {"-c:v", "mpeg4", "-c:a", "mp2"}},
        {alike + ".mkv", {"-c:v", "mpeg4", "-c:a", "mp2"}},
    };
    for (const Source& source : more) {
        int code = -1;
        RunTool("ffmpeg", QStringList{"-v", "error", "-y", "-f", "lavfi", "-i",
                                      "testsrc=size=320x240:rate=25:duration=2", "-f", "lavfi",
                                      "-i", "sine=frequency=440:duration=2:sample_rate=44100"} +
                              source.codecs +
                              QStringList{"-shortest", QString::fromStdString(temp / source.name)},
                &code);
        ASSERT_EQ(code, 0) << source.name;
        window->AddJob(temp / source.name);
    }
    window->RefreshJobList();
    window->Driver().ParallelJobs = 2;
    RunAndWait(window->ImgBtnConvertMovie);

    EXPECT_EQ(Rows(1), std::vector<std::string>(6, "変換完了"));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{text::Converted});
    for (const std::string& name : {std::string("clip ＂q＂ 日本語.mp4"), std::string("CLIP0001.mp4"),
                                    std::string("b.mp4"), std::string("c.mp4"), title + ".mp4",
                                    alike + ".mp4"}) {
        const std::string output = temp / "out/" + name;
        auto video = Probe(output, "v");
        auto audio = Probe(output, "a");
        EXPECT_EQ(video["codec_name"], "mpeg4") << name;
        EXPECT_EQ(video["width"], "320") << name;
        EXPECT_EQ(video["height"], "240") << name;
        EXPECT_EQ(audio["codec_name"], "aac") << name;
    }
    // Nothing else, under a temporary name or any other.
    EXPECT_EQ(std::distance(fs::directory_iterator(temp / "out"), {}), 6);
}

TEST_F(ConversionE2ETest, MovieOntoThePlayerWithThumbnail)
{
    const std::string root = FakeVolumeTable::MakeRoot(temp.Path(), "player");
    fs::create_directories(root + "PICTURE");
    fs::create_directories(root + "VIDEO");
    volumes.Add(root, movarin::DriveType::Removable, "WALKMAN");
    window->JobList().Quality = 3;
    RunAndWait(window->ImgBtnConvertMovie2Walkman);
    EXPECT_EQ(Rows(1), std::vector<std::string>{"転送完了"});
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{text::Transferred});
    auto video = Probe(root + "VIDEO/clip ＂q＂ 日本語.mp4", "v");
    EXPECT_EQ(video["codec_name"], "mpeg4");
    auto picture = Probe(root + "VIDEO/clip ＂q＂ 日本語.JPG", "v");
    EXPECT_EQ(picture["codec_name"], "mjpeg");
    EXPECT_EQ(picture["width"], "160");
    EXPECT_EQ(picture["height"], "120");
}

TEST_F(ConversionE2ETest, MusicAt48kHz)
{
    RunAndWait(window->ImgBtnConvertMusic);
    EXPECT_EQ(Rows(1), std::vector<std::string>{"変換完了"});
    auto audio = Probe(temp / "out/clip ＂q＂ 日本語.mp3", "a");
    EXPECT_EQ(audio["codec_name"], "mp3");
    EXPECT_EQ(audio["sample_rate"], "48000");
}

TEST_F(ConversionE2ETest, BrokenSourceBetweenTwoGoodOnesFailsAloneWithOneCompletionBox)
{
    const std::string broken = temp / "not a video.avi";
    std::ofstream(broken) << "this is no video";
    window->AddJob(broken);
    window->AddJob(source_);  // the same name again: numbered, on real files
    window->RefreshJobList();
    // The lengths are read through the front beforehand: none of the broken file.
    ASSERT_TRUE(PumpUntil([this] { return window->JobList().Items(2)->Length.has_value(); }, 60000));
    EXPECT_NEAR(window->JobList().Items(0)->Length.value_or(0), 2.0, 0.1);
    EXPECT_EQ(window->JobList().Items(1)->Length, 0.0);
    RunAndWait(window->ImgBtnConvertMovie);

    EXPECT_EQ(Rows(1), (std::vector<std::string>{"変換完了", "変換失敗", "変換完了"}));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{text::Converted});
    EXPECT_EQ(Probe(temp / "out/clip ＂q＂ 日本語.mp4", "v")["codec_name"], "mpeg4");
    EXPECT_EQ(Probe(temp / "out/clip ＂q＂ 日本語(1).mp4", "v")["codec_name"], "mpeg4");
    // A failed run leaves nothing that looks like a converted video.
    EXPECT_FALSE(fs::exists(temp / "out/not a video.mp4"));
}

TEST_F(ConversionE2ETest, CancelDuringTwoConversionsLeavesNoFileAndNoEncoder)
{
    // Long to convert (every second becomes 30 frames), quick to make; the
    // same source under two names, converted side by side.
    const std::string longSource = temp / "long source.avi";
    int code = -1;
    RunTool("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                       "testsrc=size=160x120:rate=1:duration=300", "-f", "lavfi", "-i",
                       "anullsrc=r=8000:cl=mono", "-t", "300", "-c:v", "mpeg4", "-c:a", "mp2",
                       "-b:a", "32k", QString::fromStdString(longSource)},
            &code);
    ASSERT_EQ(code, 0);
    fs::copy_file(longSource, temp / "long second.avi");
    window->JobList().Delete(0);
    window->AddJob(longSource);
    window->AddJob(temp / "long second.avi");
    window->AddJob(source_);
    window->RefreshJobList();
    window->Driver().ParallelJobs = 2;

    const std::vector<std::string> finals = {temp / "out/long source.mp4",
                                             temp / "out/long second.mp4"};
    // Written under their temporary names until they are whole.
    const std::vector<std::string> outputs = {movarin::PartialName(finals[0]),
                                              movarin::PartialName(finals[1])};
    Click(window->ImgBtnConvertMovie);
    ASSERT_TRUE(PumpUntil(
        [&] {
            return fs::exists(outputs[0]) && fs::exists(outputs[1]) &&
                   !window->LblSituation->text().isEmpty();
        },
        60000));
    ASSERT_TRUE(window->Busy()) << "the conversions ended before they could be cancelled";
    // The real encoder's length line gives the percent and the time left.
    EXPECT_TRUE(PumpUntil([&] { return window->LblSituation->text().contains("残り約"); }, 5000))
        << window->LblSituation->text().toStdString();
    EXPECT_TRUE(window->LblSituation->text().contains("までの動画を変換完了 ("));
    for (const auto& output : outputs)
        EXPECT_GT(ProcessesNaming(output), 0) << output;

    Click(window->ImgBtnConvertCancel);
    EXPECT_FALSE(window->Busy());
    EXPECT_EQ(Rows(1), (std::vector<std::string>{"変換待ち", "変換待ち", "変換待ち"}));
    EXPECT_TRUE(window->LblSituation->text().isEmpty());
    for (const auto& output : outputs) {
        EXPECT_FALSE(fs::exists(output)) << output;
        // Killed as a group; the kernel may need a moment to take them away.
        EXPECT_TRUE(PumpUntil([&] { return ProcessesNaming(output) == 0; }, 5000)) << output;
    }
    // Nothing follows: no completion box, the next job not started.
    QTest::qWait(500);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{text::ConfirmCancel});
    EXPECT_FALSE(fs::exists(temp / "out/clip ＂q＂ 日本語.mp4"));
    for (const auto& output : outputs)
        EXPECT_FALSE(fs::exists(output)) << output;
    for (const auto& output : finals)
        EXPECT_FALSE(fs::exists(output)) << output;
}

TEST_F(ConversionE2ETest, HundredsOfJobsFromOneFolderDropAllConvertAndLeaveNothingBehind)
{
    // A tiny clip, copied: two episodes folders whose names repeat, so half
    // the outputs must be numbered to stay apart.
    const std::string clip = temp / "clip.avi";
    int code = -1;
    RunTool("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=64x48:rate=10:duration=0.2",
                       "-f", "lavfi", "-i", "sine=duration=0.2:sample_rate=8000", "-c:v", "mpeg4",
                       "-c:a", "mp2", "-shortest", QString::fromStdString(clip)},
            &code);
    ASSERT_EQ(code, 0);
    constexpr int perFolder = 100;
    for (const char* folder : {"disc 1", "disc 2"}) {
        fs::create_directories(temp / "series/" + folder);
        for (int i = 1; i <= perFolder; ++i)
            fs::copy_file(clip, temp / "series/" + folder + "/第" + std::to_string(i) + "話.avi");
    }
    window->JobList().Delete(0);
    window->RefreshJobList();
    window->Driver().ParallelJobs = 2;
    // The length of the job just removed may still be being read: its
    // reader's child and worker thread go first.
    PumpUntil([] {
        const Resources now;
        return now.children == 0 && now.threads == 1;
    }, 10000);
    const Resources before;

    // Converting is asked for before the folder has been read.
    ASSERT_TRUE(Drop({temp / "series"}, false));
    window->BtnConvertClick(window->ImgBtnConvertMovie);
    ASSERT_TRUE(PumpUntil([this] { return !boxes.shown.empty(); }, 600000));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{text::Converted});
    EXPECT_EQ(Rows(1), std::vector<std::string>(2 * perFolder, "変換完了"));
    EXPECT_EQ(Rows(0).front(), "第1話.avi");
    EXPECT_EQ(Rows(0).back(), "第100話.avi");
    std::set<std::string> outputs;
    for (const auto& entry : fs::directory_iterator(temp / "out"))
        if (entry.file_size() > 0)
            outputs.insert(entry.path().filename().string());
    EXPECT_EQ(outputs.size(), 2u * perFolder);
    EXPECT_TRUE(outputs.count("第100話.mp4") && outputs.count("第100話(1).mp4"));
    EXPECT_EQ(Probe(temp / "out/第100話(1).mp4", "v")["codec_name"], "mpeg4");

    Resources after;
    PumpUntil([&] {
        after = Resources();
        return after.descriptors <= before.descriptors && after.threads <= before.threads &&
               after.children == 0;
    }, 10000);
    std::printf("descriptors %d -> %d, threads %d -> %d, children %d -> %d\n", before.descriptors,
                after.descriptors, before.threads, after.threads, before.children, after.children);
    // A leak shows as more; a descriptor of the removed job's length reader
    // may still have been open at the first count.
    EXPECT_LE(after.descriptors, before.descriptors);
    EXPECT_LE(after.threads, before.threads);
    EXPECT_EQ(after.children, 0);
}

} // namespace
