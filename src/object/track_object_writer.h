#ifndef VELMORA_OBJECT_TRACK_OBJECT_WRITER_H_
#define VELMORA_OBJECT_TRACK_OBJECT_WRITER_H_

namespace velmora {

class Object3do;

// The writer of the track object: the object that holds the track-section lists
// (Object3do::is_track_object, with its sections in section_nodes() and section_starts()).
// WriteGpl calls BuildTrackSections before any node is written (the planes are built, the
// vertices not yet converted) and WriteTrackObjectNodes for the node stream.
//
// The section layout (lanes, cut planes, strips, lane dividers, section index and the fixed
// table) is not built yet: sections are left as collected and the node stream is written node
// by node as for any other object.
void BuildTrackSections(Object3do& object);
void WriteTrackObjectNodes(Object3do& object);

}  // namespace velmora

#endif  // VELMORA_OBJECT_TRACK_OBJECT_WRITER_H_
