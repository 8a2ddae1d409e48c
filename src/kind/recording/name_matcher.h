// Finds which of many names occur in a text, in one pass over the text (Aho-Corasick), so that
// matching every voice memo against every manifest path stays linear in the paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class NameMatcher {
public:
    // names[i] is found as id i; empty names are never found.
    explicit NameMatcher(const std::vector<std::string>& names);

    // Calls found(id) for every name that occurs in text, once per occurrence.
    template <class F>
    void Scan(std::string_view text, F&& found) const {
        int state = 0;
        for (unsigned char c : text) {
            state = Next(state, c);
            for (int s = state; s > 0; s = nodes_[s].outputLink) {
                for (std::size_t id : nodes_[s].ids) found(id);
            }
        }
    }

private:
    struct Node {
        int fail = 0;
        int outputLink = 0;  // the nearest node on the failure chain that ends a name
        std::vector<std::size_t> ids;
    };

    int Child(int node, unsigned char c) const {
        auto it = edges_.find(Key(node, c));
        return it == edges_.end() ? -1 : it->second;
    }
    int Next(int state, unsigned char c) const;
    static std::uint64_t Key(int node, unsigned char c) {
        return (static_cast<std::uint64_t>(node) << 8) | c;
    }

    std::vector<Node> nodes_;
    std::unordered_map<std::uint64_t, int> edges_;
};
