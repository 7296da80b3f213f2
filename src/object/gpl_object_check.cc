#include "object/gpl_object_check.h"

#include <algorithm>
#include <string>

namespace velmora {

namespace {

std::string Tag(std::span<const std::uint8_t> b, std::size_t at) {
  return std::string(reinterpret_cast<const char*>(b.data() + at), 4);
}

std::uint32_t WordAt(std::span<const std::uint8_t> b, std::size_t at) {
  if (at + 4 > b.size()) return 0xDEADBEEF;
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// Node length by opcode, from the words of the node; 0 for opcodes without one.
std::uint64_t NodeLength(std::span<const std::uint8_t> p, std::size_t at) {
  auto u = [&](std::size_t n) -> std::uint64_t { return WordAt(p, at + 4 * n); };
  switch (u(0) & 0xFF) {
    case 3: case 8: return 24;
    case 4: case 16: case 23: return 8 + 4 * u(1);
    case 5:
      switch (u(2)) {
        case 5: case 8: return 20;
        case 12: return 24;
        case 13: return 28;
        case 17: return 16 + 4 * u(3);
        default: return u(2) > 32 ? 16 + (u(2) & 15) : 16;
      }
    case 6: case 14: case 20: return 12;
    case 7: case 11: case 21: return 16;
    case 9: case 10: return 20;
    case 13: case 19: case 22: return 36;
    case 15: return 16 * (u(15) + 4);
    case 17: return 20 + 8 * u(4);
    case 25: return 40;
    case 27: return 12 + 4 * u(2);
    case 28: case 29: return 12 + 8 * u(2);
    case 30: return 12 * (u(2) + 1);
    case 31: return 16 + 12 * u(3);
    case 32: case 33: return 16 * (u(3) + 1);
    case 34: return 16 + 20 * u(3);
    default: return 0;
  }
}

Status Problem(std::string text) { return Status::Corruption(std::move(text)); }

// What the chunks give the node check.
struct Tables {
  std::vector<std::uint32_t> name_starts;  // ascending, as the table holds them
  std::vector<std::pair<std::uint32_t, std::uint32_t>> handles;
  std::span<const std::uint8_t> prim;
};

Status CheckStrings(std::span<const std::uint8_t> data, Tables& tables) {
  const std::size_t size = data.size();
  std::size_t i = 0;
  while (i < size && data[i] != 0xFF) {
    tables.name_starts.push_back(static_cast<std::uint32_t>(i));
    while (i < size && data[i] != 0) ++i;
    ++i;
  }
  if (i >= size) return Problem("STRN without its 0xFF inside");
  for (std::size_t k = i + 1; k < size; ++k) {
    if (data[k] != ' ') return Problem("STRN fill is not blanks");
  }
  if (size % 4 != 0) return Problem("STRN size not a multiple of 4");
  return Status::Ok();
}

// The chunks in their order, each with its pad, up to the file's end.
Status CheckChunks(std::span<const std::uint8_t> b, GplObjectOutline& walk, Tables& tables) {
  auto problem = Problem;
  if (b.size() < 12 || Tag(b, 0) != "4OD3") {
    return problem("not a 4OD3 file");
  }
  if (WordAt(b, 8) != b.size() - 12) return problem("header size is not the file length - 12");
  const std::string order[] = {"SZYX", "NALP", "NRTS", "DNAH", "MIRP"};
  int last_rank = -1;
  std::size_t at = 12;
  while (at < b.size()) {
    if (at + 12 > b.size()) {
      return problem("chunk header past the end at " + std::to_string(at));
    }
    const std::string tag = Tag(b, at);
    const std::uint32_t size = WordAt(b, at + 8);
    const std::size_t payload = at + 12;
    if (size > b.size() - payload) {
      return problem(tag + " size runs past the end");
    }
    int rank = -1;
    for (int i = 0; i < 5; ++i) rank = order[i] == tag ? i : rank;
    if (rank < 0) return problem("unknown chunk " + tag);
    if (rank <= last_rank) return problem("chunk " + tag + " out of order");
    last_rank = rank;
    std::span<const std::uint8_t> data = b.subspan(payload, size);
    if (tag == "SZYX" || tag == "NALP") {
      if (size % 16 != 0) return problem(tag + " size not a multiple of 16");
      (tag == "SZYX" ? walk.vertices : walk.planes) = size / 16;
    } else if (tag == "NRTS") {
      Status strings = CheckStrings(data, tables);
      if (!strings.ok()) return strings;
    } else if (tag == "DNAH") {
      for (std::size_t k = 0; k + 8 <= size; k += 8) {
        tables.handles.emplace_back(WordAt(data, k), WordAt(data, k + 4));
      }
    } else if (tag == "MIRP") {
      tables.prim = data;
      walk.prim_at = payload;
    }
    const std::size_t pad = (4 - size % 4) % 4;
    for (std::size_t k = 0; k < pad; ++k) {
      if (payload + size + k >= b.size() || b[payload + size + k] != ' ') {
        return problem(tag + " pad missing or not blank");
      }
    }
    at = payload + size + pad;
  }
  if (at != b.size()) return problem("chunks do not end at the file's end");
  if (tables.prim.size() < 4) return problem("no node stream");
  return Status::Ok();
}

// Every node by its length, every reference it holds, the root last and the handles' nodes.
Status CheckNodes(const Tables& tables, GplObjectOutline& walk) {
  auto problem = Problem;
  const std::span<const std::uint8_t> prim = tables.prim;
  auto is_name = [&](std::uint32_t s) {
    return std::binary_search(tables.name_starts.begin(), tables.name_starts.end(), s);
  };
  // The nodes met so far, in the ascending order the stream holds them.
  const std::vector<std::uint32_t>& starts = walk.node_offsets;
  auto is_node = [&](std::uint32_t r) {
    return std::binary_search(starts.begin(), starts.end(), r);
  };
  std::uint32_t last = 0xFFFFFFFF;
  std::size_t n = 4;
  Status first = Status::Ok();  // the first problem met inside a node
  // The text is made only for a problem: every reference of every node passes through here.
  auto note = [&](bool bad, auto&& text) {
    if (bad && first.ok()) first = Status::Corruption(text());
  };
  while (n < prim.size()) {
    const std::uint64_t length = NodeLength(prim, n);
    if (length == 0 || length > prim.size() - n) {
      return problem("node at " + std::to_string(n) + " has no length that fits");
    }
    const auto here = static_cast<std::uint32_t>(n);
    auto u = [&](std::size_t k) { return WordAt(prim, n + 4 * k); };
    auto ref = [&](std::size_t k) {
      const std::uint32_t r = u(k);
      note(r != 0xFFFFFFFF && (r >= here || !is_node(r)),
           [&] { return "node at " + std::to_string(n) + " refers to " + std::to_string(r); });
    };
    auto link = [&](std::size_t k) {  // track-section links may point forward
      const std::uint32_t r = u(k);
      note(r != 0xFFFFFFFF && (r < 4 || r >= prim.size()),
           [&] { return "node at " + std::to_string(n) + " has a bad section link"; });
    };
    auto vertex = [&](std::uint32_t v) {
      note(v >= walk.vertices, [&] { return "vertex " + std::to_string(v) + " past the table"; });
    };
    auto plane = [&](std::uint32_t p) {
      note(p >= walk.planes, [&] { return "plane " + std::to_string(p) + " past the table"; });
    };
    auto name = [&](std::uint32_t s) {
      note(!is_name(s), [&] { return "string offset " + std::to_string(s) + " is no name"; });
    };
    const std::uint32_t opcode = u(0) & 0xFF;
    switch (opcode) {
      case 3: vertex(u(1)); name(u(3)); break;
      case 4: for (std::uint32_t i = 0; i < u(1); ++i) ref(2 + i); break;
      case 5:
        ref(1);
        if (u(2) == 1 || u(2) == 5) name(u(3));
        break;
      case 6: plane(u(1)); ref(2); break;
      case 7: case 11: plane(u(1)); ref(2); ref(3); break;
      case 8: plane(u(1)); for (int k = 2; k <= 5; ++k) ref(k); break;
      case 9: case 10: plane(u(1)); for (int k = 2; k <= 4; ++k) ref(k); break;
      case 13: case 19: ref(8); break;
      case 14: name(u(1)); break;
      case 15:
        for (int k : {1, 3, 5, 7}) plane(u(k));
        for (int k : {2, 4, 6, 8, 9}) link(k);
        for (std::uint32_t e = 0; e < u(15); ++e) ref(16 + 4 * e + 3);
        break;
      case 21: vertex(u(2)); vertex(u(3)); break;
      case 27: for (std::uint32_t i = 0; i < u(2); ++i) vertex(u(3 + i)); break;
      case 31: case 32:
        for (std::uint32_t i = 0; i < u(3); ++i) vertex(u(4 + 2 * u(3) + i));
        break;
      default: break;
    }
    if (!first.ok()) return first;
    walk.opcodes.push_back(opcode);
    walk.node_offsets.push_back(here);
    last = here;
    n += length;
  }
  walk.root = WordAt(prim, 0);
  if (walk.root != last) return problem("root is not the last node");
  for (const auto& [name_offset, node] : tables.handles) {
    if (!is_name(name_offset)) return problem("handle name is no name");
    if (!is_node(node)) return problem("handle node is no node");
  }
  return Status::Ok();
}

}  // namespace

Result<GplObjectOutline> CheckGplObject(std::span<const std::uint8_t> bytes) {
  GplObjectOutline walk;
  Tables tables;
  Status status = CheckChunks(bytes, walk, tables);
  if (status.ok()) status = CheckNodes(tables, walk);
  if (!status.ok()) return status;
  return walk;
}

namespace {

// The track object's closing groups, read from an outline that passed CheckGplObject.
Status CheckTrackGroups(std::span<const std::uint8_t> prim, const GplObjectOutline& walk) {
  auto u = [&](std::uint32_t node, std::size_t k) { return WordAt(prim, node + 4 * k); };
  auto corrupt = [](const std::string& text) { return Status::Corruption("track object: " + text); };
  auto opcode = [&](std::uint32_t at) {  // the outline's offsets ascend
    const auto it = std::lower_bound(walk.node_offsets.begin(), walk.node_offsets.end(), at);
    if (it == walk.node_offsets.end() || *it != at) return 0xFFFFFFFFu;
    return walk.opcodes[static_cast<std::size_t>(it - walk.node_offsets.begin())];
  };
  const std::uint32_t root = walk.root;
  if (opcode(root) != 4 || u(root, 1) != 2) return corrupt("root is not a group of 2");
  const std::uint32_t fixed = u(root, 3);
  if (walk.node_offsets.size() < 2 || walk.node_offsets[walk.node_offsets.size() - 2] != fixed ||
      opcode(fixed) != 16 || u(fixed, 1) != 240 || root - fixed != 968) {
    return corrupt("the node before the root is not the 968-byte fixed table");
  }
  const std::uint32_t g2 = u(root, 2);
  if (opcode(g2) != 4 || u(g2, 1) < 2) return corrupt("no track group");
  const std::uint32_t sections = u(g2, 1) - 2;
  const std::uint32_t g1 = u(g2, 2 + sections + 1);
  if (opcode(u(g2, 2)) != 16) return corrupt("the track group does not begin with the index list");
  if (opcode(g1) != 4 || u(g1, 1) != sections + 1 || u(g1, 2 + sections) != 0xFFFFFFFF) {
    return corrupt("the section group does not hold sections + 1 entries ending in -1");
  }
  for (std::size_t i = 0; i < walk.opcodes.size(); ++i) {
    if (walk.opcodes[i] != 15) continue;
    for (std::size_t k : {2u, 4u, 6u, 8u, 9u}) {
      const std::uint32_t link = u(walk.node_offsets[i], k);
      if (link != 0xFFFFFFFF && opcode(link) != 15) {
        return corrupt("track section at " + std::to_string(walk.node_offsets[i]) +
                       " links to a node that is no track section");
      }
    }
  }
  if (sections > 0) {
    const std::uint32_t first = u(g1, 2), last = u(g1, 2 + sections - 1);
    if (first != 0xFFFFFFFF && opcode(first) == 15 && u(first, 6) != last) {
      return corrupt("lane 6 of the first section does not link back to the last");
    }
  }
  return Status::Ok();
}

}  // namespace

Status CheckTrackShape(std::span<const std::uint8_t> bytes, const GplObjectOutline& outline) {
  return CheckTrackGroups(bytes.subspan(outline.prim_at, bytes.size() - outline.prim_at), outline);
}

Result<GplObjectOutline> CheckTrackObject(std::span<const std::uint8_t> bytes) {
  Result<GplObjectOutline> outline = CheckGplObject(bytes);
  if (!outline.ok()) return outline;
  Status status = CheckTrackShape(bytes, *outline);
  if (!status.ok()) return status;
  return outline;
}

}  // namespace velmora
