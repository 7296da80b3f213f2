#ifndef VELMORA_TESTING_SCOPED_ENV_H_
#define VELMORA_TESTING_SCOPED_ENV_H_

#include <cstdlib>
#include <optional>
#include <string>

namespace velmora::testkit {

// The variable that names the system's temporary folder.
#ifdef _WIN32
inline constexpr const char* kTempVariable = "TMP";  // GetTempPathW reads TMP first
#else
inline constexpr const char* kTempVariable = "TMPDIR";
#endif

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(value);
  }
  ~ScopedEnv() { Set(old_ ? old_->c_str() : nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Set(const char* value) {
#ifdef _WIN32
    _putenv_s(name_, value != nullptr ? value : "");  // empty removes it
#else
    value != nullptr ? setenv(name_, value, 1) : unsetenv(name_);
#endif
  }
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace velmora::testkit

#endif  // VELMORA_TESTING_SCOPED_ENV_H_
