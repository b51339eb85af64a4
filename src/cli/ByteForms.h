#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quelm::cli
{

// The form every byte takes in one kind of output, made once, so that
// writing a row looks each byte up and allocates nothing.
class ByteForms
{
  public:
    // Writes Byte's form to Out (at most kWidth characters) and returns its
    // length.
    using MakeForm = std::size_t (*)(unsigned char Byte, char* Out);
    static constexpr std::size_t kWidth = 8;

    explicit ByteForms(MakeForm Make);

    std::string_view operator[](unsigned char Byte) const { return {&m_text[Byte * kWidth], m_size[Byte]}; }
    // True when Byte stands for itself.
    bool Plain(unsigned char Byte) const { return m_plain[Byte] != 0; }
    // How many bytes at the start of Bytes stand for themselves.
    std::size_t PlainPrefix(std::string_view Bytes) const
    {
        const auto plain = [&](std::size_t At) { return m_plain[static_cast<unsigned char>(Bytes[At])]; };
        std::size_t i = 0;
        // Four at a time: a time stamp is nearly always plain whole.
        while (i + 4 <= Bytes.size() && (plain(i) & plain(i + 1) & plain(i + 2) & plain(i + 3)) != 0) {
            i += 4;
        }
        while (i < Bytes.size() && plain(i)) {
            ++i;
        }
        return i;
    }

  private:
    std::array<char, 256 * kWidth> m_text{};
    std::array<std::uint8_t, 256> m_size{};
    std::array<std::uint8_t, 256> m_plain{};
};

} // namespace quelm::cli
