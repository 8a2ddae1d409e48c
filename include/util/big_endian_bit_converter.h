// Reads integers stored most significant byte first, on hosts of either byte order.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "util/wz_tool.h"

class BigEndianBitConverter {
  public:
    virtual ~BigEndianBitConverter() = default;

    static std::int16_t ToInt16(const unsigned char* data, std::size_t size, std::size_t start) {
        return static_cast<std::int16_t>(Read<std::uint16_t>(data, size, start));
    }
    static std::uint16_t ToUInt16(const unsigned char* data, std::size_t size, std::size_t start) {
        return Read<std::uint16_t>(data, size, start);
    }
    static std::int32_t ToInt32(const unsigned char* data, std::size_t size, std::size_t start) {
        return static_cast<std::int32_t>(Read<std::uint32_t>(data, size, start));
    }
    static std::uint32_t ToUInt32(const unsigned char* data, std::size_t size, std::size_t start) {
        return Read<std::uint32_t>(data, size, start);
    }
    static std::uint64_t ToUInt64(const unsigned char* data, std::size_t size, std::size_t start) {
        return Read<std::uint64_t>(data, size, start);
    }

  private:
    template <class T>
    static T Read(const unsigned char* data, std::size_t data_size, std::size_t start_index) {
        assert(data_size - start_index >= sizeof(T) && start_index <= data_size);
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, data + start_index, sizeof(T));
        if (WZIsLittleEndian()) {
            for (std::size_t i = 0; i < sizeof(T) / 2; ++i) {
                const unsigned char t = bytes[i];
                bytes[i] = bytes[sizeof(T) - 1 - i];
                bytes[sizeof(T) - 1 - i] = t;
            }
        }
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }
};
