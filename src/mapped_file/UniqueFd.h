#pragma once

#include <dirent.h>
#include <unistd.h>
#include <utility>

namespace quelm
{

// Owns a file descriptor: closed with the object, moved, never copied.
class UniqueFd
{
  public:
    UniqueFd() = default;
    explicit UniqueFd(int Fd) : m_fd(Fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& Other) noexcept : m_fd(Other.Release()) {}
    UniqueFd& operator=(UniqueFd&& Other) noexcept
    {
        if (this != &Other) {
            Reset(Other.Release());
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    explicit operator bool() const { return Valid(); }

    // Hands the descriptor to the caller, who closes it from then on.
    [[nodiscard]] int Release() { return std::exchange(m_fd, -1); }

    // Closes what is held and takes Fd instead.
    void Reset(int Fd = -1)
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = Fd;
    }

    // Closes now and says whether the close succeeded: some file systems
    // report a failed write only at the close.
    [[nodiscard]] bool Close() { return m_fd < 0 || ::close(std::exchange(m_fd, -1)) == 0; }

  private:
    int m_fd = -1;
};

// Owns an open folder stream: closed with the object.
class UniqueDir
{
  public:
    UniqueDir() = default;
    explicit UniqueDir(DIR* Dir) : m_dir(Dir) {}
    ~UniqueDir()
    {
        if (m_dir != nullptr) {
            ::closedir(m_dir);
        }
    }
    UniqueDir(UniqueDir&& Other) noexcept : m_dir(std::exchange(Other.m_dir, nullptr)) {}
    UniqueDir& operator=(UniqueDir&& Other) noexcept
    {
        std::swap(m_dir, Other.m_dir);
        return *this;
    }
    UniqueDir(const UniqueDir&) = delete;
    UniqueDir& operator=(const UniqueDir&) = delete;

    DIR* Get() const { return m_dir; }
    explicit operator bool() const { return m_dir != nullptr; }

  private:
    DIR* m_dir = nullptr;
};

} // namespace quelm
