// Keeps C++ exceptions from crossing into the host: every entry point the host calls runs
// its body through GuardHostEntry, which turns an escaping exception into a notice and a code.
#pragma once
#include <cstdint>
#include <exception>
#include <new>

// Posts "Drevlin: <what>\r" as a notice; safe to call from a catch handler.
void PostExceptionNotice(const char* what) noexcept;

// Runs body() and returns its code; an exception gives failureCode after a notice saying why.
template <typename Body>
int32_t GuardHostEntry(int32_t failureCode, Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        PostExceptionNotice("out of memory");
    } catch (const std::exception& e) {
        PostExceptionNotice(e.what());
    } catch (...) {
        PostExceptionNotice("unknown internal error");
    }
    return failureCode;
}
