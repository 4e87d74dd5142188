#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace Dorv::Orvan::Framework::Common {

// Limits that keep reading bounded whatever an archive declares; the writer
// refuses to go beyond them, so that what it writes can be read back.
namespace ZipLimits {
inline constexpr std::uint64_t kMaxEntries = 1'000'000;
inline constexpr std::uint64_t kMaxDirectoryBytes = 256ull << 20;
inline constexpr std::size_t kMaxNameBytes = 255;
// Deflate's own maximum: a 258-byte match coded in two bits.
inline constexpr std::uint64_t kMaxDeflateRatio = 1032;
// All content of one archive together, as declared.
inline constexpr std::uint64_t kMaxTotalBytes = 64ull << 30;
}  // namespace ZipLimits

}  // namespace Dorv::Orvan::Framework::Common

// Byte-level constants and helpers of the ZIP container, shared by the writer and the reader.
namespace Dorv::Orvan::Framework::Common::Zip {

inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
inline constexpr std::uint32_t kEndSignature = 0x06054b50;
inline constexpr std::uint32_t kEnd64Signature = 0x06064b50;
inline constexpr std::uint32_t kEnd64LocatorSignature = 0x07064b50;
inline constexpr std::uint32_t kDataDescriptorSignature = 0x08074b50;
inline constexpr std::uint16_t kZip64ExtraId = 0x0001;

inline constexpr std::size_t kLocalHeaderSize = 30;
inline constexpr std::size_t kCentralHeaderSize = 46;
inline constexpr std::size_t kEndSize = 22;
inline constexpr std::size_t kEnd64Size = 56;
inline constexpr std::size_t kEnd64LocatorSize = 20;

inline constexpr std::uint16_t kMethodStored = 0;
inline constexpr std::uint16_t kMethodDeflated = 8;
inline constexpr std::uint16_t kFlagUtf8 = 0x0800;
inline constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
inline constexpr std::uint16_t kVersionDefault = 20;
inline constexpr std::uint16_t kVersionZip64 = 45;
inline constexpr std::uint16_t kMadeByUnix = 3 << 8;
// 1980-01-01 00:00:00, the earliest time a ZIP can hold: entries carry no real time.
inline constexpr std::uint16_t kDosTime = 0x0000;
inline constexpr std::uint16_t kDosDate = 0x0021;
// A regular file readable and writable by its owner only.
inline constexpr std::uint32_t kExternalAttributes = 0100600u << 16;
inline constexpr std::uint32_t kMax32 = 0xFFFFFFFFu;
inline constexpr std::uint16_t kMax16 = 0xFFFFu;

// Little-endian field writer.
class Bytes {
public:
    Bytes& U16(std::uint16_t v) { return Put(v, 2); }
    Bytes& U32(std::uint32_t v) { return Put(v, 4); }
    Bytes& U64(std::uint64_t v) { return Put(v, 8); }
    Bytes& Text(const std::string& s) {
        for (char c : s) {
            data_.push_back(static_cast<std::byte>(c));
        }
        return *this;
    }
    std::span<const std::byte> View() const { return data_; }
    std::size_t Size() const { return data_.size(); }

private:
    Bytes& Put(std::uint64_t v, int count) {
        for (int i = 0; i < count; ++i) {
            data_.push_back(static_cast<std::byte>(v >> (8 * i)));
        }
        return *this;
    }
    std::vector<std::byte> data_;
};

inline std::uint64_t Read(std::span<const std::byte> data, std::size_t at, int count) {
    std::uint64_t v = 0;
    for (int i = count - 1; i >= 0; --i) {
        v = (v << 8) | static_cast<std::uint8_t>(data[at + static_cast<std::size_t>(i)]);
    }
    return v;
}
inline std::uint16_t U16(std::span<const std::byte> d, std::size_t at) {
    return static_cast<std::uint16_t>(Read(d, at, 2));
}
inline std::uint32_t U32(std::span<const std::byte> d, std::size_t at) {
    return static_cast<std::uint32_t>(Read(d, at, 4));
}
inline std::uint64_t U64(std::span<const std::byte> d, std::size_t at) { return Read(d, at, 8); }

// Little-endian field reader, the mirror of Bytes: fields are read in the
// order they are written. The caller makes sure the bytes are there.
class Cursor {
public:
    explicit Cursor(std::span<const std::byte> data) : data_(data) {}
    std::uint16_t U16() { return static_cast<std::uint16_t>(Next(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Next(4)); }
    std::uint64_t U64() { return Next(8); }
    Cursor& Skip(std::size_t count) {
        at_ += count;
        return *this;
    }
    std::span<const std::byte> Take(std::size_t count) {
        const std::span<const std::byte> taken = data_.subspan(at_, count);
        at_ += count;
        return taken;
    }
    std::size_t Remaining() const { return data_.size() - at_; }

private:
    std::uint64_t Next(int count) {
        const std::uint64_t value = Read(data_, at_, count);
        at_ += static_cast<std::size_t>(count);
        return value;
    }
    std::span<const std::byte> data_;
    std::size_t at_ = 0;
};

}  // namespace Dorv::Orvan::Framework::Common::Zip
