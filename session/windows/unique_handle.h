// UniqueHandle: owns one Win32 HANDLE and closes it exactly once.  Null and
// INVALID_HANDLE_VALUE both count as "no handle".
#pragma once

#include "win32_includes.h"

#include <utility>

namespace vesper::win {

class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle &&other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle &operator=(UniqueHandle &&other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    UniqueHandle(const UniqueHandle &) = delete;
    UniqueHandle &operator=(const UniqueHandle &) = delete;
    ~UniqueHandle() { reset(); }

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    void reset(HANDLE handle = nullptr)
    {
        if (valid())
            ::CloseHandle(handle_);
        handle_ = handle;
    }
    // For out-parameters of calls that create a handle; closes the old one.
    HANDLE *receive()
    {
        reset();
        return &handle_;
    }

private:
    HANDLE handle_ = nullptr;
};

} // namespace vesper::win
