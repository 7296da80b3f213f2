#include "trackview/pack_directory.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>

#include "platform/ascii.h"
#include "platform/byte_reader.h"
#include "track/track_archive.h"
#include "track/track_archive_format.h"

namespace velmora {

namespace {

PackEntry ReadEntry(ByteReader& reader) {
  PackEntry entry;
  entry.tag = reader.U16();
  entry.length = reader.U32();
  entry.length2 = reader.U32();
  std::span<const std::uint8_t> field = reader.Bytes(kArchiveNameFieldSize);
  const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
  entry.terminated = end != field.end();
  entry.name.assign(field.begin(), end);
  entry.offset = reader.U32();
  return entry;
}

std::string Number(std::uint64_t value) { return std::to_string(value); }

// The checks of one record on its own.
void CheckEntry(const PackEntry& entry, std::uint64_t file_size, std::size_t directory_end,
                std::vector<Finding>& out) {
  const std::string& who = entry.name.empty() ? std::string("(unnamed member)") : entry.name;
  auto report = [&](std::string what) { out.push_back({who, std::move(what)}); };
  if (entry.name.empty()) report("the directory record has an empty name");
  if (!entry.terminated || entry.name.size() > kArchiveMaxNameLength) {
    report("name longer than 12 characters");
  }
  if (!entry.name.empty() && !IsSafeMemberName(entry.name)) {
    report("name would place the file outside the track folder");
  }
  if (entry.tag != kArchiveRecordTag) {
    report("directory tag is " + Number(entry.tag) + ", not 5");
  }
  if (entry.length != entry.length2) {
    report("the directory's two lengths differ (" + Number(entry.length) + " and " +
           Number(entry.length2) + ")");
  }
  const std::uint64_t end = static_cast<std::uint64_t>(entry.offset) + entry.length;
  if (end > file_size) {
    report("data at offset " + Number(entry.offset) + ", " + Number(entry.length) +
           " bytes, runs past the end of the pack (" + Number(file_size) + " bytes)");
  } else if (entry.length > 0 && entry.offset < directory_end) {
    report("data at offset " + Number(entry.offset) + " lies inside the directory");
  }
}

// Members whose data share bytes, found in one pass over the records sorted by offset.
void CheckOverlaps(std::span<const PackEntry> entries, std::vector<Finding>& out) {
  std::vector<std::size_t> order(entries.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::erase_if(order, [&](std::size_t i) { return entries[i].length == 0; });
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return entries[a].offset != entries[b].offset ? entries[a].offset < entries[b].offset : a < b;
  });
  std::uint64_t reach = 0;  // the furthest end seen so far
  std::size_t reacher = 0;  // the member that reaches it
  for (std::size_t k = 0; k < order.size(); ++k) {
    const PackEntry& entry = entries[order[k]];
    if (k > 0 && entry.offset < reach) {
      out.push_back({entry.name, "data overlaps that of " + entries[reacher].name});
    }
    const std::uint64_t end = static_cast<std::uint64_t>(entry.offset) + entry.length;
    if (k == 0 || end > reach) {
      reach = end;
      reacher = order[k];
    }
  }
}

void CheckDuplicates(std::span<const PackEntry> entries, std::vector<Finding>& out) {
  std::unordered_map<std::string, std::size_t> first;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto [it, inserted] = first.emplace(AsciiLower(entries[i].name), i);
    if (!inserted) {
      out.push_back(
          {entries[i].name, "another member has the same name: " + entries[it->second].name});
    }
  }
}

}  // namespace

std::size_t PackDirectoryEnd(std::size_t count) {
  return kArchiveCountSize + count * kArchiveRecordSize;
}

Result<std::vector<PackEntry>> ReadPackDirectory(std::span<const std::uint8_t> pack) {
  ByteReader reader(pack);
  const std::uint16_t count = reader.U16();
  if (!reader.ok()) return Status::Corruption("the pack is shorter than its 2-byte count");
  if (PackDirectoryEnd(count) > pack.size()) {
    return Status::Corruption("the directory of " + Number(count) + " members needs " +
                              Number(PackDirectoryEnd(count)) + " bytes but the pack holds " +
                              Number(pack.size()));
  }
  std::vector<PackEntry> entries;
  entries.reserve(count);
  for (std::uint16_t i = 0; i < count; ++i) entries.push_back(ReadEntry(reader));
  return entries;
}

std::vector<Finding> CheckPackDirectory(std::span<const PackEntry> entries, std::uint64_t file_size,
                                        const std::string& pack_name) {
  std::vector<Finding> out;
  if (entries.empty()) out.push_back({pack_name, "the directory lists no members"});
  const std::size_t directory_end = PackDirectoryEnd(entries.size());
  for (const PackEntry& entry : entries) CheckEntry(entry, file_size, directory_end, out);
  CheckOverlaps(entries, out);
  CheckDuplicates(entries, out);
  return out;
}

}  // namespace velmora
