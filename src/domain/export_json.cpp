#include "domain/export_json.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <cstring>

namespace {

// RapidJSON output into a std::string that keeps the text safe inside an HTML script: "<" and
// the two line separators that old script engines refuse in string literals are escaped. The
// JSON value stays the same; these bytes occur only inside strings. The caller sizes the string
// beforehand (ExportJson::Size), so writing never moves it; a wrong size only costs a reallocation.
class ScriptSafeStream {
  public:
    typedef char Ch;
    explicit ScriptSafeStream(std::string& out) : out_(out) {
        p_ = &out_[0];
        end_ = p_ + out_.size();
    }

    void Put(char c) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (RAPIDJSON_LIKELY(pending_ == 0 && c != '<' && u != 0xE2 && p_ != end_)) {
            *p_++ = c;
            return;
        }
        PutSpecial(c);
    }
    void Flush() {
        if (pending_ == 1) Raw('\xE2');
        if (pending_ == 2) Raw("\xE2\x80", 2);
        pending_ = 0;
    }
    // Cuts the string to what was written.
    void Finish() {
        Flush();
        out_.resize(static_cast<std::size_t>(p_ - out_.data()));
    }

  private:
    __attribute__((noinline)) void PutSpecial(char c) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (pending_ != 0) {
            // Inside E2 80 xx: only A8 and A9 are replaced.
            if (pending_ == 1) {
                if (u == 0x80) {
                    pending_ = 2;
                    return;
                }
                Raw('\xE2');
                pending_ = 0;
            } else {
                pending_ = 0;
                if (u == 0xA8 || u == 0xA9) {
                    Raw(u == 0xA8 ? "\\u2028" : "\\u2029", 6);
                    return;
                }
                Raw("\xE2\x80", 2);
            }
        }
        if (u == 0xE2) {
            pending_ = 1;
        } else if (c == '<') {
            Raw("\\u003c", 6);
        } else {
            Raw(c);
        }
    }
    void Raw(char c) {
        if (p_ == end_) Grow(1);
        *p_++ = c;
    }
    void Raw(const char* text, std::size_t n) {
        if (static_cast<std::size_t>(end_ - p_) < n) Grow(n);
        std::memcpy(p_, text, n);
        p_ += n;
    }
    void Grow(std::size_t n) {
        const std::size_t used = static_cast<std::size_t>(p_ - out_.data());
        out_.resize(std::max(out_.size() * 2, used + n + 64));
        p_ = &out_[0] + used;
        end_ = &out_[0] + out_.size();
    }

    std::string& out_;
    char* p_;
    char* end_;
    int pending_ = 0;  // bytes of a possible E2 80 A8 / E2 80 A9 held back
};

// Bytes that RapidJSON's writer and ScriptSafeStream add to each input byte inside a string.
struct EscapeExtra {
    unsigned char extra[256];
    EscapeExtra() {
        for (int c = 0; c < 256; ++c) extra[c] = 0;
        for (int c = 0; c < 0x20; ++c) extra[c] = 5;
        for (int c : {'\b', '\t', '\n', '\f', '\r', '"', '\\'}) extra[c] = 1;
        extra[static_cast<unsigned char>('<')] = 5;
    }
};

}  // namespace

std::size_t ExportJson::Size(const ExportTable& table) {
    if (table.rows.empty()) return 2;
    static const EscapeExtra escape;
    std::size_t size = 2 + (table.rows.size() - 1);  // [ ] and the commas between rows
    for (const ExportRow* row : table.rows) {
        const std::size_t n = row->size();
        size += 2 + (n > 0 ? n - 1 : 0) + 2 * n;  // [ ], commas, quotation marks
        // The cells follow one another, each with its zero: one pass over the row's bytes.
        const unsigned char* p = reinterpret_cast<const unsigned char*>(*row->begin());
        const unsigned char* end = reinterpret_cast<const unsigned char*>(*row->end());
        size += static_cast<std::size_t>(end - p) - n;
        std::size_t extra = 0;
        bool separators = false;
        for (; p != end; ++p) {
            extra += escape.extra[*p];
            separators |= *p == 0xE2;
        }
        // Each zero that ends a cell counted as a control byte.
        size += extra - 5 * n;
        if (separators) {
            // E2 80 A8 / E2 80 A9: three bytes become six.
            for (const char* cell : *row) {
                for (const char* q = std::strchr(cell, '\xE2'); q != nullptr;
                     q = std::strchr(q + 1, '\xE2')) {
                    if (q[1] == '\x80' && (q[2] == '\xA8' || q[2] == '\xA9')) size += 3;
                }
            }
        }
    }
    return size;
}

std::string ExportJson::Write(const ExportTable& table) {
    if (table.rows.empty()) return "[]";
    // Sized exactly beforehand: the text of a large export is held once, never copied to grow.
    std::string out(Size(table), '\0');
    ScriptSafeStream stream(out);
    rapidjson::Writer<ScriptSafeStream> writer(stream);
    writer.StartArray();
    for (const ExportRow* row : table.rows) {
        writer.StartArray();
        const char* cell = *row->begin();
        for (std::size_t i = 0; i < row->size(); ++i) {
            const std::size_t len = std::strlen(cell);
            writer.String(cell, static_cast<rapidjson::SizeType>(len));
            cell += len + 1;
        }
        writer.EndArray();
    }
    writer.EndArray();
    stream.Finish();
    return out;
}
