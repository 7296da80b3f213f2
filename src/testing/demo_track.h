#ifndef VELMORA_TESTING_DEMO_TRACK_H_
#define VELMORA_TESTING_DEMO_TRACK_H_

#include <filesystem>
#include <string>

namespace velmora::testkit {

// The GPL track folder that `velmora demo` converts, written once per test process by running
// the real program `velmora` into a temporary folder removed at exit; empty when the demo
// failed. Tests that change it work on a copy.
std::filesystem::path DemoTrackFolder(const std::string& velmora);

}  // namespace velmora::testkit

#endif  // VELMORA_TESTING_DEMO_TRACK_H_
