#include "testing/raw_archive.h"

#include "platform/byte_writer.h"
#include "track/track_archive_format.h"

namespace velmora::testkit {

std::vector<std::uint8_t> BuildRawArchive(std::uint16_t count,
                                          const std::vector<RawRecord>& records,
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
