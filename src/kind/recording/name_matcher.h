// Finds which of many names occur in a text, in one pass over the text (an Aho-Corasick
// automaton with every transition worked out in advance), so that matching every voice memo
// against every manifest path stays linear in the paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ib {

class NameMatcher {
  public:
    // names[i] is found as id i; empty names are never found.
    explicit NameMatcher(const std::vector<std::string>& names);

    // Calls found(id) for every name that occurs in text, once per occurrence.
    template <class F>
    void Scan(std::string_view text, F&& found) const {
        std::uint32_t state = 0;
        for (unsigned char c : text) {
            state = next_[state * width_ + classOf_[c]];
            for (std::uint32_t s = state; s != 0; s = outputLink_[s]) {
                for (std::uint32_t i = idsBegin_[s]; i < idsBegin_[s + 1]; ++i) found(ids_[i]);
            }
        }
    }

  private:
    std::uint32_t width_ = 1;          // character classes: 0 for bytes in no name, then one each
    std::uint8_t classOf_[256] = {};   // byte -> class
    std::vector<std::uint32_t> next_;  // state * width_ + class -> state
    std::vector<std::uint32_t> outputLink_;  // nearest state on the failure chain that ends a name
    std::vector<std::uint32_t> idsBegin_;    // ids of the names ending at a state: a range of ids_
    std::vector<std::size_t> ids_;
};

}  // namespace ib
