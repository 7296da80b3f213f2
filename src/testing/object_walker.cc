// The independent walker of 3DO4 files: it shares nothing with the object writer but the
// byte reader, so a fault in the writer's own idea of the format shows here.

#include "testing/object_walker.h"

#include <set>
#include <string>

#include "platform/byte_reader.h"

namespace velmora::testkit {

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

}  // namespace

GplWalk WalkGplObject(std::span<const std::uint8_t> b) {
  GplWalk walk;
  auto problem = [&](std::string text) { walk.problems.push_back(std::move(text)); };
  if (b.size() < 12 || Tag(b, 0) != "4OD3") {
    problem("not a 4OD3 file");
    return walk;
  }
  if (WordAt(b, 8) != b.size() - 12) problem("header size is not the file length - 12");
  std::set<std::uint32_t> name_starts;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> handles;
  std::span<const std::uint8_t> prim;
  const std::string order[] = {"SZYX", "NALP", "NRTS", "DNAH", "MIRP"};
  int last_rank = -1;
  std::size_t at = 12;
  while (at < b.size()) {
    if (at + 12 > b.size()) {
      problem("chunk header past the end at " + std::to_string(at));
      return walk;
    }
    const std::string tag = Tag(b, at);
    const std::uint32_t size = WordAt(b, at + 8);
    const std::size_t payload = at + 12;
    if (size > b.size() - payload) {
      problem(tag + " size runs past the end");
      return walk;
    }
    int rank = -1;
    for (int i = 0; i < 5; ++i) rank = order[i] == tag ? i : rank;
    if (rank < 0) problem("unknown chunk " + tag);
    if (rank <= last_rank) problem("chunk " + tag + " out of order");
    last_rank = rank;
    std::span<const std::uint8_t> data = b.subspan(payload, size);
    if (tag == "SZYX" || tag == "NALP") {
      if (size % 16 != 0) problem(tag + " size not a multiple of 16");
      (tag == "SZYX" ? walk.vertices : walk.planes) = size / 16;
    } else if (tag == "NRTS") {
      std::size_t i = 0;
      while (i < size && data[i] != 0xFF) {
        name_starts.insert(static_cast<std::uint32_t>(i));
        while (i < size && data[i] != 0) ++i;
        ++i;
      }
      if (i >= size) problem("STRN without its 0xFF inside");
      for (std::size_t k = i + 1; k < size; ++k) {
        if (data[k] != ' ') problem("STRN fill is not blanks");
      }
      if (size % 4 != 0) problem("STRN size not a multiple of 4");
    } else if (tag == "DNAH") {
      for (std::size_t k = 0; k + 8 <= size; k += 8) {
        handles.emplace_back(WordAt(data, k), WordAt(data, k + 4));
      }
    } else if (tag == "MIRP") {
      prim = data;
    }
    const std::size_t pad = (4 - size % 4) % 4;
    for (std::size_t k = 0; k < pad; ++k) {
      if (payload + size + k >= b.size() || b[payload + size + k] != ' ') {
        problem(tag + " pad missing or not blank");
        return walk;
      }
    }
    at = payload + size + pad;
  }
  if (at != b.size()) problem("chunks do not end at the file's end");
  if (prim.size() < 4) {
    problem("no node stream");
    return walk;
  }

  std::set<std::uint32_t> starts;
  std::uint32_t last = 0xFFFFFFFF;
  std::size_t n = 4;
  while (n < prim.size()) {
    const std::uint64_t length = NodeLength(prim, n);
    if (length == 0 || length > prim.size() - n) {
      problem("node at " + std::to_string(n) + " has no length that fits");
      return walk;
    }
    const auto here = static_cast<std::uint32_t>(n);
    auto u = [&](std::size_t k) { return WordAt(prim, n + 4 * k); };
    auto ref = [&](std::size_t k) {
      const std::uint32_t r = u(k);
      if (r != 0xFFFFFFFF && (r >= here || !starts.count(r))) {
        problem("node at " + std::to_string(n) + " refers to " + std::to_string(r));
      }
    };
    auto link = [&](std::size_t k) {  // track-section links may point forward
      const std::uint32_t r = u(k);
      if (r != 0xFFFFFFFF && (r < 4 || r >= prim.size())) problem("bad section link");
    };
    auto vertex = [&](std::uint32_t v) {
      if (v >= walk.vertices) problem("vertex " + std::to_string(v) + " past the table");
    };
    auto plane = [&](std::uint32_t p) {
      if (p >= walk.planes) problem("plane " + std::to_string(p) + " past the table");
    };
    auto name = [&](std::uint32_t s) {
      if (!name_starts.count(s)) problem("string offset " + std::to_string(s) + " is no name");
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
    starts.insert(here);
    walk.opcodes.push_back(opcode);
    walk.node_offsets.push_back(here);
    last = here;
    n += length;
  }
  walk.nodes = walk.opcodes.size();
  if (WordAt(prim, 0) != last) problem("root is not the last node");
  for (const auto& [name_offset, node] : handles) {
    if (!name_starts.count(name_offset)) problem("handle name is no name");
    if (!starts.count(node)) problem("handle node is no node");
  }
  return walk;
}

}  // namespace velmora::testkit
