#pragma once

#include <stdexcept>
#include <string>

namespace quelm
{

// Every failure the core raises carries a message fit to show the user as is.
class Failure : public std::runtime_error
{
  public:
    explicit Failure(const std::string& message) : std::runtime_error(message) {}
};

} // namespace quelm
