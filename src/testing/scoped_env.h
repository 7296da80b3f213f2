#ifndef VELMORA_TESTING_SCOPED_ENV_H_
#define VELMORA_TESTING_SCOPED_ENV_H_

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
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Set(const char* value);

  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace velmora::testkit

#endif  // VELMORA_TESTING_SCOPED_ENV_H_
