#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace archive {

// The 181-byte header at the start of an archive. Every field is a short string
// (a length byte, then the text in code page 936); setters cut the text to the
// field's capacity and leave the bytes after it as they were, getters return the
// stored bytes (a length byte above the capacity counts as the capacity).
class TQXProductInfo {
public:
    static constexpr std::size_t kSize = 181;
    static constexpr std::string_view kIdentification = "QX20030412-2001-0415-QXSOFT-KTNM";

    std::array<std::uint8_t, kSize> bytes{};

    std::string Identification() const { return field(kIdentificationField); }
    std::string ProductVersion() const { return field(kProductVersionField); }
    std::string AccountCode() const { return field(kAccountCodeField); }
    std::string AccountName() const { return field(kAccountNameField); }

    void SetIdentification() { setField(kIdentificationField, kIdentification); }
    void SetProductVersion(std::string_view cp936) { setField(kProductVersionField, cp936); }
    void SetAccountCode(std::string_view cp936) { setField(kAccountCodeField, cp936); }
    void SetAccountName(std::string_view cp936) { setField(kAccountNameField, cp936); }

    // The length byte and text of the identification field are the archive's.
    bool HasArchiveIdentification() const;

private:
    struct Field {
        std::size_t offset;
        std::size_t capacity;
    };
    static constexpr Field kIdentificationField{0, 32};
    static constexpr Field kProductVersionField{33, 16};
    static constexpr Field kAccountCodeField{50, 32};
    static constexpr Field kAccountNameField{83, 64};
    // Bytes 148..180 are reserved: never filled, ignored when read.

    std::string field(Field f) const;
    void setField(Field f, std::string_view text);
};

}  // namespace archive
