#ifndef VELMORA_PLATFORM_STATUS_H_
#define VELMORA_PLATFORM_STATUS_H_

// The one way readers and writers report failure: a Status (ok, or a kind with a message that
// says what was wrong and where), and Result<T> where a value comes back. A reader or writer
// never shows a message itself; the pipeline turns a failed Status into the message the user
// sees, so the texts a run shows live in one place.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace velmora {

class [[nodiscard]] Status {
 public:
  enum class Kind { kOk, kNotFound, kCorruption, kIOError, kUnsupported, kInvalidArgument };

  Status() = default;  // ok

  static Status Ok() { return Status(); }
  static Status NotFound(std::string message) { return Status(Kind::kNotFound, std::move(message)); }
  static Status Corruption(std::string message) {
    return Status(Kind::kCorruption, std::move(message));
  }
  static Status IOError(std::string message) { return Status(Kind::kIOError, std::move(message)); }
  static Status Unsupported(std::string message) {
    return Status(Kind::kUnsupported, std::move(message));
  }
  static Status InvalidArgument(std::string message) {
    return Status(Kind::kInvalidArgument, std::move(message));
  }

  bool ok() const { return kind_ == Kind::kOk; }
  Kind kind() const { return kind_; }
  bool IsNotFound() const { return kind_ == Kind::kNotFound; }
  bool IsCorruption() const { return kind_ == Kind::kCorruption; }
  bool IsIOError() const { return kind_ == Kind::kIOError; }
  bool IsUnsupported() const { return kind_ == Kind::kUnsupported; }
  // What was wrong and where, for logs and for our own clearer messages; empty when ok.
  const std::string& message() const { return message_; }
  // "Corruption: <message>", "OK" when ok.
  std::string ToString() const;

  // Marks a status as deliberately not acted on; say why at the call.
  void IgnoreError() const {}

 private:
  Status(Kind kind, std::string message) : kind_(kind), message_(std::move(message)) {}

  Kind kind_ = Kind::kOk;
  std::string message_;
};

// A value, or the Status that says why there is none. Never holds an ok Status without a value.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit, as a return value
  Result(Status status) : status_(std::move(status)) {  // NOLINT: implicit, as a return value
    if (status_.ok()) status_ = Status::Unsupported("result without a value");
  }

  bool ok() const { return value_.has_value(); }
  const Status& status() const { return status_; }
  T& value() & { return *value_; }
  const T& value() const& { return *value_; }
  T&& value() && { return std::move(*value_); }
  T& operator*() & { return *value_; }
  const T& operator*() const& { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  explicit operator bool() const { return ok(); }

 private:
  std::optional<T> value_;
  Status status_;
};

inline std::string Status::ToString() const {
  std::string_view kind = "OK";
  switch (kind_) {
    case Kind::kOk: return "OK";
    case Kind::kNotFound: kind = "NotFound"; break;
    case Kind::kCorruption: kind = "Corruption"; break;
    case Kind::kIOError: kind = "IO error"; break;
    case Kind::kUnsupported: kind = "Unsupported"; break;
    case Kind::kInvalidArgument: kind = "Invalid argument"; break;
  }
  return std::string(kind) + ": " + message_;
}

}  // namespace velmora

#endif  // VELMORA_PLATFORM_STATUS_H_
