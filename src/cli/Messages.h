#pragma once

#include "CheckedOutput.h"

#include <exception>
#include <new>
#include <string>
#include <string_view>

namespace quelm::cli
{

// Writes Text to stderr; a failure there has nowhere left to be told.
void WriteToStderr(std::string_view Text);

// Says what went wrong on stderr, after the output written so far. The
// message can hold a time stamp's bytes or a path: nothing in it may steer
// the terminal. A failure of the output itself is thrown on after it.
void Complain(CheckedOutput& Out, std::string_view Message);

// Runs one piece of work on a record file; the failure's message, or empty.
// A failed output is no failure of the file: it ends the whole run.
template <class Work> std::string Attempt(Work&& Step)
{
    try {
        Step();
    } catch (const std::bad_alloc&) {
        return "out of memory";
    } catch (const std::exception& error) {
        if (IsOutputFailure(error)) {
            throw;
        }
        return error.what();
    }
    return {};
}

} // namespace quelm::cli
