#include "kind/recording/name_matcher.h"

#include <deque>

NameMatcher::NameMatcher(const std::vector<std::string>& names) : nodes_(1) {
    for (std::size_t id = 0; id < names.size(); ++id) {
        if (names[id].empty()) continue;
        int node = 0;
        for (unsigned char c : names[id]) {
            int next = Child(node, c);
            if (next < 0) {
                next = static_cast<int>(nodes_.size());
                nodes_.emplace_back();
                edges_[Key(node, c)] = next;
            }
            node = next;
        }
        nodes_[node].ids.push_back(id);
    }
    // Failure links, breadth first: a node's failure is the longest proper suffix of its text
    // that is also a prefix of some name.
    std::vector<std::vector<std::pair<unsigned char, int>>> children(nodes_.size());
    for (const auto& edge : edges_) {
        children[static_cast<std::size_t>(edge.first >> 8)].emplace_back(
            static_cast<unsigned char>(edge.first & 0xFF), edge.second);
    }
    std::deque<int> queue;
    for (const auto& child : children[0]) queue.push_back(child.second);
    while (!queue.empty()) {
        const int node = queue.front();
        queue.pop_front();
        for (const auto& child : children[static_cast<std::size_t>(node)]) {
            int f = nodes_[node].fail;
            while (f > 0 && Child(f, child.first) < 0) f = nodes_[f].fail;
            const int target = Child(f, child.first);
            Node& n = nodes_[child.second];
            n.fail = target >= 0 && target != child.second ? target : 0;
            n.outputLink = nodes_[n.fail].ids.empty() ? nodes_[n.fail].outputLink : n.fail;
            queue.push_back(child.second);
        }
    }
}

int NameMatcher::Next(int state, unsigned char c) const {
    for (;;) {
        const int next = Child(state, c);
        if (next >= 0) return next;
        if (state == 0) return 0;
        state = nodes_[state].fail;
    }
}
