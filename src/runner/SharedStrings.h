#pragma once
// A string list that the user-interface thread and a worker both use: the
// runner's line log and input queue. Every access takes the list's lock.
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class TSharedStrings {
public:
    // A text with the number it got when it was added: the same text added
    // twice, or a list cleared and filled again, is told apart by it.
    struct Item {
        std::uint64_t serial = 0;
        std::string text;
    };

    void Add(std::string text);
    void Clear();
    int Count() const;
    std::vector<std::string> Snapshot() const;
    // The oldest text, left in the list.
    std::optional<std::string> First() const;
    std::optional<Item> FirstItem() const;
    // Removes the oldest text (nothing when empty).
    void RemoveFirst();
    // Removes the oldest text only when it is still the one numbered serial.
    void RemoveFirst(std::uint64_t serial);

private:
    mutable std::mutex mutex_;
    std::vector<Item> items_;
    std::uint64_t nextSerial_ = 1;
};
