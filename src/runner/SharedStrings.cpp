#include "runner/SharedStrings.h"

void TSharedStrings::Add(std::string text)
{
    std::lock_guard lock(mutex_);
    items_.push_back({nextSerial_++, std::move(text)});
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
    std::vector<std::string> texts;
    texts.reserve(items_.size());
    for (const Item& item : items_)
        texts.push_back(item.text);
    return texts;
}

std::optional<std::string> TSharedStrings::First() const
{
    std::lock_guard lock(mutex_);
    if (items_.empty())
        return std::nullopt;
    return items_.front().text;
}

std::optional<TSharedStrings::Item> TSharedStrings::FirstItem() const
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

void TSharedStrings::RemoveFirst(std::uint64_t serial)
{
    std::lock_guard lock(mutex_);
    if (!items_.empty() && items_.front().serial == serial)
        items_.erase(items_.begin());
}
