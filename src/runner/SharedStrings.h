#pragma once
// A string list that the user-interface thread and a worker both use: the
// runner's line log and input queue. Every access takes the list's lock.
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class TSharedStrings {
public:
    void Add(std::string text);
    void Clear();
    int Count() const;
    std::vector<std::string> Snapshot() const;
    // The oldest text, left in the list.
    std::optional<std::string> First() const;
    // Removes the oldest text (nothing when empty).
    void RemoveFirst();

private:
    mutable std::mutex mutex_;
    std::vector<std::string> items_;
};
