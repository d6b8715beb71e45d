// The program's side of the platform: small value types and services every other folder stands on.
// Nothing here includes Qt; platform/qt/ is the only place that may.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace kirva {

// A failure a caller can act on: one line of text naming the thing, the value and the place.
struct Error {
    std::string message;
};

// Either a value or an Error. Failures are returned, not thrown, across module boundaries.
template <class T>
class [[nodiscard]] Result {
  public:
    Result(T value) : state_(std::move(value)) {}
    Result(Error error) : state_(std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const Error& error() const { return std::get<1>(state_); }

  private:
    std::variant<T, Error> state_;
};

template <>
class [[nodiscard]] Result<void> {
  public:
    Result() = default;
    Result(Error error) : error_(std::move(error)), failed_(true) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return error_; }

  private:
    Error error_;
    bool failed_ = false;
};

inline Error makeError(std::string message) {
    return Error{std::move(message)};
}

}  // namespace kirva
