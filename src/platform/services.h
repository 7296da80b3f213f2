#ifndef VELMORA_PLATFORM_SERVICES_H_
#define VELMORA_PLATFORM_SERVICES_H_

namespace velmora {

class MessageSink;
class ResourceStore;
class Settings;

// What every conversion is given by its front end. The front end owns all three; they outlive
// the conversion.
struct Services {
  MessageSink& messages;
  Settings& settings;
  const ResourceStore& resources;
};

}  // namespace velmora

#endif  // VELMORA_PLATFORM_SERVICES_H_
