#include "jobs/ThConvertInfo.h"

#include "platform/Translatable.h"

std::string StateText(std::uint8_t state)
{
    switch (state) {
    case csWaiting: return QT_TRANSLATE_NOOP("JobState", "変換待ち");
    case csConverting: return QT_TRANSLATE_NOOP("JobState", "変換中");
    case csConverted: return QT_TRANSLATE_NOOP("JobState", "変換完了");
    case csTransferred: return QT_TRANSLATE_NOOP("JobState", "転送完了");
    case csFailed: return QT_TRANSLATE_NOOP("JobState", "変換失敗");
    default: return {};
    }
}

std::string StateText(const ThConvertInfoObject& job)
{
    return StateText(job.State);
}

int ThConvertInfoObjectList::Add(std::unique_ptr<ThConvertInfoObject> job)
{
    job->Id = ++lastId_;
    jobs_.push_back(std::move(job));
    return Count() - 1;
}

void ThConvertInfoObjectList::Delete(int index)
{
    jobs_.erase(jobs_.begin() + index);
}

ThConvertInfoObject* ThConvertInfoObjectList::FirstInState(std::uint8_t state) const
{
    for (const auto& job : jobs_)
        if (job->State == state)
            return job.get();
    return nullptr;
}

ThConvertInfoObject* ThConvertInfoObjectList::FirstWaiting() const
{
    return FirstInState(csWaiting);
}

ThConvertInfoObject* ThConvertInfoObjectList::FirstConverting() const
{
    return FirstInState(csConverting);
}

ThConvertInfoObject* ThConvertInfoObjectList::JobWithId(std::uint64_t id) const
{
    for (const auto& job : jobs_)
        if (job->Id == id)
            return job.get();
    return nullptr;
}
