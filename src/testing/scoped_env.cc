#include "testing/scoped_env.h"

#include <cstdlib>

namespace velmora::testkit {

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  Set(value);
}

ScopedEnv::~ScopedEnv() { Set(old_ ? old_->c_str() : nullptr); }

void ScopedEnv::Set(const char* value) {
#ifdef _WIN32
  _putenv_s(name_, value != nullptr ? value : "");  // empty removes it
#else
  value != nullptr ? setenv(name_, value, 1) : unsetenv(name_);
#endif
}

}  // namespace velmora::testkit
