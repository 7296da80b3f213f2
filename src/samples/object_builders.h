#ifndef VELMORA_SAMPLES_OBJECT_BUILDERS_H_
#define VELMORA_SAMPLES_OBJECT_BUILDERS_H_

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "samples/archive_builder.h"

namespace velmora::samples {

// Builds a 3DO3 (format 2) source object record by record. Each record call returns the
// record's offset in the node data, which later records name as a child.
class Object3Builder {
 public:
  std::uint32_t Vertex(std::int32_t x, std::int32_t y, std::int32_t z);
  // A name in the string table; its string offset.
  std::uint32_t Name(const std::string& name);

  // Types 0 and 2 refer to the vertices; other types give each corner texels (`uv`).
  std::uint32_t Polygon(std::uint32_t type, std::uint8_t colour,
                        const std::vector<std::uint32_t>& vertices,
                        const std::vector<std::pair<std::int16_t, std::int16_t>>& uv = {});
  std::uint32_t Sprite(std::uint32_t vertex, const std::string& name, std::uint32_t size);
  std::uint32_t Group(const std::vector<std::uint32_t>& children);
  // Kinds 1 and 5 name a texture; kind 4 carries `value`; kind 5 carries `second` too.
  std::uint32_t Attribute(std::uint32_t child, std::uint32_t kind, std::uint32_t value,
                          std::uint32_t second = 0);
  std::uint32_t TextureAttribute(std::uint32_t child, std::uint32_t kind,
                                 const std::string& texture, std::uint32_t second = 0);
  // Codes 6 to 11: a plane (a, b, c, distance hi and lo) and the children of the code.
  std::uint32_t Split(int code, std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t hi,
                      std::uint32_t lo, const std::vector<std::uint32_t>& children);
  // Codes 13 and 19.
  std::uint32_t Placement(int code, std::int32_t x, std::int32_t y, std::int32_t z,
                          std::int32_t a1, std::int32_t a2, std::int32_t a3, std::uint32_t child);
  std::uint32_t ObjectRef(const std::string& name);
  std::uint32_t NumberList(const std::vector<std::uint32_t>& numbers);
  std::uint32_t Pairs(const std::vector<std::uint32_t>& children);  // code 17
  std::uint32_t Line(std::uint8_t colour, std::uint32_t a, std::uint32_t b, std::uint32_t type = 2);
  // Any record: the code byte, +1 = 0, then the words from +5.
  std::uint32_t Record(std::uint8_t code, const std::vector<std::uint32_t>& words);

  // The file: "3OD3" { PERP NRTS MIRP }, the stream padded with blanks.
  std::vector<std::uint8_t> Build(bool with_vertices = true) const;

 private:
  std::vector<std::int32_t> vertices_;
  std::vector<std::uint8_t> strings_;
  std::vector<std::uint8_t> records_;
};

// Builds an untagged (format 1) source object word by word. Record calls return the offset of
// the record's marker in the node data. The header names the root record as the games' own
// files do: the last record made, unless SetRoot says otherwise.
class UntaggedBuilder {
 public:
  // Name numbers count from 0 within their list.
  int Texture(const std::string& name);
  int Sprite(const std::string& name);
  int Object(const std::string& name);

  std::uint32_t Vertex(std::int32_t x, std::int32_t y, std::int32_t z, std::int16_t u = 0,
                       std::int16_t v = 0);
  std::uint32_t FlatPolygon(std::uint32_t colour, const std::vector<std::uint32_t>& vertices);
  std::uint32_t Polygon(std::uint32_t value, std::uint32_t colour,
                        const std::vector<std::uint32_t>& vertices);
  std::uint32_t SpriteRecord(std::uint32_t vertex, std::int32_t size, std::uint32_t sprite);
  std::uint32_t Attribute(std::uint32_t texture, std::uint32_t child);
  // Codes 5 to 10: plane (a, b, c, distance lo and hi), children from w6.
  std::uint32_t Split(int code, std::int32_t a, std::int32_t b, std::int32_t c, std::uint32_t lo,
                      std::int32_t hi, const std::vector<std::uint32_t>& children);
  std::uint32_t Group(const std::vector<std::uint32_t>& children);
  // Code 13: (distance, child) pairs from the farthest level to the nearest; a switch the
  // games read ends with distance 0.
  std::uint32_t DetailSwitch(std::uint32_t origin,
                             const std::vector<std::pair<std::int32_t, std::uint32_t>>& levels);
  // `object` is the signed name number counted from 1.
  std::uint32_t Placement(std::int32_t x, std::int32_t y, std::int32_t z, std::int32_t a1,
                          std::int32_t a2, std::int32_t a3, std::int32_t object);
  // Code 16: the main record and the records it lists.
  std::uint32_t Head(std::uint32_t main, const std::vector<std::uint32_t>& listed);
  std::uint32_t SectionList(std::uint32_t w1, std::uint32_t w2, std::uint32_t w3,
                            std::uint32_t w4);
  // Words as they are; `record`: they start a record, which becomes the root by default.
  std::uint32_t Words(const std::vector<std::uint32_t>& words, bool record = true);
  // The header's root word; 0 leaves the root to the reader (the last record).
  void SetRoot(std::uint32_t offset) { root_ = offset; }

  std::vector<std::uint8_t> Build() const;

 private:
  std::vector<std::string> textures_, sprites_, objects_;
  std::vector<std::uint32_t> words_;
  std::uint32_t root_ = 0;
};

inline constexpr std::uint32_t Marker(int code) {
  return 0x80000000u | static_cast<std::uint32_t>(code);
}

// The sample track's scenery (untagged objects, the way CART tracks hold them) and its horizon.
void AddDemoObjects(std::vector<MemberBytes>& members);

}  // namespace velmora::samples

#endif  // VELMORA_SAMPLES_OBJECT_BUILDERS_H_
