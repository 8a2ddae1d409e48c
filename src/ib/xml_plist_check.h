// The check of an XML property list before libplist 2.2 parses it. It reads the text the way
// libplist reads it, step for step, and lets through only what libplist parses in time linear in
// the size of the text:
// - libplist decodes the entities of a text one at a time, moving the rest of the text each
//   time. The check decodes them itself, in one pass, and hands libplist the text with each
//   piece of text that held an entity written out as CDATA, which libplist takes as it is.
// - libplist looks every key up in its dictionary before it adds it: one by one through the first
//   250 keys, then through a list per slot of a 4096-slot hash, and a repeated key is put at the
//   place of the first by walking to it. The check counts those steps, and the bytes the key
//   comparisons may read, and refuses a file whose dictionaries would take more than a few per
//   node and per byte of the file; real files stay far below.
// - every element, dictionary key and piece of text becomes a node or a block of memory: their
//   number is bounded, and so is the nesting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ib {

class XmlPlistCheck {
  public:
    XmlPlistCheck(const char* data, std::size_t size);

    // True when libplist may parse Text().
    bool Run();

    // The text to hand to libplist: the bytes given, or the rewritten copy.
    const char* Text() const { return rewritten_ ? out_.data() : data_; }
    std::size_t Size() const { return rewritten_ ? out_.size() : size_; }

  private:
    struct Part {
        std::size_t begin;
        std::size_t length;
        bool cdata;
    };
    // A dictionary being read: its keys, in order, as libplist keeps them (up to a NUL).
    struct Dict {
        std::vector<std::string> keys;
    };

    bool AtEnd() const { return pos_ >= size_; }
    void SkipSpace();
    void FindChar(char c);
    void FindNext(const char* chars, bool quotes);
    bool FindStr(const char* text, bool quotes);
    bool Matches(std::size_t at, const char* text) const;

    // One "<" construct that is no element: a processing instruction, a comment, a DOCTYPE.
    // pos_ is past the "<". False for anything else that starts with "<!".
    bool Special(bool* handled);
    bool Tag(std::string* name, bool* empty, std::size_t* nameLength);
    bool Document();
    bool DictDone(const Dict& dict);
    // The text of a leaf: pieces of text, comments and CDATA up to the end tag. A string or a key
    // (decode) has its entities decoded and rewritten; key receives what libplist keeps.
    bool Text(const std::string& tag, std::size_t tagLength, bool skipSpace, bool decode,
              std::string* key);
    // A piece of text decoded as libplist decodes it into out (a sink of characters); false where
    // libplist fails.
    template <class Sink>
    bool Decode(const Part& part, Sink* out, bool* hadEntity) const;
    // The copy up to the piece of text, and the start of the CDATA section that stands for it.
    std::string& StartRewrite(const Part& part);
    void Rewrite(const Part& part, const std::string& decoded);
    bool AddNodes(std::uint64_t n);

    const char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    std::uint64_t nodes_ = 0;
    std::uint64_t dictSteps_ = 0;
    std::uint64_t dictBytes_ = 0;
    std::vector<Dict> dicts_;
    bool rewritten_ = false;
    std::string out_;
    std::size_t copied_ = 0;
};

}  // namespace ib
