#include "testing/demo_track.h"

#include <optional>

#include "platform/path_text.h"
#include "platform/temp_folder.h"
#include "testing/run_command.h"

namespace velmora::testkit {

std::filesystem::path DemoTrackFolder(const std::string& velmora) {
  static const std::optional<TempFolder> demo = [&]() -> std::optional<TempFolder> {
    std::optional<TempFolder> folder = TempFolder::Create("demo");
    if (!folder || RunCommand(velmora, {"demo", PathToUtf8(folder->path())}) != 0) {
      return std::nullopt;
    }
    return folder;
  }();
  return demo ? demo->path() / "gpl" / "tracks" / "kestrel" : std::filesystem::path();
}

}  // namespace velmora::testkit
