// What a run asks of the desktop, through the real main window, driver and
// console runner, on private buses whose small services answer with the real
// interface names.
#include "desktop/LauncherRecorder.h"
#include "desktop/PrivateBus.h"
#include "run/ConversionRunFixture.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>

#include <poll.h>

#include "desktop/RunDesktop.h"

using namespace movarin_driver_test;
using namespace movarin_desktop_test;

namespace {

std::vector<std::string> logged;

void RecordLog(QtMsgType, const QMessageLogContext&, const QString& message)
{
    if (message.startsWith(QStringLiteral("Movarin:")))
        logged.push_back(message.toStdString());
}

// logind's answer is one end of a pipe; the inhibitor is held while any
// copy of that end is open, as logind sees it.
class FakeLogind {
public:
    explicit FakeLogind(QDBusConnection bus)
        : service(bus, QStringLiteral("org.freedesktop.login1"), [this](const QDBusMessage&) {
            int ends[2];
            if (pipe(ends) != 0)
                return QVariantList();
            const QDBusUnixFileDescriptor given(ends[1]);
            close(ends[1]);
            std::lock_guard lock(mutex_);
            readEnds_.push_back(ends[0]);
            return QVariantList{QVariant::fromValue(given)};
        })
    {
    }
    ~FakeLogind()
    {
        for (int end : readEnds_)
            close(end);
    }
    int Released() const
    {
        std::lock_guard lock(mutex_);
        int released = 0;
        for (int end : readEnds_) {
            pollfd watched{end, POLLIN, 0};
            released += poll(&watched, 1, 0) == 1 && (watched.revents & POLLHUP);
        }
        return released;
    }
    RecordingService service;

private:
    mutable std::mutex mutex_;
    std::vector<int> readEnds_;
};

QVariantList PortalAnswer(const QDBusMessage& call)
{
    if (call.member() != QStringLiteral("Inhibit"))
        return {};
    return {QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/freedesktop/portal/desktop/request/1_9/t1")))};
}

class RunDesktopTest : public MainWindowDriverTest {
protected:
    void SetUp() override
    {
        MainWindowDriverTest::SetUp();
        if (session.Address().isEmpty() || system.Address().isEmpty())
            GTEST_SKIP() << "dbus-daemon is missing";
        logged.clear();
        previous_ = qInstallMessageHandler(RecordLog);
        Attach({session.Connect(), system.Connect()});
    }
    void TearDown() override
    {
        qInstallMessageHandler(previous_);
        MainWindowDriverTest::TearDown();
    }
    void Attach(const movarin::DesktopSeam& seam)
    {
        window->SetRunDesktop(std::make_unique<movarin::RunDesktop>(*window, seam));
    }
    // How many of the service's calls begin with call ("member path").
    int Made(const RecordingService& service, const std::string& call)
    {
        int n = 0;
        for (const std::string& made : service.Calls())
            n += made.starts_with(call);
        return n;
    }

    PrivateBus session;
    PrivateBus system;
    QtMessageHandler previous_ = nullptr;
};

enum class Ending { Completes, Cancelled, WindowCloses };

struct InhibitCase {
    const char* name;
    bool portal;  // else logind alone
    Ending ending;
};

void PrintTo(const InhibitCase& c, std::ostream* out)
{
    *out << c.name;
}

class InhibitorTest : public RunDesktopTest, public ::testing::WithParamInterface<InhibitCase> {};

TEST_P(InhibitorTest, HeldFromTheStartAndReleasedAtTheEnd)
{
    const InhibitCase& c = GetParam();
    std::optional<RecordingService> portal;
    if (c.portal)
        portal.emplace(session.Connect(), QStringLiteral("org.freedesktop.portal.Desktop"), PortalAnswer);
    FakeLogind logind(system.Connect());
    const auto asked = [&] { return c.portal ? Made(*portal, "Inhibit") : Made(logind.service, "Inhibit"); };
    const auto released = [&] {
        return c.portal ? Made(*portal, "Close /org/freedesktop/portal/desktop/request/1_9/t1")
                        : logind.Released();
    };

    AddJobs({c.ending == Ending::Completes ? "hold5.avi" : "slow.avi"});
    if (c.ending == Ending::Completes)
        Click(window->ImgBtnConvertMovie);
    else
        StartSlowRun();
    ASSERT_TRUE(PumpUntil([&] { return asked() == 1; }));
    EXPECT_TRUE(window->Busy());
    EXPECT_EQ(released(), 0);
    const QDBusMessage request = (c.portal ? portal->Messages() : logind.service.Messages()).front();
    const QVariantList expected =
        c.portal ? QVariantList{QString(), 12u, QVariantMap{{"reason", QString::fromUtf8(movarin::InhibitReason)}}}
                 : QVariantList{"sleep:idle", "Movarin", QString::fromUtf8(movarin::InhibitReason), "block"};
    EXPECT_EQ(request.arguments().size(), expected.size());
    for (int i = 0; i < expected.size() && i < request.arguments().size(); ++i) {
        QVariant value = request.arguments()[i];
        if (value.canConvert<QDBusArgument>())
            value = qdbus_cast<QVariantMap>(value);
        EXPECT_EQ(value, expected[i]) << i;
    }

    switch (c.ending) {
    case Ending::Completes: ASSERT_TRUE(WaitIdle()); break;
    case Ending::Cancelled: Click(window->ImgBtnConvertCancel); break;
    case Ending::WindowCloses: window.reset(); break;
    }
    EXPECT_TRUE(PumpUntil([&] { return released() == 1; }, 5000));
    EXPECT_EQ(asked(), 1);
    if (c.portal) {
        EXPECT_EQ(Made(logind.service, "Inhibit"), 0);
    }
    EXPECT_TRUE(logged.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Endings, InhibitorTest,
    ::testing::Values(InhibitCase{"PortalCompletes", true, Ending::Completes},
                      InhibitCase{"PortalCancelled", true, Ending::Cancelled},
                      InhibitCase{"PortalWindowCloses", true, Ending::WindowCloses},
                      InhibitCase{"LogindCompletes", false, Ending::Completes},
                      InhibitCase{"LogindCancelled", false, Ending::Cancelled},
                      InhibitCase{"LogindWindowCloses", false, Ending::WindowCloses}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunDesktopTest, WithoutAnyServiceOrBusTheRunCompletesAndOneLineIsLogged)
{
    for (const bool buses : {true, false}) {
        SCOPED_TRACE(buses ? "private buses, no service" : "no bus at all");
        logged.clear();
        if (!buses)
            Attach({QDBusConnection(QStringLiteral("movarin-none")), QDBusConnection(QStringLiteral("movarin-none"))});
        ReplaceJobs({"/src/a.avi"});
        Click(window->ImgBtnConvertMovie);
        ASSERT_TRUE(WaitIdle());
        EXPECT_TRUE(PumpUntil([] { return !logged.empty(); }, 5000));
        QTest::qWait(100);
        EXPECT_EQ(States(), std::vector<std::string>{"変換完了"});
        EXPECT_EQ(boxes.Texts().back(), text::Converted);
        ASSERT_EQ(logged.size(), 1u);
        EXPECT_NE(logged[0].find("may suspend"), std::string::npos);
    }
}

TEST_F(RunDesktopTest, LauncherShowsTheRunsPercentRisingThenHidesIt)
{
    LauncherRecorder launcher(session.Connect());
    AddJobs({"a_len120_burst.avi", "b_len120_burst.avi"});
    ASSERT_TRUE(WaitLengths());
    Click(window->ImgBtnConvertMovie);
    ASSERT_TRUE(WaitIdle());
    ASSERT_TRUE(PumpUntil([&] {
        return !launcher.updates.empty() && !launcher.updates.back().second["progress-visible"].toBool();
    }, 5000));
    const auto& updates = launcher.updates;
    ASSERT_GE(updates.size(), 3u);
    double last = -1;
    for (std::size_t i = 0; i + 1 < updates.size(); ++i) {
        EXPECT_EQ(updates[i].first, "application://movarin.desktop");
        EXPECT_TRUE(updates[i].second["progress-visible"].toBool()) << i;
        const double progress = updates[i].second["progress"].toDouble();
        EXPECT_GT(progress, last) << i;  // sent only when it changes
        EXPECT_LE(progress, 1.0);
        last = progress;
    }
    EXPECT_EQ(updates.front().second["progress"].toDouble(), 0.0);
    EXPECT_GT(last, 0.5);
}

struct NoticeCase {
    const char* source;
    bool windowActive;
    const char* body;  // nullptr: no notification
};

TEST_F(RunDesktopTest, EndIsNotifiedOnlyWhenTheWindowIsInactive)
{
    const std::string full = std::string(text::Converted) + "\n" + text::DestinationFull;
    const NoticeCase cases[] = {
        {"/src/a.avi", false, text::Converted},
        {"/src/full.avi", false, full.c_str()},
        {"/src/b.avi", true, nullptr},
    };
    RecordingService notifications(session.Connect(), QStringLiteral("org.freedesktop.Notifications"),
                                   [](const QDBusMessage&) { return QVariantList{7u}; });
    std::size_t seen = 0;
    for (const NoticeCase& c : cases) {
        SCOPED_TRACE(c.source);
        if (c.windowActive) {
            window->show();
            QApplication::setActiveWindow(window.get());
            ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        }
        ReplaceJobs({c.source});
        Click(window->ImgBtnConvertMovie);
        ASSERT_TRUE(WaitIdle());
        if (!c.body) {
            QTest::qWait(300);
            EXPECT_EQ(notifications.Messages().size(), seen);
            continue;
        }
        ASSERT_TRUE(PumpUntil([&] { return notifications.Messages().size() == seen + 1; }, 5000));
        const QVariantList args = notifications.Messages()[seen++].arguments();
        ASSERT_EQ(args.size(), 8);
        EXPECT_EQ(args[0], "Movarin");
        EXPECT_EQ(args[1], 0u);
        EXPECT_EQ(args[2], "movarin");
        EXPECT_EQ(args[3], "Movarin");
        EXPECT_EQ(args[4].toString().toStdString(), c.body);
        EXPECT_EQ(args[5].toStringList(), QStringList());
        EXPECT_TRUE(qdbus_cast<QVariantMap>(args[6]).isEmpty());
        EXPECT_EQ(args[7], -1);
    }
}

} // namespace

namespace {

// What the driver tells its observer, in order.
struct RecordingObserver final : movarin::IRunObserver {
    std::vector<std::string>& told;
    explicit RecordingObserver(std::vector<std::string>& log) : told(log) {}
    void RunStarted() override { told.push_back("start"); }
    void RunProgress(int percent, bool failed) override
    {
        if (failed && (told.empty() || told.back() != "failed"))
            told.push_back("failed");
        told.push_back(percent < 0 || percent > 99 ? "bad percent" : "progress");
    }
    void RunEnded(const movarin::RunEnd& end) override
    {
        told.push_back(std::string(end.jobFailed ? "end failed " : "end ") + end.text);
    }
};

TEST_F(MainWindowDriverTest, TheObserverHearsOfAFailedJobBeforeTheEnd)
{
    const struct {
        std::vector<std::string> sources;
        std::string end;
    } cases[] = {
        {{"/src/a.avi", "/src/b.avi"}, std::string("end ") + text::Converted},
        {{"/src/a.avi", "/src/fail.avi"}, std::string("end failed ") + text::Converted},
    };
    for (const auto& c : cases) {
        std::vector<std::string> told;
        window->SetRunDesktop(std::make_unique<RecordingObserver>(told));
        ReplaceJobs(c.sources);
        Click(window->ImgBtnConvertMovie);
        ASSERT_TRUE(WaitIdle());
        ASSERT_GE(told.size(), 2u);
        EXPECT_EQ(told.front(), "start");
        EXPECT_EQ(told.back(), c.end);
        const bool failed = c.end.starts_with("end failed");
        EXPECT_EQ(std::count(told.begin(), told.end(), "failed"), failed ? 1 : 0);
        EXPECT_EQ(std::count(told.begin(), told.end(), "bad percent"), 0);
    }
}

} // namespace
