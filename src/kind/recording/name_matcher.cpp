#include "kind/recording/name_matcher.h"

#include <deque>

namespace ib {

NameMatcher::NameMatcher(const std::vector<std::string>& names) {
    // Character classes: every byte that occurs in a name gets its own; all others share 0.
    for (const std::string& name : names) {
        for (unsigned char c : name) {
            if (classOf_[c] == 0) classOf_[c] = static_cast<std::uint8_t>(width_++);
        }
    }
    // The trie, with -1 for a missing child.
    std::vector<std::int64_t> trie(width_, -1);
    std::vector<std::vector<std::size_t>> endings(1);
    for (std::size_t id = 0; id < names.size(); ++id) {
        if (names[id].empty()) continue;
        std::size_t node = 0;
        for (unsigned char c : names[id]) {
            std::int64_t& child = trie[node * width_ + classOf_[c]];
            if (child < 0) {
                child = static_cast<std::int64_t>(endings.size());
                endings.emplace_back();
                trie.resize(trie.size() + width_, -1);
            }
            node = static_cast<std::size_t>(trie[node * width_ + classOf_[c]]);
        }
        endings[node].push_back(id);
    }
    const std::size_t count = endings.size();
    next_.assign(count * width_, 0);
    outputLink_.assign(count, 0);
    std::vector<std::uint32_t> fail(count, 0);
    // Breadth first: a state's transitions are its trie children, or else those of its failure.
    std::deque<std::uint32_t> queue;
    for (std::uint32_t c = 0; c < width_; ++c) {
        const std::int64_t child = trie[c];
        if (child > 0) {
            next_[c] = static_cast<std::uint32_t>(child);
            queue.push_back(static_cast<std::uint32_t>(child));
        }
    }
    while (!queue.empty()) {
        const std::uint32_t s = queue.front();
        queue.pop_front();
        const std::uint32_t f = fail[s];
        outputLink_[s] = endings[f].empty() ? outputLink_[f] : f;
        for (std::uint32_t c = 0; c < width_; ++c) {
            const std::int64_t child = trie[static_cast<std::size_t>(s) * width_ + c];
            if (child > 0) {
                const auto t = static_cast<std::uint32_t>(child);
                fail[t] = next_[static_cast<std::size_t>(f) * width_ + c];
                next_[static_cast<std::size_t>(s) * width_ + c] = t;
                queue.push_back(t);
            } else {
                next_[static_cast<std::size_t>(s) * width_ + c] =
                    next_[static_cast<std::size_t>(f) * width_ + c];
            }
        }
    }
    // The byte class 0 (a byte in no name) always leads back to the start.
    idsBegin_.assign(count + 1, 0);
    for (std::size_t s = 0; s < count; ++s) {
        idsBegin_[s] = static_cast<std::uint32_t>(ids_.size());
        ids_.insert(ids_.end(), endings[s].begin(), endings[s].end());
    }
    idsBegin_[count] = static_cast<std::uint32_t>(ids_.size());
}

}  // namespace ib
