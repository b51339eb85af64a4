#include "ByteForms.h"

namespace quelm::cli
{

ByteForms::ByteForms(MakeForm Make)
{
    for (unsigned byte = 0; byte < 256; ++byte) {
        char* text = &m_text[byte * kWidth];
        m_size[byte] = static_cast<std::uint8_t>(Make(static_cast<unsigned char>(byte), text));
        m_plain[byte] = m_size[byte] == 1 && static_cast<unsigned char>(text[0]) == byte;
    }
}

} // namespace quelm::cli
