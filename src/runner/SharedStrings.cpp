#include "runner/SharedStrings.h"

void TSharedStrings::Add(std::string text)
{
    std::lock_guard lock(mutex_);
    items_.push_back(std::move(text));
}

void TSharedStrings::Clear()
{
    std::lock_guard lock(mutex_);
    items_.clear();
}

int TSharedStrings::Count() const
{
    std::lock_guard lock(mutex_);
    return int(items_.size());
}

std::vector<std::string> TSharedStrings::Snapshot() const
{
    std::lock_guard lock(mutex_);
    return items_;
}

std::optional<std::string> TSharedStrings::First() const
{
    std::lock_guard lock(mutex_);
    if (items_.empty())
        return std::nullopt;
    return items_.front();
}

void TSharedStrings::RemoveFirst()
{
    std::lock_guard lock(mutex_);
    if (!items_.empty())
        items_.erase(items_.begin());
}
