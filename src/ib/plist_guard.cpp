#include "ib/plist_guard.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ib/xml_plist_check.h"

namespace ib {

static_assert(kPlistMaxBytes < UINT32_MAX, "byte counts of the binary walk are 32-bit");

namespace {

// --- binary ---

std::uint64_t BigEndian(const unsigned char* p, std::size_t n) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i) v = v << 8 | p[i];
    return v;
}

std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b, std::uint64_t cap) {
    return a > cap || b > cap - a ? cap + 1 : a + b;
}

class BinaryCheck {
  public:
    BinaryCheck(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    bool Run() {
        if (size_ < 8 + 32 + 1 || std::memcmp(data_, "bplist00", 8) != 0) return false;
        const unsigned char* trailer = data_ + size_ - 32;
        offsetSize_ = trailer[6];
        refSize_ = trailer[7];
        const std::uint64_t count = BigEndian(trailer + 8, 8);
        const std::uint64_t root = BigEndian(trailer + 16, 8);
        const std::uint64_t table = BigEndian(trailer + 24, 8);
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8) return false;
        // The objects lie between the header and the offset table, the table before the trailer.
        const std::uint64_t tableEnd = size_ - 32;
        if (count == 0 || root >= count || table < 8 || table > tableEnd) return false;
        if (count > (tableEnd - table) / offsetSize_) return false;
        // Every object of a real file is part of the tree; more objects than the tree may hold
        // nodes only cost memory here and in libplist.
        if (count > kPlistMaxNodes) return false;
        objectsEnd_ = static_cast<std::size_t>(table);
        table_ = data_ + table;
        count_ = static_cast<std::size_t>(count);
        for (std::size_t i = 0; i < count_; ++i) {
            const std::uint64_t at = Offset(i);
            if (at < 8 || at >= objectsEnd_) return false;
        }
        return Walk(static_cast<std::size_t>(root));
    }

  private:
    // An object's children (references) and the bytes of text or data it holds.
    struct Shape {
        const unsigned char* refs = nullptr;
        std::uint64_t refCount = 0;
        std::uint64_t keyCount = 0;  // a dictionary's first references are its keys
        std::uint64_t payload = 0;
        bool nulText = false;  // a UTF-16 text holding a NUL
    };

    // An object of the walk whose children are being looked at, with what they add up to.
    struct Frame {
        std::size_t index;
        Shape shape;
        std::uint64_t next;
        std::size_t depth;
        std::uint64_t nodes;
        std::uint64_t bytes;
        std::uint64_t levels;  // the sum of the depths of the nodes below, the object at 0
    };

    // A length that follows a marker whose low nibble is 0xF: an integer object of 1, 2, 4 or 8
    // bytes. Advances at past what was read.
    bool Length(std::size_t* at, std::uint64_t* length) const {
        if (*at >= objectsEnd_) return false;
        const unsigned char marker = data_[*at];
        if (marker >> 4 != 0x1 || (marker & 0xF) > 3) return false;
        const std::size_t n = std::size_t(1) << (marker & 0xF);
        if (objectsEnd_ - *at - 1 < n) return false;
        *length = BigEndian(data_ + *at + 1, n);
        *at += 1 + n;
        return true;
    }

    // Fits n units of unit bytes at at, within the object area.
    bool Fits(std::size_t at, std::uint64_t n, std::uint64_t unit) const {
        if (at > objectsEnd_) return false;
        return n <= (objectsEnd_ - at) / unit;
    }

    // libplist turns a UTF-16 NUL into a NUL byte inside the UTF-8 text but keeps the length of
    // the whole text. The text getters cope with that, but libplist's own key getter, which
    // every walk over a dictionary's entries calls, ends the process on it.
    bool HasNulUnit(std::size_t at, std::size_t units) const {
        for (std::size_t i = 0; i < units; ++i) {
            if (data_[at + 2 * i] == 0 && data_[at + 2 * i + 1] == 0) return true;
        }
        return false;
    }

    std::size_t Offset(std::size_t index) const {
        return static_cast<std::size_t>(BigEndian(table_ + index * offsetSize_, offsetSize_));
    }

    bool ShapeOf(std::size_t index, Shape* shape) const {
        std::size_t at = Offset(index);
        const unsigned char marker = data_[at];
        const unsigned type = marker >> 4;
        std::uint64_t n = marker & 0xF;
        ++at;
        switch (type) {
            case 0x0:
                return true;
            case 0x1:
            case 0x2:
                return Fits(at, std::uint64_t(1) << n, 1);
            case 0x3:
                return Fits(at, 8, 1);
            case 0x8:
                return Fits(at, n + 1, 1);
            case 0x4:
            case 0x5:
            case 0x6: {
                if (n == 0xF && !Length(&at, &n)) return false;
                const std::uint64_t unit = type == 0x6 ? 2 : 1;
                if (!Fits(at, n, unit)) return false;
                // What libplist asks for: data as it is, a text with its end, a UTF-16 text turned
                // into UTF-8 in a block of four bytes a unit and four more.
                shape->payload = type == 0x4 ? n : type == 0x5 ? n + 1 : 4 * (n + 1);
                shape->nulText = type == 0x6 && HasNulUnit(at, static_cast<std::size_t>(n));
                return true;
            }
            case 0xA:
            case 0xC:
            case 0xD: {
                if (n == 0xF && !Length(&at, &n)) return false;
                const std::uint64_t refs = type == 0xD ? 2 * n : n;
                if (type == 0xD && n > kPlistMaxKeys) return false;
                if (!Fits(at, refs, refSize_)) return false;
                shape->refs = data_ + at;
                shape->refCount = refs;
                if (type == 0xD) shape->keyCount = n;
                return true;
            }
            default:
                return false;
        }
    }

    // A depth-first walk from the root with an explicit stack, so that a deep file needs no deep
    // recursion here either. Each object is looked at once; its depth, node count, bytes and
    // levels are kept, so that a shared object is summed, not walked, again.
    bool Walk(std::size_t root) {
        enum : unsigned char { kNew, kOpen, kDone };
        std::vector<unsigned char> state(count_, kNew);
        std::vector<std::uint16_t> depth(count_, 0);
        std::vector<std::uint32_t> nodes(count_, 0);
        std::vector<std::uint32_t> bytes(count_, 0);   // at most kPlistMaxBytes
        std::vector<std::uint32_t> levels(count_, 0);  // at most kMaxLevels
        std::vector<bool> nulText(count_, false);
        std::vector<Frame> stack;
        auto open = [&](std::size_t index) {
            Frame f{index, Shape(), 0, 1, 1, 0, 0};
            if (!ShapeOf(index, &f.shape)) return false;
            f.bytes = f.shape.payload;
            if (f.bytes > kPlistMaxBytes) return false;
            nulText[index] = f.shape.nulText;
            state[index] = kOpen;
            references_ += f.shape.refCount;
            stack.push_back(f);
            return stack.size() <= kPlistMaxDepth;
        };
        if (!open(root)) return false;
        while (!stack.empty()) {
            Frame& f = stack.back();
            if (f.next < f.shape.refCount) {
                const std::uint64_t child = BigEndian(f.shape.refs + f.next * refSize_, refSize_);
                const bool key = f.next < f.shape.keyCount;
                ++f.next;
                if (child >= count_) return false;
                const std::size_t c = static_cast<std::size_t>(child);
                if (state[c] == kOpen) return false;  // an object that contains itself
                if (state[c] == kNew) {
                    // f is not used past open, which may move the stack.
                    if (!open(c) || (key && nulText[c])) return false;
                    continue;
                }
                if (key && nulText[c]) return false;
                if (!Add(&f, depth[c], nodes[c], bytes[c], levels[c])) return false;
                continue;
            }
            const Frame done = f;
            stack.pop_back();
            state[done.index] = kDone;
            depth[done.index] = static_cast<std::uint16_t>(done.depth);
            nodes[done.index] = static_cast<std::uint32_t>(done.nodes);
            bytes[done.index] = static_cast<std::uint32_t>(done.bytes);
            levels[done.index] = static_cast<std::uint32_t>(done.levels);
            if (stack.empty()) {
                return done.levels <=
                           kPlistDepthStepsPerNode * done.nodes + kPlistDepthStepAllowance &&
                       done.nodes <= references_ + references_ / 4 + 64;
            }
            if (!Add(&stack.back(), done.depth, done.nodes, done.bytes, done.levels)) return false;
        }
        return true;
    }

    static constexpr std::uint64_t kMaxLevels =
        kPlistDepthStepsPerNode * kPlistMaxNodes + kPlistDepthStepAllowance;

    // Adds a finished child to its parent; false when the parent goes past a limit.
    static bool Add(Frame* f, std::size_t childDepth, std::uint64_t childNodes,
                    std::uint64_t childBytes, std::uint64_t childLevels) {
        if (childDepth + 1 > f->depth) f->depth = childDepth + 1;
        f->nodes = SaturatingAdd(f->nodes, childNodes, kPlistMaxNodes);
        f->bytes = SaturatingAdd(f->bytes, childBytes, kPlistMaxBytes);
        // Every node of the child lies one level deeper below the parent.
        f->levels = SaturatingAdd(f->levels, SaturatingAdd(childLevels, childNodes, kMaxLevels),
                                  kMaxLevels);
        return f->depth <= kPlistMaxDepth && f->nodes <= kPlistMaxNodes &&
               f->bytes <= kPlistMaxBytes && f->levels <= kMaxLevels;
    }

    const unsigned char* data_;
    std::size_t size_;
    std::size_t offsetSize_ = 0;
    std::size_t refSize_ = 0;
    std::size_t objectsEnd_ = 0;
    std::size_t count_ = 0;
    const unsigned char* table_ = nullptr;
    std::uint64_t references_ = 0;
};

}  // namespace

bool BinaryPlistIsSafe(const char* data, std::size_t size) {
    if (data == nullptr || size > kPlistMaxBytes) return false;
    return BinaryCheck(reinterpret_cast<const unsigned char*>(data), size).Run();
}

plist_t ParsePlistGuarded(const char* data, std::size_t size) {
    if (data == nullptr || size == 0 || size > kPlistMaxBytes) return nullptr;
    plist_t root = nullptr;
    if (size >= 8 && std::memcmp(data, "bplist00", 8) == 0) {
        if (BinaryPlistIsSafe(data, size)) plist_from_bin(data, static_cast<uint32_t>(size), &root);
    } else {
        XmlPlistCheck check(data, size);
        if (check.Run() && check.Size() <= UINT32_MAX)
            plist_from_xml(check.Text(), static_cast<uint32_t>(check.Size()), &root);
    }
    return root;
}

bool PlistDateSeconds(plist_t node, std::int32_t* seconds) {
    if (node == nullptr || plist_get_node_type(node) != PLIST_DATE) return false;
    // plist_get_date_val narrows the stored value to 32 bits without a word when it does not
    // fit. The binary form holds it whole: a date object is 0x33 and a big-endian double.
    plist_t copy = plist_copy(node);
    char* bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(copy, &bin, &length);
    plist_free(copy);
    bool ok = false;
    if (bin != nullptr && length >= 8 + 9 && static_cast<unsigned char>(bin[8]) == 0x33) {
        const std::uint64_t raw = BigEndian(reinterpret_cast<unsigned char*>(bin) + 9, 8);
        double value = 0;
        std::memcpy(&value, &raw, sizeof value);
        ok = std::isfinite(value) && value > double(INT32_MIN) - 1 && value < double(INT32_MAX) + 1;
    }
    if (ok) {
        std::int32_t usec = 0;
        plist_get_date_val(node, seconds, &usec);
    }
    std::free(bin);
    return ok;
}

}  // namespace ib
