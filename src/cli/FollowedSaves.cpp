#include "FollowedSaves.h"

#include <string_view>
#include <utility>

namespace quelm::cli
{

namespace
{

// FNV-1a: a row's texts and offsets as one number; 0 is kept for none.
void Mix(std::uint64_t& Hash, std::string_view Bytes)
{
    for (const char c : Bytes) {
        Hash = (Hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
    }
}

} // namespace

std::uint64_t FollowedSaves::KeyOf(const SegmentRow& Row)
{
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    const auto offsets = Row.Offsets();
    const auto markers = Row.Markers();
    if (offsets && markers) {
        Mix(hash, std::to_string(offsets->p1) + '/' + std::to_string(offsets->p2));
        Mix(hash, markers->start);
        Mix(hash, markers->end);
    }
    return hash == 0 ? 1 : hash;
}

FollowedSaves::Decision FollowedSaves::Consider(std::int32_t Record, std::uint64_t Key, const std::string& Name) const
{
    const auto index = static_cast<std::size_t>(Record - 1);
    const bool same = Record >= 1 && index < m_keys.size() && m_keys[index] == Key;
    if (Record == m_lastRecord) {
        if (same && Name == m_lastName) {
            return {false, {}};
        }
        return {true, Name == m_lastName ? std::string() : m_lastName};
    }
    return {!same, {}};
}

void FollowedSaves::Saved(std::int32_t Record, std::uint64_t Key, const std::string& Name)
{
    if (Record < 1) {
        return;
    }
    const auto index = static_cast<std::size_t>(Record - 1);
    if (index >= m_keys.size()) {
        m_keys.resize(index + 1, 0);
    }
    m_keys[index] = Key;
    if (Record >= m_lastRecord) {
        m_lastRecord = Record;
        m_lastName = Name;
    }
}

std::string FollowedSaves::Withdraw(std::int32_t Record)
{
    const auto index = static_cast<std::size_t>(Record - 1);
    if (Record >= 1 && index < m_keys.size()) {
        m_keys[index] = 0;
    }
    if (Record != m_lastRecord) {
        return {};
    }
    m_lastRecord = 0;
    return std::exchange(m_lastName, {});
}

} // namespace quelm::cli
