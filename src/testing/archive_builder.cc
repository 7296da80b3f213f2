#include "testing/archive_builder.h"

#include <algorithm>
#include <optional>

#include "platform/byte_writer.h"
#include "track/track_archive_format.h"
#include "track/track_archive_writer.h"

namespace velmora::testkit {

std::vector<std::uint8_t> Bytes(std::string_view text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::vector<std::uint8_t> BuildTrackArchive(const std::vector<MemberBytes>& members) {
  std::vector<ArchiveMemberPlan> plan;
  for (const MemberBytes& member : members) plan.push_back({member.name, member.bytes.size()});
  std::string error;
  std::optional<TrackArchiveWriter> writer = TrackArchiveWriter::Create(plan, &error);
  if (!writer) return {};
  for (std::size_t i = 0; i < members.size(); ++i) {
    std::copy(members[i].bytes.begin(), members[i].bytes.end(), writer->MemberData(i).begin());
  }
  return writer->Take();
}

std::vector<std::uint8_t> BuildRawArchive(std::uint16_t count, const std::vector<RawRecord>& records,
                                          const std::vector<std::uint8_t>& data) {
  ByteWriter out;
  out.U16(count);
  for (const RawRecord& record : records) {
    out.U16(kArchiveRecordTag);
    out.U32(record.length);
    out.U32(record.length);
    std::string field = record.name.substr(0, kArchiveNameFieldSize);
    out.Text(field);
    out.Fill(kArchiveNameFieldSize - field.size(), 0);
    out.U32(record.offset);
  }
  out.Bytes(data);
  return out.Take();
}

}  // namespace velmora::testkit
