#ifndef VELMORA_OBJECT_SOURCE_NODE_WRITERS_H_
#define VELMORA_OBJECT_SOURCE_NODE_WRITERS_H_

#include <cstdint>

#include "object/gpl_node_stream.h"
#include "object/object_model.h"

namespace velmora {

// How the records of each source layout become GPL nodes and planes.

// Appends the object's planes: the two fixed planes (0, 0, 0, -100) and (0, 0, 0, 100), then,
// in node-list order, one per plane-carrying record and one per polygon, by the layout's rules.
void BuildPlanes(Object3do& object);
// Writes one node by the converter of the object's layout, mirrored when the stream says so.
void WriteSourceNode(ObjectNode& node, GplNodeStream& stream);

void Write3do3Node(ObjectNode& node, GplNodeStream& stream);
void WriteUntaggedNode(ObjectNode& node, GplNodeStream& stream);
void BuildPlanes3do3(Object3do& object);
void BuildPlanesUntagged(Object3do& object);

// Plane helpers. A record plane: normal (a, b, c) and distance in source units, as the
// layout's record gives them.
void AppendRecordPlane(Object3do& object, ObjectNode& node, std::int32_t a, std::int32_t b,
                       std::int32_t c, double distance);
// The plane through a polygon's first three vertices (source units), turned to face up.
void AppendPolygonPlane(Object3do& object, ObjectNode& node);

}  // namespace velmora

#endif  // VELMORA_OBJECT_SOURCE_NODE_WRITERS_H_
