#include "samples/archive_builder.h"

#include <algorithm>
#include <optional>

#include "track/track_archive_writer.h"

namespace velmora::samples {

std::vector<std::uint8_t> Bytes(std::string_view text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::vector<std::uint8_t> BuildTrackArchive(const std::vector<MemberBytes>& members) {
  std::vector<ArchiveMemberPlan> plan;
  for (const MemberBytes& member : members) plan.push_back({member.name, member.bytes.size()});
  Result<TrackArchiveWriter> writer = TrackArchiveWriter::Create(plan);
  if (!writer) return {};
  for (std::size_t i = 0; i < members.size(); ++i) {
    std::copy(members[i].bytes.begin(), members[i].bytes.end(), writer->MemberData(i).begin());
  }
  return writer->Take();
}

}  // namespace velmora::samples
