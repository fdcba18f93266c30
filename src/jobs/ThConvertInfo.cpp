#include "jobs/ThConvertInfo.h"

#include "run/RunTexts.h"

std::string StateText(std::uint8_t state)
{
    return movarin::StateName(state).toStdString();
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
