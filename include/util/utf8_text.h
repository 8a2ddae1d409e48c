// The UTF-8 conversion of texts: the one that the reader library, its utility library and the
// program all use, between UTF-8 bytes and wide characters (wchar_t, UTF-32 here).
//
// - Bytes that are not well-formed UTF-8 are never dropped: each maximal piece of a broken
//   sequence becomes one U+FFFD, as browsers decode (a stray byte, the longest start of a
//   sequence that breaks off). Overlong forms, encoded surrogates (U+D800 to U+DFFF) and values
//   above U+10FFFF are broken: "\xC0\xAF" gives two U+FFFD, "\xED\xA0\x80" three.
// - Wide texts: a UTF-16 surrogate pair is joined into its character; a lone surrogate and a
//   value above U+10FFFF become U+FFFD.
// - NUL: a NUL character is carried in neither direction; it becomes U+FFFD. Cell texts of a
//   page, the strings of a property list and the toolkit's controls all end a text at a NUL, so
//   a NUL would silently cut off what follows it (in a page, in the grid, or in the one and not
//   the other); the reader turns a NUL in a device text into U+FFFD for the same reason.
//   U+FFFD is a plain character in HTML, JSON and a wxString.
//
// File paths are bytes as the system names them and never pass through this conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

class Utf8Text {
  public:
    virtual ~Utf8Text() = default;

    static constexpr std::uint32_t kReplacement = 0xFFFD;

    // Decodes bytes[0..n) into out, which has room for n wide characters (no UTF-8 byte gives
    // more than one). Returns the number of wide characters written.
    static std::size_t Decode(const char* bytes, std::size_t n, wchar_t* out) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes);
        const unsigned char* end = p + n;
        wchar_t* w = out;
        while (p < end) {
            // ASCII other than NUL, the common case, needs no decoding: eight bytes at a time
            // while none of them is NUL or at least 0x80.
            while (end - p >= 8) {
                std::uint64_t v;
                std::memcpy(&v, p, 8);
                if (((v | (v - 0x0101010101010101ull)) & 0x8080808080808080ull) != 0) break;
                for (int k = 0; k < 8; ++k) w[k] = static_cast<wchar_t>(p[k]);
                p += 8;
                w += 8;
            }
            if (p == end) break;
            if (static_cast<unsigned char>(*p - 1) < 0x7F) {
                *w++ = static_cast<wchar_t>(*p++);
                continue;
            }
            std::uint32_t c = kReplacement;
            p += DecodeOne(p, end, &c);
            *w++ = static_cast<wchar_t>(c);
        }
        return static_cast<std::size_t>(w - out);
    }

    // The most bytes that Append writes for n wide characters.
    static constexpr std::size_t MaxBytes(std::size_t n) { return 4 * n; }

    // Appends the UTF-8 form of text[0..n) to out.
    static void Append(std::string& out, const wchar_t* text, std::size_t n) {
        const std::size_t start = out.size();
        out.resize(start + MaxBytes(n));
        char* d = &out[0] + start;
        d = Encode(text, n, d);
        out.resize(static_cast<std::size_t>(d - out.data()));
    }

    // Writes the UTF-8 form of text[0..n) at d, which has room for MaxBytes(n) bytes; returns
    // the end of what was written.
    static char* Encode(const wchar_t* text, std::size_t n, char* d) {
        for (std::size_t i = 0; i < n; ++i) {
            // ASCII other than NUL four characters at a time: a character of 0x80 or more sets
            // a bit of 0x80 or above in the union, a NUL the top bit of its predecessor.
            while (n - i >= 4) {
                const auto a = static_cast<std::uint32_t>(text[i]);
                const auto b = static_cast<std::uint32_t>(text[i + 1]);
                const auto e = static_cast<std::uint32_t>(text[i + 2]);
                const auto f = static_cast<std::uint32_t>(text[i + 3]);
                const std::uint32_t zero = ((a - 1) | (b - 1) | (e - 1) | (f - 1)) & 0x80000000u;
                if ((a | b | e | f | zero) >= 0x80) break;
                d[0] = static_cast<char>(a);
                d[1] = static_cast<char>(b);
                d[2] = static_cast<char>(e);
                d[3] = static_cast<char>(f);
                d += 4;
                i += 4;
            }
            if (i == n) break;
            std::uint32_t c = static_cast<std::uint32_t>(text[i]);
            if (c - 1 < 0x7F) {
                *d++ = static_cast<char>(c);
                continue;
            }
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n) {
                const std::uint32_t low = static_cast<std::uint32_t>(text[i + 1]);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
            if (c == 0 || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacement;
            d = AppendCodePoint(c, d);
        }
        return d;
    }

  private:
    // Writes one valid code point (not a surrogate, at most U+10FFFF) at d.
    static char* AppendCodePoint(std::uint32_t c, char* d) {
        if (c < 0x80) {
            *d++ = static_cast<char>(c);
        } else if (c < 0x800) {
            *d++ = static_cast<char>(0xC0 | (c >> 6));
            *d++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *d++ = static_cast<char>(0xE0 | (c >> 12));
            *d++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *d++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *d++ = static_cast<char>(0xF0 | (c >> 18));
            *d++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *d++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *d++ = static_cast<char>(0x80 | (c & 0x3F));
        }
        return d;
    }

    // Decodes the sequence at p (end > p) that does not start with ASCII other than NUL.
    // Returns the number of bytes taken; *out is the code point, or U+FFFD for a NUL, a bad
    // byte or the longest start of a sequence that breaks off.
    static std::size_t DecodeOne(const unsigned char* p, const unsigned char* end,
                                 std::uint32_t* out) {
        const unsigned char b0 = p[0];
        std::size_t need = 0;                // continuation bytes
        unsigned char lo = 0x80, hi = 0xBF;  // range of the first continuation byte
        std::uint32_t value = 0;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            need = 1;
            value = b0 & 0x1F;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            need = 2;
            value = b0 & 0x0F;
            if (b0 == 0xE0) lo = 0xA0;  // below: overlong
            if (b0 == 0xED) hi = 0x9F;  // above: a surrogate
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            need = 3;
            value = b0 & 0x07;
            if (b0 == 0xF0) lo = 0x90;  // below: overlong
            if (b0 == 0xF4) hi = 0x8F;  // above: beyond U+10FFFF
        } else {
            *out = kReplacement;  // NUL, a continuation byte, C0, C1, F5 to FF
            return 1;
        }
        std::size_t taken = 1;
        for (std::size_t i = 0; i < need; ++i) {
            if (p + taken >= end) break;
            const unsigned char b = p[taken];
            if (b < lo || b > hi) break;
            value = (value << 6) | (b & 0x3F);
            ++taken;
            lo = 0x80;
            hi = 0xBF;
        }
        *out = taken == need + 1 ? value : kReplacement;
        return taken;
    }
};
